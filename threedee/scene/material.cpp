#include "threedee/scene/material.h"

#include <algorithm>

#include "foundation/allocate.h"
#include "foundation/numeric.h"
#include "foundation/stream.h"
#include "threedee/scene/interpolator.h"
#include "threedee/scene/mesh.h"
#include "threedee/scene/object.h"
#include "threedee/scene/scene.h"
#include "threedee/scene/templates.h"
#include "threedee/scene/trimesh.h"
#include "threedee/scene/view.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2::threedee {
namespace {

cMaterial* currentMaterial = nullptr;

// A value 0..1 as a byte; out of range is limited, so that nothing spills
// into the neighbouring channel.
std::uint32_t Byte(float value) {
  return static_cast<std::uint32_t>(std::clamp(TruncToInt(value * 255.0f), 0, 255));
}

std::uint32_t WithAlpha(std::uint32_t color, std::uint32_t alpha) {
  return (color & 0x00FFFFFFu) | (alpha << 24);
}

std::uint32_t WithRgb(std::uint32_t color, std::uint32_t rgb) {
  return (color & 0xFF000000u) | (rgb & 0x00FFFFFFu);
}

// None when the map is absent or has no texture; else by its strength.
enum : int { kOpaque = 0, kTransparent = 1, kNone = 2 };
int Classify(const cMap* map, float strength) {
  if (!map || !map->texture) return kNone;
  if (strength >= 1.0f) return kOpaque;
  if (strength <= 0.0f) return kNone;
  return kTransparent;
}

// The colour word a target of kind material or factor names in a pass.
std::uint32_t* TargetWord(cRenderStage& pass, const sPosition& target, bool ambient) {
  if (target.kind == sPosition::kMaterial) return ambient ? &pass.ambient : &pass.diffuse;
  if (target.kind == sPosition::kFactor) return &pass.textureFactor;
  return nullptr;
}

void PlaceMap(cRenderStage& pass, const tMapSlot& slot, const cMap* map) {
  if (!map || slot.stage < 0 || slot.stage >= pass.StageCount()) return;
  TextureStage& stage = *pass.stages[slot.stage];
  stage.SetTextureMatrix(map->HasTexCoordTransform() ? map->BuildTexCoordMatrix() : nullptr);
  if (slot.stage < cRenderStage::kMaxStages) pass.textures[slot.stage] = map->texture;
}

// The neutral look for a material drawn without a view.
cSceneView& NoView() {
  static cSceneView view;
  return view;
}

}  // namespace

std::uint32_t ModulateColor(std::uint32_t color, float red, float green, float blue) {
  const float factors[4] = {blue, green, red, 1.0f};
  std::uint32_t out = 0;
  for (int k = 0; k < 4; ++k) {
    const std::uint32_t byte = (color >> (8 * k)) & 0xFFu;
    float v = static_cast<float>(byte * 0.00392156862745098 * factors[k]);
    v = std::clamp(v, 0.0f, 1.0f);
    out |= static_cast<std::uint32_t>(TruncToInt(v * 255.0f)) << (8 * k);
  }
  return out;
}

std::uint32_t PackColor(const float* rgb) {
  return 0xFF000000u | Byte(rgb[0]) << 16 | Byte(rgb[1]) << 8 | Byte(rgb[2]);
}

std::uint32_t PackArgb(float alpha, float red, float green, float blue) {
  auto channel = [](float v) {
    return static_cast<std::uint32_t>(std::clamp(TruncToInt(v), 0, 255));
  };
  return channel(alpha) << 24 | channel(red) << 16 | channel(green) << 8 | channel(blue);
}

cMaterial* CurrentMaterial() { return currentMaterial; }

void ForgetDeviceState() {
  currentMaterial = nullptr;
  c3Dmesh::ForgetLastLitMesh();
}

cMaterial::cMaterial() : id(NextObjectId()) {}

cMaterial::~cMaterial() {
  if (currentMaterial == this) currentMaterial = nullptr;
  passes.clear();
  for (cMap*& map : maps) {
    delete map;
    map = nullptr;
  }
}

