#include "view3d/overlay.h"

#include "effects2d/fullscreenfx.h"
#include "windxkernel/material.h"
#include "windxkernel/rendermodes.h"

namespace VOXA2 {

void SetOverlayState(std::uint32_t sourceBlend, std::uint32_t destinationBlend,
                     video::voxaTexture* texture, std::uint32_t mipFilter) {
  threedee::SetRenderMode(1, 0, 0);
  threedee::SetRenderMode(1, 1, 0);
  threedee::SetRenderMode(3, 0);
  threedee::SetRenderMode(2, 2);
  threedee::SetRenderMode(4, 0);
  threedee::SetRenderMode(7, threedee::IsHardwareRasterizer() ? 1 : 0);
  threedee::SetRenderMode(8, 0, 0);
  threedee::SetRenderMode(5, 0, sourceBlend);
  threedee::SetRenderMode(5, 1, destinationBlend);
  effects2d::SetModulatedStage0(texture);
  if (threedee::kernelTextureStage* stage = threedee::GetTextureStage(0)) {
    stage->SetMagFilter(1);
    stage->SetMinFilter(1);
    stage->SetMipFilter(mipFilter);
  }
}

}  // namespace VOXA2
