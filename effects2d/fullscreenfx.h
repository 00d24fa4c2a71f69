// What the full-screen texture commands ("rotozoomer", "wobble") share: the
// block reading helpers, the stage 0 set-up that modulates a bound texture by
// the vertex colour, and writing a transformed, coloured, textured vertex.
#pragma once

#include <cstdint>

#include "effects2d/quaddraw.h"
#include "script/parser.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2 {

class cVOXAcommand;

namespace video {
class voxaTexture;
}

namespace effects2d {

using threedee::ScreenVertexFormat;

// Texture stages reset, only stage 0 on, the texture bound to it; colour and
// alpha are texture × diffuse; coordinate set 0, no generation, no transform.
void SetModulatedStage0(video::voxaTexture* texture);

// Writes one vertex through the array's layout at `vertex`.
void WriteScreenVertex(const threedee::VertexPointer& layout, std::uint8_t* vertex, float x,
                       float y, std::uint32_t color, float u, float v);

// trunc(value · 255) for a value in 0 … 1, saturated to a byte.
std::uint32_t ColorByte(float value);

}  // namespace effects2d
}  // namespace VOXA2