void cMaterial::SetName(const char* text) {
  if (text)
    name = CopyName(text, "Could not allocate memory to duplicate duplicate string");
  else
    name.reset();
}

cSceneView* cMaterial::View() const {
  return scene && scene->currentView ? scene->currentView : &NoView();
}

int cMaterial::MapCount() const {
  const int count = (maps[kTextureMap] ? 1 : 0) + (maps[kSecondTextureMap] ? 1 : 0);
  return count ? count : 1;
}

bool cMaterial::LoadTextures(cVOXAdatacollector* textures) {
  for (cMap*& map : maps) {
    if (map && !map->LoadTexture(textures)) {
      delete map;
      map = nullptr;
    }
  }
  return true;
}

bool cMaterial::Update(float frame) {
  currentMaterial = nullptr;
  for (cMap* map : maps)
    if (map && !map->Update(frame)) return false;
  lastFrame = frame;

  const cSceneView& view = *View();
  const float alpha = view.alpha;
  const float t = alpha * (1.0f - transparency);
  transparent = t < 1.0f || transparencyMode != kMixing;
  passes.clear();
  tint[0] = view.tint[0];
  tint[1] = view.tint[1];
  tint[2] = view.tint[2];
  viewerAlpha = alpha;
  viewerFlushing = view.flushing;
  invisible = t <= 0.0f;
  templateIndex = -1;
  if (invisible) return true;
  const float o = std::min(t, 1.0f);

  cMap* first = maps[kTextureMap];
  cMap* second = maps[kSecondTextureMap];
  cMap* environment = maps[kEnvironmentMap];
  int firstClass = Classify(first, first ? first->amount : 0.0f);
  int secondClass = Classify(second, second ? second->amount : 0.0f);
  const int reflectionClass = Classify(environment, environment ? environment->amount * o : 0.0f);
  if (firstClass == kNone || secondClass == kOpaque) {
    first = second;
    firstClass = secondClass;
    second = nullptr;
    secondClass = kNone;
  }
  templateIndex = TemplateIndex(transparent ? 1 : 0, firstClass,
                                secondClass == kTransparent ? 1 : 0, reflectionClass);
  const cMatTemplate* plan = materialTemplates[templateIndex];
  if (!plan) return true;  // the table is not built: nothing to draw with

  tracks::OrFailFor("texture stages!", [&] {
    passes.reserve(plan->passes.size());
    return 0;
  });
  for (const auto& pass : plan->passes) passes.emplace_back(cRenderStage::Create(*pass));

  auto passFor = [&](std::int32_t index) -> cRenderStage* {
    return index >= 0 && index < PassCount() ? passes[index].get() : nullptr;
  };
  auto place = [&](const tMapSlot& slot, const cMap* map) {
    if (slot.stage == -1) return;
    if (cRenderStage* pass = passFor(slot.pass)) PlaceMap(*pass, slot, map);
  };
  place(plan->firstMapSlot, first);
  place(plan->secondMapSlot, second);
  place(plan->reflectionMapSlot, environment);

  auto word = [&](const sPosition& target, bool ambientWord) -> std::uint32_t* {
    cRenderStage* pass = passFor(target.pass);
    return pass ? TargetWord(*pass, target, ambientWord) : nullptr;
  };
  if (std::uint32_t* w = word(plan->diffuseTarget, false)) *w = WithRgb(*w, diffuse);
  if (std::uint32_t* w = word(plan->ambientTarget, true)) *w = WithRgb(*w, ambient);
  if (std::uint32_t* w = word(plan->opacityTarget, false)) *w = WithAlpha(*w, Byte(o));
  auto amountInto = [&](const sPosition& target, const cMap* map) {
    std::uint32_t* w = word(target, false);
    if (!w || !map) return;
    // The texture factor carries the amount alone; a material colour also the opacity.
    const float weight = target.kind == sPosition::kFactor ? map->amount : map->amount * o;
    *w = WithAlpha(*w, Byte(weight));
  };
  amountInto(plan->firstMapAmountTarget, first);
  amountInto(plan->secondMapAmountTarget, second);
  if (std::uint32_t* w = word(plan->reflectionAmountTarget, false); w && environment)
    *w = WithAlpha(*w, Byte(environment->amount * o));

  if (transparent && plan->lastBlendedPass >= 0) {
    // "Subtractive" has always mixed: stored scenes rely on it.
    static constexpr std::uint32_t kFactors[4][2] = {{kBlendSrcAlpha, kBlendOne},
                                                     {kBlendSrcAlpha, kBlendInvSrcAlpha},
                                                     {kBlendSrcAlpha, kBlendInvSrcAlpha},
                                                     {kBlendZero, kBlendSrcColor}};
    if (transparencyMode >= 0 && transparencyMode <= 3) {
      const int last = std::min(plan->lastBlendedPass, PassCount() - 1);
      for (int i = 0; i <= last; ++i) {
        passes[i]->srcBlend = kFactors[transparencyMode][0];
        passes[i]->destBlend = kFactors[transparencyMode][1];
      }
    }
  }

  const float r = tint[0], g = tint[1], b = tint[2];
  for (int i = 0; i < PassCount(); ++i) {
    cRenderStage& pass = *passes[i];
    pass.textureFactor = ModulateColor(pass.textureFactor, r, g, b);
    pass.ambient = ModulateColor(pass.ambient, r, g, b);
    pass.diffuse = ModulateColor(pass.diffuse, r, g, b);
    pass.specular = ModulateColor(specular, r, g, b);
    pass.emissive = ModulateColor(i <= plan->lastEmissivePass ? emissive : pass.emissive, r, g, b);
    pass.power = power;
  }
  return true;
}

