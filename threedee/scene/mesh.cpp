#include "threedee/scene/mesh.h"

#include <algorithm>
#include <cmath>

#include "threedee/scene/cameras.h"
#include "threedee/scene/material.h"
#include "threedee/scene/scene.h"
#include "threedee/scene/view.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/material.h"

namespace VOXA2::threedee {
namespace {

// Only compared with: the mesh whose lights the device holds now.
const c3Dmesh* lastLitMesh = nullptr;

// The largest factor by which the 3x3 part of the row-major matrix m stretches
// a vector: the square root of the largest eigenvalue of AᵀA.
double LargestStretch(const float* m) {
  double a[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) a[r][c] = m[4 * r + c];
  double b[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) b[i][j] = a[0][i] * a[0][j] + a[1][i] * a[1][j] + a[2][i] * a[2][j];
  const double off = b[0][1] * b[0][1] + b[0][2] * b[0][2] + b[1][2] * b[1][2];
  double largest;
  if (off == 0.0) {
    largest = std::max({b[0][0], b[1][1], b[2][2]});
  } else {
    // The closed form for the eigenvalues of a symmetric 3x3 matrix.
    const double q = (b[0][0] + b[1][1] + b[2][2]) / 3;
    const double p2 = (b[0][0] - q) * (b[0][0] - q) + (b[1][1] - q) * (b[1][1] - q) +
                      (b[2][2] - q) * (b[2][2] - q) + 2 * off;
    const double p = std::sqrt(p2 / 6);
    double c[3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) c[i][j] = (b[i][j] - (i == j ? q : 0)) / p;
    const double det = c[0][0] * (c[1][1] * c[2][2] - c[1][2] * c[2][1]) -
                       c[0][1] * (c[1][0] * c[2][2] - c[1][2] * c[2][0]) +
                       c[0][2] * (c[1][0] * c[2][1] - c[1][1] * c[2][0]);
    const double phi = std::acos(std::clamp(det / 2, -1.0, 1.0)) / 3;
    largest = q + 2 * p * std::cos(phi);
  }
  return std::sqrt(std::max(largest, 0.0));
}

Vector ToWorld(const float* m, const Vector& p) {
  return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
          m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]};
}

}  // namespace

void c3Dmesh::ForgetLastLitMesh() { lastLitMesh = nullptr; }

bool c3Dmesh::Render(bool recurse) {
  if (!c3Dobject::Render(recurse)) return false;
  skip = true;
  if (hidden || values[0] == 0) return true;
  if (TestVisibility() == 0) return true;
  SetUpLights();
  skip = false;
  return true;
}

void c3Dmesh::ReplaceMaterial(cMaterial*, cMaterial*) {}

void c3Dmesh::SetUpLights() {
  if (lastLitMesh == this) return;
  lastLitMesh = this;
  if (!scene) return;
  const int count = static_cast<int>(scene->lights.size());
  for (int i = 0; i < count; ++i) {
    c3Dlight* light = scene->lights[i];
    if (!light) continue;
    if (light->hidden || light->values[0] != 1) {
      if (light->deviceLight >= 0) {
        scene->deviceLightSlots[light->deviceLight] = false;
        DisableLight(light->deviceLight);
        light->deviceLight = -1;
      }
      continue;
    }
    light->multiplier = light->GetMultiplier(this);
    if (light->deviceLight != -1) continue;
    // Type 0 until the light describes itself: a light that only sets the
    // ambient colour leaves its slot switched off rather than undefined.
    DeviceLight record{};
    light->GetLightDescription(record);
    int slot = 0;
    while (slot < 8 && scene->deviceLightSlots[slot]) ++slot;
    if (slot == 8) {
      LogMessage(5, " Could not set up light #%i (%s)!!!", i,
                 light->GetName() ? light->GetName() : "(null)");
      return;
    }
    light->deviceLight = slot;
    scene->deviceLightSlots[slot] = true;
    SetLight(slot, &record);
  }
}

c3Dobject* c3Dmesh::Duplicate() const { return DuplicateAs(*this, "c3Dmesh"); }

