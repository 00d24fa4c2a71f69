#include "windxkernel/material.h"

#include <cstring>
#include <memory>
#include <new>

#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "platform/d3d.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2::threedee {
namespace {

// Neutral: lit drawing after a reset shows its lights and vertex colours.
constexpr D3DMATERIAL7 kDefaultMaterial{{1, 1, 1, 1}, {1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0};
D3DMATERIAL7 keptMaterial = kDefaultMaterial;

std::unique_ptr<kernelTextureStage> stages[8];

// Maps coordinates in −1..1 to 0..1, v downwards (rows, for column vectors).
constexpr float kRemap[16] = {0.5f, 0, 0, 0.5f, 0, -0.5f, 0, 0.5f, 0, 0, 0, 1, 0, 0, 0, 1};

constexpr DWORD kArguments[6] = {D3DTA_CURRENT, D3DTA_DIFFUSE, D3DTA_SELECTMASK,
                                 D3DTA_TEXTURE, D3DTA_TFACTOR, D3DTA_SPECULAR};
constexpr DWORD kOperations[23] = {D3DTOP_SELECTARG1,
                                   D3DTOP_SELECTARG2,
                                   D3DTOP_MODULATE,
                                   D3DTOP_MODULATE2X,
                                   D3DTOP_MODULATE4X,
                                   D3DTOP_ADD,
                                   D3DTOP_ADDSIGNED,
                                   D3DTOP_ADDSIGNED2X,
                                   D3DTOP_SUBTRACT,
                                   D3DTOP_ADDSMOOTH,
                                   D3DTOP_BLENDDIFFUSEALPHA,
                                   D3DTOP_BLENDTEXTUREALPHA,
                                   D3DTOP_BLENDFACTORALPHA,
                                   D3DTOP_BLENDCURRENTALPHA,
                                   D3DTOP_BLENDTEXTUREALPHAPM,
                                   D3DTOP_PREMODULATE,
                                   D3DTOP_MODULATEALPHA_ADDCOLOR,
                                   D3DTOP_MODULATECOLOR_ADDALPHA,
                                   D3DTOP_MODULATEINVALPHA_ADDCOLOR,
                                   D3DTOP_MODULATEINVCOLOR_ADDALPHA,
                                   D3DTOP_BUMPENVMAP,
                                   D3DTOP_BUMPENVMAPLUMINANCE,
                                   D3DTOP_DOTPRODUCT3};
constexpr DWORD kAddress[4] = {D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR, D3DTADDRESS_CLAMP,
                               D3DTADDRESS_BORDER};
constexpr DWORD kMagFilter[5] = {D3DTFG_POINT, D3DTFG_LINEAR, D3DTFG_FLATCUBIC,
                                 D3DTFG_GAUSSIANCUBIC, D3DTFG_ANISOTROPIC};
constexpr DWORD kMinFilter[5] = {D3DTFN_POINT, D3DTFN_LINEAR, D3DTFN_LINEAR, D3DTFN_LINEAR,
                                 D3DTFN_ANISOTROPIC};
constexpr DWORD kMipFilter[3] = {D3DTFP_NONE, D3DTFP_POINT, D3DTFP_LINEAR};

// An index outside its table sends 0, which no device accepts as valid.
template <size_t N>
DWORD Map(const DWORD (&table)[N], std::uint32_t index) {
  return index < N ? table[index] : 0;
}

DWORD Argument(const tStageArgument& a) {
  return Map(kArguments, a.value) | (a.alphaReplicate ? D3DTA_ALPHAREPLICATE : 0) |
         (a.complement ? D3DTA_COMPLEMENT : 0);
}

IDirect3DDevice7* Device() { return kernel::d3dState.device; }

void Flush() {
  if (PrimitivesPending()) FlushPrimitives();
}

DWORD Bits(float f) {
  DWORD v;
  std::memcpy(&v, &f, sizeof v);
  return v;
}

D3DCOLORVALUE Colour(std::uint32_t c) {
  return D3DCOLORVALUE{((c >> 16) & 255) / 255.0f, ((c >> 8) & 255) / 255.0f, (c & 255) / 255.0f,
                       (c >> 24) / 255.0f};
}

// a × b for rows-times-columns matrices.
void Multiply(const float* a, const float* b, float* out) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += a[r * 4 + k] * b[k * 4 + c];
      out[r * 4 + c] = s;
    }
}