bool cMaterial::Prepare() {
  const cSceneView& view = *View();
  const bool sameLook = view.alpha == viewerAlpha && view.tint[0] == tint[0] &&
                        view.tint[1] == tint[1] && view.tint[2] == tint[2];
  if (currentMaterial == this && sameLook && view.flushing == viewerFlushing) return true;
  // A look changed after the frame's update: rebuild at that frame, so that
  // interpolated maps keep their values of this frame.
  if (!sameLook) cMaterial::Update(lastFrame);
  currentMaterial = this;
  viewerAlpha = view.alpha;
  tint[0] = view.tint[0];
  tint[1] = view.tint[1];
  tint[2] = view.tint[2];
  viewerFlushing = view.flushing;
  if (invisible) {
    deferred = false;
    return true;
  }
  deferred = transparent && !view.flushing && view.batch;
  if (deferred) return true;
  SetRenderMode(4, twoSided || !view.culling ? 0u : 1u);
  SetRenderMode(7, dithering ? 1u : 0u);
  if (shading == 0 || shading == 1) SetRenderMode(3, static_cast<std::uint32_t>(shading));
  if (PassCount() == 1) passes[0]->Apply();
  return true;
}

bool cMaterial::DrawRenderMesh(cOBSTriMesh* mesh) {
  if (!mesh || invisible) return true;
  if (deferred) {
    View()->batch->AddMesh(this, mesh);
    return true;
  }
  if (View() && View()->flushing) {
    if (mesh->owner) mesh->owner->SetUpLights();
    if (mesh->part) mesh->part->SetWorldTransform(mesh);
  }
  return mesh->Draw();
}

bool cMaterial::DrawMesh(c3DoneMaterialMesh* mesh) {
  if (!mesh || invisible) return true;
  if (deferred) {
    View()->batch->AddSecondMesh(this, mesh);
    return true;
  }
  if (View() && View()->flushing) mesh->SetUpLights();
  return mesh->Draw();
}

bool cMaterial::DrawPrimitive(std::uint32_t kind, VertexArray* vertices, std::uint32_t first,
                              std::uint32_t last) {
  if (invisible) return true;
  if (deferred) {
    View()->batch->AddRender(this, kind, vertices, first, last);
    return true;
  }
  if (PassCount() == 1) {
    threedee::DrawPrimitive(kind, vertices, first, last);
    return true;
  }
  for (auto& pass : passes) {
    pass->Apply();
    threedee::DrawPrimitive(kind, vertices, first, last);
  }
  return true;
}

