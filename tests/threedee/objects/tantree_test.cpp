// The tan tree: its render meshes and size line, the shape of trunk and
// leaves, the leaf order for a turned tree under a turned view, trees with
// more leaves than 16-bit indices reach, and a drawn fir.
#include "threedee/objects/tantree.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
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

cMaterial* NewMaterial(c3Dscene& scene, const char* name, std::uint32_t colour) {
  auto* m = new cMaterial;
  m->SetName(name);
  m->diffuse = m->ambient = colour;
  m->twoSided = true;
  scene.AddMaterial(m);
  return m;
}

TEST(TanTree, RenderMeshesAndTheSizeLine) {
  struct Case {
    const char* what;
    int materials;  // 0 none, 1 one for both, 2 two
    int segments;
    std::size_t parts;
    int leafMesh;
    const char* line;
  };
  const Case cases[] = {
      {"one material", 1, 6, 1, 0, "The tan tree \"fir\" consists of 2072 faces and 4084 vertices"},
      {"two materials", 2, 6, 2, 1,
       "The tan tree \"fir\" consists of 2072 faces and 4084 vertices"},
      {"two materials, no trunk", 2, 0, 1, 0,
       "The tan tree \"fir\" consists of 2000 faces and 4000 vertices"},
      {"no material", 0, 6, 0, 0, "The tan tree \"fir\" consists of 0 faces and 0 vertices"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto lines = scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
      c3Dscene scene;
      cMaterial* bark = c.materials ? NewMaterial(scene, "bark", 0xFF806040u) : nullptr;
      cMaterial* needles = c.materials == 2 ? NewMaterial(scene, "needles", 0xFF208020u) : bark;
      std::unique_ptr<c3Dtantree> fir(new c3Dtantree);
      fir->SetName("fir");
      fir->segments = c.segments;
      fir->trunkMaterial = bark;
      fir->leafMaterial = needles;
      fir->BuildMesh();
      ASSERT_NE(fir->tree, nullptr);
      EXPECT_EQ(fir->tree->leaves.size(), 1000u);
      ASSERT_EQ(fir->parts.size(), c.parts);
      EXPECT_EQ(fir->leafMeshIndex, c.leafMesh);
      if (c.parts == 0) return;
      EXPECT_EQ(fir->parts[0]->material, c.segments ? bark : needles);
      const cOBSTriMesh& leaves = *fir->parts[c.leafMesh]->meshes[0];
      EXPECT_EQ(fir->tree->firstLeafIndex, c.materials == 1 ? 216 : 0);
      EXPECT_EQ(leaves.indices.size(), static_cast<std::size_t>(fir->tree->firstLeafIndex) + 6000);
    });
    EXPECT_NE(std::find(lines.begin(), lines.end(), c.line), lines.end());
  }
}

TEST(TanTree, TrunkAndLeavesHaveTheirShape) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    c3Dscene scene;
    cMaterial* bark = NewMaterial(scene, "bark", 0xFF806040u);
    for (Vector up : {Vector(0, 0, 1), Vector(0, -1, 0), Vector(1, 0, 0)}) {
      SCOPED_TRACE(std::to_string(up.x) + "," + std::to_string(up.y) + "," + std::to_string(up.z));
      std::unique_ptr<c3Dtantree> fir(new c3Dtantree);
      fir->up = up;
      fir->leaves = 200;
      fir->trunkMaterial = fir->leafMaterial = bark;
      fir->BuildMesh();
      const c3Dtantree::tTree& t = *fir->tree;
      for (const c3Dtantree::tTanLeaf& leaf : t.leaves) {
        EXPECT_NEAR(leaf.outward.Dot(up), 0.0f, 1e-5f);
        EXPECT_NEAR(leaf.outward.Dot(leaf.outward), 1.0f, 1e-5f);
        const float along = leaf.height / t.trunkLength;
        const float crown = (1 - along) * fir->radius;
        EXPECT_GE(leaf.length, crown * 0.8f - 1e-5f);
        EXPECT_LE(leaf.length, crown * 1.2f + 1e-5f);
        if (leaf.length < 1e-3f) continue;
        // 25 degrees below the plane across the trunk.
        const float down = -leaf.branch.Dot(up) / leaf.length;
        EXPECT_NEAR(std::asin(down), 25 * std::numbers::pi_v<float> / 180, 1e-4f);
      }
      // The top segment's top ring is the tip of the trunk.
      const cOBSTriMesh& mesh = *fir->parts[0]->meshes[0];
      const int ring = fir->sides + 1, top = (2 * fir->segments - 1) * ring;
      const Vector tip = up.Scaled(fir->height);
      for (const auto& v : ReadVertices(*mesh.vertices, ring, top)) {
        const Vector off = v.position - tip;
        EXPECT_NEAR(off.Dot(off), 0.0f, 1e-10f);
      }
    }
  });
}

// outward · D of each leaf in drawing order, D pointing from the leaves to
// the eye in the tree's space.
std::vector<float> DrawnKeys(const c3Dtantree& fir, const Matrix4& view) {
  // For a turned tree (world = rotation R) and a view whose depth row is f,
  // the eye direction in the tree's space is -(Rᵀ f).
  Vector d(0, 0, 0);
  float* dv = &d.x;
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) dv[c] -= fir.world.m[4 * r + c] * view.m[8 + r];
  d.Normalize();
  std::map<int, Vector> outward;
  for (const auto& leaf : fir.tree->leaves) outward[leaf.firstVertex] = leaf.outward;
  const cOBSTriMesh& mesh = *fir.parts[fir.leafMeshIndex]->meshes[0];
  std::vector<float> keys;
  for (std::size_t i = fir.tree->firstLeafIndex; i < mesh.indices.size(); i += 6)
    keys.push_back(outward.at(mesh.indices[i]).Dot(d));
  return keys;
}

