#include "view3d/animation.h"
#include "view3d/camera.h"
#include "view3d/conditions.h"
#include "view3d/drawing.h"
#include "view3d/fade.h"
#include "view3d/flare.h"
#include "view3d/fog.h"
#include "view3d/magnet.h"
#include "view3d/settings.h"
#include "view3d/skybox.h"
#include "view3d/view3d.h"
#include "view3d/window.h"

namespace VOXA2 {

namespace {

template <class Command, const char* className>
cVOXA3Dcommand* Make(cVOXAview3D* owner, const t3DCommandDesc*, cParserT*) {
  return Create3DCommand<Command>(owner, className);
}

struct tCreator {
  const char* word;
  std::int32_t token;
  t3DCommandCreator creator;
};

constexpr char kUse[] = "cVOXA3Duse";
constexpr char kShow[] = "cVOXA3Dshow";
constexpr char kHide[] = "cVOXA3Dhide";
constexpr char kDraw[] = "cVOXA3Ddraw";
constexpr char kWireframed[] = "cVOXA3Dwireframed";
constexpr char kCulling[] = "cVOXA3Dculling";
constexpr char kFrames[] = "cVOXA3Dframes";
constexpr char kClearZBuffer[] = "cVOXA3Dclearzbuffer";
constexpr char kAlpha[] = "cVOXA3Dalpha";
constexpr char kTint[] = "cVOXA3Dtint";
constexpr char kCamera[] = "cVOXA3Dcamera";
constexpr char kFlush[] = "cVOXA3Dflush";
constexpr char kFog[] = "cVOXA3Dfog";
constexpr char kCamStretch[] = "cVOXA3Dcam_stretch";
constexpr char kIf[] = "cVOXA3Dif";
constexpr char kIfNot[] = "cVOXA3Difnot";
constexpr char kFlare[] = "cVOXA3Dflare";
constexpr char kFade[] = "cVOXA3Dfade_to_color";
constexpr char kWindow[] = "cVOXA3Dwindow";
constexpr char kSkybox[] = "cVOXA3Dskybox";
constexpr char kMagnet[] = "cVOXA3Dmagnet";

const tCreator kCreators[] = {
    {"use", tokIdentifier, Make<cVOXA3Duse, kUse>},
    {"show", tokIdentifier, Make<cVOXA3Dshow, kShow>},
    {"hide", tokIdentifier, Make<cVOXA3Dhide, kHide>},
    {"draw", tokIdentifier, Make<cVOXA3Ddraw, kDraw>},
    {"wireframed", tokIdentifier, Make<cVOXA3Dwireframed, kWireframed>},
    {"culling", tokIdentifier, Make<cVOXA3Dculling, kCulling>},
    {nullptr, tokFrames, Make<cVOXA3Dframes, kFrames>},
    {nullptr, tokClearZBuffer, Make<cVOXA3Dclearzbuffer, kClearZBuffer>},
    {nullptr, tokAlpha, Make<cVOXA3Dalpha, kAlpha>},
    {nullptr, tokTint, Make<cVOXA3Dtint, kTint>},
    {nullptr, tokCamera, Make<cVOXA3Dcamera, kCamera>},
    {"flush", tokIdentifier, Make<cVOXA3Dflush, kFlush>},
    {"fog", tokIdentifier, Make<cVOXA3Dfog, kFog>},
    {"camera_stretch", tokIdentifier, Make<cVOXA3Dcam_stretch, kCamStretch>},
    {"if", tokIdentifier, Make<cVOXA3Dif, kIf>},
    {"ifnot", tokIdentifier, Make<cVOXA3Difnot, kIfNot>},
    {"flare", tokIdentifier, Make<cVOXA3Dflare, kFlare>},
    {"fade_to_color", tokIdentifier, Make<cVOXA3Dfade_to_color, kFade>},
    {"window", tokIdentifier, Make<cVOXA3Dwindow, kWindow>},
    {"skybox", tokIdentifier, Make<cVOXA3Dskybox, kSkybox>},
    {"magnet", tokIdentifier, Make<cVOXA3Dmagnet, kMagnet>},
};

}  // namespace

bool RegisterView3D() {
  bool ok = SetBuiltInCommandCreator("view3D", cVOXAview3D::Create);
  for (const tCreator& c : kCreators) ok = Set3DCommandCreator(c.word, c.token, c.creator) && ok;
  return ok;
}

}  // namespace VOXA2
