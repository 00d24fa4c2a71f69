#include "threedee/objects/water.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "foundation/allocate.h"
#include "script/parser.h"
#include "threedee/scene/interpolatedvalues.h"
#include "threedee/scene/material.h"
#include "threedee/scene/scene.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/debuglog.h"

namespace VOXA2::threedee {

namespace {

std::int32_t Code(const cParserT* parser) { return parser->token ? parser->token->code : tokNone; }

bool IsWord(const cParserT* parser, const char* word) {
  if (Code(parser) != tokIdentifier) return false;
  const auto* ident = dynamic_cast<const cIdentToken*>(parser->token.get());
  return ident && ident->text == word;
}

float First(cView3Di_position* track, float time, float otherwise) {
  if (!track) return otherwise;
  track->Evaluate(time);
  return track->GetValues()[0];
}

void Replace(cView3Di_position*& field, cView3Di_position* track) {
  delete field;
  field = track;
}

float* At(VertexArray& array, std::uint32_t offset, int vertex) {
  return reinterpret_cast<float*>(array.data +
                                  static_cast<std::size_t>(vertex) * array.pointer.stride + offset);
}

}  // namespace

// ---- splashes

bool t3Dwater_splash::Parse(cParserT* parser, t3Dwater_splash* splash, c3Dscene* scene) {
  if (!splash) return false;
  const float frames = scene ? static_cast<float>(scene->frames) : 0.0f;
  parser->Expect(tokOpenBrace);
  splash->start = 0;
  splash->length = frames;
  for (;;) {
    const std::int32_t code = Code(parser);
    if (code == tokCloseBrace) break;
    if (code == tokSemicolon) {
      parser->GetToken();
    } else if (code == tokStart || code == tokLength) {
      parser->GetToken();
      (code == tokStart ? splash->start : splash->length) = parser->ParseFloatExpression();
    } else if (code == tokPosition) {
      parser->GetToken();
      Replace(splash->position, ParseInterpolator(parser, 2, frames));
    } else if (IsWord(parser, "height") || IsWord(parser, "radius")) {
      cView3Di_position*& field = IsWord(parser, "height") ? splash->height : splash->radius;
      parser->GetToken();
      Replace(field, ParseInterpolator(parser, 1, frames));
    } else if (IsWord(parser, "wave") || IsWord(parser, "fade")) {
      const bool wave = IsWord(parser, "wave");
      parser->GetToken();
      if (!IsWord(parser, wave ? "speed" : "factor")) {
        parser->Error(-1, wave ? "\"speed\" expected!" : "\"factor\" expected!");
        return false;
      }
      parser->GetToken();
      Replace(wave ? splash->waveSpeed : splash->fadeFactor, ParseInterpolator(parser, 1, frames));
    } else {
      parser->Error(100, "Syntax error!");
      return false;
    }
  }
  parser->GetToken();
  return true;
}

void t3Dwater_splash::Release(t3Dwater_splash* splash) {
  if (!splash) return;
  for (cView3Di_position** track : {&splash->position, &splash->height, &splash->radius,
                                    &splash->fadeFactor, &splash->waveSpeed}) {
    delete *track;
    *track = nullptr;
  }
}

void t3Dwater_splash::CopyFrom(const t3Dwater_splash* source, t3Dwater_splash* destination) {
  if (!destination || !source) return;
  destination->start = source->start;
  destination->length = source->length;
  destination->position = tracks::CloneOrNull(source->position);
  destination->height = tracks::CloneOrNull(source->height);
  destination->radius = tracks::CloneOrNull(source->radius);
  destination->fadeFactor = tracks::CloneOrNull(source->fadeFactor);
  destination->waveSpeed = tracks::CloneOrNull(source->waveSpeed);
}

void t3Dwater_splash::Evaluate(float t) {
  px = py = 0;
  if (position) {
    position->Evaluate(t);
    px = position->GetValues()[0];
    py = position->GetValues()[1];
  }
  h = First(height, t, 100.0f);
  rho = First(radius, t, 0.00005f);
  f = First(fadeFactor, t, 0.00001f);
  w = First(waveSpeed, t, 0.325984f);
}

// ---- the surface

c3Dwatersurface::c3Dwatersurface() {
  kind = kProcedural;
  frustumVolume.reset(VOXA::errors::NewOrThrow<c3DFXVolume>("c3DFXVolume"));
  boxVolume.reset(VOXA::errors::NewOrThrow<c3DFXVolume>("c3DFXVolume"));
  clipperVolume.reset(VOXA::errors::NewOrThrow<c3DFXVolume>("c3DFXVolume"));
  vertexFormat.position = true;
  vertexFormat.normal = true;
  vertexFormat.textureSetCount = 1;
  vertexFormat.GetVertexSize();
}

c3Dwatersurface::~c3Dwatersurface() {
  delete unitTrack;
  delete textureMultiplyerTrack;
  delete waveMultiplyerTrack;
  delete amplitudeTrack;
  for (t3Dwater_splash* splash : splashes) {
    t3Dwater_splash::Release(splash);
    delete splash;
  }
}

t3Dwater_splash* c3Dwatersurface::AddSplash() {
  tracks::OrFailFor("splash list!", [&] {
    splashes.reserve(splashes.size() + 1);
    return 0;
  });
  auto* splash = VOXA::errors::NewOrThrow<t3Dwater_splash>("t3Dwater_splash");
  splashes.push_back(splash);
  return splash;
}

bool c3Dwatersurface::Animate(float frame, float t, float sinceStart, float fraction) {
  if (!c3DStemporary::Animate(frame, t, sinceStart, fraction)) return false;
  time = frame;
  if (hidden) return true;
  textureMultiplyer = First(textureMultiplyerTrack, time, 0.001f);
  waveMultiplyer = First(waveMultiplyerTrack, time, 0.005f);
  amplitude = First(amplitudeTrack, time, 250.0f);
  return true;
}

void c3Dwatersurface::WriteRow(VertexArray& array, int first, int count, float x0, float y, float c,
                               float A, const std::vector<t3Dwater_splash*>& active) const {
  const float k = waveMultiplyer, phi = time * 0.112321f;
  const float a = k * y + phi;
  const float cy = A * std::cos(a), q = -A * k * c * std::sin(a);
  const bool textured = array.format.textureSetCount > 0;
  float x = x0;
  for (int i = 0; i < count; ++i, x += c) {
    const float b = k * x + phi;
    float z = A * std::sin(b) + cy;
    const float p = A * k * c * std::cos(b);
    const float length = std::sqrt(1 + p * p + q * q);
    Vector n(-p / length, -q / length, 1 / length);
    for (const t3Dwater_splash* s : active) {
      const float dx = x - s->px, dy = y - s->py, d2 = dx * dx + dy * dy, r = std::sqrt(d2);
      const float e = s->h * std::exp(-s->f * d2), ph = s->rho * d2 - s->w * time;
      const float dz = e * std::sin(ph);
      if (!(std::fabs(dz) > 0.0001f * s->h)) continue;
      z += dz;
      // At the very centre the ripple has no slope direction: only the height changes.
      if (r == 0) continue;
      const float g = e * s->rho * std::cos(ph) - s->f * dz, slope = 2 * r * g * c;
      n = Vector(n.x - slope * dx / r, n.y - slope * dy / r, n.z + slope);
      n.Normalize();
    }
    const float position[3] = {x, y, z};
    std::memcpy(At(array, array.pointer.position, first + i), position, sizeof position);
    std::memcpy(At(array, array.pointer.normal, first + i), &n, sizeof n);
    if (textured) {
      float* uv = At(array, array.pointer.textureCoords, first + i);
      uv[0] = x * textureMultiplyer;
      uv[1] = y * textureMultiplyer;
    }
  }
}

bool c3Dwatersurface::Draw() {
  columns = rows = 0;
  if (!unitTrack) return false;

  // The visible part of the plane, in the surface's own space.
  tFXView camera;
  GetTransform(camera.view.m, kTransformView);
  GetTransform(camera.projection.m, kTransformProjection);
  const float far = camera.projection.m[11] / (1 - camera.projection.m[10]);
  if (!std::isfinite(far) || far <= 0) return true;
  const float reach = 4 * far;
  if (!frustumVolume->BuildFrustum(&camera)) return true;
  frustumVolume->Transform(&inverseWorld);
  if (boxVolume->BuildBox(reach, reach, std::max(std::fabs(amplitude), 0.001f))) {
    Matrix4 toWorld;
    Matrix4::Invert(toWorld, camera.view);
    const Vector eye =
        TransformPoint(inverseWorld.m, Vector(toWorld.m[3], toWorld.m[7], toWorld.m[11]));
    Matrix4 move = identityMatrix;
    move.m[3] = eye.x;
    move.m[7] = eye.y;
    boxVolume->Transform(&move);
    frustumVolume->Intersect(*boxVolume);
  }
  if (clipper && clipperVolume->BuildFromMesh(clipper)) {
    clipperVolume->Transform(&inverseWorld);
    frustumVolume->Intersect(*clipperVolume);
  }
  if (frustumVolume->polygons.empty()) return true;

  // The grid over the region's rectangle.
  double c = First(unitTrack, time, 0.0f);
  if (!(c > 0) || !std::isfinite(c)) return true;
  Vector low, high;
  if (!frustumVolume->GetBoundingBox(low, high)) return true;
  double i0, j0, i1, j1, nx, ny;
  auto span = [&] {
    i0 = std::floor(low.x / c), j0 = std::floor(low.y / c);
    i1 = std::ceil(high.x / c), j1 = std::ceil(high.y / c);
    nx = i1 - i0 + 1, ny = j1 - j0 + 1;
  };
  span();
  if (nx < 2 || ny < 2) return true;
  if (nx > kMaxColumns) {
    c = (static_cast<double>(high.x) - low.x) * 0.0001;
    span();
  }
  // Rows are limited like the columns, or a thin wide region runs for ever.
  if (ny > kMaxColumns) {
    c = (static_cast<double>(high.y) - low.y) * 0.0001;
    span();
  }
  if (!(c > 0) || nx < 2 || ny < 2 || nx > 2 * kMaxColumns || ny > 2 * kMaxColumns ||
      std::fabs(i0) > 1e9 || std::fabs(j0) > 1e9 || std::fabs(i1) > 1e9 || std::fabs(j1) > 1e9) {
    if (!toldRange) {
      toldRange = true;
      LogMessage(5, "The water surface \"%s\" cannot lay a grid over what it sees: nothing drawn",
                 GetName() ? GetName() : "");
    }
    return true;
  }
  const int n = static_cast<int>(nx);
  const float cellSize = static_cast<float>(c);

  // Two rows of vertices, four indices a column.
  if (!vertices || vertices->vertexCount < 2 * n) {
    vertices.reset();
    if (material) {
      const int maps = material->MapCount();
      if (maps >= 0 && maps <= 8) vertexFormat.textureSetCount = static_cast<std::uint32_t>(maps);
    }
    vertexFormat.GetVertexSize();
    vertices.reset(VertexArray::Create(true, (2 * n + 31) / 32 * 32, vertexFormat));
  }
  if (!vertices) return true;
  if (indices.size() < static_cast<std::size_t>(4 * n))
    tracks::OrFailFor("indices!", [&] {
      indices.resize(static_cast<std::size_t>(4 * n));
      return 0;
    });
  for (int k = 0; k < n; ++k) {
    indices[2 * k] = static_cast<std::uint16_t>(k);
    indices[2 * k + 1] = static_cast<std::uint16_t>(n + k);
    indices[2 * n + 2 * k] = static_cast<std::uint16_t>(n + k);
    indices[2 * n + 2 * k + 1] = static_cast<std::uint16_t>(k);
  }

  // Half the evaluated amplitude; the field keeps its value for the next draw.
  const float A = amplitude * 0.5f;
  std::vector<t3Dwater_splash*> active;
  for (t3Dwater_splash* splash : splashes)
    if (splash->IsActive(time)) {
      splash->Evaluate(time);
      active.push_back(splash);
    }
  SetTransform(0, world.m);
  const float x0 = static_cast<float>(i0 * c);
  float y = static_cast<float>(j0 * c);
  bool ok = true;
  const int rowCount = static_cast<int>(ny);
  for (int j = 0; j < rowCount; ++j, y += cellSize) {
    const bool firstHalf = j % 2 == 0;
    if (!vertices->Lock(active.empty() ? 1 : 0)) return false;
    WriteRow(*vertices, firstHalf ? 0 : n, n, x0, y, cellSize, A, active);
    vertices->Unlock();
    if (j > 0 && material)
      ok = material->DrawIndexed(4, vertices.get(), indices.data() + (firstHalf ? 0 : 2 * n),
                                 static_cast<std::uint32_t>(2 * n), 0,
                                 static_cast<std::uint32_t>(2 * n - 1)) &&
           ok;
  }
  columns = n;
  rows = rowCount;
  cell = cellSize;
  return ok;
}

void c3Dwatersurface::SetScene(c3Dscene* newScene) {
  c3DoneMaterialMesh::SetScene(newScene);
  if (clipper)
    clipper = dynamic_cast<c3DtriangularMesh*>(newScene ? newScene->FindObject(clipper->GetName())
                                                        : nullptr);
}

c3Dobject* c3Dwatersurface::Duplicate() const { return DuplicateAs(*this, "c3Dwatersurface"); }

void c3Dwatersurface::CopyTo(c3Dwatersurface* target) const {
  c3DoneMaterialMesh::CopyTo(target);
  CopyTracks(*this, *target);
  target->clipper = clipper;
  target->unitTrack = tracks::CloneOrNull(unitTrack);
  target->textureMultiplyerTrack = tracks::CloneOrNull(textureMultiplyerTrack);
  target->waveMultiplyerTrack = tracks::CloneOrNull(waveMultiplyerTrack);
  target->amplitudeTrack = tracks::CloneOrNull(amplitudeTrack);
  target->time = time;
  tracks::OrFailFor("water splash list!", [&] {
    target->splashes.reserve(splashes.size());
    return 0;
  });
  for (const t3Dwater_splash* splash : splashes)
    t3Dwater_splash::CopyFrom(splash, target->AddSplash());
}

}  // namespace VOXA2::threedee
