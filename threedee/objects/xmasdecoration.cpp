#include "threedee/objects/xmasdecoration.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>

#include "foundation/allocate.h"
#include "foundation/random.h"
#include "script/parser.h"
#include "threedee/objects/tantree.h"
#include "threedee/scene/material.h"
#include "threedee/scene/mesher.h"
#include "threedee/scene/scene.h"
#include "windxkernel/debuglog.h"

namespace VOXA2::threedee {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

std::int32_t Code(const cParserT* parser) { return parser->token ? parser->token->code : tokNone; }

const char* Word(const cParserT* parser) {
  if (Code(parser) != tokIdentifier) return nullptr;
  const auto* ident = dynamic_cast<const cIdentToken*>(parser->token.get());
  return ident ? ident->text.c_str() : nullptr;
}

bool Is(const cParserT* parser, const char* word) {
  const char* text = Word(parser);
  return text && std::strcmp(text, word) == 0;
}

// A string token's text, read on; an error for anything else.
bool ReadString(cParserT* parser, std::string& text) {
  const auto* string = dynamic_cast<const cStringToken*>(parser->token.get());
  if (Code(parser) != tokString || !string) {
    parser->Error(100, "Syntax error!");
    return false;
  }
  text = string->text;
  parser->GetToken();
  return true;
}

bool ReadMaterial(cParserT* parser, c3Dscene* scene, cMaterial*& material) {
  std::string name;
  if (!ReadString(parser, name)) return false;
  material = scene ? scene->FindMaterial(name.c_str()) : nullptr;
  if (!material) {
    parser->Error(-1, "Material \"%s\" does not exists!", name.c_str());
    return false;
  }
  return true;
}

void Add(tDecoration& d, const Vector& position, const Vector& normal, float u = 0, float v = 0) {
  d.vertices.push_back({position, normal, u, v});
}

void Face(tDecoration& d, int a, int b, int c, cMaterial* material) {
  d.faces.push_back({a, b, c, material});
}

int counter = 0;  // of the names, for the whole run

}  // namespace

tDecoration MakeCandle(const Vector& up, float size, float diameter, cMaterial* material,
                       bool flame, cMaterial* flameMaterial) {
  constexpr int kSides = 8, kStacks = 4;
  const float r = diameter * 0.5f;
  const Vector n = Normalized(up);
  Vector c(0, up.z, -up.y);                                 // up × (1, 0, 0)
  if (std::sqrt(c.Dot(c)) < 0.001f) c.Set(-up.z, 0, up.x);  // up × (0, 1, 0)
  const Vector a = Normalized(c).Scaled(r);
  const Vector b = Normalized(Cross(up, a)).Scaled(r);
  auto ring = [&](float angle) { return a.Scaled(std::cos(angle)) + b.Scaled(std::sin(angle)); };

  tDecoration d;
  const float turn = 2 * kPi / kSides;
  Vector centre(0, 0, 0);
  const Vector rise = up.Scaled(size / kStacks);
  float v = 0;
  for (int i = 0; i <= kStacks; ++i, centre = centre + rise, v += 1.0f / kStacks) {
    float angle = 0, u = 0;
    for (int j = 0; j <= kSides; ++j, angle += turn, u += 1.0f / kSides)
      Add(d, centre + ring(angle), Normalized(ring(angle)), u, v);
  }
  const Vector top = up.Scaled(size);
  float angle = 0;
  for (int j = 0; j < kSides; ++j, angle += turn) {
    const float u = 0.5f + 0.5f * std::cos(angle), w = 0.5f + 0.5f * std::sin(angle);
    Add(d, ring(angle), n.Scaled(-1), u, w);
    Add(d, top + ring(angle), n, u, w);
  }
  if (flame) {
    const Vector m = top + n.Scaled(0.5f * diameter);
    const Vector a2 = a.Scaled(0.75f), b2 = b.Scaled(0.75f);
    Add(d, top, n.Scaled(-1));
    Add(d, top + n.Scaled(1.25f * diameter), n);
    Add(d, m + a2, Normalized(a2));
    Add(d, m - a2, Normalized(a2).Scaled(-1));
    Add(d, m + b2, Normalized(b2));
    Add(d, m - b2, Normalized(b2).Scaled(-1));
  }

  for (int i = 0; i < kStacks; ++i)
    for (int j = 0; j < kSides; ++j) {
      const int k = (kSides + 1) * i + j;
      Face(d, k, k + 1, k + kSides + 2, material);
      Face(d, k, k + kSides + 2, k + kSides + 1, material);
    }
  for (int j = 0; j < kSides - 2; ++j) Face(d, 45, 49 + 2 * j, 47 + 2 * j, material);
  for (int j = 0; j < kSides - 2; ++j) Face(d, 46, 48 + 2 * j, 50 + 2 * j, material);
  if (flame) {
    const int around[4] = {63, 64, 65, 66};
    for (int j = 0; j < 4; ++j) Face(d, 61, around[j], around[(j + 1) % 4], flameMaterial);
    for (int j = 0; j < 4; ++j) Face(d, around[j], 62, around[(j + 1) % 4], flameMaterial);
  }
  return d;
}

