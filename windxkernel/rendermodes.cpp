#include "windxkernel/rendermodes.h"

#include <cstdarg>
#include <cstring>

#include "platform/d3d.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2::threedee {

bool wBufferingInUse = false;
bool wFogInUse = false;

namespace {

constexpr std::uint32_t kUnset = 65535;
constexpr int kKinds = 16, kSubs = 8;

struct Cache {
  std::uint32_t value[kKinds][kSubs];
  bool vertexFog;
  DWORD formula;
  std::uint32_t planeMask;
  std::uint32_t sentPlaneMask;
  float fog[3];
  float planes[8][4];
};

Cache StartValues() {
  Cache c{};
  c.value[1][1] = 1;   // depth writing
  c.value[1][2] = 17;  // above any bias, so the first one reaches the device
  c.value[9][0] = 1;   // specular
  c.value[9][1] = 1;   // local viewer
  for (auto [k, s] :
       {std::pair{1, 3}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {5, 1}, {6, 1}, {8, 5}, {8, 7}})
    c.value[k][s] = kUnset;
  c.vertexFog = true;
  c.formula = D3DFOG_LINEAR;
  for (float& f : c.fog) f = -1e20f;
  return c;
}

Cache cache = StartValues();

// The system's orders of comparisons and blend factors.
constexpr DWORD kCompare[8] = {D3DCMP_NEVER, D3DCMP_LESS,         D3DCMP_LESSEQUAL, D3DCMP_NOTEQUAL,
                               D3DCMP_EQUAL, D3DCMP_GREATEREQUAL, D3DCMP_GREATER,   D3DCMP_ALWAYS};
constexpr DWORD kBlend[10] = {D3DBLEND_ZERO,        D3DBLEND_ONE,          D3DBLEND_SRCCOLOR,
                              D3DBLEND_INVSRCCOLOR, D3DBLEND_SRCALPHA,     D3DBLEND_INVSRCALPHA,
                              D3DBLEND_DESTCOLOR,   D3DBLEND_INVDESTCOLOR, D3DBLEND_DESTALPHA,
                              D3DBLEND_INVDESTALPHA};
constexpr DWORD kFill[3] = {D3DFILL_POINT, D3DFILL_WIREFRAME, D3DFILL_SOLID};
constexpr DWORD kShade[2] = {D3DSHADE_FLAT, D3DSHADE_GOURAUD};
constexpr DWORD kCull[3] = {D3DCULL_NONE, D3DCULL_CW, D3DCULL_CCW};
constexpr DWORD kAntialias[3] = {D3DANTIALIAS_NONE, D3DANTIALIAS_SORTDEPENDENT,
                                 D3DANTIALIAS_SORTINDEPENDENT};
constexpr DWORD kFormula[3] = {D3DFOG_EXP, D3DFOG_EXP2, D3DFOG_LINEAR};

void FlushIfPending() {
  if (PrimitivesPending()) FlushPrimitives();
}

bool Send(D3DRENDERSTATETYPE state, DWORD value) {
  IDirect3DDevice7* device = kernel::d3dState.device;
  return device && device->SetRenderState(state, value) >= 0;
}

DWORD FloatBits(float f) {
  DWORD v;
  std::memcpy(&v, &f, sizeof v);
  return v;
}

bool HasSubKinds(std::uint32_t kind) {
  return kind == 0 || kind == 1 || kind == 5 || kind == 6 || kind == 8 || kind == 9 || kind == 15;
}

bool SubKindKnown(std::uint32_t kind, std::uint32_t sub) {
  switch (kind) {
    case 0:
    case 5:
    case 6:
    case 9:
    case 15:
      return sub <= 1;
    case 1:
      return sub <= 3;
    case 8:
      return sub <= 7 && (sub < 2 || sub > 4);
    default:
      return true;
  }
}

// Maps the cached value of a setting to its render state and device value.
// False for an index the setting does not know.
bool Map(std::uint32_t kind, std::uint32_t sub, std::uint32_t v, D3DRENDERSTATETYPE* state,
         DWORD* value) {
  auto index = [&](const DWORD* table, std::uint32_t n) {
    if (v >= n) return false;
    *value = table[v];
    return true;
  };
  *value = v;
  switch (kind) {
    case 0:
      if (sub == 0) return *state = D3DRENDERSTATE_ANTIALIAS, index(kAntialias, 3);
      return *state = D3DRENDERSTATE_EDGEANTIALIAS, true;
    case 1:
      switch (sub) {
        case 0:
          *state = D3DRENDERSTATE_ZENABLE;
          *value = v ? (wBufferingInUse ? D3DZB_USEW : D3DZB_TRUE) : D3DZB_FALSE;
          return true;
        case 1:
          return *state = D3DRENDERSTATE_ZWRITEENABLE, true;
        case 2:
          return *state = D3DRENDERSTATE_ZBIAS, true;
        default:
          return *state = D3DRENDERSTATE_ZFUNC, index(kCompare, 8);
      }
    case 2:
      return *state = D3DRENDERSTATE_FILLMODE, index(kFill, 3);
    case 3:
      return *state = D3DRENDERSTATE_SHADEMODE, index(kShade, 2);
    case 4:
      return *state = D3DRENDERSTATE_CULLMODE, index(kCull, 3);
    case 5:
      *state = sub == 0 ? D3DRENDERSTATE_SRCBLEND : D3DRENDERSTATE_DESTBLEND;
      return index(kBlend, 10);
    case 6:
      if (sub == 0) return *state = D3DRENDERSTATE_ALPHAREF, *value = v >> 24, true;
      return *state = D3DRENDERSTATE_ALPHAFUNC, index(kCompare, 8);
    case 7:
      return *state = D3DRENDERSTATE_DITHERENABLE, true;
    case 8:
      if (sub == 0) return *state = D3DRENDERSTATE_FOGENABLE, true;
      if (sub == 1) return *state = D3DRENDERSTATE_FOGCOLOR, true;
      return *state = D3DRENDERSTATE_RANGEFOGENABLE, true;  // sub 6
    case 9:
      *state = sub == 0 ? D3DRENDERSTATE_SPECULARENABLE : D3DRENDERSTATE_LOCALVIEWER;
      return true;
    case 11:
      return *state = D3DRENDERSTATE_TEXTUREFACTOR, true;
    case 12:
      return *state = D3DRENDERSTATE_AMBIENT, true;
    case 13:
      return *state = D3DRENDERSTATE_NORMALIZENORMALS, true;
    case 14:
      return *state = D3DRENDERSTATE_VERTEXBLEND, v <= 3;  // values equal the indices
    default:
      return false;
  }
}

bool IsBool(std::uint32_t kind, std::uint32_t sub) {
  return (kind == 0 && sub == 1) || (kind == 1 && (sub == 0 || sub == 1)) || kind == 7 ||
         (kind == 8 && (sub == 0 || sub == 6)) || kind == 9 || kind == 13;
}

bool FogModeOrFormula(std::uint32_t sub, std::uint32_t v) {
  if (sub == 5) cache.vertexFog = v == 0;
  std::uint32_t& slot = cache.value[8][sub];
  if (sub == 7 && v <= 2) {
    // The formula changes with the index; the cached index decides whether to send.
    if (slot == v) return true;
    cache.formula = kFormula[v];
  } else if (slot == v) {
    return true;
  }
  slot = v;
  FlushIfPending();
  bool a, b;
  if (cache.vertexFog) {
    a = Send(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_NONE);
    b = Send(D3DRENDERSTATE_FOGVERTEXMODE, cache.formula);
  } else {
    a = Send(D3DRENDERSTATE_FOGVERTEXMODE, D3DFOG_NONE);
    b = Send(D3DRENDERSTATE_FOGTABLEMODE, cache.formula);
  }
  return a && b;
}

bool ClipPlaneEnable(std::uint32_t sub, std::uint32_t plane) {
  if (plane > 7) return false;
  std::uint32_t bit = 1u << plane;
  cache.planeMask = sub == 0 ? (cache.planeMask | bit) : (cache.planeMask & ~bit);
  if (cache.planeMask == cache.sentPlaneMask) return true;
  cache.sentPlaneMask = cache.planeMask;
  FlushIfPending();
  return Send(D3DRENDERSTATE_CLIPPLANEENABLE, cache.planeMask);
}

}  // namespace

