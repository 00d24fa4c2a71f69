// A stand-in for the view3D command that shows a scene: its view (volume,
// alpha, tint, culling, flushing) and render batch, and the steps of its
// sub-commands "use", "frames", "camera" and "draw", in the command's order.
#pragma once

#include "threedee/scene/cameras.h"
#include "threedee/scene/scene.h"
#include "threedee/scene/view.h"

namespace scenetest {

class SceneViewer {
 public:
  explicit SceneViewer(VOXA2::threedee::c3Dscene& scene);
  ~SceneViewer();

  // "use": the scene shows through this view with every object shown and
  // every light without a device slot.
  void Use();
  // "frames": the materials, then the tree's update and post-update.
  bool Frame(float frame);
  // "camera": the camera's view and projection to the device.
  void Camera(VOXA2::threedee::c3Dcamera& camera);
  // One frame's drawing: a cleared target and depth, the tree, then the batch.
  bool Draw(std::uint32_t background);

  VOXA2::threedee::c3Dscene& scene;
  VOXA2::threedee::cSceneView view;
  VOXA2::threedee::cHighlevelBatch batch{&view};
  VOXA2::threedee::Matrix4 viewMatrix, projection;
  VOXA2::threedee::Vector eye{0, 0, 0};
};

}  // namespace scenetest
