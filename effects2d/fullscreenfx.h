// What the full-screen texture commands ("rotozoomer", "wobble") share: the
// block reading helpers, the stage 0 set-up that modulates a bound texture by
// the vertex colour, and writing a transformed, coloured, textured vertex.
#pragma once

#include <cstdint>

#include "script/parser.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2 {

class cVOXAcommand;

namespace video {
class voxaTexture;
}

namespace effects2d {

// The identifier's text equals the word without regard to the case of A to Z.
bool IsWordAnyCase(cParserT* parser, const char* word);

// The block's common shape: start, length and end from the arguments; "}"
// ends the block (true); a stray ";" is skipped (*skipped).
void SetCommandWindow(cVOXAcommand* command, float start, float length);
bool AtCommandBlockEnd(cParserT* parser, bool* skipped);
// Always throws "Syntax error!" (201).
bool BlockSyntaxError(cParserT* parser);

// Transformed position, diffuse colour and one pair of texture coordinates.
threedee::VertexFormat ScreenVertexFormat();

// Texture stages reset, only stage 0 on, the texture bound to it; colour and
// alpha are texture × diffuse; coordinate set 0, no generation, no transform.
void SetModulatedStage0(video::voxaTexture* texture);

// The drawing area of the back buffer in pixels.
struct tDrawingArea {
  float x0, y0, width, height;
};
tDrawingArea DrawingArea();

// Writes one vertex through the array's layout at `vertex`.
void WriteScreenVertex(const threedee::VertexPointer& layout, std::uint8_t* vertex, float x,
                       float y, std::uint32_t color, float u, float v);

// trunc(value · 255) for a value in 0 … 1, saturated to a byte.
std::uint32_t ColorByte(float value);

}  // namespace effects2d
}  // namespace VOXA2
