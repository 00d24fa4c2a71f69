#include "platform/d3d/texture.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "foundation/numeric.h"
#include "platform/d3d/formats.h"

namespace platform::raster {
namespace {

std::uint32_t Channel(std::uint32_t pixel, DWORD mask, std::uint32_t absent) {
  if (!mask) return absent;
  const int shift = std::countr_zero(mask);
  const int bits = std::countr_one(mask >> shift);
  const std::uint32_t v = (pixel & mask) >> shift;
  if (bits >= 8) return v >> (bits - 8);
  const std::uint32_t max = (1u << bits) - 1;
  return (v * 255 + max / 2) / max;
}

// A texel index under an addressing mode; −1 for the border colour.
int Address(int i, int size, DWORD mode) {
  switch (mode) {
    case D3DTADDRESS_MIRROR: {
      int period = 2 * size;
      int m = i % period;
      if (m < 0) m += period;
      return m < size ? m : period - 1 - m;
    }
    case D3DTADDRESS_CLAMP:
      return i < 0 ? 0 : (i >= size ? size - 1 : i);
    case D3DTADDRESS_BORDER:
      return (i < 0 || i >= size) ? -1 : i;
    default: {  // WRAP
      int m = i % size;
      return m < 0 ? m + size : m;
    }
  }
}

int FloorToInt(float v) {
  constexpr float kLimit = 1 << 24;
  if (!(v > -kLimit)) return -(1 << 24);  // NaN too
  if (v > kLimit) return 1 << 24;
  return static_cast<int>(std::floor(v));
}

std::uint32_t Fetch(const Sampler& s, const TextureLevel& l, int x, int y) {
  x = Address(x, l.width, s.addressU);
  y = Address(y, l.height, s.addressV);
  if (x < 0 || y < 0) return s.border;
  return l.texels[static_cast<size_t>(y) * static_cast<size_t>(l.width) + static_cast<size_t>(x)];
}

}  // namespace

std::uint32_t MixTexels(std::uint32_t a, std::uint32_t b, std::uint32_t w) {
  const std::uint32_t iw = 256 - w;
  std::uint32_t rb = ((a & 0x00FF00FF) * iw + (b & 0x00FF00FF) * w + 0x00800080) >> 8;
  std::uint32_t ag = (((a >> 8) & 0x00FF00FF) * iw + ((b >> 8) & 0x00FF00FF) * w + 0x00800080);
  return (rb & 0x00FF00FF) | (ag & 0xFF00FF00);
}

namespace {

std::uint32_t SampleLevel(const Sampler& s, const TextureLevel& l, float u, float v, bool linear) {
  const float x = u * static_cast<float>(l.width), y = v * static_cast<float>(l.height);
  if (!linear) return Fetch(s, l, FloorToInt(x), FloorToInt(y));
  // Texel centres at half-integers.
  const float fx = x - 0.5f, fy = y - 0.5f;
  const int x0 = FloorToInt(fx), y0 = FloorToInt(fy);
  // Weights of the far texels in 0..256; a coordinate beyond the floor's
  // range (infinite, or too large for a float to hold its fraction)
  // saturates, NaN reads weight 0. The vector sampler does the same.
  auto weight = [](float f, int i) {
    const std::int32_t w = VOXA2::TruncToInt((f - static_cast<float>(i)) * 256.0f + 0.5f);
    return static_cast<std::uint32_t>(std::clamp(w, 0, 256));
  };
  const std::uint32_t wx = weight(fx, x0), wy = weight(fy, y0);
  std::uint32_t top = MixTexels(Fetch(s, l, x0, y0), Fetch(s, l, x0 + 1, y0), wx);
  std::uint32_t bottom = MixTexels(Fetch(s, l, x0, y0 + 1), Fetch(s, l, x0 + 1, y0 + 1), wx);
  return MixTexels(top, bottom, wy);
}

}  // namespace

std::uint32_t DecodeTexel(const DDPIXELFORMAT& f, std::uint32_t pixel) {
  const DWORD alphaMask = (f.dwFlags & DDPF_ALPHAPIXELS) ? f.dwRGBAlphaBitMask : 0;
  return Channel(pixel, alphaMask, 255) << 24 | Channel(pixel, f.dwRBitMask, 0) << 16 |
         Channel(pixel, f.dwGBitMask, 0) << 8 | Channel(pixel, f.dwBBitMask, 0);
}

bool Texture::Stale(IDirectDrawSurface7* surface) const {
  if (surface != surface_) return true;
  size_t n = 0;
  for (IDirectDrawSurface7* s = surface; s; s = s->nextMipLevel(), ++n)
    if (n >= versions_.size() || versions_[n] != s->version()) return true;
  return n != versions_.size();
}

bool Texture::Update(IDirectDrawSurface7* surface) {
  if (!surface) {
    surface_ = nullptr;
    levels_.clear();
    versions_.clear();
    return false;
  }
  if (!Stale(surface)) return !levels_.empty();

  surface_ = surface;
  levels_.clear();
  versions_.clear();
  for (IDirectDrawSurface7* s = surface; s; s = s->nextMipLevel()) {
    versions_.push_back(s->version());
    const DDPIXELFORMAT& f = s->format();
    const int bytes = static_cast<int>((f.dwRGBBitCount + 7) / 8);
    if (!(f.dwFlags & DDPF_RGB) || bytes < 1 || bytes > 4 || !s->memory()) break;
    TextureLevel l;
    l.width = s->width();
    l.height = s->height();
    l.texels.resize(static_cast<size_t>(l.width) * static_cast<size_t>(l.height));
    for (int y = 0; y < l.height; ++y) {
      const BYTE* row = s->memory() + static_cast<std::ptrdiff_t>(y) * s->pitch();
      for (int x = 0; x < l.width; ++x) {
        std::uint32_t p = 0;
        for (int b = 0; b < bytes; ++b)
          p |= static_cast<std::uint32_t>(row[x * bytes + b]) << (8 * b);
        l.texels[static_cast<size_t>(y) * static_cast<size_t>(l.width) + static_cast<size_t>(x)] =
            DecodeTexel(f, p);
      }
    }
    levels_.push_back(std::move(l));
  }
  return !levels_.empty();
}

SamplePlan PlanSample(const Sampler& s, float lod) {
  const auto& levels = s.texture->levels();
  const int last = static_cast<int>(levels.size()) - 1;
  const int base = std::clamp(s.maxLevel, 0, last);
  SamplePlan p;
  p.level = base;
  lod += s.lodBias;
  if (!(lod > 0)) {
    p.linear = s.magLinear;
    return p;
  }
  p.linear = s.minLinear;
  const float l = std::min(lod, 64.0f);
  if (s.mip == D3DTFP_POINT) {
    p.level = std::clamp(static_cast<int>(std::floor(l + 0.5f)), base, last);
  } else if (s.mip == D3DTFP_LINEAR) {
    const int l0 = static_cast<int>(std::floor(l));
    const float frac = l - static_cast<float>(l0);
    p.level = std::clamp(l0, base, last);
    const int b = std::clamp(l0 + 1, base, last);
    if (b != p.level) {
      p.second = b;
      p.weight = static_cast<std::uint32_t>(frac * 256.0f + 0.5f);
    }
  }
  return p;
}

std::uint32_t Sample(const Sampler& s, float u, float v, float lod) {
  if (!s.texture || s.texture->levels().empty()) return 0xFFFFFFFFu;
  const auto& levels = s.texture->levels();
  const SamplePlan p = PlanSample(s, lod);
  const std::uint32_t first = SampleLevel(s, levels[static_cast<size_t>(p.level)], u, v, p.linear);
  if (p.second < 0) return first;
  return MixTexels(first, SampleLevel(s, levels[static_cast<size_t>(p.second)], u, v, p.linear),
                   p.weight);
}

Sampler StageSampler(const DWORD* stageStates, const Texture* texture) {
  Sampler sm;
  sm.texture = texture && !texture->levels().empty() ? texture : nullptr;
  sm.addressU = stageStates[D3DTSS_ADDRESSU];
  sm.addressV = stageStates[D3DTSS_ADDRESSV];
  sm.border = stageStates[D3DTSS_BORDERCOLOR];
  const DWORD mag = stageStates[D3DTSS_MAGFILTER], min = stageStates[D3DTSS_MINFILTER];
  // The cubic and anisotropic filters are taken as bilinear.
  sm.magLinear = mag >= D3DTFG_LINEAR;
  sm.minLinear = min >= D3DTFN_LINEAR;
  sm.mip = stageStates[D3DTSS_MIPFILTER];
  std::memcpy(&sm.lodBias, &stageStates[D3DTSS_MIPMAPLODBIAS], sizeof sm.lodBias);
  if (!std::isfinite(sm.lodBias)) sm.lodBias = 0;
  sm.maxLevel = static_cast<int>(std::min<DWORD>(stageStates[D3DTSS_MAXMIPLEVEL], 15));
  return sm;
}

}  // namespace platform::raster
