#include "threedee/objects/lightray.h"

#include <cmath>
#include <cstring>

#include "demo/block.h"
#include "foundation/allocate.h"
#include "foundation/numeric.h"
#include "foundation/stream.h"
#include "threedee/scene/cameras.h"
#include "threedee/scene/interpolatedvalues.h"
#include "threedee/scene/keyframed.h"
#include "threedee/scene/material.h"
#include "threedee/scene/materialblocks.h"
#include "threedee/scene/renderstage.h"
#include "threedee/scene/scene.h"
#include "threedee/scene/trimesh.h"
#include "windxkernel/material.h"
#include "windxkernel/rendermodes.h"

namespace VOXA2::threedee {
namespace {

// Beyond this many sides a cone only costs memory.
constexpr std::int32_t kMaxResolution = 1024;

Vector Translation(const Matrix4& m) { return {m.m[3], m.m[7], m.m[11]}; }

// The frame's value of a track that may be absent.
float ValueOr(cView3Di_position* track, float frame, float fallback) {
  if (!track) return fallback;
  track->Evaluate(frame);
  return track->GetValue(0);
}

}  // namespace

c3Dlightray::c3Dlightray() {
  kind = kLightRay;
  cone.reset(VOXA::errors::NewOrThrow<c3DFXVolume>("c3DFXVolume"));
  clip.reset(VOXA::errors::NewOrThrow<c3DFXVolume>("c3DFXVolume"));
  vertexFormat.position = true;
  vertexFormat.diffuse = true;
  vertexFormat.textureSetCount = 1;
  vertexFormat.GetVertexSize();
  batch.reset(CreateBatch(vertexFormat, 2048, 4096));
}

c3Dlightray::~c3Dlightray() {
  ResetEndPoint(&origin);
  ResetEndPoint(&target);
  delete hotspotTrack;
  delete resolutionTrack;
  delete lengthTrack;
}

// ---- end points

bool c3Dlightray::ParseEndPoint(t3DPoint* point, cParserT* parser, c3Dscene* scene) {
  if (!point) return false;
  const std::int32_t code = parser->token ? parser->token->code : tokNone;
  const float frames = scene ? static_cast<float>(scene->frames) : 1.0f;
  if (code == tokPosition) {
    point->kind = t3DPoint::kPosition;
    parser->GetToken();
    point->track = ParseInterpolator(parser, 3, frames);
    return true;
  }
  if (IsExactWord(parser, "object")) {
    point->kind = t3DPoint::kObject;
    parser->GetToken();
    const std::string name = ReadNameString(parser);
    point->object = scene ? scene->FindObject(name.c_str()) : nullptr;
    if (!point->object) parser->Error(errNoCode, "Could not find object \"%s\"", name.c_str());
    return true;
  }
  if (IsExactWord(parser, "vertex")) {
    point->kind = t3DPoint::kVertex;
    parser->GetToken();
    point->vertexIndex = parser->ParseIntExpression();
    const bool of = IsExactWord(parser, "of");
    parser->GetToken();
    if (!of) parser->Error(errNoCode, "\"of\" expected!");
    const std::string name = ReadNameString(parser);
    point->mesh = scene ? dynamic_cast<c3DtriangularMesh*>(scene->FindObject(name.c_str())) : nullptr;
    if (!point->mesh)
      parser->Error(errNoCode, "Could not find object \"%s\" or object is no triangular mesh!",
                    name.c_str());
    return true;
  }
  parser->Error(100, "Syntax error!");
  return true;
}

void c3Dlightray::ResetEndPoint(t3DPoint* point) {
  if (!point) return;
  if (point->kind == t3DPoint::kPosition) {
    delete point->track;
    point->track = nullptr;
  }
  point->kind = t3DPoint::kNone;
}

void c3Dlightray::CopyEndPoint(const t3DPoint* source, t3DPoint* destination) {
  if (!source || !destination) return;
  destination->kind = source->kind;
  destination->vertexIndex = source->vertexIndex;
  switch (source->kind) {
    case t3DPoint::kPosition:
      destination->track = tracks::CloneOrNull(source->track);
      break;
    case t3DPoint::kObject:
      destination->object = source->object;
      break;
    case t3DPoint::kVertex:
      destination->mesh = source->mesh;
      break;
    default:
      break;
  }
}

void c3Dlightray::ResolveEndPoint(t3DPoint* point, c3Dscene* scene) {
  if (!point) return;
  if (point->kind == t3DPoint::kObject) {
    const char* name = point->object ? point->object->GetName() : nullptr;
    point->object = scene && name ? scene->FindObject(name) : nullptr;
  } else if (point->kind == t3DPoint::kVertex) {
    const char* name = point->mesh ? point->mesh->GetName() : nullptr;
    point->mesh = scene && name ? dynamic_cast<c3DtriangularMesh*>(scene->FindObject(name)) : nullptr;
  }
}

bool c3Dlightray::GetEndPointPosition(const t3DPoint* point, const Matrix4& toLocal, Vector& out,
                                      const float& frame) {
  if (!point) return true;
  switch (point->kind) {
    case t3DPoint::kPosition:
      if (!point->track) {
        out.Set(0, 0, 0);
        return true;
      }
      point->track->Evaluate(frame);
      out.Set(point->track->GetValue(0), point->track->GetValue(1), point->track->GetValue(2));
      return true;
    case t3DPoint::kObject:
      if (!point->object) return false;
      out = TransformPoint(toLocal.m, Translation(point->object->world));
      return true;
    case t3DPoint::kVertex: {
      if (!point->mesh) return false;
      cOBSTriMesh* renderMesh = nullptr;
      std::int32_t index = -1;
      point->mesh->FindRenderVertex(point->vertexIndex, renderMesh, index);
      Vector local(0, 0, 0);
      if (renderMesh && index >= 0) {
        VertexArray* array = renderMesh->vertices.get();
        if (array && index < array->vertexCount && array->Lock(0)) {
          float p[3];
          std::memcpy(p,
                      array->data + static_cast<std::size_t>(array->pointer.stride) * index +
                          array->pointer.position,
                      sizeof p);
          local.Set(p[0], p[1], p[2]);
          array->Unlock();
        } else if (static_cast<std::size_t>(index) < renderMesh->originals.size()) {
          local = renderMesh->originals[static_cast<std::size_t>(index)];
        }
      }
      out = TransformPoint(toLocal.m, TransformPoint(point->mesh->world.m, local));
      return true;
    }
    default:
      out.Set(0, 0, 0);
      return true;
  }
}

// ---- the object

bool c3Dlightray::Update(float f, float time, float sinceStart, float fraction) {
  frame = f;
  return c3Dobject::Update(f, time, sinceStart, fraction);
}

void c3Dlightray::SetDrawingState() {
  switch (blendMode) {
    case 0:
      SetRenderMode(5, 0u, static_cast<std::uint32_t>(kBlendSrcAlpha));
      SetRenderMode(5, 1u, static_cast<std::uint32_t>(kBlendOne));
      break;
    case 1:
    case 2:
      SetRenderMode(5, 0u, static_cast<std::uint32_t>(kBlendSrcAlpha));
      SetRenderMode(5, 1u, static_cast<std::uint32_t>(kBlendInvSrcAlpha));
      break;
    case 3:
      SetRenderMode(5, 0u, static_cast<std::uint32_t>(kBlendZero));
      SetRenderMode(5, 1u, static_cast<std::uint32_t>(kBlendSrcColor));
      break;
    default:
      break;
  }
  SetRenderMode(3, 0u);
  SetRenderMode(4, 1u);
  SetRenderMode(1, 1u, 0u);

  enum : std::uint32_t { argDiffuse = 1, argTexture = 3, opModulate = 2 };
  DisableTextureStage(1);
  if (kernelTextureStage* stage = GetTextureStage(0)) {
    tStageOperation modulate;
    modulate.arg1.value = argTexture;
    modulate.operation = opModulate;
    modulate.arg2.value = argDiffuse;
    stage->SetColorOp(modulate);
    stage->SetAlphaOp(modulate);
    stage->SetTexCoordIndex(0);
    stage->SetCameraSpaceNormal(false);
  }
  // The materials and the last lit mesh set their states again after us.
  ForgetDeviceState();

  if (scene) {
    for (c3Dlight* light : scene->lights) {
      if (!light || light->deviceLight < 0) continue;
      if (light->deviceLight < 8) scene->deviceLightSlots[light->deviceLight] = false;
      DisableLight(light->deviceLight);
      light->deviceLight = -1;
    }
  }
}

bool c3Dlightray::Render(bool recurse) {
  if (!c3Dobject::Render(recurse)) return false;
  if (hidden || values[0] == 0) return true;
  SetDrawingState();
  SetTransform(0, world.m);

  std::int32_t sides = kDefaultResolution;
  if (resolutionTrack) sides = TruncToInt(ValueOr(resolutionTrack, frame, 0));
  sides = std::clamp(sides, 3, kMaxResolution);
  float length = ValueOr(lengthTrack, frame, -1.0f);
  const float hotspot = ValueOr(hotspotTrack, frame, kDefaultHotspot);
  const float slope = std::tan(hotspot * 3.14159265358979f / 360.0f);

  Vector from, to;
  if (!GetEndPointPosition(&origin, inverseWorld, from, frame) ||
      !GetEndPointPosition(&target, inverseWorld, to, frame)) {
    SetRenderMode(1, 1u, 1u);
    return true;
  }
  const Vector d = to - from;
  if (length <= 1e-8f) length = std::sqrt(d.Dot(d));
  Vector axis = d;
  axis.Normalize();
  Vector p(-axis.y, axis.x, 0);
  p.Normalize();
  Vector q = Cross(p, axis);
  q.Normalize();
  // Unit cone point (x, y, z) to from + length · (x p + y q + z axis).
  const Matrix4 placement{{length * p.x, length * q.x, length * axis.x, from.x,
                           length * p.y, length * q.y, length * axis.y, from.y,
                           length * p.z, length * q.z, length * axis.z, from.z,
                           0, 0, 0, 1}};
  cone->BuildCone(sides, slope);
  cone->Transform(&placement);
  if (scene && scene->currentView) {
    tFXView view;
    GetTransform(view.view.m, kTransformView);
    GetTransform(view.projection.m, kTransformProjection);
    if (clip->BuildClipFrustum(&view)) clip->Transform(&inverseWorld);
  }
  cone->Intersect(*clip);

  const std::uint32_t colour = static_cast<std::uint32_t>(TruncToInt(alpha)) << 24 |
                               static_cast<std::uint32_t>(TruncToInt(red)) << 16 |
                               static_cast<std::uint32_t>(TruncToInt(green)) << 8 |
                               static_cast<std::uint32_t>(TruncToInt(blue));
  DeviceMaterial deviceMaterial{};
  deviceMaterial.emissive = colour;
  SetMaterial(&deviceMaterial);
  DrawCone(colour);
  SetRenderMode(1, 1u, 1u);
  return true;
}

void c3Dlightray::DrawCone(std::uint32_t colour) {
  if (!batch) batch.reset(CreateBatch(vertexFormat, 2048, 4096));
  TriangleBatch* b = batch.get();
  if (!b) return;
  for (const c3DFXVCpolygon* polygon : cone->polygons) {
    const auto n = static_cast<std::int32_t>(polygon->vertices.size());
    if (n <= 2) continue;
    std::uint16_t* indices = nullptr;
    std::uint16_t first = 0;
    VertexArray* staging = b->AddIndices(n, 3 * (n - 2), &indices, &first);
    if (!staging) return;
    const VertexPointer& layout = staging->pointer;
    for (std::int32_t k = 0; k < n; ++k) {
      std::uint8_t* vertex = layout.vertex + static_cast<std::size_t>(layout.stride) * k;
      const Vector& v = polygon->vertices[static_cast<std::size_t>(k)];
      const float xyz[3] = {v.x, v.y, v.z};
      std::memcpy(vertex + layout.position, xyz, sizeof xyz);
      std::memcpy(vertex + layout.diffuse, &colour, sizeof colour);
    }
    for (std::int32_t k = 2; k < n; ++k) {
      *indices++ = first;
      *indices++ = static_cast<std::uint16_t>(first + k);
      *indices++ = static_cast<std::uint16_t>(first + k - 1);
    }
  }
  b->Flush();
}

c3Dobject* c3Dlightray::Duplicate() const { return DuplicateAs(*this, "c3Dlightray"); }

void c3Dlightray::CopyTo(c3Dlightray* copy) const {
  c3Dobject::CopyTo(copy);
  CopyEndPoint(&origin, &copy->origin);
  CopyEndPoint(&target, &copy->target);
  copy->hotspotTrack = tracks::CloneOrNull(hotspotTrack);
  copy->resolutionTrack = tracks::CloneOrNull(resolutionTrack);
  copy->lengthTrack = tracks::CloneOrNull(lengthTrack);
  copy->blendMode = blendMode;
  copy->alpha = alpha, copy->red = red, copy->green = green, copy->blue = blue;
}

void c3Dlightray::SetScene(c3Dscene* newScene) {
  c3Dobject::SetScene(newScene);
  ResolveEndPoint(&origin, newScene);
  ResolveEndPoint(&target, newScene);
}

}  // namespace VOXA2::threedee
