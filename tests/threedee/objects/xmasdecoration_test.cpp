// Decorations of tan trees: the candle and sphere meshes, their names, their
// places on a tree of known branches, the block's errors, and a decorated
// fir drawn.
#include "threedee/objects/xmasdecoration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "foundation/random.h"
#include "tests/support/scriptread.h"
#include "tests/threedee/objects/object_support.h"
#include "tests/threedee/scene/scene_device.h"
#include "tests/threedee/scene/scene_viewer.h"
#include "threedee/objects/tantree.h"
#include "threedee/scene/material.h"

namespace {

using namespace VOXA2::threedee;

Vector FaceNormal(const tDecoration& d, const tDecoration::tFace& f) {
  const Vector a = d.vertices[f.a].position;
  return Cross(d.vertices[f.b].position - a, d.vertices[f.c].position - a);
}
Vector Centroid(const tDecoration& d, const tDecoration::tFace& f) {
  return (d.vertices[f.a].position + d.vertices[f.b].position + d.vertices[f.c].position)
      .Scaled(1.0f / 3);
}

TEST(XmasDecoration, CandlesAndSpheresAreClosedAndFaceOut) {
  cMaterial wax, fire;
  for (Vector up : {Vector(0, 0, 1), Vector(1, 0, 0), Vector(0, -1, 0)}) {
    SCOPED_TRACE(std::to_string(up.x) + "," + std::to_string(up.y) + "," + std::to_string(up.z));
    for (bool flame : {false, true}) {
      const tDecoration candle = MakeCandle(up, 1.0f, 0.25f, &wax, flame, &fire);
      EXPECT_EQ(candle.vertices.size(), flame ? 67u : 61u);
      ASSERT_EQ(candle.faces.size(), flame ? 84u : 76u);
      const Vector middle = up.Scaled(0.5f);
      for (std::size_t i = 0; i < 76; ++i) {
        EXPECT_EQ(candle.faces[i].material, &wax);
        EXPECT_GT(
            FaceNormal(candle, candle.faces[i]).Dot(Centroid(candle, candle.faces[i]) - middle), 0)
            << "face " << i;
      }
      for (std::size_t i = 76; i < candle.faces.size(); ++i)
        EXPECT_EQ(candle.faces[i].material, &fire);
    }
    for (float diameter : {0.25f, 2.0f}) {
      const tDecoration sphere = MakeSphere(up, diameter, &wax);
      EXPECT_EQ(sphere.vertices.size(), 80u);
      ASSERT_EQ(sphere.faces.size(), 144u);
      const Vector centre = up.Scaled(-diameter / 2);
      for (std::size_t i = 0; i < 144; ++i) {
        const Vector n = FaceNormal(sphere, sphere.faces[i]);
        if (i >= 120 && i < 132) {
          EXPECT_LT(n.Dot(n), 1e-20f) << "the lower cap has no area";
          continue;
        }
        EXPECT_GT(n.Dot(Centroid(sphere, sphere.faces[i]) - centre), 0) << "face " << i;
      }
    }
  }
  // Up along x: the ring starts along up × (0, 1, 0) = (0, 0, 1).
  const tDecoration candle = MakeCandle({1, 0, 0}, 1.0f, 0.25f, &wax, false, nullptr);
  EXPECT_NEAR(candle.vertices[0].position.z, 0.125f, 1e-6f);
  // The sphere's centre 0.125 below the place, its top pole along y.
  const tDecoration sphere = MakeSphere({0, 0, 1}, 0.25f, &wax);
  const Vector pole = sphere.vertices[78].position;
  EXPECT_NEAR(pole.y, 0.125f, 1e-6f);
  EXPECT_NEAR(pole.z, -0.125f, 1e-6f);
}

TEST(XmasDecoration, NamesCountOnThroughTheRun) {
  const std::string first = MakeDecorationName("star", "candle");
  const auto number = [](const std::string& name) {
    const auto at = name.find(':');
    return std::stoi(name.substr(at + 1));
  };
  const int n = number(first);
  EXPECT_EQ(first, "star - candle $(xmasdecoration:" + std::to_string(n) + ")$");
  EXPECT_EQ(MakeDecorationName(nullptr, "sphere"),
            "sphere $(xmasdecoration:" + std::to_string(n + 1) + ")$");
}

// A tree of three hand-made branches: heights 0.6, 1.5 and 2.4 of 3.
std::unique_ptr<c3Dtantree> KnownTree(std::initializer_list<float> heights) {
  std::unique_ptr<c3Dtantree> tree(new c3Dtantree);
  tree->tree = std::make_unique<c3Dtantree::tTree>();
  float side = 1;
  for (float h : heights) {
    c3Dtantree::tTanLeaf leaf;
    leaf.height = h;
    leaf.attachment.Set(0, 0, h);
    leaf.branch.Set(side, 0, -0.2f);
    side = -side;
    tree->tree->leaves.push_back(leaf);
  }
  return tree;
}

TEST(XmasDecoration, PlacesFollowTheScoresFromTheGenerator) {
  std::unique_ptr<c3Dtantree> tree = KnownTree({0.6f, 1.5f, 2.4f});
  VOXA2::SetRandState(1234);
  std::vector<Vector> placed;
  Vector at[2], up;
  ChooseDecorationPlace(*tree, at[0], up, placed);
  ChooseDecorationPlace(*tree, at[1], up, placed);
  EXPECT_EQ(up.z, 1.0f);
  ASSERT_EQ(placed.size(), 2u);

  // The same draws, worked out by hand: two per candidate branch.
  VOXA2::SetRandState(1234);
  std::vector<Vector> expected;
  for (int round = 0; round < 2; ++round) {
    float best = 1e30f;
    Vector choice(0, 0, 0);
    for (const auto& b : tree->tree->leaves) {
      const float h = b.height / 3.0f;
      const float t = 0.9f + 0.1f * VOXA2::RandomFraction();
      const Vector p = b.attachment + b.branch.Scaled(t);
      float score = std::pow(std::fabs(0.5f - h), 4.0f) * 3.0f + 0.01f * VOXA2::RandomFraction();
      for (const Vector& q : expected) score += 10 / std::sqrt((p - q).Dot(p - q));
      if (score < best) best = score, choice = p;
    }
    expected.push_back(choice);
  }
  for (int i = 0; i < 2; ++i) {
    EXPECT_FLOAT_EQ(at[i].x, expected[i].x) << i;
    EXPECT_FLOAT_EQ(at[i].z, expected[i].z) << i;
  }
  EXPECT_LT(at[0].x, 0) << "the middle branch (leaning to -x) first";
  EXPECT_GT(at[1].x, 0) << "the second keeps away from the first";

  // No branch between 0.1 and 0.9 of the height: the one nearest a random height.
  std::unique_ptr<c3Dtantree> edges = KnownTree({0.15f, 2.85f});
  VOXA2::SetRandState(77);
  const float wanted = (0.1f + 0.8f * VOXA2::RandomFraction()) * 3.0f;
  const float t = 0.9f + 0.1f * VOXA2::RandomFraction();
  const auto& near = std::fabs(0.15f - wanted) <= std::fabs(2.85f - wanted)
                         ? edges->tree->leaves[0]
                         : edges->tree->leaves[1];
  VOXA2::SetRandState(77);
  std::vector<Vector> none;
  Vector p;
  ChooseDecorationPlace(*edges, p, up, none);
  EXPECT_FLOAT_EQ(p.x, (near.attachment + near.branch.Scaled(t)).x);
  EXPECT_FLOAT_EQ(p.z, (near.attachment + near.branch.Scaled(t)).z);
}

TEST(XmasDecoration, BlockErrors) {
  struct Case {
    const char* text;
    bool tanTree;
    std::int32_t code;
    const char* message;
  };
  const Case cases[] = {
      {"{ }", false, -1, "A xmasdecoration can just decorate tan trees!"},
      {"{ bogus }", true, 100, "Syntax error!"},
      {"{ add 0 candles { } }", true, -1, "Item count must be one or greater!"},
      {"{ add 2 stars { } }", true, 100, "Unknown decoration type \"stars\"!"},
      {"{ add 1 spheres { material \"nope\" } }", true, -1, "Material \"nope\" does not exists!"},
      {"{ add 1 candles { add wick \"wax\" } }", true, -1, "I don't know how to add \"wick\"!"},
      {"{ add 1 candles { colour 3 } }", true, 100, "Syntax error!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    c3Dscene scene;
    auto* wax = new cMaterial;
    wax->SetName("wax");
    scene.AddMaterial(wax);
    std::unique_ptr<c3Dobject> target(c.tanTree ? static_cast<c3Dobject*>(new c3Dtantree)
                                                : new c3DSmesh);
    const auto out = testsupport::ReadScript(c.text, "scene.t3d", [&](VOXA2::cParserT* p) {
      cText3Dadder_xmasdecoration adder;
      adder.Add(target.get(), p, &scene);
    });
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.code, c.code);
    EXPECT_EQ(out.message, c.message);
  }
}

TEST(XmasDecoration, DecoratesAFir) {
  scenetest::OnDevice(
      scenetest::kMode8888, nullptr,
      [] {
        c3Dscene scene;
        auto material = [&](const char* name, std::uint32_t colour) {
          auto* m = new cMaterial;
          m->SetName(name);
          m->diffuse = m->ambient = colour;
          m->twoSided = true;
          scene.AddMaterial(m);
        };
        material("needles", 0xFF208030u);
        material("wax", 0xFFF0F0E0u);
        material("fire", 0xFFFFB020u);
        material("red", 0xFFE02020u);
        VOXA2::SetRandState(8);
        auto* fir = new c3Dtantree;
        fir->SetName("fir");
        fir->up.Set(0, -1, 0);  // the base camera's y runs down the screen
        fir->leaves = 400;
        fir->trunkMaterial = fir->leafMaterial = scene.FindMaterial("needles");
        fir->BuildMesh();
        fir->positionTrack = scenetest::Constant({0, 1.5f, 4});

        const auto out = testsupport::ReadScript(
            "{ prefix \"lights\" add 3 candles { material \"wax\" size 0.3 diameter 0.08 add flame "
            "\"fire\" }"
            " add 5 spheres { material \"red\" diameter 0.2 } }",
            "scene.t3d", [&](VOXA2::cParserT* p) {
              cText3Dadder_xmasdecoration adder;
              adder.Add(fir, p, &scene);
            });
        ASSERT_TRUE(out.ok) << out.message;
        int candles = 0, spheres = 0;
        for (c3Dobject* child = fir->firstChild; child; child = child->nextSibling) {
          const std::string name = child->GetName();
          candles += name.rfind("lights - candle $(xmasdecoration:", 0) == 0;
          spheres += name.rfind("lights - sphere $(xmasdecoration:", 0) == 0;
          EXPECT_EQ(child->parent, fir);
        }
        EXPECT_EQ(candles, 3);
        EXPECT_EQ(spheres, 5);

        ASSERT_TRUE(objecttest::DrawWithLights(scene, fir));
        EXPECT_EQ(objecttest::PixelAt(5, 5), 0u) << "the sky";
        objecttest::MaybeWritePng("xmasdecoration");
      },
      160, 120);
}

}  // namespace
