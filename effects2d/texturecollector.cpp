#include "effects2d/texturecollector.h"

#include <memory>
#include <string>
#include <utility>

#include "demo/lists.h"
#include "effects2d/pictureloader.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/texture.h"

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

static video::voxaTexture* MakeScreenTexture(std::int32_t width, std::int32_t height) {
  if (Maker().screen) return Maker().screen(width, height);
  return video::kernelTexture::FromPicture(width, height);
}

static video::voxaTexture* MakeTexture(cColorPic* picture, tChannelDepths* depths) {
  if (Maker().fromPicture) return Maker().fromPicture(picture, depths);
  return video::kernelTexture::LoadFile(picture, depths);
}

void cVOXAtexturecollector::FreeItem(void* data) { delete static_cast<video::voxaTexture*>(data); }

void cVOXAtexturecollector::PrepareItem(void* data) {
  if (data) static_cast<video::voxaTexture*>(data)->PreLoad();
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
  // The kernel makes a missing width 256 and a missing height equal to the width.
  video::voxaTexture* texture = MakeScreenTexture(width, height);
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
  video::voxaTexture* texture = picture ? MakeTexture(picture.get(), &depths) : nullptr;
  entry->data = texture;
  if (!texture) LogMessage(5, "Error on loading texture %s", path.c_str());
  return texture != nullptr;
}

}  // namespace VOXA2
