#include "platform/d3d.h"

#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "platform/fakehardware.h"
#include "platform/raster.h"

namespace platform {
namespace {

D3DDEVICEDESC7 CommonDesc() {
  D3DDEVICEDESC7 d{};
  d.dpcTriCaps.dwSize = d.dpcLineCaps.dwSize = sizeof(D3DPRIMCAPS);
  d.dpcTriCaps.dwRasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST |
                              D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE |
                              D3DPRASTERCAPS_WBUFFER | D3DPRASTERCAPS_WFOG;
  d.dpcTriCaps.dwShadeCaps = D3DPSHADECAPS_COLORFLATRGB | D3DPSHADECAPS_COLORGOURAUDRGB;
  d.dpcTriCaps.dwTextureCaps = D3DPTEXTURECAPS_POW2;
  d.dpcLineCaps = d.dpcTriCaps;
  d.dwDeviceRenderBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
  d.dwDeviceZBufferBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
  d.dwMinTextureWidth = d.dwMinTextureHeight = 1;
  d.dwMaxTextureWidth = d.dwMaxTextureHeight = 2048;
  d.wMaxTextureBlendStages = 8;
  d.wMaxSimultaneousTextures = 8;
  d.dwMaxActiveLights = 8;
  d.wMaxUserClipPlanes = 8;
  d.wMaxVertexBlendMatrices = 4;
  return d;
}

void Report(const char* method, DWORD a = 0, DWORD b = 0, DWORD c = 0, DWORD d = 0) {
  auto& observe = Hardware().observeD3D;
  if (observe) observe(D3DCall{method, a, b, c, d});
}

DWORD FloatBits(float f) {
  DWORD v;
  std::memcpy(&v, &f, sizeof v);
  return v;
}

constexpr D3DMATRIX kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// The rasterisers of the devices alive, whose pending drawing FinishDrawing lands.
struct LiveRasterisers {
  std::mutex mutex;
  std::vector<raster::Rasteriser*> all;
};

LiveRasterisers& Live() {
  static LiveRasterisers live;
  return live;
}

}  // namespace

void FinishDrawing() {
  LiveRasterisers& live = Live();
  std::lock_guard lock(live.mutex);
  for (raster::Rasteriser* r : live.all) r->Finish();
}

// Both devices draw with the same software rasteriser; the first one claims
// hardware rasterisation and transform, the look the player was tuned for.
FakeD3DDevice HardwareD3DDevice() {
  FakeD3DDevice dev{"VOXA2 rasteriser", "VOXA2 HAL", CommonDesc(), {}};
  dev.desc.dwDevCaps = D3DDEVCAPS_HWRASTERIZATION | D3DDEVCAPS_HWTRANSFORMANDLIGHT;
  dev.desc.deviceGUID = GUID{0x56584132, 0x0001, 0x0007, {'H', 'A', 'L', 0, 0, 0, 0, 1}};
  return dev;
}

FakeD3DDevice SoftwareD3DDevice() {
  FakeD3DDevice dev{"VOXA2 reference rasteriser", "VOXA2 RGB", CommonDesc(), {}};
  dev.desc.deviceGUID = GUID{0x56584132, 0x0002, 0x0007, {'R', 'G', 'B', 0, 0, 0, 0, 2}};
  return dev;
}

}  // namespace platform

using platform::FloatBits;
using platform::kIdentity;
using platform::Live;
using platform::Report;

IDirect3D7::IDirect3D7(IDirectDraw7* owner) : owner_(owner) {
  if (owner_) owner_->AddRef();
}

IDirect3D7::~IDirect3D7() {
  if (owner_) owner_->Release();
}

HRESULT IDirect3D7::EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, void* context) {
  if (!callback) return DDERR_INVALIDPARAMS;
  auto& hw = platform::Hardware();
  if (hw.enumDevicesResult != D3D_OK) return hw.enumDevicesResult;
  auto devices = hw.devices3d;
  for (auto& d : devices) {
    D3DDEVICEDESC7 desc = d.desc;
    if (callback(d.description.data(), d.name.data(), &desc, context) == D3DENUMRET_CANCEL) break;
  }
  return D3D_OK;
}