TEST(TanTree, LeavesAreSortedBackToFrontForATurnedTree) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    c3Dscene scene;
    cMaterial* bark = NewMaterial(scene, "bark", 0xFF806040u);
    auto* fir = new c3Dtantree;
    fir->leaves = 300;
    fir->trunkMaterial = fir->leafMaterial = bark;
    fir->BuildMesh();
    fir->rotationTrack = scenetest::Turn(1, 0.5f, 0, 1.1f);
    objecttest::Link(scene, {fir});
    scenetest::SceneViewer viewer(scene);
    viewer.Use();
    ASSERT_TRUE(viewer.Frame(0));
    const cOBSTriMesh& mesh = *fir->parts[0]->meshes[0];
    const std::vector<std::uint16_t> trunk(mesh.indices.begin(), mesh.indices.begin() + 216);

    // A view turned about y by 0.7 radians.
    Matrix4 view = identityMatrix;
    const float c = std::cos(0.7f), s = std::sin(0.7f);
    view.m[0] = c, view.m[2] = -s, view.m[8] = s, view.m[10] = c;
    SetTransform(kTransformView, view.m);
    ASSERT_TRUE(fir->Render(false));
    const std::vector<float> keys = DrawnKeys(*fir, view);
    ASSERT_EQ(keys.size(), 300u);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_EQ(std::vector<std::uint16_t>(mesh.indices.begin(), mesh.indices.begin() + 216), trunk);

    // Hidden: drawn in the order it had.
    const std::vector<std::uint16_t> before = mesh.indices;
    fir->hidden = true;
    SetTransform(kTransformView, identityMatrix.m);
    ASSERT_TRUE(fir->Render(false));
    EXPECT_EQ(mesh.indices, before);
    // Outside a view3D frame too.
    fir->hidden = false;
    scene.currentView = nullptr;
    ASSERT_TRUE(fir->Render(false));
    EXPECT_EQ(mesh.indices, before);
  });
}

TEST(TanTree, MoreLeavesThanOneMeshReachesAreClampedAndLogged) {
  const auto lines = scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    c3Dscene scene;
    cMaterial* bark = NewMaterial(scene, "bark", 0xFF806040u);
    cMaterial* needles = NewMaterial(scene, "needles", 0xFF208020u);
    for (cMaterial* leaf : {bark, needles}) {
      std::unique_ptr<c3Dtantree> fir(new c3Dtantree);
      fir->SetName(leaf == bark ? "shared" : "apart");
      fir->leaves = 100000;
      fir->trunkMaterial = bark;
      fir->leafMaterial = leaf;
      fir->BuildMesh();
      for (const auto& part : fir->parts) {
        const cOBSTriMesh& mesh = *part->meshes[0];
        const int count = mesh.vertices->vertexCount;
        ASSERT_LE(count, c3Dtantree::kMaxVertices);
        for (std::uint16_t i : mesh.indices) ASSERT_LT(mesh.lowest + i, count);
      }
    }
  });
  for (
      const char* told :
      {"The tan tree \"shared\" has too many leaves for one mesh: 100000 leaves are built as 16363",
       "The tan tree \"apart\" has too many leaves for one mesh: 100000 leaves are built as 16384"})
    EXPECT_NE(std::find(lines.begin(), lines.end(), told), lines.end()) << told;
}

TEST(TanTree, TheSameGeneratorStateGivesTheSameLayout) {
  auto layout = [] {
    VOXA2::SetRandState(99);
    c3Dtantree fir;
    fir.leaves = 50;
    fir.BuildMesh();
    std::vector<float> out;
    for (const auto& leaf : fir.tree->leaves)
      out.insert(out.end(), {leaf.height, leaf.length, leaf.outward.x, leaf.outward.y});
    return out;
  };
  EXPECT_EQ(layout(), layout());
}

TEST(TanTree, DrawsAFir) {
  scenetest::OnDevice(
      scenetest::kMode8888, nullptr,
      [] {
        c3Dscene scene;
        cMaterial* bark = NewMaterial(scene, "bark", 0xFF704020u);
        cMaterial* needles = NewMaterial(scene, "needles", 0xFF20A040u);
        VOXA2::SetRandState(2);
        auto* fir = new c3Dtantree;
        fir->up.Set(0, -1, 0);  // the base camera's y runs down the screen
        fir->trunkRadius = 0.12f;
        fir->trunkMaterial = bark;
        fir->leafMaterial = needles;
        fir->BuildMesh();
        fir->positionTrack = scenetest::Constant({0, 1.5f, 4});
        ASSERT_TRUE(objecttest::DrawWithLights(scene, fir));
        EXPECT_NE(objecttest::PixelAt(80, 70), 0u) << "the crown";
        EXPECT_EQ(objecttest::PixelAt(5, 5), 0u) << "the sky";
        objecttest::MaybeWritePng("tantree");
      },
      160, 120);
}

}  // namespace