bool cMaterial::DrawIndexed(std::uint32_t kind, VertexArray* vertices, std::uint16_t* indices,
                            std::uint32_t count, std::uint32_t first, std::uint32_t last) {
  if (invisible) return true;
  if (deferred) {
    View()->batch->AddIndexed(this, kind, vertices, indices, count, first, last);
    return true;
  }
  const auto n = static_cast<std::int32_t>(count);
  if (PassCount() == 1) {
    DrawIndexedPrimitive(kind, vertices, indices, n, static_cast<std::int32_t>(first), last);
    return true;
  }
  for (auto& pass : passes) {
    pass->Apply();
    DrawIndexedPrimitive(kind, vertices, indices, n, static_cast<std::int32_t>(first), last);
  }
  return true;
}

void cMaterial::CopyFieldsTo(cMaterial& copy) const {
  copy.SetName(GetName());
  copy.ambient = ambient;
  copy.diffuse = diffuse;
  copy.specular = specular;
  copy.emissive = emissive;
  copy.power = power;
  copy.shading = shading;
  copy.dithering = dithering;
  copy.transparency = transparency;
  copy.transparencyMode = transparencyMode;
  copy.transparent = transparent;
  copy.twoSided = twoSided;
  copy.invisible = invisible;
  for (int i = 0; i < kMapSlots; ++i) copy.maps[i] = maps[i] ? maps[i]->Clone() : nullptr;
}

cMaterial* cMaterial::Clone() const {
  auto* copy = VOXA::errors::NewOrThrow<cMaterial>("cMaterial");
  try {
    CopyFieldsTo(*copy);
  } catch (...) {
    delete copy;
    throw;
  }
  return copy;
}

cIMaterial::~cIMaterial() {
  delete ambientTrack;
  delete diffuseTrack;
  delete specularTrack;
  delete emissiveTrack;
  delete powerTrack;
  delete transparencyTrack;
  delete transparencyModeTrack;
  delete twoSidedTrack;
  delete ditheringTrack;
}

bool cIMaterial::Update(float frame) {
  auto colour = [frame](cView3Di_position* track, std::uint32_t& field) {
    if (!track) return;
    track->Evaluate(frame);
    field = PackColor(track->GetValues());
  };
  colour(ambientTrack, ambient);
  colour(diffuseTrack, diffuse);
  colour(emissiveTrack, emissive);
  colour(specularTrack, specular);
  if (powerTrack) {
    powerTrack->Evaluate(frame);
    power = powerTrack->GetValue(0);
  }
  if (transparencyTrack) {
    transparencyTrack->Evaluate(frame);
    transparency = static_cast<float>(transparencyTrack->GetValue(0) * 0.00392156862745098);
  }
  auto integer = [frame](cView3Di_enum* track) {
    track->Evaluate(frame);
    return track->value;
  };
  if (transparencyModeTrack) transparencyMode = integer(transparencyModeTrack);
  if (twoSidedTrack) twoSided = integer(twoSidedTrack) != 0;
  if (ditheringTrack) dithering = integer(ditheringTrack) != 0;
  return cMaterial::Update(frame);
}

cMaterial* cIMaterial::Clone() const {
  auto* copy = VOXA::errors::NewOrThrow<cIMaterial>("cIMaterial");
  try {
    CopyFieldsTo(*copy);
    copy->ambientTrack = tracks::CloneOrNull(ambientTrack);
    copy->diffuseTrack = tracks::CloneOrNull(diffuseTrack);
    copy->specularTrack = tracks::CloneOrNull(specularTrack);
    copy->emissiveTrack = tracks::CloneOrNull(emissiveTrack);
    copy->powerTrack = tracks::CloneOrNull(powerTrack);
    copy->transparencyTrack = tracks::CloneOrNull(transparencyTrack);
    copy->transparencyModeTrack = tracks::CloneOrNull(transparencyModeTrack);
    copy->twoSidedTrack = tracks::CloneOrNull(twoSidedTrack);
    copy->ditheringTrack = tracks::CloneOrNull(ditheringTrack);
  } catch (...) {
    delete copy;
    throw;
  }
  return copy;
}

}  // namespace VOXA2::threedee
