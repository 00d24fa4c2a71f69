#include "effects2d/texturecollector.h"

#include <memory>
#include <string>
#include <utility>

#include "demo/lists.h"
#include "effects2d/pictureloader.h"
#include "windxkernel/debuglog.h"

namespace VOXA2 {
namespace {

tTextureMaker& Maker() {
  static tTextureMaker maker;
  return maker;
}

// Four ASCII digits as a number, each byte less '0' as it stands.
std::int32_t FourDigits(const char* text) {
  std::int32_t value = 0;
  for (int i = 0; i < 4; i++) value = value * 10 + (static_cast<unsigned char>(text[i]) - 48);
  return value;
}

}  // namespace

void SetTextureMaker(tTextureMaker maker) { Maker() = std::move(maker); }

void cVOXAtexturecollector::FreeItem(void* data) { delete static_cast<basis::basisObject*>(data); }

void cVOXAtexturecollector::PrepareItem(void* data) {
  if (data && Maker().preLoad) Maker().preLoad(static_cast<basis::basisObject*>(data));
}

bool cVOXAtexturecollector::LoadItem(tDataEntry* entry) {
  if (!entry->name.empty() && entry->name[0] == '\x08') return LoadScreenTexture(entry);
  return LoadFileTexture(entry);
}

bool cVOXAtexturecollector::LoadScreenTexture(tDataEntry* entry) {
  const std::string& coded = entry->name;
  std::int32_t width = -1, height = -1;
  std::size_t plainAt = 1;
  if (coded.size() > 1 && coded[1] == '\x08') {
    // Only the compiler makes these names; a short one is refused, never read past.
    if (coded.size() < 10) {
      LogMessage(5, "Error on creating screen texture %s", coded.c_str() + 2);
      return false;
    }
    width = FourDigits(coded.c_str() + 2);
    height = FourDigits(coded.c_str() + 6);
    plainAt = 10;
  }
  std::string plain = coded.substr(plainAt);
  for (const tDataEntry* other : entries)
    if (EqualNoCase(other->name.c_str(), plain.c_str())) {
      LogMessage(5, "Texture %s already exists!", coded.c_str());
      return false;
    }
  entry->name = std::move(plain);
  // The kernel's rule: no width means 256, no height means square.
  if (width < 1) width = 256;
  if (height < 1) height = width;
  basis::basisObject* texture = Maker().screen ? Maker().screen(width, height) : nullptr;
  entry->data = texture;
  if (!texture) {
    LogMessage(5, "Error on creating screen texture %s", entry->name.c_str());
    return false;
  }
  return true;
}

bool cVOXAtexturecollector::LoadFileTexture(tDataEntry* entry) {
  const std::string path = "textures\\" + entry->name;
  tChannelDepths depths;
  std::unique_ptr<cColorPic> picture(LoadPicture(path.c_str(), false, "textures\\", &depths, true));
  basis::basisObject* texture = nullptr;
  if (picture && Maker().fromPicture) texture = Maker().fromPicture(picture.get(), &depths);
  entry->data = texture;
  if (!texture) LogMessage(5, "Error on loading texture %s", path.c_str());
  return texture != nullptr;
}

}  // namespace VOXA2
