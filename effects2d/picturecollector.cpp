#include "effects2d/picturecollector.h"

#include <memory>
#include <new>
#include <string>

#include "effects2d/pictureloader.h"
#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "gui/bitmap.h"
#include "windxkernel/video.h"

namespace VOXA2 {

void cVOXApicturecollector::FreeItem(void* data) { delete static_cast<ZGUI::cBitmap*>(data); }

bool cVOXApicturecollector::LoadItem(tDataEntry* entry) {
  const std::string path = "pictures\\" + entry->name;
  std::unique_ptr<cColorPic> picture(LoadPicture(path.c_str(), true, "pictures\\", nullptr, true));
  if (!picture) return false;
  auto* bitmap = VOXA::errors::NewOrThrow<ZGUI::cBitmap>("cBitmap", picture.get(), picture->width,
                                                         picture->height);
  entry->data = bitmap;
  return true;
}

// Reads every byte once so that the first frame that shows the picture does not
// pay for bringing it in.
void cVOXApicturecollector::PrepareItem(void* data) {
  auto* bitmap = static_cast<ZGUI::cBitmap*>(data);
  if (!bitmap) return;
  if (!bitmap->LockDevice()) return;
  if (const std::uint8_t* pixels = bitmap->GetData()) {
    ReadEveryByte(pixels, static_cast<std::size_t>(bitmap->GetWidth()) *
                              static_cast<std::size_t>(bitmap->GetHeight()) *
                              static_cast<std::size_t>(screenInfo.bytesPerPixel));
  }
  bitmap->UnlockDevice();
}

}  // namespace VOXA2
