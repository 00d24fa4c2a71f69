#include "view3d/view3d.h"

#include "demo/block.h"
#include "threedee/scene/interpolator.h"
#include "threedee/scene/material.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/material.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/video.h"
#include "windxkernel/viewport.h"

namespace VOXA2 {

bool cVOXA3Dcommand::Parse(cParserT*) { return true; }

bool cVOXA3Dcommand::Execute(float, float, float, bool* result) {
  *result = true;
  return true;
}

cVOXAview3D::cVOXAview3D(cVOXAdemo* owner) : cVOXAcommand(owner) { batch = &ownBatch; }

cVOXAview3D::~cVOXAview3D() {
  // Work left by a frame that never ended is not drawn outside a frame.
  ownBatch.Discard();
  for (cVOXA3Dcommand* command : commands) delete command;
}

cVOXAcommand* cVOXAview3D::Create(cVOXAdemo* owner) {
  RegisterBuiltIn3DCommands();
  return CreateCommand<cVOXAview3D>(owner, "cVOXAview3D");
}

cVOXA3Dcommand* ReadSubCommand(cVOXAview3D* owner, cParserT* parser) {
  const std::int32_t code = parser->token->code;
  const char* text =
      code == tokIdentifier ? static_cast<cIdentToken*>(parser->token.get())->text.c_str() : nullptr;
  const t3DCommandDesc* record = Find3DCommandByToken(code, text);
  // A record without a creator names a sub-command this player does not have.
  if (!record || !record->creator) {
    BlockSyntaxError(parser);
    return nullptr;
  }
  parser->GetToken();
  return record->creator(owner, record, parser);
}

threedee::c3Dscene* RequireAnimation(cVOXAview3D* owner, cParserT* parser, const char* word) {
  if (!owner->currentAnimation)
    parser->Error(errNoCode, "An animation must be specified before the %s command can be used!",
                  word);
  return owner->currentAnimation;
}

bool cVOXAview3D::Parse(float startTime, float lengthTime, cParserT* parser) {
  RegisterBuiltIn3DCommands();
  SetWindow(this, startTime, lengthTime);
  for (;;) {
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return true;
    if (skipped) continue;
    cVOXA3Dcommand* command = ReadSubCommand(this, parser);
    // None only when the error could not be raised (no source open).
    if (!command || !AddCommand(command, parser)) return false;
  }
}

bool cVOXAview3D::AddCommand(cVOXA3Dcommand* command, cParserT* parser) {
  try {
    tracks::AppendKey(commands, std::move(command), "command list!");
  } catch (...) {
    delete command;
    throw;
  }
  return command->Parse(parser);
}

void cVOXAview3D::SetFrameDefaults() {
  currentAnimation = nullptr;
  ResetLook();
  fogEnabled = false;
  wireframed = false;
  flushing = false;
  // Stretches start again from the camera's own projection every frame.
  projectionMatrix = cameraProjection;
  viewLeft = 0;
  viewTop = 0;
  viewWidth = screenInfo.width;
  viewHeight = screenInfo.height;
  viewRight = viewWidth - 1;
  viewBottom = viewHeight - 1;
}

void cVOXAview3D::SetUpRenderState() {
  threedee::ForgetDeviceState();
  threedee::SetRenderMode(8, 0, fogEnabled ? 1 : 0);
  threedee::SetRenderMode(2, wireframed ? 1 : 2);
  threedee::SetRenderMode(7, threedee::IsHardwareRasterizer() ? 1 : 0);
  threedee::SetRenderMode(1, 0, 1);
  threedee::SetRenderMode(1, 1, 1);
  threedee::SetViewport(viewLeft, viewTop, viewRight, viewBottom);
  threedee::BeginScene();
}

void cVOXAview3D::RestoreDeviceDefaults() {
  for (int light = 0; light < 8; light++) threedee::DisableLight(light);
  threedee::SetRenderMode(8, 0, 0);
  threedee::SetRenderMode(2, 2);
  threedee::ResetTextureStages();
  threedee::DisableTextureStage(1);
  threedee::ResetViewport();
}

bool cVOXAview3D::Execute(float time, float sinceStart, float fraction) {
  SetFrameDefaults();
  threedee::SetViewport(viewLeft, viewTop, viewRight, viewBottom);
  SetUpRenderState();
  threedee::BeginScene();
  for (std::size_t i = 0; i < commands.size(); i++) {
    bool result = false;
    if (!commands[i]->Execute(time, sinceStart, fraction, &result)) {
      LogMessage(5, "view3D command #%i failed (result is %s)!", static_cast<int>(i),
                 result ? "true" : "false");
      // The frame ends here: its deferred work is dropped, and the scene and
      // the device are left as a finished frame leaves them.
      ownBatch.Discard();
      threedee::EndScene();
      RestoreDeviceDefaults();
      return false;
    }
  }
  ownBatch.Flush();
  threedee::EndScene();
  RestoreDeviceDefaults();
  return true;
}

}  // namespace VOXA2
