#include "view3d/camera.h"

#include <string>

#include "demo/block.h"
#include "threedee/scene/interpolatedvalues.h"

namespace VOXA2 {

namespace {

cView3Di_position* ReadDistance(cParserT* parser, float length) {
  cView3Di_position* track = ParseInterpolator(parser, 1, length);
  if (track) {
    track->clampBelow = true;
    track->lowerBound = 0.0f;
  }
  return track;
}

void TakeDistance(cView3Di_position* track, float sinceStart, float& distance) {
  if (!track) return;
  track->Evaluate(sinceStart);
  if (track->GetValue() > 0.0f) distance = track->GetValue();
}

}  // namespace

bool cVOXA3Dcamera::Parse(cParserT* parser) {
  threedee::c3Dscene* scene = RequireAnimation(owner, parser, "camera");
  const std::string name = ReadStringLiteral(parser);
  camera = scene ? scene->FindCamera(name.c_str()) : nullptr;
  if (!camera) parser->Error(errNoCode, "Could not find camera named \"%s\"!", name.c_str());
  if (parser->token->code == tokAt) {
    parser->GetToken();
    const std::string targetName = ReadStringLiteral(parser);
    target = scene ? scene->FindTarget(targetName.c_str()) : nullptr;
    if (!target) parser->Error(errNoCode, "Could not find target named \"%s\"!", targetName.c_str());
    if (static_cast<threedee::c3Dobject*>(camera) == static_cast<threedee::c3Dobject*>(target))
      parser->Error(errNoCode, "Camera cannot be same object as target!");
  }
  if (parser->token->code == tokComma) {
    parser->GetToken();
    nearTrack.reset(ReadDistance(parser, owner->length));
    parser->Expect(tokTo);
    farTrack.reset(ReadDistance(parser, owner->length));
  }
  parser->Expect(tokSemicolon);
  return true;
}

bool cVOXA3Dcamera::Execute(float, float sinceStart, float, bool* result) {
  *result = true;
  if (!camera) return false;
  TakeDistance(nearTrack.get(), sinceStart, camera->nearPlane);
  TakeDistance(farTrack.get(), sinceStart, camera->farPlane);
  camera->ComputeView(owner->viewMatrix, owner->projectionMatrix, owner->fustrum,
                      owner->eyePosition);
  owner->cameraProjection = owner->projectionMatrix;
  threedee::SetTransform(threedee::kTransformView, owner->viewMatrix.m);
  threedee::SetTransform(threedee::kTransformProjection, owner->projectionMatrix.m);
  return true;
}

bool cVOXA3Dcam_stretch::Parse(cParserT* parser) {
  xStretch.reset(ParseInterpolator(parser, 1, owner->length));
  parser->Expect(tokComma);
  yStretch.reset(ParseInterpolator(parser, 1, owner->length));
  parser->Expect(tokSemicolon);
  return true;
}

bool cVOXA3Dcam_stretch::Execute(float, float sinceStart, float, bool* result) {
  *result = true;
  float* p = owner->projectionMatrix.m;
  if (xStretch) {
    xStretch->Evaluate(sinceStart);
    p[0] *= xStretch->GetValue();
  }
  if (yStretch) {
    yStretch->Evaluate(sinceStart);
    p[5] *= yStretch->GetValue();
  }
  if (xStretch || yStretch) threedee::SetTransform(threedee::kTransformProjection, p);
  return true;
}

}  // namespace VOXA2
