// The script command "view3D": a block of 3D sub-commands run in script order
// every frame against the animation that "use" chose, with the state they
// share (the animation, the camera's matrices, the display settings, the
// viewport) and the render batch that transparent materials defer into.
#pragma once

#include <cstdint>
#include <vector>

#include "demo/command.h"
#include "demo/view3dregistry.h"
#include "threedee/scene/scene.h"
#include "threedee/scene/view.h"
#include "windxkernel/3dkernel.h"

namespace VOXA2 {

class cVOXAview3D;

// The base of every view3D sub-command.
class cVOXA3Dcommand : public virtual basis::basisObject {
 public:
  explicit cVOXA3Dcommand(cVOXAview3D* owner) : owner(owner) {}
  // Reads the arguments and the closing ";" (the keyword is read already).
  virtual bool Parse(cParserT* parser);
  // One frame; *result is the truth value that conditions test. False fails the frame.
  virtual bool Execute(float time, float sinceStart, float fraction, bool* result);

  cVOXAview3D* owner;
};

class cVOXAview3D : public cVOXAcommand, public threedee::cSceneView {
 public:
  explicit cVOXAview3D(cVOXAdemo* owner);
  ~cVOXAview3D() override;

  static cVOXAcommand* Create(cVOXAdemo* owner);

  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;
  // Appends the sub-command, then reads its arguments.
  virtual bool AddCommand(cVOXA3Dcommand* command, cParserT* parser);
  // The command's render state, the viewport, and the scene opened. The
  // sub-commands that set device state themselves call it again afterwards.
  virtual void SetUpRenderState();

  std::vector<cVOXA3Dcommand*> commands;  // owned
  threedee::c3Dscene* currentAnimation = nullptr;
  threedee::Matrix4 viewMatrix = threedee::identityMatrix;
  threedee::Matrix4 projectionMatrix = threedee::identityMatrix;
  // The projection as the camera computed it, before any stretch.
  threedee::Matrix4 cameraProjection = threedee::identityMatrix;
  threedee::Vector eyePosition{0, 0, 0};
  bool fogEnabled = false;
  bool wireframed = false;
  // Right and bottom inclusive.
  std::int32_t viewLeft = 0, viewTop = 0, viewRight = 0, viewBottom = 0;
  std::int32_t viewWidth = 0, viewHeight = 0;

 private:
  void SetFrameDefaults();
  // The device defaults every frame ends with.
  static void RestoreDeviceDefaults();
  // The statements of a block or a condition's body: one word looked up in
  // the sub-command registry and its sub-command made.
  friend cVOXA3Dcommand* ReadSubCommand(cVOXAview3D* owner, cParserT* parser);

  threedee::cHighlevelBatch ownBatch{this};
};

// The sub-command whose word is current: the word read and its creator run;
// "Syntax error!" (201) for a word the registry does not hold.
cVOXA3Dcommand* ReadSubCommand(cVOXAview3D* owner, cParserT* parser);

// The animation that "use" chose while the block is parsed; without one the
// parse error "An animation must be specified before the <word> command can be used!".
threedee::c3Dscene* RequireAnimation(cVOXAview3D* owner, cParserT* parser, const char* word);

// Hands the view3D command's creator and its sub-commands' to their records.
bool RegisterView3D();

// The creator shape of every sub-command.
template <typename Command>
cVOXA3Dcommand* Create3DCommand(cVOXAview3D* owner, const char* className) {
  return VOXA::errors::NewOrThrow<Command>(className, owner);
}

}  // namespace VOXA2
