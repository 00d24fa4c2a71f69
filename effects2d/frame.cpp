#include "effects2d/frame.h"

#include <algorithm>
#include <string>

#include "demo/command.h"
#include "effects2d/blob.h"
#include "effects2d/bumpscroller.h"
#include "effects2d/commands.h"
#include "effects2d/crazyfontcollector.h"
#include "effects2d/fade_to_color.h"
#include "effects2d/grab_texture.h"
#include "effects2d/graypicturecollector.h"
#include "effects2d/logo_rot3d.h"
#include "effects2d/morph.h"
#include "effects2d/morphcollector.h"
#include "effects2d/motion_blur.h"
#include "effects2d/picturecollector.h"
#include "effects2d/pixel_crossfade.h"
#include "effects2d/rotozoomer.h"
#include "effects2d/sample.h"
#include "effects2d/scrolly.h"
#include "effects2d/scrollycollector.h"
#include "effects2d/slideshow.h"
#include "effects2d/sprite.h"
#include "effects2d/texturecollector.h"
#include "effects2d/wobble.h"
#include "effects2d/xfadecollector.h"
#include "foundation/gfxloader.h"
#include "script/filters.h"
#include "windxkernel/video.h"

namespace VOXA2 {
namespace effects2d {

SurfaceLock::SurfaceLock(video::voxaSurface* surface, int mode) {
  std::int32_t w = 0, h = 0;
  // A surface that cannot say its size is not drawn on at all.
  if (!surface || !surface->GetSize(&w, &h)) return;
  if (!surface->Lock(&pixels_, &pitch_, mode)) return;
  surface_ = surface;
  width_ = std::clamp(w, 0, screenInfo.width);
  height_ = std::clamp(h, 0, screenInfo.height);
}

SurfaceLock::~SurfaceLock() {
  if (surface_) surface_->Unlock();
}

}  // namespace effects2d

namespace {

cVOXAdatacollector* NewPictureCollector() {
  return new (std::nothrow) cVOXApicturecollector("picture");
}
cVOXAdatacollector* NewTextureCollector() {
  return new (std::nothrow) cVOXAtexturecollector("texture");
}
cVOXAdatacollector* NewSampleCollector() {
  return new (std::nothrow) cVOXAsamplecollector("sample");
}
cVOXAdatacollector* NewCrazyFontCollector() {
  return new (std::nothrow) cVOXAcrazyfontcollector("crazyfont");
}
cVOXAdatacollector* NewScrollyCollector() {
  return new (std::nothrow) cVOXAscrollycollector("scrolly");
}
cVOXAdatacollector* NewMorphCollector() {
  return new (std::nothrow) cVOXAmorphcollector("morph");
}
cVOXAdatacollector* NewXfadeCollector() { return new (std::nothrow) cVOXAxfadecollector("xfade"); }
cVOXAdatacollector* NewGrayPictureCollector() {
  return new (std::nothrow) cVOXAgraypicturecollector("graypicture");
}

}  // namespace

bool RegisterEffects2D() {
  static bool readers = false;
  if (!readers) {
    RegisterPictureReaders();
    readers = true;
  }
  if (!filter::RegisterFilters()) return false;
  bool ok = SetBuiltInCommandCreator("clear", cVOXAclear::Create) &&
            SetBuiltInCommandCreator("copy", cVOXAcopy::Create) &&
            SetBuiltInCommandCreator("picture", cVOXApicture::Create) &&
            SetBuiltInCommandCreator("music_volume", cVOXAmusic_volume::Create) &&
            SetBuiltInCommandCreator("sample", cVOXAsample::Create) &&
            SetBuiltInCommandCreator("scrolly", cVOXAscrolly::Create) &&
            SetBuiltInCommandCreator("sprite", cVOXAsprite::Create) &&
            SetBuiltInCommandCreator("logo_rot3d", cVOXAlogo_rot3d::Create) &&
            SetBuiltInCommandCreator("fade_to_color", cVOXAfade_to_color::Create) &&
            SetBuiltInCommandCreator("rotozoomer", cVOXArotozoomer::Create) &&
            SetBuiltInCommandCreator("wobble", cVOXAwobble::Create) &&
            SetBuiltInCommandCreator("slideshow", cVOXAslideshow::Create) &&
            SetBuiltInCommandCreator("blob", cVOXAblob::Create) &&
            SetBuiltInCommandCreator("morph", cVOXAmorph::Create) &&
            SetBuiltInCommandCreator("pixel_crossfade", cVOXApixel_crossfade::Create) &&
            SetBuiltInCommandCreator("motion_blur", cVOXAmotion_blur::Create) &&
            SetBuiltInCommandCreator("grab_texture", cVOXAgrab_texture::Create) &&
            SetBuiltInCommandCreator("bumpscroller", cVOXAbumpscroller::Create);
  // A kind registered before (a second start-up) keeps its creator.
  RegisterDataCollectorKind("picture", NewPictureCollector);
  RegisterDataCollectorKind("texture", NewTextureCollector);
  RegisterDataCollectorKind("sample", NewSampleCollector);
  RegisterDataCollectorKind("crazyfont", NewCrazyFontCollector);
  RegisterDataCollectorKind("scrolly", NewScrollyCollector);
  RegisterDataCollectorKind("morph", NewMorphCollector);
  RegisterDataCollectorKind("xfade", NewXfadeCollector);
  RegisterDataCollectorKind("graypicture", NewGrayPictureCollector);
  return ok;
}

}  // namespace VOXA2
