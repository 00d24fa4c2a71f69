// What one draw needs to know: the target it writes and the render settings
// decoded from the device's render states. The rest of the rasteriser reads
// only these records, never the device.
#pragma once

#include <cstdint>

#include "platform/d3d.h"

namespace platform::raster {
class Texture;
}

namespace platform::raster {

enum class PixelFormat { R5G6B5, X1R5G5B5, R8G8B8, X8R8G8B8 };

// A half-open rectangle of pixels.
struct Rect {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

struct Target {
  BYTE* pixels = nullptr;
  int pitch = 0, width = 0, height = 0;
  PixelFormat format = PixelFormat::X8R8G8B8;
  BYTE* depth = nullptr;  // null without a Z-buffer
  int depthPitch = 0, depthBytes = 0;
  std::uint32_t depthMask = 0;  // the Z bits; the others (stencil) are kept
};

enum class FogKind { None, Vertex, TableZ, TableW };

struct RenderSettings {
  bool depthTest = false;
  bool wBuffer = false;
  DWORD depthFunc = D3DCMP_LESSEQUAL;
  bool depthWrite = true;
  int depthBias = 0;
  bool alphaTest = false;
  DWORD alphaFunc = D3DCMP_ALWAYS;
  int alphaRef = 0;
  bool blend = false;
  DWORD srcBlend = D3DBLEND_ONE, dstBlend = D3DBLEND_ZERO;
  bool dither = false;
  bool gouraud = true;
  DWORD fill = D3DFILL_SOLID;
  DWORD cull = D3DCULL_CCW;
  bool specular = false;
  FogKind fog = FogKind::None;
  DWORD fogFormula = D3DFOG_NONE;  // the vertex or the table formula, whichever is used
  DWORD fogColor = 0;
  float fogStart = 0.0f, fogEnd = 1.0f, fogDensity = 1.0f;
  bool rangeFog = false;
  // Texture stages, in device terms; textures are set by the renderer.
  DWORD stageStates[8][kD3DTextureStageStateCount] = {};
  const Texture* textures[8] = {};
  DWORD textureFactor = 0;
  // Eye depth of the far plane: scales W for the W-buffer and the W fog table.
  float farW = 1.0f;
};

}  // namespace platform::raster