bool BitEqual(float a, float b) { return a == b; }

// Set while a new stage sends its defaults: every call reaches the device.
bool constructing = false;

}  // namespace

tStageArgument& tStageArgument::Set(std::uint32_t v, int replicate, int complementFlag) {
  value = v;
  alphaReplicate = replicate != 0;
  complement = complementFlag != 0;
  return *this;
}

// ------------------------------------------------------------ TextureStage

TextureStage::~TextureStage() { delete[] coordMatrix; }

void TextureStage::KeepMatrix(const float* matrix) {
  float* copy = nullptr;
  if (matrix) {
    copy = new (std::nothrow) float[16];
    if (!copy) throw new VOXA::errors::eCouldNotAllocateMemoryFor("texture coordinate matrix");
    std::memcpy(copy, matrix, 16 * sizeof(float));
  }
  delete[] coordMatrix;
  coordMatrix = copy;
}

void TextureStage::Assign(const TextureStage& s) {
  colorOp = s.colorOp;
  alphaOp = s.alphaOp;
  std::memcpy(bumpMatrix, s.bumpMatrix, sizeof bumpMatrix);
  coordIndex = s.coordIndex;
  cameraSpaceNormal = s.cameraSpaceNormal;
  addressU = s.addressU;
  addressV = s.addressV;
  borderColor = s.borderColor;
  magFilter = s.magFilter;
  minFilter = s.minFilter;
  mipFilter = s.mipFilter;
  lodBias = s.lodBias;
  maxMipLevel = s.maxMipLevel;
  maxAnisotropy = s.maxAnisotropy;
  bumpLScale = s.bumpLScale;
  bumpLOffset = s.bumpLOffset;
  SetTextureMatrix(s.coordMatrix);
}
void TextureStage::SetColorOp(const tStageOperation& op) { colorOp = op; }
void TextureStage::SetAlphaOp(const tStageOperation& op) { alphaOp = op; }
void TextureStage::SetBumpEnvMat(int row, int column, float value) {
  if (row >= 0 && row < 2 && column >= 0 && column < 2) bumpMatrix[row][column] = value;
}
void TextureStage::SetTexCoordIndex(std::uint32_t index) { coordIndex = index; }
void TextureStage::SetCameraSpaceNormal(bool on) { cameraSpaceNormal = on; }
void TextureStage::SetTextureMatrix(const float* matrix) {
  if (matrix != coordMatrix) KeepMatrix(matrix);
}
void TextureStage::SetAddress(std::uint32_t mode) { addressU = addressV = mode; }
void TextureStage::SetAddressU(std::uint32_t mode) { addressU = mode; }
void TextureStage::SetAddressV(std::uint32_t mode) { addressV = mode; }
void TextureStage::SetBorderColor(std::uint32_t color) { borderColor = color; }
void TextureStage::SetMagFilter(std::uint32_t filter) { magFilter = filter; }
void TextureStage::SetMinFilter(std::uint32_t filter) { minFilter = filter; }
void TextureStage::SetMipFilter(std::uint32_t filter) { mipFilter = filter; }
void TextureStage::SetMipMapLODBias(float bias) { lodBias = bias; }
void TextureStage::SetMaxMipLevel(std::uint32_t level) { maxMipLevel = level; }
void TextureStage::SetMaxAnisotropy(std::uint32_t anisotropy) { maxAnisotropy = anisotropy; }
void TextureStage::SetBumpEnvLScale(float scale) { bumpLScale = scale; }
void TextureStage::SetBumpEnvLOffset(float offset) { bumpLOffset = offset; }

