#include "tests/threedee/scene/scene_viewer.h"

#include "platform/ddraw.h"
#include "threedee/scene/material.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/material.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/viewport.h"

namespace scenetest {

using namespace VOXA2::threedee;

namespace {

void ShowAll(c3Dobject* object) {
  for (; object; object = object->nextSibling) {
    object->values[0] = 1;
    ShowAll(object->firstChild);
  }
}

}  // namespace

SceneViewer::SceneViewer(c3Dscene& shown) : scene(shown) {
  view.batch = &batch;
  viewMatrix = projection = identityMatrix;
}

SceneViewer::~SceneViewer() {
  batch.Flush();
  if (scene.currentView == &view) scene.currentView = nullptr;
}

void SceneViewer::Use() {
  scene.currentView = &view;
  view.ResetLook();
  ShowAll(scene.root);
  for (bool& slot : scene.deviceLightSlots) slot = false;
  for (c3Dlight* light : scene.lights) light->deviceLight = -1;
  for (int i = 0; i < 8; ++i) DisableLight(i);
}

bool SceneViewer::Frame(float frame) {
  for (cMaterial* material : scene.materials)
    if (material && !material->Update(frame)) return false;
  if (!scene.root) return true;
  const bool ok = scene.root->Update(frame, 0, 0, 0);
  return scene.root->PostUpdate() && ok;
}

void SceneViewer::Camera(c3Dcamera& camera) {
  camera.ComputeView(viewMatrix, projection, view.fustrum, eye);
  SetTransform(kTransformView, viewMatrix.m);
  SetTransform(kTransformProjection, projection.m);
}

bool SceneViewer::Draw(std::uint32_t background, bool depthTest) {
  ForgetDeviceState();
  SetRenderMode(1, 0, depthTest ? 1 : 0);
  SetRenderMode(1, 1, 1);  // and written
  if (!BeginScene()) return false;
  IDirectDrawSurface7* back = kernel::videoState.back;
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = platform::pixels::Pack(back->format(), background);
  back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
  ClearViewport(1.0f);
  const bool ok = !scene.root || scene.root->Render(true);
  batch.Flush();
  EndScene();
  return ok;
}

}  // namespace scenetest
