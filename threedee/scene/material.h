// Materials: how the surfaces of meshes are drawn. Once a frame a material
// picks its device template from its opacity and maps, copies the template's
// passes and writes its colours, opacity, amounts and textures into them;
// meshes then prepare the material and draw through it, at once or, for a
// transparent material, deferred to the view's render batch.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/basis.h"
#include "threedee/scene/map.h"
#include "threedee/scene/renderstage.h"
#include "threedee/scene/steptracks.h"
#include "threedee/scene/valuetracks.h"

namespace VOXA2 {
class cVOXAdatacollector;
}

namespace VOXA2::threedee {

class c3Dscene;
class cSceneView;
class VertexArray;
class cOBSTriMesh;
class c3DoneMaterialMesh;

// Each channel × its factor (alpha × 1), limited to 0..1 and cut to a byte.
std::uint32_t ModulateColor(std::uint32_t color, float red, float green, float blue);
// 0xFF000000 | the three components (0..1, limited) × 255 cut to bytes.
std::uint32_t PackColor(const float* rgb);
// A8R8G8B8 from four values on the scale 0..255, each cut toward zero and
// limited to 0..255.
std::uint32_t PackArgb(float alpha, float red, float green, float blue);

class cMaterial : public virtual basis::basisObject {
 public:
  enum : int { kTextureMap = 0, kSecondTextureMap = 1, kEnvironmentMap = 2, kMapSlots = 4 };
  enum : std::int32_t { kAdditive = 0, kMixing = 1, kSubtractive = 2, kFilter = 3 };

  cMaterial();
  cMaterial(const cMaterial&) = delete;
  cMaterial& operator=(const cMaterial&) = delete;
  ~cMaterial() override;

  virtual bool Prepare();
  virtual bool Update(float frame);
  // A render mesh or a one-material mesh drawn now, or handed to the view's
  // batch; replayed from the batch, the mesh's lights and world transform are
  // set up again first.
  virtual bool DrawRenderMesh(cOBSTriMesh* mesh);
  virtual bool DrawMesh(c3DoneMaterialMesh* mesh);
  virtual bool DrawPrimitive(std::uint32_t kind, VertexArray* vertices, std::uint32_t first,
                             std::uint32_t last);
  virtual bool DrawIndexed(std::uint32_t kind, VertexArray* vertices, std::uint16_t* indices,
                           std::uint32_t count, std::uint32_t first, std::uint32_t last);
  virtual bool IsTransparent() const { return transparent; }
  // A copy with a new id, no scene and no passes; its maps share the textures.
  virtual cMaterial* Clone() const;
  // A map whose texture cannot be loaded is removed; always true.
  virtual bool LoadTextures(cVOXAdatacollector* textures);
  // Texture-coordinate sets that meshes drawn with it need: the texture maps
  // count, the environment map never; at least 1.
  virtual int MapCount() const;

  const char* GetName() const { return name ? name->c_str() : nullptr; }
  void SetName(const char* text);
  int PassCount() const { return static_cast<int>(passes.size()); }

  std::vector<std::unique_ptr<cRenderStage>> passes;
  // The view's look as the last Update or Prepare saw it.
  float tint[3] = {1.0f, 1.0f, 1.0f};
  float viewerAlpha = 1.0f;
  bool viewerFlushing = false;
  bool invisible = false;
  std::int32_t id;
  std::optional<std::string> name;
  c3Dscene* scene = nullptr;
  std::uint32_t ambient = 0;
  std::uint32_t diffuse = 0xFFFFFFFFu;
  std::uint32_t specular = 0;
  std::uint32_t emissive = 0;
  float power = 0.0f;
  std::int32_t shading = 1;  // 0 flat, 1 gouraud
  bool dithering = true;
  float transparency = 0.0f;  // 0 opaque .. 1 fully transparent
  std::int32_t transparencyMode = kMixing;
  bool twoSided = false;
  bool transparent = false;
  bool deferred = false;
  cMap* maps[kMapSlots] = {};  // owned
  // The template of the last Update (-1 before it, or while invisible).
  std::int32_t templateIndex = -1;
  // The frame of the last Update, for a rebuild when the view's look changes.
  float lastFrame = 0.0f;

 protected:
  // Everything Clone copies, into another material.
  void CopyFieldsTo(cMaterial& copy) const;
  cSceneView* View() const;
};

class cIMaterial : public cMaterial {
 public:
  cIMaterial() = default;
  ~cIMaterial() override;

  bool Update(float frame) override;
  cMaterial* Clone() const override;

  // Colours 0..1 per component; transparency 0..255.
  cView3Di_position* ambientTrack = nullptr;
  cView3Di_position* diffuseTrack = nullptr;
  cView3Di_position* specularTrack = nullptr;
  cView3Di_position* emissiveTrack = nullptr;
  cView3Di_position* powerTrack = nullptr;
  cView3Di_position* transparencyTrack = nullptr;
  cView3Di_enum* transparencyModeTrack = nullptr;
  cView3Di_enum* twoSidedTrack = nullptr;
  cView3Di_enum* ditheringTrack = nullptr;
};

// The material whose render states were set last, or none.
cMaterial* CurrentMaterial();
// Forgets which states the 3D scene set last, after drawing that went past the
// materials (light rays, particles, the view3D command's own set-up).
void ForgetDeviceState();

}  // namespace VOXA2::threedee