// ------------------------------------------------------ kernelTextureStage

namespace {

void SendStage(std::uint32_t stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) {
  if (IDirect3DDevice7* d = Device()) d->SetTextureStageState(stage, state, value);
}

}  // namespace

kernelTextureStage::kernelTextureStage(std::uint32_t n) : stage(n) {
  const bool hardware = kernel::d3dState.hardwareRasterization != 0;
  constructing = true;
  tStageArgument texture, current;
  texture.Set(3, 0, 0);
  current.Set(0, 0, 0);
  SetColorOp(tStageOperation{texture, 0, current});
  SetColorOp(tStageOperation{texture, 2, current});
  SetAlphaOp(tStageOperation{texture, 0, current});
  SetAlphaOp(tStageOperation{texture, 2, current});
  enabled = n == 0;
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) {
      SetBumpEnvMat(r, c, 1.0f);
      SetBumpEnvMat(r, c, 0.0f);
    }
  SetTexCoordIndex(n ^ 1);
  SetTexCoordIndex(n);
  static constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  SetTextureMatrix(kIdentity);
  SetTextureMatrix(nullptr);
  SetCameraSpaceNormal(true);
  SetCameraSpaceNormal(false);
  SetAddress(2);
  SetAddress(0);
  SetBorderColor(1);
  SetBorderColor(0);
  SetMagFilter(hardware ? 0 : 1);
  SetMagFilter(hardware ? 1 : 0);
  SetMinFilter(hardware ? 0 : 1);
  SetMinFilter(hardware ? 1 : 0);
  SetMipFilter(1);
  SetMipFilter(0);
  SetMipMapLODBias(1.0f);
  SetMipMapLODBias(0.0f);
  SetMaxMipLevel(1);
  SetMaxMipLevel(0);
  SetMaxAnisotropy(0);
  SetMaxAnisotropy(1);
  SetBumpEnvLScale(1.0f);
  SetBumpEnvLScale(0.0f);
  SetBumpEnvLOffset(1.0f);
  SetBumpEnvLOffset(0.0f);
  constructing = false;
  if (n != 0) {
    enabled = true;
    Disable();
  }
}

void kernelTextureStage::Assign(const TextureStage& s) {
  SetColorOp(s.colorOp);
  SetAlphaOp(s.alphaOp);
  SetBumpEnvMat(0, 0, s.bumpMatrix[0][0]);
  SetBumpEnvMat(0, 1, s.bumpMatrix[0][1]);
  SetBumpEnvMat(1, 0, s.bumpMatrix[1][0]);
  SetBumpEnvMat(1, 1, s.bumpMatrix[1][1]);
  SetTexCoordIndex(s.coordIndex);
  SetTextureMatrix(s.coordMatrix);
  SetCameraSpaceNormal(s.cameraSpaceNormal);
  if (s.addressU == s.addressV) {
    SetAddress(s.addressU);
  } else {
    SetAddressU(s.addressU);
    SetAddressV(s.addressV);
  }
  SetBorderColor(s.borderColor);
  SetMagFilter(s.magFilter);
  SetMinFilter(s.minFilter);
  SetMipFilter(s.mipFilter);
  SetMipMapLODBias(s.lodBias);
  SetMaxMipLevel(s.maxMipLevel);
  SetMaxAnisotropy(s.maxAnisotropy);
  SetBumpEnvLScale(s.bumpLScale);
  SetBumpEnvLOffset(s.bumpLOffset);
  enabled = true;
}

void kernelTextureStage::SetColorOp(const tStageOperation& op) {
  if (!constructing && enabled && op == colorOp) return;
  Flush();
  SendStage(stage, D3DTSS_COLOROP, Map(kOperations, op.operation));
  SendStage(stage, D3DTSS_COLORARG1, Argument(op.arg1));
  SendStage(stage, D3DTSS_COLORARG2, Argument(op.arg2));
  colorOp = op;
  if (!enabled) {
    SetAlphaOp(alphaOp);  // still flagged off, so it is sent
    enabled = true;
  }
}

