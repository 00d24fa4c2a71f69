// The branching tree: its counts and size line, the shape of rings, strips and
// leaves, trees too deep for 16-bit indices, copies, and a drawn tree.
#include "threedee/objects/tree.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>

#include "foundation/random.h"
#include "tests/threedee/objects/object_support.h"
#include "tests/threedee/scene/scene_device.h"
#include "tests/threedee/scene/scene_viewer.h"
#include "tests/threedee/scene/track_makers.h"
#include "threedee/scene/material.h"

namespace {

using namespace VOXA2::threedee;
using objecttest::ReadVertices;
constexpr float kPi = std::numbers::pi_v<float>;

std::vector<const c3Dtree::tTreeNode*> Nodes(const c3Dtree::tTreeNode* node) {
  std::vector<const c3Dtree::tTreeNode*> out;
  std::function<void(const c3Dtree::tTreeNode*)> walk = [&](const c3Dtree::tTreeNode* n) {
    if (!n) return;
    out.push_back(n);
    walk(n->continuation);
    walk(n->sideBranch);
  };
  walk(node);
  return out;
}

cMaterial* NewMaterial(c3Dscene& scene, const char* name, std::uint32_t colour) {
  auto* m = new cMaterial;
  m->SetName(name);
  m->diffuse = m->ambient = colour;
  m->twoSided = true;
  scene.AddMaterial(m);
  return m;
}

// Depth 3 whose splits are symmetric: both children lean by spread/2.
c3Dtree* SmallTree(cMaterial* branches, cMaterial* leaves) {
  auto* tree = new c3Dtree;
  tree->SetName("t");
  tree->depth = 3;
  tree->spread = 0.5f * kPi / 2;
  tree->balance = kPi / 2;
  tree->twist = 0.3f * kPi;
  tree->branchMaterial = branches;
  tree->leafMaterial = leaves;
  return tree;
}

TEST(Tree, CountsPartsAndTheSizeLine) {
  struct Case {
    const char* what;
    int materials;  // 0 none, 1 one for both, 2 two different
    std::size_t parts;
    const char* line;
  };
  const Case cases[] = {
      {"one material", 1, 1, "The tree \"t\" consists of 26 faces and 52 vertices"},
      {"two materials", 2, 2, "The tree \"t\" consists of 26 faces and 52 vertices"},
      {"no material", 0, 0, "The tree \"t\" consists of 0 faces and 0 vertices"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto lines = scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
      c3Dscene scene;
      cMaterial* bark = c.materials ? NewMaterial(scene, "bark", 0xFF806040u) : nullptr;
      cMaterial* leaf = c.materials == 2 ? NewMaterial(scene, "leaf", 0xFF20A020u) : bark;
      std::unique_ptr<c3Dtree> tree(SmallTree(bark, leaf));
      tree->BuildMesh();
      int rings = 0, strips = 0, leafVertices = 0, leafIndices = 0;
      c3Dtree::CountGeometry(tree->root, rings, strips, leafVertices, leafIndices);
      EXPECT_EQ(Nodes(tree->root).size(), 7u);
      EXPECT_EQ(rings, 28);
      EXPECT_EQ(strips, 3);
      EXPECT_EQ(leafVertices, 24);
      ASSERT_EQ(tree->parts.size(), c.parts);
      if (c.parts == 0) return;
      EXPECT_EQ(tree->parts[0]->material, bark) << "branches first";
      cOBSTriMesh& branches = *tree->parts[0]->meshes[0];
      ASSERT_EQ(branches.strips.size(), 3u);
      for (const auto& strip : branches.strips) EXPECT_EQ(strip->indices.size(), 8u);
      cOBSTriMesh& leaves = *tree->parts.back()->meshes[0];
      EXPECT_EQ(leaves.indices.size(), 24u);
      EXPECT_EQ(leaves.lowest, c.parts == 1 ? 28 : 0);
      const std::vector<std::uint16_t> pattern = {0, 1, 2, 5, 4, 3};
      EXPECT_EQ(std::vector<std::uint16_t>(leaves.indices.begin(), leaves.indices.begin() + 6),
                pattern);
    });
    EXPECT_NE(std::find(lines.begin(), lines.end(), c.line), lines.end());
  }
}

