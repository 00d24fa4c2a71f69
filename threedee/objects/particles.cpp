#include "threedee/objects/particles.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numbers>

#include "foundation/errors.h"
#include "foundation/numeric.h"
#include "foundation/random.h"
#include "threedee/scene/cameras.h"
#include "threedee/scene/material.h"
#include "threedee/scene/renderstage.h"
#include "threedee/scene/scene.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/material.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/vertexarray.h"
#include "windxkernel/video.h"
#include "windxkernel/viewport.h"

namespace VOXA2::threedee {
namespace {

// The screen vertex format as the arrays lay it out.
struct tParticleVertex {
  float x, y, z, rhw;
  std::uint32_t diffuse;
  float u, v;
};
static_assert(sizeof(tParticleVertex) == 28);

tParticleVertex* Vertices(VertexArray* array) {
  return reinterpret_cast<tParticleVertex*>(array->data);
}

void Multiply(float* out, const float* a, const float* b) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      float sum = 0;
      for (int k = 0; k < 4; ++k) sum += a[4 * r + k] * b[4 * k + c];
      out[4 * r + c] = sum;
    }
}

void SetBlending(std::int32_t mode) {
  switch (mode) {
    case c3Dparticle_system::kAdditive:
      SetRenderMode(5, 0, kBlendSrcAlpha);
      SetRenderMode(5, 1, kBlendOne);
      break;
    case c3Dparticle_system::kBlended:
    case c3Dparticle_system::kBlendedToo:
      SetRenderMode(5, 0, kBlendSrcAlpha);
      SetRenderMode(5, 1, kBlendInvSrcAlpha);
      break;
    case c3Dparticle_system::kMultiplying:
      SetRenderMode(5, 0, kBlendZero);
      SetRenderMode(5, 1, kBlendSrcColor);
      break;
    default:
      break;
  }
}

void SetUpStages(video::voxaTexture* texture) {
  DisableTextureStage(1);
  kernelTextureStage* stage = GetTextureStage(0);
  if (stage) {
    stage->SetColorOp(StageOp(kArgTexture, kOpModulate, kArgDiffuse));
    stage->SetAlphaOp(StageOp(kArgTexture, kOpModulate, kArgDiffuse));
    stage->SetTexCoordIndex(0);
    stage->SetCameraSpaceNormal(false);
    stage->SetTextureMatrix(nullptr);
    stage->SetAddressU(2);
    stage->SetAddressV(2);
  }
  DeviceMaterial material{};
  material.textures[0] = texture;
  SetMaterial(&material);
  ForgetDeviceState();
}

// Particles are unlit: the scene's lights give their device slots back.
void ReleaseLights(c3Dscene* scene) {
  if (!scene) return;
  for (c3Dlight* light : scene->lights) {
    if (!light || light->deviceLight < 0) continue;
    DisableLight(light->deviceLight);
    if (light->deviceLight < 8) scene->deviceLightSlots[light->deviceLight] = false;
    light->deviceLight = -1;
  }
}

}  // namespace

void tParticleLook::Generate(tParticle& p) const {
  p.size = sizeMinimum + RandomFraction() * (sizeMaximum - sizeMinimum);
  p.blue = blue + RandomFraction() * blueRandom;
  p.green = green + RandomFraction() * greenRandom;
  p.red = red + RandomFraction() * redRandom;
}

c3Dparticle_system::c3Dparticle_system() {
  kind = kParticleSystem;
  const VertexFormat format = ScreenVertexFormat();
  for (VertexArray*& array : arrays) {
    array = VertexArray::Create(true, kArrayVertices, format);
    if (!array || !array->Lock(1)) continue;
    // The corners' texture coordinates never change.
    tParticleVertex* v = Vertices(array);
    for (std::int32_t k = 0; k + 2 < kArrayVertices; k += 3) {
      v[k].u = 0, v[k].v = 0;
      v[k + 1].u = 1, v[k + 1].v = 0;
      v[k + 2].u = 0.5f, v[k + 2].v = 1;
    }
    array->Unlock();
  }
}

c3Dparticle_system::~c3Dparticle_system() {
  for (VertexArray*& array : arrays) {
    delete array;
    array = nullptr;
  }
  c3Dparticle_system::AllocateParticles(0);
}

bool c3Dparticle_system::AllocateParticles(std::int32_t n) {
  if (n < 0) n = 0;
  try {
    if (n > kMostParticles) throw std::bad_alloc();
    particles.resize(static_cast<std::size_t>(n), tParticle{});
    if (n == 0) particles.shrink_to_fit();
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("particle budget!");
  }
  first = 0;
  count = n;
  last = n - 1;
  return true;
}