HRESULT IDirect3D7::EnumZBufferFormats(const GUID& device, LPD3DENUMPIXELFORMATSCALLBACK callback,
                                       void* context) {
  if (!callback) return DDERR_INVALIDPARAMS;
  bool known = false;
  for (auto& d : platform::Hardware().devices3d) known = known || d.desc.deviceGUID == device;
  if (!known) return D3DERR_INVALID_DEVICE;
  auto formats = platform::Hardware().zFormats;
  for (auto& f : formats) {
    DDPIXELFORMAT copy = f;
    if (callback(&copy, context) == D3DENUMRET_CANCEL) break;
  }
  return D3D_OK;
}

HRESULT IDirect3D7::CreateDevice(const GUID& device, IDirectDrawSurface7* target,
                                 IDirect3DDevice7** out) {
  if (!target || !out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  const platform::FakeD3DDevice* found = nullptr;
  for (auto& d : platform::Hardware().devices3d)
    if (d.desc.deviceGUID == device) found = &d;
  if (!found) return D3DERR_INVALID_DEVICE;
  if (!(target->caps() & DDSCAPS_3DDEVICE)) return DDERR_INVALIDCAPS;
  // The Z-buffer is whatever Z surface is attached to the render target.
  IDirectDrawSurface7* depth = nullptr;
  DDSCAPS2 zcaps{DDSCAPS_ZBUFFER, 0, 0, 0};
  if (target->GetAttachedSurface(&zcaps, &depth) != DD_OK) depth = nullptr;
  if (depth && platform::Hardware().createDeviceResult) {
    HRESULT r = platform::Hardware().createDeviceResult(depth->format());
    if (r != D3D_OK) {
      depth->Release();
      return r;
    }
  }
  auto* dev = new (std::nothrow) IDirect3DDevice7(
      found->rasteriser ? found->rasteriser() : platform::raster::CreateSoftwareRasteriser());
  if (!dev) {
    if (depth) depth->Release();
    return DDERR_OUTOFMEMORY;
  }
  dev->desc_ = found->desc;
  dev->target_ = target;
  target->AddRef();
  dev->depth_ = depth;  // the reference GetAttachedSurface gave
  dev->states_[D3DRENDERSTATE_ZENABLE] = depth ? D3DZB_TRUE : D3DZB_FALSE;
  dev->viewport_ = D3DVIEWPORT7{
      0, 0, static_cast<DWORD>(target->width()), static_cast<DWORD>(target->height()), 0.0f, 1.0f};
  *out = dev;
  return D3D_OK;
}

HRESULT IDirect3D7::CreateVertexBuffer(D3DVERTEXBUFFERDESC* desc, IDirect3DVertexBuffer7** out,
                                       DWORD) {
  if (!desc || !out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (platform::Hardware().createVertexBufferResult != D3D_OK)
    return platform::Hardware().createVertexBufferResult;
  DWORD size = FVFVertexSize(desc->dwFVF);
  if (size == 0) return D3DERR_INVALIDVERTEXFORMAT;
  if (desc->dwNumVertices == 0 || desc->dwNumVertices > 65536) return DDERR_INVALIDPARAMS;
  auto* vb = new (std::nothrow) IDirect3DVertexBuffer7;
  if (!vb) return DDERR_OUTOFMEMORY;
  vb->desc_ = *desc;
  vb->memory_.assign(static_cast<size_t>(size) * desc->dwNumVertices, 0);
  *out = vb;
  return D3D_OK;
}

DWORD FVFVertexSize(DWORD fvf) {
  platform::raster::VertexLayout layout;
  return platform::raster::DecodeFVF(fvf, &layout) ? static_cast<DWORD>(layout.stride) : 0;
}

HRESULT IDirect3DVertexBuffer7::Lock(DWORD, void** data, DWORD* size) {
  if (!data) return DDERR_INVALIDPARAMS;
  *data = memory_.data();
  if (size) *size = static_cast<DWORD>(memory_.size());
  ++locks_;
  return D3D_OK;
}

HRESULT IDirect3DVertexBuffer7::Unlock() {
  if (locks_ == 0) return DDERR_NOTLOCKED;
  --locks_;
  return D3D_OK;
}

HRESULT IDirect3DVertexBuffer7::GetVertexBufferDesc(D3DVERTEXBUFFERDESC* desc) {
  if (!desc) return DDERR_INVALIDPARAMS;
  *desc = desc_;
  return D3D_OK;
}

// Direct3D 7's defaults for every state the player may leave alone.
IDirect3DDevice7::IDirect3DDevice7(std::unique_ptr<platform::raster::Rasteriser> rasteriser)
    : rasteriser_(std::move(rasteriser)) {
  {
    std::lock_guard lock(Live().mutex);
    Live().all.push_back(rasteriser_.get());
  }
  auto& s = states_;
  s[D3DRENDERSTATE_TEXTUREPERSPECTIVE] = TRUE;
  s[D3DRENDERSTATE_FILLMODE] = D3DFILL_SOLID;
  s[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
  s[D3DRENDERSTATE_ZWRITEENABLE] = TRUE;
  s[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
  s[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
  s[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
  s[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
  s[D3DRENDERSTATE_ALPHAFUNC] = D3DCMP_ALWAYS;
  s[D3DRENDERSTATE_FOGSTART] = FloatBits(0.0f);
  s[D3DRENDERSTATE_FOGEND] = FloatBits(1.0f);
  s[D3DRENDERSTATE_FOGDENSITY] = FloatBits(1.0f);
  s[D3DRENDERSTATE_CLIPPING] = TRUE;
  s[D3DRENDERSTATE_LIGHTING] = TRUE;
  s[D3DRENDERSTATE_COLORVERTEX] = TRUE;
  s[D3DRENDERSTATE_LOCALVIEWER] = TRUE;
  s[D3DRENDERSTATE_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  s[D3DRENDERSTATE_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  s[D3DRENDERSTATE_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
  s[D3DRENDERSTATE_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
  for (auto& m : transforms_) m = kIdentity;
  for (auto& m : textureTransforms_) m = kIdentity;
  for (DWORD i = 0; i < kD3DTextureStages; ++i) {
    auto& t = stageStates_[i];
    t[D3DTSS_COLOROP] = i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    // Direct3D starts stage 0's alpha at SELECTARG1(TEXTURE) and gives
    // untextured drawing the diffuse alpha; MODULATE(TEXTURE, CURRENT) with
    // an unbound texture reading white gives that same result in one rule.
    t[D3DTSS_ALPHAOP] = i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    t[D3DTSS_COLORARG1] = t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    t[D3DTSS_COLORARG2] = t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    t[D3DTSS_TEXCOORDINDEX] = i;
    t[D3DTSS_ADDRESS] = t[D3DTSS_ADDRESSU] = t[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    t[D3DTSS_MAGFILTER] = D3DTFG_POINT;
    t[D3DTSS_MINFILTER] = D3DTFN_POINT;
    t[D3DTSS_MIPFILTER] = D3DTFP_NONE;
    t[D3DTSS_MAXANISOTROPY] = 1;
    t[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
  }
}

IDirect3DDevice7::~IDirect3DDevice7() {
  rasteriser_->Finish();
  {
    std::lock_guard lock(Live().mutex);
    std::erase(Live().all, rasteriser_.get());
  }
  for (auto* t : textures_)
    if (t) t->Release();
  if (depth_) depth_->Release();
  if (target_) target_->Release();
}

HRESULT IDirect3DDevice7::GetCaps(D3DDEVICEDESC7* desc) {
  if (!desc) return DDERR_INVALIDPARAMS;
  *desc = desc_;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetViewport(D3DVIEWPORT7* viewport) {
  if (!viewport) return DDERR_INVALIDPARAMS;
  if (platform::Hardware().setViewportResult != D3D_OK)
    return platform::Hardware().setViewportResult;
  if (viewport->dwX + viewport->dwWidth > static_cast<DWORD>(target_->width()) ||
      viewport->dwY + viewport->dwHeight > static_cast<DWORD>(target_->height()))
    return DDERR_INVALIDPARAMS;
  viewport_ = *viewport;
  ++serial_;
  Report("SetViewport", viewport->dwX, viewport->dwY, viewport->dwWidth, viewport->dwHeight);
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetViewport(D3DVIEWPORT7* viewport) {
  if (!viewport) return DDERR_INVALIDPARAMS;
  *viewport = viewport_;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::BeginScene() {
  Report("BeginScene");
  if (inScene_) return D3DERR_SCENE_IN_SCENE;
  inScene_ = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::EndScene() {
  Report("EndScene");
  if (!inScene_) return D3DERR_SCENE_NOT_IN_SCENE;
  inScene_ = false;
  rasteriser_->Finish();
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  Report("SetRenderState", state, value);
  if (state >= kD3DRenderStateCount) return DDERR_INVALIDPARAMS;
  states_[state] = value;
  ++serial_;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if (!value || state >= kD3DRenderStateCount) return DDERR_INVALIDPARAMS;
  *value = states_[state];
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  Report("SetTransform", state);
  if (!matrix) return DDERR_INVALIDPARAMS;
  // Texture transforms are accepted; texturing reads them.
  if (state >= D3DTRANSFORMSTATE_TEXTURE0 && state <= D3DTRANSFORMSTATE_TEXTURE7) {
    textureTransforms_[state - D3DTRANSFORMSTATE_TEXTURE0] = *matrix;
    ++serial_;
    return D3D_OK;
  }
  if (state < D3DTRANSFORMSTATE_WORLD || state > D3DTRANSFORMSTATE_WORLD3)
    return DDERR_INVALIDPARAMS;
  transforms_[state] = *matrix;
  ++serial_;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  if (matrix && state >= D3DTRANSFORMSTATE_TEXTURE0 && state <= D3DTRANSFORMSTATE_TEXTURE7) {
    *matrix = textureTransforms_[state - D3DTRANSFORMSTATE_TEXTURE0];
    return D3D_OK;
  }
  if (!matrix || state < D3DTRANSFORMSTATE_WORLD || state > D3DTRANSFORMSTATE_WORLD3)
    return DDERR_INVALIDPARAMS;
  *matrix = transforms_[state];
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetClipPlane(DWORD index, float* plane) {
  Report("SetClipPlane", index);
  if (!plane || index >= clipPlanes_.size()) return DDERR_INVALIDPARAMS;
  for (int i = 0; i < 4; ++i) clipPlanes_[index][static_cast<size_t>(i)] = plane[i];
  ++serial_;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetClipPlane(DWORD index, float* plane) {
  if (!plane || index >= clipPlanes_.size()) return DDERR_INVALIDPARAMS;
  for (int i = 0; i < 4; ++i) plane[i] = clipPlanes_[index][static_cast<size_t>(i)];
  return D3D_OK;
}

platform::raster::DeviceState IDirect3DDevice7::State() const {
  platform::raster::DeviceState st;
  st.renderStates = states_.data();
  st.transforms = transforms_.data();
  st.clipPlanes = &clipPlanes_;
  st.viewport = viewport_;
  st.target = target_;
  st.depth = depth_;
  st.rasterCaps = desc_.dpcTriCaps.dwRasterCaps;
  st.stageStates = &stageStates_;
  st.textures = textures_.data();
  st.textureTransforms = textureTransforms_.data();
  st.material = &material_;
  st.lights = &lights_;
  st.lightEnabled = &lightEnabled_;
  st.serial = serial_;
  return st;
}

HRESULT IDirect3DDevice7::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state,
                                               DWORD value) {
  Report("SetTextureStageState", stage, state, value);
  if (stage >= kD3DTextureStages || state == 0 || state >= kD3DTextureStageStateCount)
    return DDERR_INVALIDPARAMS;
  auto& t = stageStates_[stage];
  t[state] = value;
  if (state == D3DTSS_ADDRESS) t[D3DTSS_ADDRESSU] = t[D3DTSS_ADDRESSV] = value;
  ++serial_;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state,
                                               DWORD* value) {
  if (!value || stage >= kD3DTextureStages || state == 0 || state >= kD3DTextureStageStateCount)
    return DDERR_INVALIDPARAMS;
  *value = stageStates_[stage][state];
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetTexture(DWORD stage, IDirectDrawSurface7* texture) {
  Report("SetTexture", stage, texture ? 1 : 0);
  if (stage >= kD3DTextureStages) return DDERR_INVALIDPARAMS;
  if (texture && !(texture->caps() & DDSCAPS_TEXTURE)) return DDERR_INVALIDPARAMS;
  if (texture) texture->AddRef();
  if (textures_[stage]) textures_[stage]->Release();
  textures_[stage] = texture;
  ++serial_;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetTexture(DWORD stage, IDirectDrawSurface7** texture) {
  if (!texture || stage >= kD3DTextureStages) return DDERR_INVALIDPARAMS;
  *texture = textures_[stage];
  if (*texture) (*texture)->AddRef();
  return D3D_OK;
}

HRESULT IDirect3DDevice7::PreLoad(IDirectDrawSurface7* texture) {
  return texture ? D3D_OK : DDERR_INVALIDPARAMS;
}

// The formats a texture can have, in the order the format choice relies on.
// No compressed format: textures are written as raw pixels.
HRESULT IDirect3DDevice7::EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback,
                                             void* context) {
  if (!callback) return DDERR_INVALIDPARAMS;
  using namespace platform::pixels;
  const DDPIXELFORMAT formats[] = {X1R5G5B5(), R5G6B5(),   A1R5G5B5(),
                                   A4R4G4B4(), X8R8G8B8(), A8R8G8B8()};
  for (const auto& f : formats) {
    DDPIXELFORMAT copy = f;
    if (callback(&copy, context) == D3DENUMRET_CANCEL) break;
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice7::ValidateDevice(DWORD* passes) {
  if (!passes) return DDERR_INVALIDPARAMS;
  *passes = 0;
  auto knownOp = [](DWORD op) { return op >= D3DTOP_DISABLE && op <= D3DTOP_DOTPRODUCT3; };
  auto bump = [](DWORD op) { return op == D3DTOP_BUMPENVMAP || op == D3DTOP_BUMPENVMAPLUMINANCE; };
  // Modifiers aside, only the five real arguments are supported.
  auto knownArg = [](DWORD arg) {
    return (arg & D3DTA_SELECTMASK) <= D3DTA_SPECULAR &&
           (arg & ~(D3DTA_SELECTMASK | D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE)) == 0;
  };
  for (DWORD i = 0; i < kD3DTextureStages; ++i) {
    const auto& t = stageStates_[i];
    if (t[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
    if (!knownOp(t[D3DTSS_COLOROP]) || bump(t[D3DTSS_COLOROP]))
      return D3DERR_UNSUPPORTEDCOLOROPERATION;
    if (!knownArg(t[D3DTSS_COLORARG1]) || !knownArg(t[D3DTSS_COLORARG2]))
      return D3DERR_UNSUPPORTEDCOLORARG;
    if (t[D3DTSS_ALPHAOP] == D3DTOP_DISABLE) continue;
    if (!knownOp(t[D3DTSS_ALPHAOP]) || bump(t[D3DTSS_ALPHAOP]))
      return D3DERR_UNSUPPORTEDALPHAOPERATION;
    if (!knownArg(t[D3DTSS_ALPHAARG1]) || !knownArg(t[D3DTSS_ALPHAARG2]))
      return D3DERR_UNSUPPORTEDALPHAARG;
  }
  *passes = 1;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetMaterial(D3DMATERIAL7* material) {
  Report("SetMaterial");
  if (!material) return DDERR_INVALIDPARAMS;
  material_ = *material;
  ++serial_;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetMaterial(D3DMATERIAL7* material) {
  if (!material) return DDERR_INVALIDPARAMS;
  *material = material_;
  return D3D_OK;
}

namespace {
// A sane bound on light indices; the player uses the first eight.
constexpr DWORD kMaxLightIndex = 4096;
}  // namespace

HRESULT IDirect3DDevice7::SetLight(DWORD index, D3DLIGHT7* light) {
  Report("SetLight", index, light ? static_cast<DWORD>(light->dltType) : 0u);
  if (!light || index >= kMaxLightIndex) return DDERR_INVALIDPARAMS;
  if (light->dltType < D3DLIGHT_POINT || light->dltType > D3DLIGHT_DIRECTIONAL)
    return DDERR_INVALIDPARAMS;
  if (index >= lights_.size()) {
    lights_.resize(
        index + 1,
        D3DLIGHT7{D3DLIGHT_DIRECTIONAL, {1, 1, 1, 0}, {}, {}, {}, {0, 0, 1}, 0, 0, 0, 0, 0, 0, 0});
    lightEnabled_.resize(index + 1, false);
  }
  lights_[index] = *light;
  ++serial_;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetLight(DWORD index, D3DLIGHT7* light) {
  if (!light || index >= lights_.size()) return DDERR_INVALIDPARAMS;
  *light = lights_[index];
  return D3D_OK;
}

HRESULT IDirect3DDevice7::LightEnable(DWORD index, BOOL enable) {
  Report("LightEnable", index, enable ? 1 : 0);
  if (index >= kMaxLightIndex) return DDERR_INVALIDPARAMS;
  if (index >= lights_.size()) {
    // Enabling a light never set gives Direct3D's default: white, directional, along +z.
    lights_.resize(
        index + 1,
        D3DLIGHT7{D3DLIGHT_DIRECTIONAL, {1, 1, 1, 0}, {}, {}, {}, {0, 0, 1}, 0, 0, 0, 0, 0, 0, 0});
    lightEnabled_.resize(index + 1, false);
  }
  lightEnabled_[index] = enable != 0;
  ++serial_;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetLightEnable(DWORD index, BOOL* enable) {
  if (!enable || index >= lights_.size()) return DDERR_INVALIDPARAMS;
  *enable = lightEnabled_[index] ? TRUE : FALSE;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::Clear(DWORD count, D3DRECT* rects, DWORD flags, D3DCOLOR, float z,
                                DWORD) {
  Report("Clear", count, flags);
  if (count && !rects) return DDERR_INVALIDPARAMS;
  // The player clears depth only; colour goes through DirectDraw fills.
  if (flags != D3DCLEAR_ZBUFFER) return DDERR_INVALIDPARAMS;
  if (!depth_) return D3DERR_ZBUFFER_NOTPRESENT;
  D3DRECT whole{0, 0, target_->width(), target_->height()};
  return rasteriser_->ClearDepth(State(), count ? rects : &whole, count ? count : 1, z);
}

HRESULT IDirect3DDevice7::Draw(D3DPRIMITIVETYPE type, DWORD fvf, const BYTE* vertices, DWORD count,
                               const WORD* indices, DWORD indexCount) {
  if (!inScene_) return D3DERR_SCENE_NOT_IN_SCENE;
  if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN) return D3DERR_INVALIDPRIMITIVETYPE;
  platform::raster::VertexLayout layout;
  if (!platform::raster::DecodeFVF(fvf, &layout)) return D3DERR_INVALIDVERTEXTYPE;
  if (!vertices || count > 65536) return DDERR_INVALIDPARAMS;
  if (target_->lockCount() > 0) return DDERR_SURFACEBUSY;
  return rasteriser_->Draw(State(), type, layout, vertices, static_cast<int>(count), indices,
                           static_cast<int>(indexCount));
}

HRESULT IDirect3DDevice7::DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices,
                                        DWORD count, DWORD) {
  Report("DrawPrimitive", type, fvf, count);
  return Draw(type, fvf, static_cast<const BYTE*>(vertices), count, nullptr, 0);
}

HRESULT IDirect3DDevice7::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices,
                                               DWORD count, WORD* indices, DWORD indexCount,
                                               DWORD) {
  Report("DrawIndexedPrimitive", type, fvf, count, indexCount);
  if (!indices) return DDERR_INVALIDPARAMS;
  return Draw(type, fvf, static_cast<const BYTE*>(vertices), count, indices, indexCount);
}

HRESULT IDirect3DDevice7::DrawPrimitiveVB(D3DPRIMITIVETYPE type, IDirect3DVertexBuffer7* buffer,
                                          DWORD start, DWORD count, DWORD) {
  Report("DrawPrimitiveVB", type, start, count);
  if (!buffer) return DDERR_INVALIDPARAMS;
  if (buffer->locked()) return D3DERR_VERTEXBUFFERLOCKED;
  if (start > buffer->vertexCount() || count > buffer->vertexCount() - start)
    return DDERR_INVALIDPARAMS;
  const DWORD stride = FVFVertexSize(buffer->fvf());
  return Draw(type, buffer->fvf(), buffer->data() + static_cast<size_t>(start) * stride, count,
              nullptr, 0);
}

HRESULT IDirect3DDevice7::DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE type,
                                                 IDirect3DVertexBuffer7* buffer, DWORD start,
                                                 DWORD count, WORD* indices, DWORD indexCount,
                                                 DWORD) {
  Report("DrawIndexedPrimitiveVB", type, start, count, indexCount);
  if (!buffer || !indices) return DDERR_INVALIDPARAMS;
  if (buffer->locked()) return D3DERR_VERTEXBUFFERLOCKED;
  if (start > buffer->vertexCount() || count > buffer->vertexCount() - start)
    return DDERR_INVALIDPARAMS;
  const DWORD stride = FVFVertexSize(buffer->fvf());
  return Draw(type, buffer->fvf(), buffer->data() + static_cast<size_t>(start) * stride, count,
              indices, indexCount);
}