TEST(Tree, DefaultDepthRingsAndTheFirstStrip) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    c3Dscene scene;
    cMaterial* bark = NewMaterial(scene, "bark", 0xFF806040u);
    VOXA2::SetRandState(1);
    std::unique_ptr<c3Dtree> tree(new c3Dtree);
    tree->branchMaterial = tree->leafMaterial = bark;
    tree->BuildMesh();
    // Sides by level along the main line: 8, 7, ... 3, then 3.
    int level = 0;
    for (const c3Dtree::tTreeNode* n = tree->root; n; n = n->continuation, ++level)
      EXPECT_EQ(n->sides, std::max(8 - level, 3)) << "level " << level;
    EXPECT_LE(Nodes(tree->root).size(), 255u);
    const cTriStrip& first = *tree->parts[0]->meshes[0]->strips[0];
    ASSERT_EQ(first.indices.size(), 17u);
    // The continuation's last ring vertex, then the root's, counting down.
    EXPECT_EQ(first.indices[0] + first.lowest, 9 + 7);
    EXPECT_EQ(first.indices[1] + first.lowest, 8);
  });
}

TEST(Tree, RingsStripsAndLeavesHaveTheirShape) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    c3Dscene scene;
    cMaterial* bark = NewMaterial(scene, "bark", 0xFF806040u);
    VOXA2::SetRandState(3);
    std::unique_ptr<c3Dtree> tree(new c3Dtree);
    tree->depth = 6;
    tree->branchMaterial = tree->leafMaterial = bark;
    tree->BuildMesh();
    cOBSTriMesh& mesh = *tree->parts[0]->meshes[0];
    const auto v = ReadVertices(*mesh.vertices, mesh.vertices->vertexCount);
    for (const c3Dtree::tTreeNode* n : Nodes(tree->root)) {
      const Vector across = Cross(n->right, n->axis);
      for (int i = 0; i <= n->sides; ++i) {
        const Vector d = v[n->firstVertex + i].position - n->position;
        EXPECT_NEAR(std::sqrt(d.Dot(d)), n->radius, 1e-5f);
        EXPECT_NEAR(d.Dot(across), 0.0f, 1e-5f);
      }
    }
    // Strips: every triangle has area, and joins a ring to the next one.
    std::size_t s = 0;
    for (const c3Dtree::tTreeNode* n : Nodes(tree->root)) {
      if (!n->continuation) continue;
      const cTriStrip& strip = *mesh.strips[s++];
      for (std::size_t j = 0; j + 2 < strip.indices.size(); ++j) {
        const Vector a = v[strip.lowest + strip.indices[j]].position;
        const Vector b = v[strip.lowest + strip.indices[j + 1]].position;
        const Vector c = v[strip.lowest + strip.indices[j + 2]].position;
        const Vector area = Cross(b - a, c - a);
        EXPECT_GT(area.Dot(area), 0.0f);
      }
      for (std::uint16_t index : strip.indices) {
        const int at = strip.lowest + index;
        const bool own = at >= static_cast<int>(n->firstVertex) &&
                         at <= static_cast<int>(n->firstVertex) + n->sides;
        const bool next =
            at >= static_cast<int>(n->continuation->firstVertex) &&
            at <= static_cast<int>(n->continuation->firstVertex) + n->continuation->sides;
        EXPECT_TRUE(own || next) << at;
      }
    }
    // Leaves: the two triangles of a leaf face opposite ways.
    for (std::size_t i = 0; i < mesh.indices.size(); i += 6) {
      auto normal = [&](std::size_t k) {
        const Vector a = v[mesh.lowest + mesh.indices[k]].position;
        return Cross(v[mesh.lowest + mesh.indices[k + 1]].position - a,
                     v[mesh.lowest + mesh.indices[k + 2]].position - a);
      };
      EXPECT_LT(normal(i).Dot(normal(i + 3)), 0.0f);
      EXPECT_LT(
          v[mesh.lowest + mesh.indices[i]].normal.Dot(v[mesh.lowest + mesh.indices[i + 3]].normal),
          0.0f);
    }
  });
}