tDecoration MakeSphere(const Vector& up, float diameter, cMaterial* material) {
  constexpr int kRings = 6;
  const float r = diameter * 0.5f;
  const Vector o = up.Scaled(-r);
  tDecoration d;
  const float step = kPi / kRings;
  float theta = step;
  for (int i = 0; i < kRings; ++i, theta += step) {
    float phi = 0;
    for (int j = 0; j <= 2 * kRings; ++j, phi += step) {
      const Vector n(std::sin(theta) * std::sin(phi), std::cos(theta),
                     std::sin(theta) * std::cos(phi));
      Add(d, o + n.Scaled(r), n, 1 - static_cast<float>(j) / (2 * kRings),
          (1 - std::cos(theta)) * 0.5f);
    }
  }
  Add(d, o + Vector(0, r, 0), {0, 1, 0}, 0.5f, 0);
  Add(d, o + Vector(0, -r, 0), {0, -1, 0}, 0.5f, 1);
  const int row = 2 * kRings + 1, upper = kRings * row, lower = upper + 1;
  for (int i = 0; i < kRings - 1; ++i)
    for (int j = 0; j < 2 * kRings; ++j) {
      const int a = row * i + j, b = a + row;
      Face(d, a, b, a + 1, material);
      Face(d, a + 1, b, b + 1, material);
    }
  for (int k = (kRings - 1) * row; k < (kRings - 1) * row + 2 * kRings; ++k)
    Face(d, lower, k + 1, k, material);
  for (int k = 0; k < 2 * kRings; ++k) Face(d, upper, k, k + 1, material);
  return d;
}

std::string MakeDecorationName(const char* prefix, const char* kind) {
  std::string name;
  if (prefix) name += prefix;
  if (prefix && kind) name += " - ";
  if (kind) name += kind;
  if (prefix || kind) name += " ";
  name += "$(xmasdecoration:" + std::to_string(counter++) + ")$";
  return name;
}

void ChooseDecorationPlace(const c3Dtantree& tree, Vector& position, Vector& up,
                           std::vector<Vector>& placed) {
  up = tree.up;
  const c3Dtantree::tTree* record = tree.tree.get();
  if (!record || record->leaves.empty()) {
    position = tree.origin;
    LogMessage(5, "The tan tree \"%s\" has no branches: its decorations stand at its foot",
               tree.GetName() ? tree.GetName() : "");
    placed.push_back(position);
    return;
  }
  bool found = false;
  float best = 0;
  for (const c3Dtantree::tTanLeaf& branch : record->leaves) {
    const float h = branch.height / tree.height;
    if (!(h > 0.1f && h < 0.9f)) continue;
    const float t = 0.9f + 0.1f * RandomFraction();
    const Vector at = branch.attachment + branch.branch.Scaled(t);
    float score = std::pow(std::fabs(0.5f - h), 4.0f) * tree.height + 0.01f * RandomFraction();
    for (const Vector& other : placed) {
      const Vector apart = at - other;
      score += 10 / std::sqrt(apart.Dot(apart));
    }
    if (!found || score < best) {
      found = true;
      best = score;
      position = at;
    }
  }
  if (!found) {
    const float wanted = (0.1f + 0.8f * RandomFraction()) * tree.height;
    const c3Dtantree::tTanLeaf* nearest = &record->leaves[0];
    for (const c3Dtantree::tTanLeaf& branch : record->leaves)
      if (std::fabs(branch.height - wanted) < std::fabs(nearest->height - wanted))
        nearest = &branch;
    position = nearest->attachment + nearest->branch.Scaled(0.9f + 0.1f * RandomFraction());
  }
  placed.push_back(position);
}