bool SetRenderMode(std::uint32_t kind, ...) {
  if (kind >= kKinds || kind == 10) return false;
  va_list args;
  va_start(args, kind);
  std::uint32_t sub = HasSubKinds(kind) ? va_arg(args, std::uint32_t) : 0;
  if (!SubKindKnown(kind, sub)) {
    va_end(args);
    return false;
  }
  std::uint32_t v = va_arg(args, std::uint32_t);
  va_end(args);
  if (kind == 8 && (sub == 5 || sub == 7)) return FogModeOrFormula(sub, v);
  if (kind == 15) return ClipPlaneEnable(sub, v);
  if (IsBool(kind, sub)) v = v != 0;
  if (kind == 1 && sub == 2 && v > 16) v = 16;
  std::uint32_t& slot = cache.value[kind][sub];
  if (slot == v) return true;
  slot = v;  // kept even when it cannot be mapped or the device refuses it
  D3DRENDERSTATETYPE state;
  DWORD value;
  if (!Map(kind, sub, v, &state, &value)) return false;
  FlushIfPending();
  return Send(state, value);
}

bool SetFog(std::uint32_t parameter, float value) {
  if (parameter < 2 || parameter > 4) return false;
  if (parameter != 4 && wFogInUse) {
    float p[16];
    GetTransform(p, kTransformProjection);
    const float q = p[10], r = p[11];
    // The identity (q = 1) and orthographic projections (q = 0) have no eye
    // distance for the fraction: the value goes unconverted.
    if (1 - q != 0 && q != 0) value = r / (1 - q) + (value - 1) * r / ((1 - q) * q);
  }
  float& slot = cache.fog[parameter - 2];
  if (slot == value) return true;
  slot = value;
  FlushIfPending();
  static const D3DRENDERSTATETYPE states[3] = {D3DRENDERSTATE_FOGSTART, D3DRENDERSTATE_FOGEND,
                                               D3DRENDERSTATE_FOGDENSITY};
  return Send(states[parameter - 2], FloatBits(value));
}

bool SetClipPlane(std::uint32_t plane, float a, float b, float c, float d) {
  if (plane > 7) return false;
  float* p = cache.planes[plane];
  if (p[0] == a && p[1] == b && p[2] == c && p[3] == d) return true;
  p[0] = a, p[1] = b, p[2] = c, p[3] = d;
  FlushIfPending();
  IDirect3DDevice7* device = kernel::d3dState.device;
  return device && device->SetClipPlane(plane, p) >= 0;
}

bool IsHardwareRasterizer() { return kernel::d3dState.hardwareRasterization != 0; }

void ResetRenderModes() { cache = StartValues(); }

}  // namespace VOXA2::threedee
