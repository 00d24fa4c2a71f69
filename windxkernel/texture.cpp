#include "windxkernel/texture.h"

#include <bit>
#include <climits>
#include <cstring>
#include <new>

#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "foundation/gfxloader.h"
#include "foundation/pictures.h"
#include "platform/d3d.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/debuglog.h"

namespace kernel {
namespace {

const D3DDEVICEDESC7* SelectedDesc() {
  const int i = d3dState.currentDevice;
  if (i < 0 || static_cast<size_t>(i) >= d3dDevices.size() || !d3dDevices[static_cast<size_t>(i)])
    return nullptr;
  return &d3dDevices[static_cast<size_t>(i)]->desc;
}

void FitSize(std::int32_t& width, std::int32_t& height) {
  const D3DDEVICEDESC7* d = SelectedDesc();
  if (!d) return;
  auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
  if (d->dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_POW2) {
    w = std::bit_ceil(w < 1 ? 1u : w);
    h = std::bit_ceil(h < 1 ? 1u : h);
  }
  if (d->dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_SQUAREONLY) w = h = w > h ? w : h;
  if (d->dwMinTextureWidth && w < d->dwMinTextureWidth) w = d->dwMinTextureWidth;
  if (d->dwMaxTextureWidth && w > d->dwMaxTextureWidth) w = d->dwMaxTextureWidth;
  if (d->dwMinTextureHeight && h < d->dwMinTextureHeight) h = d->dwMinTextureHeight;
  if (d->dwMaxTextureHeight && h > d->dwMaxTextureHeight) h = d->dwMaxTextureHeight;
  width = static_cast<std::int32_t>(w);
  height = static_cast<std::int32_t>(h);
}

struct FormatChoice {
  std::int32_t wanted[4];
  std::int32_t bestScore = INT_MAX;
  DDPIXELFORMAT best{};
};

HRESULT ScoreFormat(DDPIXELFORMAT* f, void* context) {
  auto* c = static_cast<FormatChoice*>(context);
  const DWORD palette = DDPF_PALETTEINDEXED1 | DDPF_PALETTEINDEXED2 | DDPF_PALETTEINDEXED4 |
                        DDPF_PALETTEINDEXED8 | DDPF_PALETTEINDEXEDTO8;
  if (f->dwRGBBitCount < 8 || (f->dwFlags & palette) || !(f->dwFlags & DDPF_RGB))
    return D3DENUMRET_OK;
  if ((f->dwFlags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) && c->wanted[3] == 0) return D3DENUMRET_OK;
  const DWORD masks[4] = {f->dwRBitMask, f->dwGBitMask, f->dwBBitMask, f->dwRGBAlphaBitMask};
  std::int32_t score = 0;
  for (int k = 0; k < 4; ++k) {
    if (!masks[k]) {
      score += 255;
      continue;
    }
    const int n = std::countr_one(masks[k] >> std::countr_zero(masks[k]));
    const int d = c->wanted[k] - n;
    score += d >= 0 ? d : (n - c->wanted[k]) / 2;
  }
  if (f->dwFlags & DDPF_COMPRESSED) score -= 8;
  if (c->best.dwRGBBitCount == 0 || score < c->bestScore) {
    c->best = *f;
    c->bestScore = score;
  }
  return D3DENUMRET_OK;
}

bool ChooseFormat(cTexture* t, const std::int32_t wanted[4], DDPIXELFORMAT* out) {
  FormatChoice c{{wanted[0], wanted[1], wanted[2], wanted[3]}};
  if (d3dState.device) d3dState.device->EnumTextureFormats(ScoreFormat, &c);
  const DDPIXELFORMAT& f = c.best;
  if (f.dwRGBBitCount == 0) {
    LogMessage(5, "  No texture format found");
    return false;
  }
  char layout[33] = {};
  const int bits = static_cast<int>(f.dwRGBBitCount > 32 ? 32 : f.dwRGBBitCount);
  for (int i = 0; i < bits; ++i) {
    const DWORD bit = 1u << (bits - 1 - i);
    layout[i] = (f.dwBBitMask & bit)          ? 'B'
                : (f.dwGBitMask & bit)        ? 'G'
                : (f.dwRBitMask & bit)        ? 'R'
                : (f.dwRGBAlphaBitMask & bit) ? 'A'
                                              : '0';
  }
  LogMessage(5, "  Choosen texture format: %d bits in %s%s format: %s",
             static_cast<int>(f.dwRGBBitCount), (f.dwFlags & DDPF_RGB) ? "RGB" : "",
             (f.dwFlags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) ? "A" : "", layout);
  t->bitsPerPixel = static_cast<std::int32_t>(f.dwRGBBitCount);
  t->redMask = f.dwRBitMask;
  t->greenMask = f.dwGBitMask;
  t->blueMask = f.dwBBitMask;
  t->alphaMask = f.dwRGBAlphaBitMask;
  *out = f;
  return true;
}

DWORD MemoryCaps() { return d3dState.hardwareRasterization ? 0 : DDSCAPS_SYSTEMMEMORY; }
DWORD ManageCaps() { return d3dState.hardwareRasterization ? DDSCAPS2_TEXTUREMANAGE : 0; }

// Merges one 8-bit plane into pixels by a channel mask.
void MergePlane(BYTE* rows, LONG pitch, int bytes, const cMonoPic& plane, std::int32_t width,
                std::int32_t height, DWORD mask) {
  if (!mask || !plane.GetPixels()) return;
  const int s = std::countr_zero(mask), n = std::countr_one(mask >> s);
  const std::uint8_t* src = plane.GetPixels();
  for (std::int32_t y = 0; y < height; ++y) {
    BYTE* p = rows + static_cast<std::ptrdiff_t>(y) * pitch;
    const std::uint8_t* v = src + static_cast<std::ptrdiff_t>(y) * width;
    for (std::int32_t x = 0; x < width; ++x, p += bytes) {
      const std::uint32_t bits = n >= 8 ? static_cast<std::uint32_t>(v[x]) << (n - 8) << s
                                        : static_cast<std::uint32_t>(v[x] >> (8 - n)) << s;
      for (int b = 0; b < bytes; ++b) p[b] |= static_cast<BYTE>(bits >> (8 * b));
    }
  }
}

bool UploadLevel(IDirectDrawSurface7* level, const cColorPic& picture) {
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  HRESULT r = level->Lock(nullptr, &d, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
  if (r != DD_OK) {
    LogMessage(5, "   Could not lock surface! Error returned (0x%X): %s", static_cast<unsigned>(r),
               DDErrorName(r));
    return false;
  }
  const DWORD bitCount = d.ddpfPixelFormat.dwRGBBitCount;
  if (bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32) {
    const int bytes = static_cast<int>(bitCount / 8);
    // The picture and the level agree in size; take the smaller anyway.
    const std::int32_t w =
        std::min<std::int32_t>(picture.width, static_cast<std::int32_t>(d.dwWidth));
    const std::int32_t h =
        std::min<std::int32_t>(picture.height, static_cast<std::int32_t>(d.dwHeight));
    auto* rows = static_cast<BYTE*>(d.lpSurface);
    for (DWORD y = 0; y < d.dwHeight; ++y)
      std::memset(rows + static_cast<std::ptrdiff_t>(y) * d.lPitch, 0, d.dwWidth * bytes);
    const DDPIXELFORMAT& f = d.ddpfPixelFormat;
    const DWORD masks[4] = {f.dwRBitMask, f.dwGBitMask, f.dwBBitMask, f.dwRGBAlphaBitMask};
    for (int k = 0; k < 4; ++k)
      if (picture.planes[k].width == picture.width && picture.planes[k].height == picture.height)
        MergePlane(rows, d.lPitch, bytes, picture.planes[k], w, h, masks[k]);
  }
  LogMessage(5, "   Upload successful");
  r = level->Unlock(nullptr);
  if (r != DD_OK) {
    LogMessage(5, "   Could not unlock surface! Error returned (0x%X): %s",
               static_cast<unsigned>(r), DDErrorName(r));
    return false;
  }
  return true;
}

void Drop(cTexture* t) {
  if (t->surface) t->surface->Release();
  t->surface = nullptr;
}

}  // namespace

cTexture::~cTexture() {
  if (surface) {
    surface->PageUnlock(0);
    surface->Release();
  }
}

bool CreateTextureFromFile(cTexture* t, cColorPic* picture, const tChannelDepths* depths) {
  if (!picture || !t) return false;
  const std::int32_t wanted[4] = {depths ? depths->red : 8, depths ? depths->green : 8,
                                  depths ? depths->blue : 8, depths ? depths->alpha : 8};
  LogMessage(5, "Creating %i x %i texture, RGBA %i%i%i%i", picture->width, picture->height,
             wanted[0], wanted[1], wanted[2], wanted[3]);
  std::int32_t w = picture->width, h = picture->height;
  FitSize(w, h);
  if (w != picture->width || h != picture->height) {
    LogMessage(5, "  Resampling texture to %ix%i", w, h);
    picture->Resample(w, h);
  }
  t->width = w;
  t->height = h;
  DDPIXELFORMAT format{};
  if (!ChooseFormat(t, wanted, &format)) return false;
  int levels = 1;
  for (std::int32_t s = w < h ? w : h; s > 1; s /= 2) ++levels;
  LogMessage(5, "  Planning to create %i mip map level%s", levels, levels > 1 ? "s" : "");
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  d.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
  d.dwWidth = static_cast<DWORD>(w);
  d.dwHeight = static_cast<DWORD>(h);
  d.ddpfPixelFormat = format;
  d.ddsCaps.dwCaps =
      DDSCAPS_TEXTURE | MemoryCaps() | (levels > 1 ? DDSCAPS_MIPMAP | DDSCAPS_COMPLEX : 0);
  d.ddsCaps.dwCaps2 = DDSCAPS2_OPAQUE | ManageCaps();
  d.dwMipMapCount = static_cast<DWORD>(levels);  // not flagged: DirectDraw decides
  IDirectDraw7* dd = videoState.directDraw;
  HRESULT r = dd ? dd->CreateSurface(&d, &t->surface, nullptr) : DDERR_INVALIDOBJECT;
  if (r != DD_OK) {
    t->surface = nullptr;
    LogMessage(5, "  DirectDraw returned an error (0x%X): %s", static_cast<unsigned>(r),
               DDErrorName(r));
    return false;
  }
  IDirectDrawSurface7* level = t->surface;
  level->AddRef();
  for (;;) {
    if (!UploadLevel(level, *picture)) {
      level->Release();
      Drop(t);
      return false;
    }
    DDSCAPS2 caps{DDSCAPS_TEXTURE | DDSCAPS_MIPMAP, 0, 0, 0};
    IDirectDrawSurface7* next = nullptr;
    r = level->GetAttachedSurface(&caps, &next);
    level->Release();
    if (r == DDERR_NOTFOUND) return true;
    if (r != DD_OK) {
      LogMessage(5, "   Could not walk to next mip level! (%s)", DDErrorName(r));
      Drop(t);
      return false;
    }
    w = w / 2 ? w / 2 : 1;
    h = h / 2 ? h / 2 : 1;
    LogMessage(5, "   Preparing %i x %i mip map...", w, h);
    picture->Resample(w, h);
    level = next;
  }
}

bool CreateScreenSurface(cTexture* t, std::int32_t width, std::int32_t height) {
  if (!t) return false;
  LogMessage(5, "Creating %i x %i screen surface", width, height);
  std::int32_t w = width, h = height;
  FitSize(w, h);
  if (w != width || h != height) LogMessage(5, "  Size forced to %i x %i", w, h);
  t->width = w;
  t->height = h;
  const std::int32_t wanted[4] = {VOXA2::screenInfo.redBits, VOXA2::screenInfo.greenBits,
                                  VOXA2::screenInfo.blueBits, 0};
  DDPIXELFORMAT format{};
  if (!ChooseFormat(t, wanted, &format)) return false;
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  d.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
  d.dwWidth = static_cast<DWORD>(w);
  d.dwHeight = static_cast<DWORD>(h);
  d.ddpfPixelFormat = format;
  d.ddsCaps.dwCaps = DDSCAPS_TEXTURE | MemoryCaps();
  d.ddsCaps.dwCaps2 = DDSCAPS2_HINTDYNAMIC | ManageCaps();
  d.dwMipMapCount = 1;
  IDirectDraw7* dd = videoState.directDraw;
  HRESULT r = dd ? dd->CreateSurface(&d, &t->surface, nullptr) : DDERR_INVALIDOBJECT;
  if (r != DD_OK) {
    t->surface = nullptr;
    LogMessage(5, "  DirectDraw returned an error (0x%X): %s", static_cast<unsigned>(r),
               DDErrorName(r));
    return false;
  }
  t->surface->PageLock(0);
  return true;
}

}  // namespace kernel

namespace VOXA2::video {

kernelTexture::~kernelTexture() { delete owner; }

// The rectangle covers the whole texture: fills, copies and locks through
// the surface reach the last row and column too.
void kernelTexture::TakeSurface() {
  surface.surface = owner ? owner->surface : nullptr;
  width = owner ? owner->width : 0;
  height = owner ? owner->height : 0;
  rectangle = RECT{0, 0, width, height};
  surface.rectangle = &rectangle;
}

kernelTexture* kernelTexture::LoadFile(cColorPic* picture, const tChannelDepths* depths) {
  auto* t = VOXA::errors::NewOrThrow<kernelTexture>("kernelTexture");
  try {
    t->owner = VOXA::errors::NewOrThrow<kernel::cTexture>("cTexture");
  } catch (...) {
    delete t;
    throw;
  }
  kernel::CreateTextureFromFile(t->owner, picture, depths);
  t->TakeSurface();
  return t;
}

kernelTexture* kernelTexture::FromPicture(std::int32_t width, std::int32_t height) {
  if (width < 1) width = 256;
  if (height < 1) height = width;
  auto* t = VOXA::errors::NewOrThrow<kernelTexture>("kernelTexture");
  try {
    t->owner = VOXA::errors::NewOrThrow<kernel::cTexture>("cTexture");
  } catch (...) {
    delete t;
    throw;
  }
  t->screenTexture = 1;
  kernel::CreateScreenSurface(t->owner, width, height);
  t->TakeSurface();
  return t;
}

void kernelTexture::Bind(std::uint32_t stage) {
  if (stage > 7 || !kernel::d3dState.device) return;
  kernel::d3dState.device->SetTexture(stage, owner ? owner->surface : nullptr);
}

void kernelTexture::Update(voxaSurface* source) {
  if (!screenTexture || !source || !surface.surface) return;
  auto* src = dynamic_cast<kernelSurface*>(source);
  if (!src || !src->surface) return;
  if (surface.surface->Blt(&rectangle, src->surface, src->rectangle, DDBLT_ASYNC, nullptr) != DD_OK)
    surface.surface->Blt(&rectangle, src->surface, src->rectangle, DDBLT_WAIT, nullptr);
}

void kernelTexture::PreLoad() {
  if (kernel::d3dState.device && owner && owner->surface)
    kernel::d3dState.device->PreLoad(owner->surface);
}

int kernelTexture::GetBitCount() { return owner ? owner->bitsPerPixel : 0; }
std::uint32_t kernelTexture::GetRedMask() { return owner ? owner->redMask : 0; }
std::uint32_t kernelTexture::GetGreenMask() { return owner ? owner->greenMask : 0; }
std::uint32_t kernelTexture::GetBlueMask() { return owner ? owner->blueMask : 0; }
std::uint32_t kernelTexture::GetAlphaMask() { return owner ? owner->alphaMask : 0; }

}  // namespace VOXA2::video
