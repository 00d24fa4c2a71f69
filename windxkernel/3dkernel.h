// The 3D device layer's life cycle on a device (start-up to the default
// state, release, a change of device), its scene bracket and transforms: the
// kept copies of the world, view and projection matrices that the layer's own
// arithmetic reads (fog distances, projection to the screen). Main thread only.
#pragma once

#include <cstdint>

namespace VOXA2::threedee {

// 16 floats in rows, multiplying column vectors (translation in 3, 7 and 11).
struct Matrix4 {
  float m[16];

  // The inverse of an affine matrix (bottom row taken as 0, 0, 0, 1). A
  // singular matrix (determinant 0, or too small to divide by) gives the zero
  // map: zero 3x3 block and translation, bottom row 0, 0, 0, 1.
  static Matrix4& Invert(Matrix4& out, const Matrix4& m);
  // The transpose of the inverse of the upper 3x3 block, without translation:
  // the matrix that transforms normals. Singular: as Invert.
  static Matrix4& InvertRotation(Matrix4& out, const Matrix4& m);
};

extern const Matrix4 identityMatrix;

// Types 0-3 world matrices, 4-7 kept only, 256 view, 272 projection.
constexpr std::uint32_t kTransformView = 256;
constexpr std::uint32_t kTransformProjection = 272;

void SetTransform(std::uint32_t type, const float* m);
float* GetTransform(float* out, std::uint32_t type);

void Init3DKernel();
void Setup3DDevice();
void Release3DKernel();
bool Apply3DSettings();
// Starts the layer on the chosen device also when there is none: after a
// failed Apply3DSettings, which leaves the layer without a device.
bool Restart3DDevice();

class voxaOption;
// 0: the device option; 1: the W-buffer option when the device can W-buffer.
voxaOption* GetThreedeeOption(std::uint32_t index);

bool BeginScene();
void EndScene();

// The 3D device that the next device start selects (written by the "3D device:" option).
extern std::int32_t chosenDeviceIndex;

}  // namespace VOXA2::threedee
