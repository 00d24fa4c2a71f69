#include "foundation/basis.h"

#include <cxxabi.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <typeindex>
#include <typeinfo>

namespace {

// Demangled names live as long as the process, so ClassName can hand out a
// plain pointer.
const char* RuntimeName(const std::type_info& type) {
  static std::mutex mutex;
  static std::map<std::type_index, std::string> names;
  std::lock_guard lock(mutex);
  auto it = names.find(type);
  if (it == names.end()) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    it = names.emplace(type, status == 0 && demangled ? demangled : type.name()).first;
    std::free(demangled);
  }
  return it->second.c_str();
}

}  // namespace

namespace basis {

const char* basisObject::ClassName() const { return RuntimeName(typeid(*this)); }
const char* basisStruct::ClassName() const { return RuntimeName(typeid(*this)); }

}  // namespace basis