void kernelTextureStage::SetAlphaOp(const tStageOperation& op) {
  if (!constructing && enabled && op == alphaOp) return;
  Flush();
  SendStage(stage, D3DTSS_ALPHAOP, Map(kOperations, op.operation));
  SendStage(stage, D3DTSS_ALPHAARG1, Argument(op.arg1));
  SendStage(stage, D3DTSS_ALPHAARG2, Argument(op.arg2));
  alphaOp = op;
}

void kernelTextureStage::Disable() {
  if (!enabled) return;
  Flush();
  enabled = false;
  SendStage(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
  SendStage(stage, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}

// The common rule of the plain setters: skip an equal value, else flush,
// send and keep.
#define VOXA2_STAGE_SETTER(Name, Type, field, state, mapped) \
  void kernelTextureStage::Name(Type value) {                \
    if (!constructing && BitEqual(field, value)) return;     \
    Flush();                                                 \
    SendStage(stage, state, mapped);                         \
    field = value;                                           \
  }

namespace {
bool BitEqual(std::uint32_t a, std::uint32_t b) { return a == b; }
}  // namespace

VOXA2_STAGE_SETTER(SetBorderColor, std::uint32_t, borderColor, D3DTSS_BORDERCOLOR, value)
VOXA2_STAGE_SETTER(SetMagFilter, std::uint32_t, magFilter, D3DTSS_MAGFILTER, Map(kMagFilter, value))
VOXA2_STAGE_SETTER(SetMinFilter, std::uint32_t, minFilter, D3DTSS_MINFILTER, Map(kMinFilter, value))
VOXA2_STAGE_SETTER(SetMipFilter, std::uint32_t, mipFilter, D3DTSS_MIPFILTER, Map(kMipFilter, value))
VOXA2_STAGE_SETTER(SetMipMapLODBias, float, lodBias, D3DTSS_MIPMAPLODBIAS, Bits(value))
VOXA2_STAGE_SETTER(SetMaxMipLevel, std::uint32_t, maxMipLevel, D3DTSS_MAXMIPLEVEL, value)
VOXA2_STAGE_SETTER(SetMaxAnisotropy, std::uint32_t, maxAnisotropy, D3DTSS_MAXANISOTROPY, value)
VOXA2_STAGE_SETTER(SetBumpEnvLScale, float, bumpLScale, D3DTSS_BUMPENVLSCALE, Bits(value))
VOXA2_STAGE_SETTER(SetBumpEnvLOffset, float, bumpLOffset, D3DTSS_BUMPENVLOFFSET, Bits(value))
VOXA2_STAGE_SETTER(SetAddressU, std::uint32_t, addressU, D3DTSS_ADDRESSU, Map(kAddress, value))
VOXA2_STAGE_SETTER(SetAddressV, std::uint32_t, addressV, D3DTSS_ADDRESSV, Map(kAddress, value))
#undef VOXA2_STAGE_SETTER

void kernelTextureStage::SetBumpEnvMat(int row, int column, float value) {
  if (row < 0 || row > 1 || column < 0 || column > 1) return;
  float& field = bumpMatrix[row][column];
  if (!constructing && field == value) return;
  Flush();
  SendStage(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(D3DTSS_BUMPENVMAT00 + 2 * row + column),
            Bits(value));
  field = value;
}

void kernelTextureStage::SetAddress(std::uint32_t mode) {
  if (!constructing && addressU == mode && addressV == mode) return;
  Flush();
  SendStage(stage, D3DTSS_ADDRESSU, Map(kAddress, mode));
  SendStage(stage, D3DTSS_ADDRESSV, Map(kAddress, mode));
  addressU = addressV = mode;
}

void kernelTextureStage::SetTexCoordIndex(std::uint32_t index) {
  if (!constructing && coordIndex == index) return;
  Flush();
  SendStage(stage, D3DTSS_TEXCOORDINDEX,
            index | (cameraSpaceNormal ? D3DTSS_TCI_CAMERASPACENORMAL : 0));
  coordIndex = index;
}

void kernelTextureStage::SendTransform(const float* m) {
  IDirect3DDevice7* d = Device();
  if (!d) return;
  D3DMATRIX t;
  float* out = &t._11;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) out[c * 4 + r] = m[r * 4 + c];
  d->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(D3DTRANSFORMSTATE_TEXTURE0 + stage), &t);
}

