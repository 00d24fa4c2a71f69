// The root of every toolkit object that takes part in type tests: a class name,
// a small class ID and the ancestry test over those IDs (never the language's
// run-time type information), plus the first message-handling operations.
#pragma once

#include <cstdint>

#include "foundation/basis.h"

namespace ZGUI {

struct tMessage;

// Class IDs, in bands: element roots, frames, lists, services, simple and
// compound controls. The gaps belong to no class.
namespace classid {
inline constexpr std::int32_t Object = 16, Element = 17, VisElement = 18, Control = 19;
inline constexpr std::int32_t Desktop = 32, Window = 33, Dialog = 34, ObjectContainer = 35,
                              ScrollBar = 36;
inline constexpr std::int32_t List = 48, ListEntry = 49, ListEntry_Text = 50,
                              ListEntry_IdentedText = 51, ListEntry_MultiText = 52,
                              ListEntry_LCRText = 53;
inline constexpr std::int32_t KeyboardManager = 54, MessageQueue = 55, Bitmap = 56, Font = 57,
                              FontManager = 58;
inline constexpr std::int32_t Button = 80, Label = 81, Checkbox = 82, Debug = 83, ListBox = 84;
inline constexpr std::int32_t PageControl = 91, TabSheet = 92, HypertextViewer = 93;
}  // namespace classid

class cObject : public virtual basis::basisObject {
 public:
  cObject() = default;
  ~cObject() override = default;

  virtual const char* GetClassName() const;
  virtual std::int32_t GetClassID() const;
  // True for the IDs of the class's ancestors, never for its own.
  virtual bool InheritsFrom(std::int32_t id) const;
  // The class itself or any ancestor; derived classes never change this.
  virtual bool IsClass(std::int32_t id) const final;
  virtual void Reinitialize();
  virtual bool DispatchMessage(tMessage* message);
  virtual bool HandleMessage(tMessage* message);

  // The owner's own data, never touched by the toolkit. Owners keep pointers
  // here, so the words are pointer-sized.
  std::uintptr_t userWords[2] = {0, 0};
};

}  // namespace ZGUI
