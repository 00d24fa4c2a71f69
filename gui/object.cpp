#include "gui/object.h"

namespace ZGUI {

const char* cObject::GetClassName() const { return "cObject"; }
std::int32_t cObject::GetClassID() const { return classid::Object; }
bool cObject::InheritsFrom(std::int32_t) const { return false; }
bool cObject::IsClass(std::int32_t id) const { return InheritsFrom(id) || GetClassID() == id; }
void cObject::Reinitialize() {}

bool cObject::DispatchMessage(tMessage* message) {
  if (!message) return false;
  return HandleMessage(message);
}

bool cObject::HandleMessage(tMessage*) { return false; }

}  // namespace ZGUI
