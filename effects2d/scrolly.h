// The command "scrolly": draws the texts of a scrolly text description with
// their crazy fonts as wobbling, alpha-blended glyph quads, its key frames
// driven by the "position" value.
#pragma once

#include <cstdint>
#include <memory>

#include "demo/command.h"
#include "threedee/scene/valuetracks.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2 {

struct CrazyChar;
struct tScrolly;
struct tScrollyTextKF;

class cVOXAscrolly : public cVOXAcommand {
 public:
  explicit cVOXAscrolly(cVOXAdemo* owner);
  ~cVOXAscrolly() override;
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;

  tScrolly* description = nullptr;              // the scrolly collector's
  std::unique_ptr<cView3Di_position> alpha;     // 0 … 1
  std::unique_ptr<cView3Di_position> position;  // the description's clock
  // Four screen-space vertices, rewritten for every glyph; none without a device.
  std::unique_ptr<threedee::VertexArray> quad;

 private:
  void DrawKeyFrame(const tScrollyTextKF& frame, const char* text, float p, float opacity);
  void DrawGlyph(const CrazyChar& glyph, const tScrollyTextKF& frame, float pen, float size,
                 float x, float y, float p);
};

}  // namespace VOXA2