void c3Dparticle_system::CopyTo(c3Dparticle_system* copy) const {
  c3DStemporary::CopyTo(copy);
  copy->AllocateParticles(Capacity());
  std::copy(particles.begin(), particles.end(), copy->particles.begin());
  copy->texture = texture;
}

c3Dobject* c3Dparticle_system::Duplicate() const {
  return DuplicateAs(*this, "c3Dparticle_system");
}

void c3Dparticle_system::FlushBatch() {
  VertexArray* array = arrays[currentArray];
  if (!array || verticesLeft >= array->vertexCount) return;
  array->Unlock();
  DrawPrimitive(3, array, 0, static_cast<std::uint32_t>(array->vertexCount - verticesLeft - 1));
  currentArray ^= 1;
  VertexArray* next = arrays[currentArray];
  if (next) next->Lock(1);
  verticesLeft = next ? next->vertexCount : 0;
}

bool c3Dparticle_system::RenderParticles(bool recurse) {
  if (!c3Dobject::Render(recurse)) return false;
  if (hidden || values[0] == 0 || alphaMultiplier == 0.0f || count == 0) return true;
  if (!arrays[0] || !arrays[1]) return true;

  SetBlending(blendMode);
  SetRenderMode(3, 0);     // flat
  SetRenderMode(4, 0);     // no culling
  SetRenderMode(1, 1, 0);  // no Z writes; the Z test stays the caller's
  SetUpStages(texture);
  ReleaseLights(scene);

  float view[16], projection[16], eyeFromObject[16], f[16];
  GetTransform(view, kTransformView);
  GetTransform(projection, kTransformProjection);
  Multiply(eyeFromObject, view, world.m);
  Multiply(f, projection, eyeFromObject);

  const float hw = static_cast<float>(GetViewportWidth()) * 0.5f;
  const float hh = static_cast<float>(GetViewportHeight()) * 0.5f;
  const float cx = static_cast<float>(GetViewportLeft() + screenInfo.windowLeft) + hw;
  const float cy = static_cast<float>(GetViewportTop() + screenInfo.windowTop) + hh;
  // The corners keep the 4:3 stretch of their era; the centres follow the
  // device's own mapping, so particles stay on their emitter as the camera
  // moves.
  const float vs = hh * (-4.0f / 3.0f);
  float dx[3], dy[3];
  for (int k = 0; k < 3; ++k) {
    const float a =
        std::numbers::pi_v<float> / 3 + static_cast<float>(k) * 2 * std::numbers::pi_v<float> / 3;
    dx[k] = 0.5f * std::sin(a) * projection[0] * hw;
    dy[k] = 0.5f * std::cos(a) * projection[5] * vs;
  }

  VertexArray* array = arrays[currentArray];
  array->Lock(1);
  verticesLeft = array->vertexCount;
  const std::int32_t end = std::min(last, Capacity() - 1);
  for (std::int32_t i = std::max(first, 0); i <= end; ++i) {
    const tParticle& p = particles[static_cast<std::size_t>(i)];
    if (!p.alive) continue;
    const float q[4] = {p.position.x, p.position.y, p.position.z, 1.0f};
    float c[4];
    for (int r = 0; r < 4; ++r)
      c[r] = f[4 * r] * q[0] + f[4 * r + 1] * q[1] + f[4 * r + 2] * q[2] + f[4 * r + 3] * q[3];
    const float X = c[0], Y = c[1], Z = c[2], W = c[3];
    if (!(W > 0) || static_cast<float>(std::abs(TruncToInt(X))) > W ||
        static_cast<float>(std::abs(TruncToInt(Y))) > W || !(Z > 0) || Z > W)
      continue;
    const float r = 1.0f / W;
    const float sx = r * hw * X + cx;
    const float sy = cy - r * hh * Y;
    const float z = r * Z;
    const float s = p.size * r;
    if (verticesLeft < 3) {
      FlushBatch();
      if (verticesLeft < 3) break;
    }
    // Script colours reach 300 and more ("color 200 random 100"): each channel
    // is limited, so an excess never spills into the next byte.
    const std::uint32_t colour = PackArgb(p.alpha * alphaMultiplier, p.red * redMultiplier,
                                          p.green * greenMultiplier, p.blue * blueMultiplier);
    VertexArray* current = arrays[currentArray];
    tParticleVertex* v = Vertices(current) + (current->vertexCount - verticesLeft);
    for (int k = 2; k >= 0; --k, ++v) {
      v->x = sx + s * dx[k];
      v->y = sy + s * dy[k];
      v->z = z;
      v->rhw = r;
      v->diffuse = colour;
    }
    verticesLeft -= 3;
  }
  FlushBatch();
  if (arrays[currentArray]) arrays[currentArray]->Unlock();
  SetRenderMode(1, 1, 1);
  return true;
}

}  // namespace VOXA2::threedee
