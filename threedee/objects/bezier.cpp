#include "threedee/objects/bezier.h"

#include <cmath>
#include <new>

#include "foundation/allocate.h"
#include "threedee/scene/material.h"
#include "windxkernel/3dkernel.h"

namespace VOXA2::threedee {
namespace {

using VOXA::errors::eCouldNotAllocateMemoryFor;

float& Axis(Vector& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }
float Axis(const Vector& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

Vector Value3(cView3Di_position* track, float frame) {
  track->Evaluate(frame);
  return {track->GetValue(0), track->GetValue(1), track->GetValue(2)};
}

float* At(VertexArray* array, std::uint32_t offset, std::int32_t vertex) {
  return reinterpret_cast<float*>(array->data + static_cast<std::size_t>(array->pointer.stride) * vertex +
                                  offset);
}

}  // namespace

// ---- curves

void cBezierCurve::Setup(const Vector& p0, const Vector& p1, const Vector& p2, const Vector& p3,
                         std::int32_t n) {
  steps = n;
  h = 1.0f / static_cast<float>(n);
  h2 = h * h;
  h3 = h2 * h;
  for (int axis = 0; axis < 3; ++axis) {
    const float q0 = Axis(p0, axis), q1 = Axis(p1, axis), q2 = Axis(p2, axis), q3 = Axis(p3, axis);
    const float a = -q0 + 3 * q1 - 3 * q2 + q3;
    const float b = 3 * q0 - 6 * q1 + 3 * q2;
    const float c = 3 * q1 - 3 * q0;
    coefficients[axis][0] = a, coefficients[axis][1] = b, coefficients[axis][2] = c;
    differences[axis][0] = a * h3 + b * h2 + c * h;
    differences[axis][1] = 6 * a * h3 + 2 * b * h2;
    differences[axis][2] = 6 * a * h3;
  }
  current = p0;
}

Vector cBezierCurve::Step() {
  Vector next;
  for (int axis = 0; axis < 3; ++axis) {
    float* d = differences[axis];
    Axis(next, axis) = Axis(current, axis) + d[0];
    d[0] += d[1];
    d[1] += d[2];
  }
  current = next;
  return next;
}

void cBezierCurve::Fill(Vector* points) {
  for (std::int32_t e = steps; e >= 0; --e) {
    points[e] = current;
    Step();
  }
}

// ---- surfaces

c3Dbeziersurface::c3Dbeziersurface() {
  kind = kProcedural;
  vertexFormat.position = true;
  vertexFormat.normal = true;
  vertexFormat.textureSetCount = 1;
  vertexFormat.GetVertexSize();
  SetCorners({-1, -1, 0}, {-1, 1, 0}, {1, 1, 0}, {1, -1, 0});
}

c3Dbeziersurface::~c3Dbeziersurface() {
  for (auto* track : cornerTracks) delete track;
  for (auto* track : setTracks) delete track;
  for (auto* track : moveTracks) delete track;
  delete vertexArray;
}

void c3Dbeziersurface::SetCorners(const Vector& k1, const Vector& k2, const Vector& k3,
                                  const Vector& k4) {
  const Vector m12 = (k1 + k2).Scaled(0.5f), m23 = (k2 + k3).Scaled(0.5f);
  const Vector m34 = (k3 + k4).Scaled(0.5f), m41 = (k4 + k1).Scaled(0.5f);
  const Vector z = (k1 + k2 + k3 + k4).Scaled(0.25f);
  Vector* p = controlPoints;
  p[NetIndex(1, 1)] = k1;
  p[NetIndex(4, 1)] = k2;
  p[NetIndex(4, 4)] = k3;
  p[NetIndex(1, 4)] = k4;
  p[NetIndex(2, 1)] = (k1 + m12).Scaled(0.5f);
  p[NetIndex(3, 1)] = (m12 + k2).Scaled(0.5f);
  p[NetIndex(4, 2)] = (k2 + m23).Scaled(0.5f);
  p[NetIndex(4, 3)] = (m23 + k3).Scaled(0.5f);
  p[NetIndex(2, 4)] = (k3 + m34).Scaled(0.5f);
  p[NetIndex(3, 4)] = (m34 + k4).Scaled(0.5f);
  p[NetIndex(1, 2)] = (k4 + m41).Scaled(0.5f);
  p[NetIndex(1, 3)] = (m41 + k1).Scaled(0.5f);
  p[NetIndex(2, 2)] = (k1 + m12 + z + m41).Scaled(0.25f);
  p[NetIndex(3, 2)] = (k2 + m12 + z + m23).Scaled(0.25f);
  p[NetIndex(3, 3)] = (k3 + m34 + z + m23).Scaled(0.25f);
  p[NetIndex(2, 3)] = (k4 + m34 + z + m41).Scaled(0.25f);
}

void c3Dbeziersurface::SetControlPoints(const Vector* points) {
  for (int k = 0; k < 16; ++k) controlPoints[k] = points[k];
}

void c3Dbeziersurface::BuildTextureCoordinates(std::int32_t n) {
  if (!vertexArray || !vertexArray->Lock(0)) return;
  const float c = std::cos(texAngle), s = std::sin(texAngle);
  const float step = 1.0f / static_cast<float>(steps);
  for (std::int32_t i = 0; i <= steps; ++i)
    for (std::int32_t j = 0; j <= steps; ++j) {
      const float a = (static_cast<float>(i) * step - 0.5f) * texScaleU;
      const float b = (static_cast<float>(j) * step - 0.5f) * texScaleV;
      float* uv = At(vertexArray, vertexArray->pointer.textureCoords, i * n + j);
      uv[0] = a * c + b * s + (0.5f * texScaleU + texOffsetU);
      uv[1] = b * c - a * s + (0.5f * texScaleV + texOffsetV);
    }
  vertexArray->Unlock();
}

void c3Dbeziersurface::BuildStrip(std::int32_t n) {
  indexCount = 2 * n * steps - (steps - 1);
  try {
    indexList.assign(static_cast<std::size_t>(indexCount), 0);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("index list");
  }
  std::size_t out = 0;
  for (std::int32_t r = 0; r < steps; ++r)
    for (std::int32_t j = 0; j <= steps; ++j) {
      // The bands snake: even ones run from the last column back, odd ones forward.
      const std::int32_t column = r % 2 == 0 ? steps - j : j;
      indexList[out++] = static_cast<std::uint16_t>(r * n + column);
      if (j == steps && r != steps - 1) continue;
      indexList[out++] = static_cast<std::uint16_t>((r + 1) * n + column);
    }
}

bool c3Dbeziersurface::Tessellate(float frame, float time, float sinceStart, float fraction) {
  if (!c3DStemporary::Animate(frame, time, sinceStart, fraction)) return false;
  if (hidden) return true;

  // Mesh bounds from the net as it stood before this frame.
  Vector centre(0, 0, 0);
  for (const Vector& p : controlPoints) centre = centre + p;
  centre = centre.Scaled(0.0625f);
  for (int axis = 0; axis < 3; ++axis) {
    float extent = 0;
    for (const Vector& p : controlPoints) extent = std::fmax(extent, std::fabs(Axis(p, axis) - Axis(centre, axis)));
    meshValues[axis] = extent;
  }
  position = TransformPoint(world.m, centre);

  if (steps > kMaxSteps) steps = kMaxSteps;
  if (steps < 1) steps = 1;
  if (!material) return true;
  const std::int32_t n = steps + 1;
  const std::int32_t count = static_cast<std::uint16_t>(n * n);
  const int mapCount = material->MapCount();

  if (!vertexArray || vertexArray->vertexCount < count) {
    delete vertexArray;
    vertexArray = nullptr;
    if (mapCount >= 0 && mapCount <= 8) {
      vertexFormat.textureSetCount = static_cast<std::uint32_t>(mapCount);
      if (mapCount == 0) vertexFormat.diffuse = true;
      vertexFormat.GetVertexSize();
    }
    vertexArray = VertexArray::Create(true, count, vertexFormat);
  }
  if (count != builtVertexCount) {
    builtVertexCount = count;
    if (mapCount > 0) BuildTextureCoordinates(n);
    BuildStrip(n);
  }

  if (cornerTracks[0]) {
    Vector k[4];
    for (int c = 0; c < 4; ++c) k[c] = cornerTracks[c] ? Value3(cornerTracks[c], frame) : Vector(0, 0, 0);
    SetCorners(k[0], k[1], k[2], k[3]);
  }
  for (int k = 0; k < 16; ++k) {
    if (setTracks[k]) controlPoints[k] = Value3(setTracks[k], frame);
    if (moveTracks[k]) controlPoints[k] = controlPoints[k] + Value3(moveTracks[k], frame);
  }

  for (int c = 0; c < 4; ++c)
    curves[c].Setup(controlPoints[NetIndex(c + 1, 1)], controlPoints[NetIndex(c + 1, 2)],
                    controlPoints[NetIndex(c + 1, 3)], controlPoints[NetIndex(c + 1, 4)], steps);
  try {
    positions.resize(static_cast<std::size_t>(count));
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("vertex list");
  }
  for (std::int32_t i = 0; i <= steps; ++i) {
    cBezierCurve row(curves[0].current, curves[1].current, curves[2].current, curves[3].current, steps);
    row.Fill(&positions[static_cast<std::size_t>(i * n)]);
    for (cBezierCurve& curve : curves) curve.Step();
  }

  Vector low(3.4028235e38f, 3.4028235e38f, 3.4028235e38f);
  Vector high(-3.4028235e38f, -3.4028235e38f, -3.4028235e38f);
  for (const Vector& p : positions)
    for (int axis = 0; axis < 3; ++axis) {
      Axis(low, axis) = std::fmin(Axis(low, axis), Axis(p, axis));
      Axis(high, axis) = std::fmax(Axis(high, axis), Axis(p, axis));
    }
  for (int i = 0; i < 8; ++i)
    corners[i].Set(i & 4 ? high.x : low.x, i & 2 ? high.y : low.y, i & 1 ? high.z : low.z);
  center = (low + high).Scaled(0.5f);
  const Vector half = high - center;
  radius = std::sqrt(half.Dot(half));

  if (!vertexArray || !vertexArray->Lock(0)) return true;
  for (std::int32_t i = 0; i <= steps; ++i)
    for (std::int32_t j = 0; j <= steps; ++j) {
      const std::int32_t k = i * n + j;
      const std::int32_t up = i > 0 ? k - n : k, down = i < steps ? k + n : k;
      const std::int32_t left = j > 0 ? k - 1 : k, right = j < steps ? k + 1 : k;
      Vector normal = Cross(positions[up] - positions[down], positions[right] - positions[left]);
      const float squared = normal.Dot(normal);
      if (squared != 0.0f && squared != 1.0f) normal = normal.Scaled(1.0f / std::sqrt(squared));
      float* p = At(vertexArray, vertexArray->pointer.position, k);
      p[0] = positions[k].x, p[1] = positions[k].y, p[2] = positions[k].z;
      float* q = At(vertexArray, vertexArray->pointer.normal, k);
      q[0] = normal.x, q[1] = normal.y, q[2] = normal.z;
    }
  vertexArray->Unlock();
  return true;
}

bool c3Dbeziersurface::DrawGeometry() {
  if (!material || !vertexArray || indexCount == 0) return true;
  SetTransform(0, world.m);
  return material->DrawIndexed(4, vertexArray, indexList.data(), static_cast<std::uint32_t>(indexCount),
                               0, static_cast<std::uint32_t>(builtVertexCount - 1));
}

c3Dobject* c3Dbeziersurface::Duplicate() const { return DuplicateAs(*this, "c3Dbeziersurface"); }

void c3Dbeziersurface::CopyTo(c3Dbeziersurface* target) const {
  c3DoneMaterialMesh::CopyTo(target);
  CopyTracks(*this, *target);
  CopyBounds(*this, *target);
  target->steps = steps;
  target->SetControlPoints(controlPoints);
  target->texOffsetU = texOffsetU, target->texOffsetV = texOffsetV;
  target->texScaleU = texScaleU, target->texScaleV = texScaleV;
  target->texAngle = texAngle;
  for (int c = 0; c < 4; ++c) target->cornerTracks[c] = tracks::CloneOrNull(cornerTracks[c]);
  for (int k = 0; k < 16; ++k) {
    target->setTracks[k] = tracks::CloneOrNull(setTracks[k]);
    target->moveTracks[k] = tracks::CloneOrNull(moveTracks[k]);
  }
}

}  // namespace VOXA2::threedee
