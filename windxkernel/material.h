// The current material, the lights and the eight texture stages of the
// Direct3D device. The stages cache every state they sent, so repeating a
// setting costs no device call and no flush of queued triangles. Main
// thread only.
#pragma once

#include <cstdint>

#include "foundation/basis.h"
#include "windxkernel/texture.h"

namespace VOXA2::threedee {

struct DeviceMaterial {
  video::voxaTexture* textures[8];
  std::uint32_t ambient, diffuse, specular, emissive;  // 0xAARRGGBB
  float power;
};

struct DeviceLight {
  std::uint32_t type;  // 0 off, 1 directional, 2 point, 3 spot
  float position[3];
  float direction[3];
  std::uint32_t ambient, diffuse, specular;
  float range, falloff, theta, phi;
  float attenuation0, attenuation1, attenuation2;
};

// Argument indices: 0 current, 1 diffuse, 2 (no argument: 15), 3 texture,
// 4 factor, 5 specular.
struct tStageArgument {
  std::uint32_t value = 0;
  bool alphaReplicate = false;
  bool complement = false;
  tStageArgument& Set(std::uint32_t value, int alphaReplicate, int complement);
  bool operator==(const tStageArgument&) const = default;
};

// Operation indices 0-22 in the system's order (13 blend-current-alpha,
// 14 blend-texture-alpha-premultiplied).
struct tStageOperation {
  tStageArgument arg1;
  std::uint32_t operation = 0;
  tStageArgument arg2;
  bool operator==(const tStageOperation&) const = default;
};

// Addressing 0 wrap, 1 mirror, 2 clamp, 3 border; filters 0 point, 1 linear,
// 2 flat cubic, 3 Gaussian cubic, 4 anisotropic; mip filters 0 none, 1 point, 2 linear.
class TextureStage : public virtual basis::basisStruct {
 public:
  TextureStage() = default;
  TextureStage(const TextureStage&) = delete;
  TextureStage& operator=(const TextureStage&) = delete;
  ~TextureStage() override;

  virtual void Assign(const TextureStage& source);
  virtual void SetColorOp(const tStageOperation& op);
  virtual void SetAlphaOp(const tStageOperation& op);
  virtual void SetBumpEnvMat(int row, int column, float value);
  virtual void SetTexCoordIndex(std::uint32_t index);
  virtual void SetCameraSpaceNormal(bool on);
  virtual void SetTextureMatrix(const float* matrix);
  virtual void SetAddress(std::uint32_t mode);
  virtual void SetAddressU(std::uint32_t mode);
  virtual void SetAddressV(std::uint32_t mode);
  virtual void SetBorderColor(std::uint32_t color);
  virtual void SetMagFilter(std::uint32_t filter);
  virtual void SetMinFilter(std::uint32_t filter);
  virtual void SetMipFilter(std::uint32_t filter);
  virtual void SetMipMapLODBias(float bias);
  virtual void SetMaxMipLevel(std::uint32_t level);
  virtual void SetMaxAnisotropy(std::uint32_t anisotropy);
  virtual void SetBumpEnvLScale(float scale);
  virtual void SetBumpEnvLOffset(float offset);

  tStageOperation colorOp{};
  tStageOperation alphaOp{};
  float bumpMatrix[2][2] = {};
  std::uint32_t coordIndex = 0;
  bool cameraSpaceNormal = false;
  float* coordMatrix = nullptr;  // 16 floats, owned
  std::uint32_t addressU = 0, addressV = 0;
  std::uint32_t borderColor = 0;
  std::uint32_t magFilter = 0, minFilter = 0, mipFilter = 0;
  float lodBias = 0;
  std::uint32_t maxMipLevel = 0;
  std::uint32_t maxAnisotropy = 0;
  float bumpLScale = 0, bumpLOffset = 0;

 protected:
  void KeepMatrix(const float* matrix);
};

// A stage whose fields are the cache of what device stage `stage` holds.
class kernelTextureStage : public TextureStage {
 public:
  explicit kernelTextureStage(std::uint32_t stage);

  void Assign(const TextureStage& source) override;
  void SetColorOp(const tStageOperation& op) override;
  void SetAlphaOp(const tStageOperation& op) override;
  void SetBumpEnvMat(int row, int column, float value) override;
  void SetTexCoordIndex(std::uint32_t index) override;
  void SetCameraSpaceNormal(bool on) override;
  void SetTextureMatrix(const float* matrix) override;
  void SetAddress(std::uint32_t mode) override;
  void SetAddressU(std::uint32_t mode) override;
  void SetAddressV(std::uint32_t mode) override;
  void SetBorderColor(std::uint32_t color) override;
  void SetMagFilter(std::uint32_t filter) override;
  void SetMinFilter(std::uint32_t filter) override;
  void SetMipFilter(std::uint32_t filter) override;
  void SetMipMapLODBias(float bias) override;
  void SetMaxMipLevel(std::uint32_t level) override;
  void SetMaxAnisotropy(std::uint32_t anisotropy) override;
  void SetBumpEnvLScale(float scale) override;
  void SetBumpEnvLOffset(float offset) override;

  // Switches the stage off on the device; the cached operations stay.
  void Disable();

  bool enabled = true;
  std::uint32_t stage;

 private:
  void SendTransform(const float* matrix);
};

void SetMaterial(const DeviceMaterial* material);
void ResetTextureStages();
void SetLight(int index, const DeviceLight* light);
void DisableLight(int index);
void CreateTextureStages();
void DeleteTextureStages();
kernelTextureStage* GetTextureStage(int n);
void SetTextureStageOp(int n, const TextureStage* description);
void DisableTextureStage(int n);
bool ValidateTextureStages();
// Sends the cached operations of stage 0 and of the enabled stages after it
// again, after a caller went past the caches.
void RestoreStagesAfterProbe();

}  // namespace VOXA2::threedee
