#include "tests/windxkernel/threedee_support.h"

#include <gtest/gtest.h>

#include "tests/windxkernel/display_support.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/vertexarray.h"
#include "windxkernel/video.h"
#include "windxkernel/viewport.h"

namespace threedeetest {

std::vector<platform::D3DCall> Recorder::Of(const std::string& method) const {
  std::vector<platform::D3DCall> out;
  for (auto& c : calls)
    if (c.method == method) out.push_back(c);
  return out;
}

std::vector<std::string> With3D(const std::function<void(Recorder&)>& body) {
  displaytest::Environment env;
  Recorder recorder;
  displaytest::RunWithDisplay("debugmode", [&] {
    ASSERT_TRUE(kernel::DDInit());
    ASSERT_TRUE(kernel::D3DCreate());
    VOXA2::video::EnumerateVideoDevices();
    VOXA2::threedee::ResetRenderModes();
    VOXA2::threedee::InvalidateViewport();
    VOXA2::threedee::wBufferingInUse = false;
    VOXA2::threedee::wFogInUse = false;
    VOXA2::threedee::keptLightingState = true;
    const float* id = VOXA2::threedee::identityMatrix.m;
    for (std::uint32_t type : {0u, 1u, 2u, 3u, 256u, 272u}) VOXA2::threedee::SetTransform(type, id);
    platform::Hardware().observeD3D = [&](const platform::D3DCall& c) {
      recorder.calls.push_back(c);
    };
    body(recorder);
    VOXA2::threedee::EndScene();
    VOXA2::threedee::DestroyBatches();
    platform::Hardware().observeD3D = nullptr;
  });
  return displaytest::LogLines();
}

}  // namespace threedeetest