TEST(Tree, TooDeepForOneMeshIsClampedAndLogged) {
  const auto lines = scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    c3Dscene scene;
    cMaterial* bark = NewMaterial(scene, "bark", 0xFF806040u);
    std::unique_ptr<c3Dtree> tree(SmallTree(bark, bark));
    tree->SetName("deep");
    tree->depth = 20;
    tree->spread = 0.3f;
    tree->BuildMesh();
    EXPECT_EQ(tree->depth, 13);
    EXPECT_LE(c3Dtree::MostVertices(13), c3Dtree::kMaxVertices);
    EXPECT_GT(c3Dtree::MostVertices(14), c3Dtree::kMaxVertices);
    cOBSTriMesh& mesh = *tree->parts[0]->meshes[0];
    const int count = mesh.vertices->vertexCount;
    ASSERT_LE(count, c3Dtree::kMaxVertices);
    for (std::uint16_t i : mesh.indices) ASSERT_LT(mesh.lowest + i, count);
    for (const auto& strip : mesh.strips)
      for (std::uint16_t i : strip->indices) ASSERT_LT(strip->lowest + i, count);
  });
  const std::string told = "The tree \"deep\" is too deep for one mesh: depth 20 is built as 13";
  EXPECT_NE(std::find(lines.begin(), lines.end(), told), lines.end());
}

TEST(Tree, CopiesShareMaterialsAndOwnTheirNodes) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    c3Dscene scene;
    cMaterial* bark = NewMaterial(scene, "bark", 0xFF806040u);
    std::unique_ptr<c3Dtree> a(SmallTree(bark, bark)), b(SmallTree(bark, bark));
    a->BuildMesh();
    b->BuildMesh();
    std::unique_ptr<c3Dobject> copied(a->Duplicate());
    auto* copy = dynamic_cast<c3Dtree*>(copied.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->branchMaterial, bark);
    for (const c3Dtree* other :
         {static_cast<const c3Dtree*>(b.get()), static_cast<const c3Dtree*>(copy)}) {
      const auto mine = Nodes(a->root), theirs = Nodes(other->root);
      ASSERT_EQ(mine.size(), theirs.size());
      for (std::size_t i = 0; i < mine.size(); ++i) {
        EXPECT_NE(mine[i], theirs[i]);
        EXPECT_EQ(mine[i]->position.Dot(mine[i]->position),
                  theirs[i]->position.Dot(theirs[i]->position));
        EXPECT_EQ(mine[i]->radius, theirs[i]->radius);
      }
    }
  });
}

TEST(Tree, DrawsBarkAndLeaves) {
  scenetest::OnDevice(
      scenetest::kMode8888, nullptr,
      [] {
        c3Dscene scene;
        cMaterial* bark = NewMaterial(scene, "bark", 0xFF906030u);
        cMaterial* leaf = NewMaterial(scene, "leaf", 0xFF30C030u);
        VOXA2::SetRandState(5);
        auto* tree = new c3Dtree;
        tree->depth = 7;
        tree->trunkRadius = 0.15f;
        tree->leafSize = 0.3f;
        tree->up.Set(0, -1, 0);  // the base camera's y runs down the screen
        tree->right.Set(1, 0, 0);
        tree->branchMaterial = bark;
        tree->leafMaterial = leaf;
        tree->BuildMesh();
        tree->positionTrack = scenetest::Constant({0, 1.6f, 4.5f});
        ASSERT_TRUE(objecttest::DrawWithLights(scene, tree));
        EXPECT_NE(objecttest::PixelAt(80, 76), 0u) << "the trunk";
        objecttest::MaybeWritePng("tree");
      },
      160, 120);
}

}  // namespace
