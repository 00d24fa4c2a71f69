#include "effects2d/fade_to_color.h"

#include <cstring>

#include "demo/block.h"
#include "effects2d/drawoptions.h"
#include "effects2d/quaddraw.h"
#include "foundation/numeric.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/material.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2 {
namespace {

struct tFadeVertex {
  float x, y, z, rhw;
  std::uint32_t color;
};

threedee::VertexFormat FadeFormat() {
  threedee::VertexFormat format;
  format.position = true;
  format.reciprocalW = true;
  format.diffuse = true;
  format.GetVertexSize();
  return format;
}

}  // namespace

cVOXAfade_to_color::cVOXAfade_to_color(cVOXAdemo* owner) : cVOXAcommand(owner) {
  quad = threedee::VertexArray::Create(false, 4, FadeFormat());
}

cVOXAfade_to_color::~cVOXAfade_to_color() { delete quad; }

cVOXAcommand* cVOXAfade_to_color::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXAfade_to_color>(owner, "cVOXAfade_to_color");
}

bool cVOXAfade_to_color::Parse(float startTime, float lengthTime, cParserT* parser) {
  SetWindow(this, startTime, lengthTime);
  for (;;) {
    // Without a colour every frame of the command would fail, and a failed
    // frame ends the demo: such a block is refused while compiling.
    if (parser->token->code == tokCloseBrace && !color)
      parser->Error(-1, "fade_to_color without \"color\"!");
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return true;
    if (skipped) continue;
    if (parser->token->code != tokColor) return BlockSyntaxError(parser);
    color.reset(ReadTrack(parser, 4, length));
    ClampTrack(color.get(), 0.0f, 255.0f);
    parser->Expect(tokSemicolon);
  }
}

bool cVOXAfade_to_color::Execute(float, float sinceStart, float) {
  if (!color) return false;
  color->Evaluate(sinceStart);
  const float* v = color->GetValues();
  const auto a = static_cast<std::uint32_t>(TruncToInt(v[0]));
  if (a == 0) return true;
  const std::uint32_t word = a << 24 | static_cast<std::uint32_t>(TruncToInt(v[1])) << 16 |
                             static_cast<std::uint32_t>(TruncToInt(v[2])) << 8 |
                             static_cast<std::uint32_t>(TruncToInt(v[3]));
  if (!quad) quad = threedee::VertexArray::Create(false, 4, FadeFormat());
  if (!quad || !quad->Lock(3)) return true;
  const effects2d::tDrawingArea r = effects2d::DrawingArea();
  const tFadeVertex vertices[4] = {{r.x0, r.y0, 0.0f, 1.0f, word},
                                   {r.x0, r.y0 + r.height, 0.0f, 1.0f, word},
                                   {r.x0 + r.width, r.y0 + r.height, 0.0f, 1.0f, word},
                                   {r.x0 + r.width, r.y0, 0.0f, 1.0f, word}};
  std::memcpy(quad->data, vertices, sizeof vertices);
  quad->Unlock();

  threedee::BeginScene();
  effects2d::SetFixedModes(effects2d::tFixedModes::FadeToColor);
  // No texture is bound: the unbound texture reads as opaque white, so the
  // product is the diffuse colour and alpha.
  effects2d::SetUpStage0(nullptr, effects2d::tStageUse::Modulate);
  if (threedee::kernelTextureStage* stage = threedee::GetTextureStage(0)) {
    stage->SetMagFilter(1);
    stage->SetMinFilter(1);
    stage->SetMipFilter(0);
  }
  threedee::DrawPrimitive(5, quad, 0, 3);
  threedee::EndScene();
  return true;
}

}  // namespace VOXA2
