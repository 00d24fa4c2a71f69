// "magnet": how far vertices move for a radius and a mesh's scale, the
// centre compared with the positions as the mesh stores them, two magnets in
// one frame, a radius of 0, and what the script form reads.
#include "view3d/magnet.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/threedee/objects/object_support.h"
#include "tests/threedee/scene/scene_builders.h"
#include "tests/threedee/scene/scene_device.h"
#include "tests/view3d/view3d_fixture.h"
#include "threedee/scene/cameras.h"
#include "threedee/scene/keyframed.h"

namespace view3dtest {
namespace {

using namespace VOXA2;
using namespace VOXA2::threedee;

std::string Entry(const std::string& block) {
  return "pipeline p {\n  entry 0 : 10 : view3D {\n" + block + "\n  }\n}\n";
}

// A mesh of the points (one triangle of the first three).
c3DSmesh* Points(const char* name, const std::vector<Vector>& points) {
  return objecttest::MeshOfPoints(name, points, {0, 1, 2}, {0, 0, 1});
}

void ExpectAt(const Vector& got, const Vector& expected, const std::string& what) {
  EXPECT_NEAR(got.x, expected.x, 1e-4f) << what;
  EXPECT_NEAR(got.y, expected.y, 1e-4f) << what;
  EXPECT_NEAR(got.z, expected.z, 1e-4f) << what;
}

TEST(Magnet, PushesHalfwayToTheEdgeOfItsSphere) {
  struct Case {
    const char* name;
    float scale;    // of the mesh's world matrix
    Vector place;   // the mesh's world translation
    Vector centre;  // the magnet's world translation
    float radius;
    std::vector<Vector> points, expected;
  } cases[] = {
      // r 10, scale 1: the effective radius is 20.
      {"identity",
       1,
       {0, 0, 0},
       {0, 0, 0},
       10,
       {{10, 0, 0}, {0, 19, 0}, {0, 0, 20}, {0, 0, -25}, {0, 0, 0}},
       {{15, 0, 0}, {0, 19.5f, 0}, {0, 0, 20}, {0, 0, -25}, {0, 0, 0}}},
      // The centre is compared with the stored positions: a mesh placed 30
      // units away bulges where its own coordinates meet the magnet's.
      {"mesh placed off the origin",
       1,
       {30, 0, 0},
       {5, 0, 0},
       10,
       {{15, 0, 0}, {5, 4, 0}, {40, 0, 0}},
       {{20, 0, 0}, {5, 12, 0}, {40, 0, 0}}},
      // Scale 2: the inverse's block sums to 0.75, the effective radius is 5.
      {"mesh at scale 2",
       2,
       {0, 0, 0},
       {0, 0, 0},
       10,
       {{4, 0, 0}, {0, -3, 0}, {6, 0, 0}},
       {{4.5f, 0, 0}, {0, -4, 0}, {6, 0, 0}}},
  };
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      std::unique_ptr<c3DSmesh> mesh(Points("m", c.points));
      Matrix4& w = mesh->world;
      w = identityMatrix;
      w.m[0] = w.m[5] = w.m[10] = c.scale;
      w.m[3] = c.place.x, w.m[7] = c.place.y, w.m[11] = c.place.z;
      Matrix4::Invert(mesh->inverseWorld, w);
      mesh->boundsDirty = false;
      cVOXA3Dmagnet::DeformMesh(*mesh, c.centre, c.radius);
      const auto got = objecttest::Positions(*mesh);
      ASSERT_EQ(got.size(), c.expected.size());
      for (std::size_t i = 0; i < got.size(); ++i)
        ExpectAt(got[i], c.expected[i], "vertex " + std::to_string(i));
      EXPECT_TRUE(mesh->parts[0]->meshes[0]->verticesChanged);
      EXPECT_TRUE(mesh->boundsDirty);
    }
  });
}

TEST(Magnet, RadiusWithoutATrackComesFromTheMagnetObject) {
  c3Dtarget target;
  c3DtriangularMesh bounded;
  bounded.radius = 4;
  c3Dmesh drawable;
  drawable.meshValues[0] = 1, drawable.meshValues[1] = -2, drawable.meshValues[2] = 0.5f;
  EXPECT_EQ(cVOXA3Dmagnet::DefaultRadius(&target), 3.0f);
  EXPECT_EQ(cVOXA3Dmagnet::DefaultRadius(&bounded), 4.0f);
  EXPECT_EQ(cVOXA3Dmagnet::DefaultRadius(&drawable), 3.5f);
}

