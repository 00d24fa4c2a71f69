#include "effects2d/graypicturecollector.h"

#include <cstddef>
#include <memory>
#include <new>
#include <string>

#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "foundation/pictures.h"
#include "windxkernel/debuglog.h"

namespace VOXA2 {
namespace {

// Paths were always formatted into 128 bytes; a name that would not fit is
// refused like a missing file rather than cut into another name.
constexpr std::size_t kMaxPathLength = 127;

}  // namespace

void cVOXAgraypicturecollector::FreeItem(void* data) { delete static_cast<cMonoPic*>(data); }

bool cVOXAgraypicturecollector::LoadItem(tDataEntry* entry) {
  std::unique_ptr<cMonoPic> picture(VOXA::errors::NewOrThrow<cMonoPic>("cMonoPic"));
  // The extension is always added: the script names the picture, not the file.
  const std::string path = "pictures\\" + entry->name + ".PCX";
  if (path.size() > kMaxPathLength || !picture->Load(path.c_str())) {
    LogMessage(5, "Could not load grayscaled image %s", path.c_str());
    return false;
  }
  entry->data = picture.release();
  return true;
}

// Reads every byte once so that the first frame that uses the picture does not
// pay for bringing it in.
void cVOXAgraypicturecollector::PrepareItem(void* data) {
  const auto* picture = static_cast<const cMonoPic*>(data);
  if (!picture || !picture->pixels) return;
  ReadEveryByte(picture->pixels,
                static_cast<std::size_t>(picture->width) * static_cast<std::size_t>(picture->height));
}

}  // namespace VOXA2
