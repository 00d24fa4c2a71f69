// The small geometric value types of the 3D side.
//
// Matrices are 16 floats stored row by row, element (r, c) at 4r + c; a point p
// is the column (x, y, z, 1) and maps to M·p, so the translation is (m3, m7, m11)
// and a product A·B applies B first.
#pragma once

#include "foundation/basis.h"

namespace VOXA2::threedee {

struct Vector {
  float x, y, z;

  // Leaves the values unset, like a plain float; Vector{} is zero.
  Vector() = default;
  Vector(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

  void Set(float ax, float ay, float az) {
    x = ax;
    y = ay;
    z = az;
  }
  Vector& Copy(const Vector& other) {
    x = other.x;
    y = other.y;
    z = other.z;
    return *this;
  }
  Vector Scaled(float s) const { return {x * s, y * s, z * s}; }
  float Dot(const Vector& o) const { return x * o.x + y * o.y + z * o.z; }
  Vector operator+(const Vector& o) const { return {x + o.x, y + o.y, z + o.z}; }
  Vector operator-(const Vector& o) const { return {x - o.x, y - o.y, z - o.z}; }

  // Divides by the length, except that a vector whose squared length is 0 or
  // exactly 1.0 is left as it is.
  void Normalize();
};

static_assert(sizeof(Vector) == 3 * sizeof(float), "vertex lists are read as float triples");

// a × b, right-handed.
Vector Cross(const Vector& a, const Vector& b);

// A copy made unit length by Normalize's rule.
inline Vector Normalized(Vector v) {
  v.Normalize();
  return v;
}

// Maps the point p (w = 1) through M and divides by the resulting w.
Vector TransformPoint(const float* m, const Vector& p);

// One plane of a view volume: n·p + d = 0 with n = (a, b, c); a point with
// n·p + d > 0 lies outside.
class cPlane : public virtual basis::basisObject {
 public:
  float a, b, c, d;

  cPlane() = default;
  cPlane(float pa, float pb, float pc, float pd) : a(pa), b(pb), c(pc), d(pd) {}
  ~cPlane() override = default;

  // Replaces the plane by its image under the point matrix m, given the matrix
  // n that maps normals (the inverse transpose of m's 3x3 part, no
  // translation). The normal must not be zero.
  void Transform(const float* m, const float* n);
};

}  // namespace VOXA2::threedee