// A target "pole" at the origin, a mesh "dots" at the origin and a mesh
// "far" that no magnet names.
std::vector<Vector> dots = {{2, 0, 0}, {0, 4, 0}, {0, 0, 1}, {0, 9, 0}};
void PoleScene(c3Dscene& scene) {
  scene.frames = 100;
  auto* pole = new c3Dtarget;
  pole->SetName("pole");
  scenetest::Link(scene, {pole, Points("dots", dots), Points("far", dots)});
}

class MagnetScript : public View3DTest {
 protected:
  void SetUp() override {
    View3DTest::SetUp();
    Scenes()["pole"] = PoleScene;
  }
  // Runs the sub-commands after "use" once, as one frame does.
  void Frame(float time) {
    for (std::size_t i = 1; i < View()->commands.size(); ++i) {
      bool result = false;
      ASSERT_TRUE(View()->commands[i]->Execute(time, time, time / 10, &result));
      EXPECT_TRUE(result);
    }
  }
  c3DSmesh& Mesh(const char* name) {
    return *dynamic_cast<c3DSmesh*>(View()->currentAnimation->FindObject(name));
  }
};

TEST_F(MagnetScript, TheSecondMagnetOfAFrameWorksOnTheFirstsOutput) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    // The target's radius is 3: it reaches 6 units into a mesh at scale 1.
    ASSERT_TRUE(
        Compile(Entry("use \"pole\";\nmagnet \"pole\" at all;\nmagnet \"pole\" at "
                      "\"dots\" radius 4.5;")))
        << ::testing::PrintToString(LogLines());
    Frame(1);
    // 2 -> 4 -> 6.5, 4 -> 5 -> 7, 1 -> 3.5 -> 6.25, 9 stays.
    const std::vector<Vector> twice = {{6.5f, 0, 0}, {0, 7, 0}, {0, 0, 6.25f}, {0, 9, 0}};
    const std::vector<Vector> once = {{4, 0, 0}, {0, 5, 0}, {0, 0, 3.5f}, {0, 9, 0}};
    const auto dotsNow = objecttest::Positions(Mesh("dots"));
    const auto farNow = objecttest::Positions(Mesh("far"));
    for (std::size_t i = 0; i < dots.size(); ++i) {
      ExpectAt(dotsNow[i], twice[i], "dots " + std::to_string(i));
      ExpectAt(farNow[i], once[i], "far " + std::to_string(i));
    }
  });
}

TEST_F(MagnetScript, ARadiusOfZeroLeavesTheVertexArraysAlone) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    // The track falls below 0 after its first key and is held at 0.
    ASSERT_TRUE(Compile(Entry("use \"pole\";\nmagnet \"pole\" at \"dots\" radius linear 5 to -5;")))
        << ::testing::PrintToString(LogLines());
    cOBSTriMesh& render = *Mesh("dots").parts[0]->meshes[0];
    // Marked positions in the array, which a deforming pass would overwrite
    // from the originals.
    VertexArray& array = *render.vertices;
    ASSERT_TRUE(array.Lock(0));
    for (int i = 0; i < array.vertexCount; ++i)
      reinterpret_cast<float*>(array.data + static_cast<std::size_t>(i) * array.pointer.stride +
                               array.pointer.position)[0] = 100.0f + i;
    array.Unlock();
    Frame(8);
    const auto now = objecttest::Positions(Mesh("dots"));
    for (int i = 0; i < array.vertexCount; ++i) EXPECT_EQ(now[i].x, 100.0f + i) << i;
    EXPECT_FALSE(render.verticesChanged);
  });
}

TEST_F(MagnetScript, AllListsEveryTriangularMeshOfTheTree) {
  ASSERT_TRUE(
      Compile(Entry("use \"names\";\nmagnet \"aim\" at all;\nmagnet \"thing\" at \"mesh\", "
                    "\"MESH\";")));
  threedee::c3Dscene* scene = View()->currentAnimation;
  auto* all = dynamic_cast<cVOXA3Dmagnet*>(View()->commands[1]);
  auto* named = dynamic_cast<cVOXA3Dmagnet*>(View()->commands[2]);
  ASSERT_NE(all, nullptr);
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(all->magnet, scene->FindObject("aim"));
  const std::vector<c3Dobject*> mesh = {scene->FindObject("mesh")};
  EXPECT_EQ(all->objectList.objects, mesh);
  EXPECT_EQ(named->objectList.objects.size(), 2u) << "a name given twice is listed twice";
  EXPECT_EQ(named->radiusTrack, nullptr);
}

}  // namespace
}  // namespace view3dtest
