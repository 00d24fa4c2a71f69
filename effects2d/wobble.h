// The command "wobble": the drawing area covered by a grid whose texture
// coordinates are pushed sideways by travelling sine waves, then turned and
// zoomed about the centre. The grid is rebuilt every frame and drawn as
// serpentine indexed strips, in chunks of at most 1024 cells.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "demo/command.h"
#include "effects2d/drawoptions.h"
#include "threedee/scene/valuetracks.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2 {

namespace video {
class voxaTexture;
}

namespace effects2d {

constexpr std::int32_t kWobbleMaxCells = 1024;
constexpr std::int32_t kWobbleMaxResolution = 256;

// Rows of cells per chunk of an nx × ny grid.
std::int32_t WobbleChunkRows(std::int32_t nx, std::int32_t ny);
// The serpentine strip of rows j0 … j0 + n − 1, numbered from the chunk's
// first vertex; n·(2·nx + 1) + 1 entries written from `out`.
void WobbleStripIndices(std::int32_t nx, std::int32_t j0, std::int32_t n, std::uint16_t* out);

}  // namespace effects2d

class cVOXAwobble : public cVOXAcommand {
 public:
  explicit cVOXAwobble(cVOXAdemo* owner);
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;

  video::voxaTexture* texture = nullptr;  // the texture collector's
  threedee::VertexFormat vertexFormat;
  std::unique_ptr<cView3Di_position> tint;        // alpha, red, green, blue in 0 … 1
  std::unique_ptr<cView3Di_position> resolution;  // cells across and down
  std::unique_ptr<cView3Di_position> tuadd, tumul, tvadd, tvmul, sumul, svmul;
  effects2d::tDrawOptions options;
  std::unique_ptr<cView3Di_position> zoom;
  std::unique_ptr<cView3Di_position> angle;  // degrees

 private:
  // The grid's vertices, kept for the next frame while large enough.
  std::unique_ptr<threedee::VertexArray> grid_;
};

}  // namespace VOXA2
