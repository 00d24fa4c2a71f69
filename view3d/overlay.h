// What the sub-commands that draw over the frame in screen space or around
// the eye share (flares, sky box, fade, window frame): their device state.
#pragma once

#include <cstdint>

namespace VOXA2::video {
class voxaTexture;
}

namespace VOXA2 {

// Depth test and depth writes off, flat shading, solid fill, no culling, no
// fog, dithering on exactly on a hardware rasteriser, the blend factors;
// stage 0 alone, modulating the texture (none: white) by the diffuse colour,
// with linear magnification and minification and the given mip filter.
void SetOverlayState(std::uint32_t sourceBlend, std::uint32_t destinationBlend,
                     video::voxaTexture* texture, std::uint32_t mipFilter);

}  // namespace VOXA2
