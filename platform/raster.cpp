#include "platform/raster.h"

namespace platform::raster {

bool DecodeFVF(DWORD fvf, VertexLayout* out) {
  VertexLayout l;
  DWORD pos = fvf & D3DFVF_POSITION_MASK;
  int o = 0;
  if (pos == D3DFVF_XYZRHW) {
    l.rhw = true;
    o = 16;
  } else if (pos == D3DFVF_XYZ || (pos >= D3DFVF_XYZB1 && pos <= D3DFVF_XYZB5)) {
    o = 12;
    l.weights = pos == D3DFVF_XYZ ? 0 : static_cast<int>((pos - D3DFVF_XYZRHW) / 2);
  } else {
    return false;
  }
  l.weight = o;
  o += 4 * l.weights;
  if (fvf & D3DFVF_NORMAL) l.normal = o, o += 12;
  if (fvf & D3DFVF_DIFFUSE) l.diffuse = o, o += 4;
  if (fvf & D3DFVF_SPECULAR) l.specular = o, o += 4;
  l.texture = o;
  l.textureSets = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
  o += 8 * l.textureSets;
  l.stride = o;
  *out = l;
  return true;
}

}  // namespace platform::raster
