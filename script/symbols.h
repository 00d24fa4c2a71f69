// Entries of a parser's symbol table: the preprocessor's defines and macros,
// and the named objects that loaders store there under kinds of their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/basis.h"

namespace VOXA2 {

enum : std::int32_t {
  symDefine = 1,
  symMacro = 10,
};

struct cData : public virtual basis::basisStruct {
  cData(std::string n, std::int32_t k, std::int32_t p = 0)
      : name(std::move(n)), kind(k), param(p) {}
  ~cData() override = default;

  std::string name;
  std::int32_t kind;
  // A second value that the creator chooses; 0 for the preprocessor's entries.
  std::int32_t param;
};

struct cDefine : public cData {
  cDefine(std::string n, std::string v) : cData(std::move(n), symDefine), value(std::move(v)) {}
  ~cDefine() override = default;

  std::string value;
};

struct cMacro : public cData {
  explicit cMacro(std::string n) : cData(std::move(n), symMacro) {}
  ~cMacro() override = default;

  std::vector<std::string> parameters;
  std::string body;
};

// Refers to an object of a loader; a block allocated with malloc is freed with
// the entry when owns is set.
struct cContainer : public cData {
  cContainer(std::string n, std::int32_t k, void* o, bool own)
      : cData(std::move(n), k), owns(own), object(o) {}
  ~cContainer() override;

  bool owns;
  void* object;
};

}  // namespace VOXA2