void c3Dmesh::CopyTo(c3Dmesh* target) const {
  c3Dobject::CopyTo(target);
  target->position = position;
  for (int i = 0; i < 3; ++i) target->meshValues[i] = meshValues[i];
}

// ---- bounded meshes

c3DfiniteMesh::c3DfiniteMesh() {
  for (Vector& corner : corners) corner.Set(0, 0, 0);
}

std::uint16_t c3DfiniteMesh::ClassifySphere(const Vector& center, float radius,
                                            const cFustrum& fustrum) {
  static constexpr int kOrder[6] = {2, 3, 4, 5, 1, 0};
  std::uint16_t mask = 0;
  for (int k = 0; k < 6; ++k) {
    const cPlane& plane = fustrum.planes[kOrder[k]];
    const float s = plane.a * center.x + plane.b * center.y + plane.c * center.z + plane.d;
    if (s <= 0) continue;
    if (s > radius) return 0xFFFF;
    mask |= static_cast<std::uint16_t>(1u << k);
  }
  return mask;
}

std::int32_t TestBoxVisibility(const Vector corners[8], const Vector& center, float radius,
                               const float* world, const cFustrum& fustrum) {
  if (radius <= 0) return 1;
  const Vector d = corners[7] - center;
  const float length = std::sqrt(d.Dot(d));
  // Every vertex lies within length + radius of each corner; the matrix
  // stretches that distance at most by its largest singular value, so no
  // sphere leaves out a vertex, whatever the scale along each axis.
  const float testRadius = static_cast<float>(LargestStretch(world) * (length + radius));
  std::uint16_t all = 0xFFFF, any = 0;
  for (int i = 0; i < 8; ++i) {
    const Vector corner((i & 4 ? corners[7] : corners[0]).x, (i & 2 ? corners[7] : corners[0]).y,
                        (i & 1 ? corners[7] : corners[0]).z);
    const std::uint16_t mask =
        c3DfiniteMesh::ClassifySphere(ToWorld(world, corner), testRadius, fustrum);
    if (mask == 0xFFFF) return 0;
    all &= mask;
    any |= mask;
  }
  if (all != 0) return 0;
  return any == 0 ? 2 : 1;
}

std::int32_t c3DfiniteMesh::TestVisibility() {
  if (radius <= 0) return 1;
  cSceneView* view = currentView ? *currentView : nullptr;
  if (!view) return 1;
  return TestBoxVisibility(corners, center, radius, world.m, view->fustrum);
}

c3Dobject* c3DfiniteMesh::Duplicate() const { return DuplicateAs(*this, "c3DfiniteMesh"); }

void c3DfiniteMesh::CopyTo(c3DfiniteMesh* target) const {
  c3Dmesh::CopyTo(target);
  CopyBounds(*this, *target);
}

void c3DfiniteMesh::CopyBounds(const c3DfiniteMesh& source, c3DfiniteMesh& destination) {
  destination.center = source.center;
  destination.radius = source.radius;
  for (int i = 0; i < 8; ++i) destination.corners[i] = source.corners[i];
}

// ---- one-material meshes

bool c3DoneMaterialMesh::Render(bool recurse) {
  if (!c3Dmesh::Render(recurse)) return false;
  if (skip) return true;
  if (!material) return false;
  material->Prepare();
  material->DrawMesh(this);
  return true;
}

void c3DoneMaterialMesh::ReplaceMaterial(cMaterial* oldMaterial, cMaterial* newMaterial) {
  if (material == oldMaterial) material = newMaterial;
}

c3Dobject* c3DoneMaterialMesh::Duplicate() const {
  return DuplicateAs(*this, "c3DoneMaterialMesh");
}

void c3DoneMaterialMesh::CopyTo(c3DoneMaterialMesh* target) const {
  c3Dmesh::CopyTo(target);
  target->material = material;
}

void c3DoneMaterialMesh::SetScene(c3Dscene* newScene) {
  c3Dobject::SetScene(newScene);
  if (material) material = newScene ? newScene->FindMaterial(material->GetName()) : nullptr;
}

}  // namespace VOXA2::threedee