c3DSmesh* AttachDecoration(c3Dtantree& tree, const tDecoration& decoration, const Vector& position,
                           const std::string& name, cMaterial* textureMaterial) {
  VertexFormat format;
  format.position = format.normal = true;
  format.textureSetCount =
      textureMaterial ? static_cast<std::uint32_t>(textureMaterial->MapCount()) : 0;
  format.GetVertexSize();
  const int count = static_cast<int>(decoration.vertices.size());
  std::unique_ptr<cMesher> mesher(VOXA::errors::NewOrThrow<cMesher>("cMesher"));
  mesher->source.reset(VertexArray::Create(false, count, format));
  if (!mesher->source) throw new VOXA::errors::eCouldNotCreateObject("VertexArray");
  mesher->originalIndices.assign(static_cast<std::size_t>(count), 0);
  VertexArray& array = *mesher->source;
  array.Lock(3);
  for (int i = 0; i < count; ++i) {
    std::uint8_t* at = array.data + static_cast<std::size_t>(i) * array.pointer.stride;
    const tDecoration::tVertex& v = decoration.vertices[static_cast<std::size_t>(i)];
    std::memcpy(at + array.pointer.position, &v.position, sizeof(Vector));
    std::memcpy(at + array.pointer.normal, &v.normal, sizeof(Vector));
    for (std::uint32_t set = 0; set < format.textureSetCount; ++set) {
      const float uv[2] = {v.u, v.v};
      std::memcpy(at + array.pointer.textureCoords + set * sizeof uv, uv, sizeof uv);
    }
  }
  array.Unlock();
  // Faces without a material build nothing.
  for (const tDecoration::tFace& f : decoration.faces)
    if (f.material) mesher->faces.push_back({f.a, f.b, f.c, f.material});
  mesher->SplitByMaterial();
  mesher->CountElements();

  std::unique_ptr<c3DSmesh> mesh(VOXA::errors::NewOrThrow<c3DSmesh>("c3DSmesh"));
  mesher->BuildRenderMeshes(mesh.get());
  mesh->scene = tree.scene;
  mesh->currentView = tree.currentView;
  mesh->parent = &tree;
  mesh->SetName(name.c_str());
  auto* track = VOXA::errors::NewOrThrow<cView3Di_position>("cView3Di_position", 3);
  mesh->positionTrack = track;
  float* value = track->GetValues();
  value[0] = position.x;
  value[1] = position.y;
  value[2] = position.z;
  c3DSmesh* added = mesh.release();
  if (!tree.firstChild) {
    tree.firstChild = added;
  } else {
    c3Dobject* last = tree.firstChild;
    while (last->nextSibling) last = last->nextSibling;
    last->nextSibling = added;
  }
  return added;
}

void cText3Dadder_xmasdecoration::Add(c3Dobject* target, cParserT* parser, c3Dscene* scene) {
  auto* tree = dynamic_cast<c3Dtantree*>(target);
  if (!tree) {
    parser->Error(-1, "A xmasdecoration can just decorate tan trees!");
    return;
  }
  parser->Expect(tokOpenBrace);
  std::string prefix;
  bool hasPrefix = false;
  std::vector<Vector> placed;
  for (;;) {
    if (Code(parser) == tokCloseBrace) {
      parser->GetToken();
      return;
    }
    if (Is(parser, "prefix")) {
      parser->GetToken();
      if (!ReadString(parser, prefix)) return;
      hasPrefix = true;
      continue;
    }
    if (!Is(parser, "add")) {
      parser->Error(100, "Syntax error!");
      return;
    }
    parser->GetToken();
    const std::int32_t count = parser->ParseIntExpression();
    if (count < 1) {
      parser->Error(-1, "Item count must be one or greater!");
      return;
    }
    const bool candles = Is(parser, "candles");
    if (!candles && !Is(parser, "spheres")) {
      const char* word = Word(parser);
      parser->Error(100, "Unknown decoration type \"%s\"!",
                    word ? word : cToken::GetTypeName(Code(parser)));
      return;
    }
    parser->GetToken();
    parser->Expect(tokOpenBrace);
    float size = 1.0f, diameter = 0.25f;
    cMaterial* material = nullptr;
    cMaterial* flameMaterial = nullptr;
    bool flame = false;
    while (Code(parser) != tokCloseBrace) {
      if (Is(parser, "material")) {
        parser->GetToken();
        if (!ReadMaterial(parser, scene, material)) return;
      } else if (Is(parser, "diameter")) {
        parser->GetToken();
        diameter = parser->ParseFloatExpression();
      } else if (candles && Is(parser, "size")) {
        parser->GetToken();
        size = parser->ParseFloatExpression();
      } else if (candles && Is(parser, "add")) {
        parser->GetToken();
        if (!Is(parser, "flame")) {
          const char* word = Word(parser);
          parser->Error(-1, "I don't know how to add \"%s\"!",
                        word ? word : cToken::GetTypeName(Code(parser)));
          return;
        }
        parser->GetToken();
        if (!ReadMaterial(parser, scene, flameMaterial)) return;
        flame = true;
      } else {
        parser->Error(100, "Syntax error!");
        return;
      }
    }
    parser->GetToken();
    for (std::int32_t i = 0; i < count; ++i) {
      Vector position(0, 0, 0), up(0, 0, 1);
      ChooseDecorationPlace(*tree, position, up, placed);
      const tDecoration made = candles
                                   ? MakeCandle(up, size, diameter, material, flame, flameMaterial)
                                   : MakeSphere(up, diameter, material);
      AttachDecoration(
          *tree, made, position,
          MakeDecorationName(hasPrefix ? prefix.c_str() : nullptr, candles ? "candle" : "sphere"),
          material);
    }
  }
}

}  // namespace VOXA2::threedee