void kernelTextureStage::SetCameraSpaceNormal(bool on) {
  if (!constructing && cameraSpaceNormal == on) return;
  Flush();
  SendStage(stage, D3DTSS_TEXCOORDINDEX, coordIndex | (on ? D3DTSS_TCI_CAMERASPACENORMAL : 0));
  if (on) {
    SendStage(stage, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    if (coordMatrix) {
      float product[16];
      Multiply(coordMatrix, kRemap, product);
      SendTransform(product);
    } else {
      SendTransform(kRemap);
    }
  } else if (coordMatrix) {
    SendStage(stage, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    SendTransform(coordMatrix);
  } else {
    SendStage(stage, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
  }
  cameraSpaceNormal = on;
}

void kernelTextureStage::SetTextureMatrix(const float* m) {
  if (!constructing && m == coordMatrix) return;
  Flush();
  if (m) {
    SendStage(stage, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    if (cameraSpaceNormal) {
      float product[16];
      Multiply(m, kRemap, product);
      SendTransform(product);
    } else {
      SendTransform(m);
    }
  } else if (cameraSpaceNormal) {
    SendStage(stage, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    SendTransform(kRemap);
  } else {
    SendStage(stage, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
  }
  if (m != coordMatrix) KeepMatrix(m);
}

// ------------------------------------------------------------- operations

void SetMaterial(const DeviceMaterial* material) {
  Flush();
  if (!material) {
    ResetTextureStages();
    return;
  }
  keptMaterial.diffuse = Colour(material->diffuse);
  keptMaterial.ambient = Colour(material->ambient);
  keptMaterial.specular = Colour(material->specular);
  keptMaterial.emissive = Colour(material->emissive);
  keptMaterial.power = material->power;
  IDirect3DDevice7* d = Device();
  for (std::uint32_t n = 0; n < 8; ++n) {
    if (material->textures[n])
      material->textures[n]->Bind(n);
    else if (d)
      d->SetTexture(n, nullptr);
  }
  if (d) d->SetMaterial(&keptMaterial);
}

void ResetTextureStages() {
  IDirect3DDevice7* d = Device();
  if (!d) return;
  for (DWORD n = 0; n < 8; ++n) d->SetTexture(n, nullptr);
  keptMaterial = kDefaultMaterial;
  d->SetMaterial(&keptMaterial);
}

void SetLight(int index, const DeviceLight* light) {
  Flush();
  IDirect3DDevice7* d = Device();
  if (index < 0 || !d) return;
  const auto i = static_cast<DWORD>(index);
  // Type 0 turns the light off; so does a type we do not know.
  if (!light || light->type == 0 || light->type > 3) {
    d->LightEnable(i, FALSE);
    return;
  }
  static constexpr D3DLIGHTTYPE kTypes[4] = {D3DLIGHT_DIRECTIONAL, D3DLIGHT_DIRECTIONAL,
                                             D3DLIGHT_POINT, D3DLIGHT_SPOT};
  D3DLIGHT7 l{};
  l.dltType = kTypes[light->type];
  l.dcvDiffuse = Colour(light->diffuse);
  l.dcvSpecular = Colour(light->specular);
  l.dcvAmbient = Colour(light->ambient);
  l.dvPosition = D3DVECTOR{light->position[0], light->position[1], light->position[2]};
  l.dvDirection = D3DVECTOR{light->direction[0], light->direction[1], light->direction[2]};
  l.dvRange = light->range;
  l.dvFalloff = light->falloff;
  l.dvAttenuation0 = light->attenuation0;
  l.dvAttenuation1 = light->attenuation1;
  l.dvAttenuation2 = light->attenuation2;
  l.dvTheta = light->theta;
  l.dvPhi = light->phi;
  d->SetLight(i, &l);
  d->LightEnable(i, TRUE);
}

void DisableLight(int index) {
  Flush();
  if (index < 0 || !Device()) return;
  Device()->LightEnable(static_cast<DWORD>(index), FALSE);
}

void CreateTextureStages() {
  for (std::uint32_t n = 0; n < 8; ++n) {
    stages[n].reset();
    auto* s = VOXA::errors::NewOrThrow<kernelTextureStage>("kernelTextureStage", n);
    stages[n].reset(s);
  }
}

void DeleteTextureStages() {
  for (auto& s : stages) s.reset();
}

kernelTextureStage* GetTextureStage(int n) {
  if (n < 0 || n > 7 || !stages[n] || !stages[n]->enabled) return nullptr;
  return stages[n].get();
}

void SetTextureStageOp(int n, const TextureStage* description) {
  if (n < 0 || n > 7 || !stages[n]) return;
  if (!description) {
    DisableTextureStage(n);
    return;
  }
  stages[n]->Assign(*description);
}

void DisableTextureStage(int n) {
  if (n < 0 || n > 7 || !stages[n]) return;
  // Direct3D stops at the first disabled stage: keep every stage below on.
  for (int k = 0; k < n; ++k)
    if (stages[k] && !stages[k]->enabled) stages[k]->SetColorOp(stages[k]->colorOp);
  stages[n]->Disable();
}

void RestoreStagesAfterProbe() {
  if (!stages[0]) return;
  const kernelTextureStage& s0 = *stages[0];
  SendStage(0, D3DTSS_COLOROP,
            s0.enabled ? Map(kOperations, s0.colorOp.operation) : D3DTOP_DISABLE);
  SendStage(0, D3DTSS_COLORARG1, Argument(s0.colorOp.arg1));
  SendStage(0, D3DTSS_COLORARG2, Argument(s0.colorOp.arg2));
  SendStage(0, D3DTSS_ALPHAOP, Map(kOperations, s0.alphaOp.operation));
  SendStage(0, D3DTSS_ALPHAARG1, Argument(s0.alphaOp.arg1));
  SendStage(0, D3DTSS_ALPHAARG2, Argument(s0.alphaOp.arg2));
  for (std::uint32_t n = 1; n < 8 && stages[n] && stages[n]->enabled; ++n) {
    SendStage(n, D3DTSS_COLOROP, Map(kOperations, stages[n]->colorOp.operation));
    SendStage(n, D3DTSS_ALPHAOP, Map(kOperations, stages[n]->alphaOp.operation));
  }
}

bool ValidateTextureStages() {
  IDirect3DDevice7* d = Device();
  if (!d) return false;
  DWORD passes = 0;
  HRESULT r = d->ValidateDevice(&passes);
  switch (r) {
    case D3D_OK:
      break;
    case D3DERR_WRONGTEXTUREFORMAT:
      LogMessage(5, "      Incompatible texture formats");
      break;
    case D3DERR_UNSUPPORTEDCOLOROPERATION:
      LogMessage(5, "      Unsupported color op");
      break;
    case D3DERR_UNSUPPORTEDCOLORARG:
      LogMessage(5, "      Unsupported color arg");
      break;
    case D3DERR_UNSUPPORTEDALPHAOPERATION:
      LogMessage(5, "      Unsupported alpha op");
      break;
    case D3DERR_UNSUPPORTEDALPHAARG:
      LogMessage(5, "      Unsupported alpha arg");
      break;
    case D3DERR_TOOMANYOPERATIONS:
      LogMessage(5, "      Too many texture ops");
      break;
    default:
      LogMessage(5, "      Using DX5 driver (%08X, %s)", static_cast<unsigned>(r),
                 kernel::D3DErrorName(r));
      break;
  }
  return r >= 0;
}

}  // namespace VOXA2::threedee
