// What "sprite", "logo_rot3d" and "fade_to_color" share: the drawing area in
// render-target pixels, texture stage 0 for a screen-space quad, and the
// statement loop of their blocks.
#pragma once

#include <string>

#include "demo/command.h"
#include "script/parser.h"

namespace VOXA2 {

namespace video {
class voxaTexture;
}

namespace effects2d {

// Origin and size of the drawing area on the render target. The drawing area
// normally is the whole back buffer (origin 0, 0).
struct tDrawingArea {
  float x0, y0, width, height;
};
tDrawingArea DrawingArea();

enum class tStageUse {
  Modulate,    // texture times diffuse colour, texture alpha times diffuse alpha
  TextureOnly  // the texture's colour and alpha
};

// Resets all stages, leaves only stage 0 in use with the texture bound (none:
// no texture) and sets its operations, coordinate set 0, no coordinate
// generation and no texture transform.
void SetUpStage0(video::voxaTexture* texture, tStageUse use);

// The "file" statement of the textured commands (or a word standing for
// "file"): the named texture from the demo's "texture" collector into
// *texture, and the name into *name when given; false when the collector is
// missing or the texture cannot be had. Leaves the ";" current.
bool ReadTextureFile(cVOXAcommand* command, cParserT* parser, video::voxaTexture** texture,
                     std::string* name = nullptr);
// Likewise for a texture that a command paints into: it must be a screen
// texture, else "Texture \"%s\" is no screen texture!" (-1).
bool ReadScreenTextureFile(cVOXAcommand* command, cParserT* parser, video::voxaTexture** texture,
                           std::string* name = nullptr);

}  // namespace effects2d
}  // namespace VOXA2
