// The keyframer section: the node tree built from hierarchy values, dummies
// and instance names, tracks with their keys and modes, morph targets, and
// cameras and spot lights paired with their targets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/threedee/loaders/chunkwriter.h"
#include "tests/threedee/loaders/threeds_support.h"
#include "threedee/scene/keyframed.h"
#include "threedee/scene/mesher.h"

namespace {

using namespace chunkwriter;
using threedstest::Loaded;
using threedstest::ThreeDS;
using namespace VOXA2::threedee;

Bytes Triangle(const std::string& name, float x = 0) {
  return Object(name, {Chunk(0x4100, "", {Chunk(0x4110, U16(3) + Floats({x, 0, 0, 1, 0, 0, 0, 1, 0})),
                                          Faces({{0, 1, 2}})})});
}
Bytes Quad(const std::string& name) {
  return Object(name, {Chunk(0x4100, "", {Chunk(0x4110, U16(4) + Floats({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}))})});
}

// The tree as "name(children) name ..." in pre-order.
std::string Tree(const t3DSLnode* node) {
  std::string out;
  for (; node; node = node->nextSibling) {
    if (!out.empty()) out += " ";
    out += node->name;
    if (node->firstChild) out += "(" + Tree(node->firstChild) + ")";
    if (node->firstChild && node->firstChild->parent != node) out += "!";
  }
  return out;
}

TEST_F(ThreeDS, HierarchyValuesBuildTheTree) {
  struct Row {
    std::vector<std::int16_t> values;
    std::string tree;
    bool ok;
  };
  const Row rows[] = {
      {{-1, 0, 1, 1, 0, -1}, "A(B(C D) E) F", true},
      {{-1, 0, 0, 0}, "A(B C D)", true},
      {{-1, 0, 1, 2, 0}, "A(B(C(D)) E)", true},
      {{-1, 3, 1}, "A(B C)", true},
      // Below -1 counts as top level.
      {{-1, 0, -2, 0}, "A(B) C(D)", true},
      {{0, -1}, "", false},
  };
  for (const Row& row : rows) {
    Bytes nodes;
    char name = 'A';
    for (std::int16_t h : row.values) nodes += Node(0xB002, std::string(1, name++), h);
    Bytes file = Chunk(0x4D4D, Chunk(0xB000, nodes));
    Loaded out = Read(file);
    EXPECT_EQ(out.ok, row.ok) << row.tree;
    EXPECT_EQ(Tree(out.loader->data->rootNode), row.tree);
  }
}

TEST_F(ThreeDS, MeshNodesWithoutARecordBecomeDummies) {
  Loaded out = ReadOnDevice(Main({Editor({Triangle("Tri")}),
                          Keyframer({Node(0xB002, "tri", -1, {Chunk(0xB013, Floats({1, 2, 3}))}),
                                     Node(0xB002, "$$$DUMMY", 0, {Chunk(0xB011, Str("Helper")), Chunk(0xB013, Floats({4, 5, 6}))}),
                                     Node(0xB002, "Ghost", 0),
                                     Chunk(0xB002, Chunk(0xB011, Str("Headless")) + Chunk(0xB030, U16(9)))})}));
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(Tree(out.loader->data->rootNode), "tri(Helper Ghost)");
  const t3DSLnode* tri = out.loader->data->rootNode;
  EXPECT_FALSE(tri->dummy);
  EXPECT_EQ(tri->mesh, out.loader->data->FindMesh("Tri"));
  EXPECT_EQ(tri->pivot.y, 2.0f);
  const t3DSLnode* helper = tri->firstChild;
  EXPECT_TRUE(helper->dummy);
  EXPECT_EQ(helper->mesh, nullptr);
  EXPECT_EQ(helper->pivot.x, 0.0f);
  EXPECT_TRUE(helper->nextSibling->dummy);
  for (const char* line : {"\"Ghost\" has no associated mesh! Treating it as dummy object.",
                           "    Instance Name: \"Helper\"", "      Hirachy: 0", "    Node ID: 9",
                           "  Mesh information"})
    EXPECT_TRUE(out.Logged(line)) << line;
}

TEST_F(ThreeDS, APivotBeforeTheHeaderStillCounts) {
  Loaded out = ReadOnDevice(Main({Editor({Triangle("Tri")}),
                          Keyframer({Chunk(0xB002, Chunk(0xB013, Floats({1, 2, 3})) + NodeHeader("Tri", -1))})}));
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.loader->data->rootNode->pivot.z, 3.0f);
  EXPECT_EQ(out.loader->data->FindMesh("Tri")->positions[0].x, 0.0f);
}

TEST_F(ThreeDS, TracksKeepTheirKeysAndModes) {
  const Bytes position = Track(0xB020, 3, 2, {Key(0, 0, Floats({1, 2, 3})), Key(10, 0x21, Floats({0.5f, 99, 4, 5, 6}))});
  const Bytes rotation = Track(0xB021, 1, 1, {Key(0, 0x1F, Floats({0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 1.5f, 0, 0, 1}))});
  const Bytes fov = Track(0xB023, 4, 1, {Key(5, 0, Floats({45}))});
  const Bytes hide = Track(0xB029, 0, 3, {U16(0) + U32(0), U16(10) + U32(0), U16(20) + U32(0)});
  Loaded out = ReadOnDevice(Main({Editor({Triangle("Tri")}),
                          Keyframer({Node(0xB002, "Tri", -1, {position, rotation, fov, hide})})}));
  ASSERT_TRUE(out.ok);
  const t3DSLnode* node = out.loader->data->rootNode;
  const t3DSLtrack& pos = *node->tracks[t3DSLnode::kPosition];
  EXPECT_EQ(pos.repeatMode, 2);
  ASSERT_EQ(pos.keys.size(), 2u);
  EXPECT_EQ(pos.keys[0].tension, 0.0f);
  EXPECT_EQ(pos.keys[1].frame, 10.0f);
  EXPECT_EQ(pos.keys[1].tension, 0.5f);
  EXPECT_EQ(pos.keys[1].value[0], 4.0f);
  EXPECT_EQ(pos.keys[1].value[2], 6.0f);
  const t3DSLtrack& rot = *node->tracks[t3DSLnode::kRotation];
  EXPECT_EQ(rot.repeatMode, 1);
  const t3DSLkey& r = rot.keys.at(0);
  EXPECT_FLOAT_EQ(r.easeTo, 0.4f);
  EXPECT_FLOAT_EQ(r.easeFrom, 0.5f);
  EXPECT_EQ((std::vector<float>(r.value, r.value + 4)), (std::vector<float>{0, 0, 1, 1.5f}));
  EXPECT_EQ(node->tracks[t3DSLnode::kFov]->repeatMode, 1);
  EXPECT_EQ(node->tracks[t3DSLnode::kFov]->components, 1);
  const t3DSLtrack& h = *node->tracks[t3DSLnode::kHide];
  ASSERT_EQ(h.keys.size(), 3u);
  EXPECT_EQ(h.keys[0].value[0], 1.0f);
  EXPECT_EQ(h.keys[1].value[0], 0.0f);
  EXPECT_EQ(h.keys[2].value[0], 1.0f);
  EXPECT_EQ(h.keys[2].frame, 20.0f);
  for (const char* line : {"      Frame   10: 4.000000, 5.000000, 6.000000", "        Unknown (bit 5): 99.000000",
                           "      Frame    0: axis(0.000000, 0.000000, 1.000000), angle(1.500000)",
                           "      Frame   20: change visibility", "        repeat enabled", "      Keys: 3"})
    EXPECT_TRUE(out.Logged(line)) << line;
}

TEST_F(ThreeDS, KeysBeyondTheChunkOrOutOfOrderAreDropped) {
  const Bytes huge = Track(0xB020, 0, 30000, {Key(0, 0, Floats({1, 2, 3})), Key(0, 0, Floats({4, 5, 6})),
                                              Key(-5, 0, Floats({7, 8, 9})), Key(3, 0, Floats({1, 1, 1}))});
  Loaded out = ReadOnDevice(Main({Editor({Triangle("Tri")}), Keyframer({Node(0xB002, "Tri", -1, {huge})})}));
  ASSERT_TRUE(out.ok);
  const t3DSLtrack& pos = *out.loader->data->rootNode->tracks[t3DSLnode::kPosition];
  ASSERT_EQ(pos.keys.size(), 2u);
  EXPECT_EQ(pos.keys[1].frame, 3.0f);
}

TEST_F(ThreeDS, MorphTracksStopAtAnUnfittingTarget) {
  auto morph = [](std::initializer_list<Bytes> keys) { return Track(0xB026, 0, 3, keys); };
  Loaded out = ReadOnDevice(Main({Editor({Triangle("Tri"), Triangle("Tri2", 5), Quad("Four")}),
                          Keyframer({Node(0xB002, "Tri", -1, {Chunk(0xB011, Str("Renamed")),
                                                              morph({Key(0, 0, Str("Tri2")), Key(10, 0, Str("Four")),
                                                                     Key(20, 0, Str("Tri"))})}),
                                     Node(0xB002, "Tri2", -1, {morph({Key(0, 0, Str("Nothing"))})}),
                                     Node(0xB002, "Ghost", -1, {morph({Key(0, 0, Str("Tri"))})})})}));
  ASSERT_TRUE(out.ok);
  const t3DSLnode* first = out.loader->data->rootNode;
  const t3DSLtrack& track = *first->tracks[t3DSLnode::kMorph];
  EXPECT_FALSE(track.complete);
  ASSERT_EQ(track.keys.size(), 1u);
  EXPECT_EQ(track.keys[0].morphTarget, out.loader->data->FindMesh("Tri2"));
  EXPECT_EQ(track.components, 3);
  EXPECT_TRUE(out.Logged("The mesh \"Four\" does not has the same number of vertices as the original object \"Tri\"!"));
  EXPECT_TRUE(out.Logged("Did not found mesh \"Nothing\" specified at 0 seconds in object track of object \"Tri2\"!"));
  EXPECT_EQ(first->nextSibling->nextSibling->tracks[t3DSLnode::kMorph], nullptr);
}

TEST_F(ThreeDS, CamerasAndSpotLightsFindTheirTargets) {
  const std::string longName(300, 'c');
  Bytes camera = Object("Camera01", {Chunk(0x4700, Bytes(32, '\0'), {Chunk(0x4720, Floats({1, 2}))})});
  Bytes longCamera = Object(longName, {Chunk(0x4700, Bytes(32, '\0'), {Chunk(0x4720, Floats({1, 2}))})});
  Bytes spot = Object("Spot", {Chunk(0x4600, Floats({0, 0, 0}), {Chunk(0x4610, Floats({0, 0, 0}))})});
  Loaded out = Read(Main({Editor({camera, longCamera, spot}),
                          Keyframer({Node(0xB003, "Camera01", -1), Node(0xB004, "Camera01", -1),
                                     Node(0xB007, "Spot", -1), Node(0xB006, "Spot.TAR", -1),
                                     Node(0xB003, longName, -1), Node(0xB004, longName + ".Target", -1),
                                     Node(0xB004, "a.b", -1)})}));
  ASSERT_TRUE(out.ok);
  const t3DSLnode* cam = out.loader->data->rootNode;
  ASSERT_NE(cam->target, nullptr);
  EXPECT_EQ(cam->target->name, "Camera01.target");
  EXPECT_EQ(cam->camera, out.loader->data->FindCamera("Camera01"));
  const t3DSLnode* spotNode = cam->nextSibling->nextSibling;
  ASSERT_NE(spotNode->target, nullptr);
  EXPECT_EQ(spotNode->target->name, "Spot.target");
  const t3DSLnode* longNode = spotNode->nextSibling->nextSibling;
  ASSERT_NE(longNode->target, nullptr);
  EXPECT_EQ(longNode->target->name, longName + ".target");
  EXPECT_EQ(longNode->nextSibling->nextSibling->name, "a.b.target");
  for (const char* line : {"Seeking for targets", "Assigned \"Camera01.target\" as target to camera \"Camera01\"",
                           "Assigned \"Spot.target\" as target to spotlight \"Spot\"",
                           "        Changed object name to \"Spot.target\""})
    EXPECT_TRUE(out.Logged(line)) << line;
}

TEST_F(ThreeDS, ACameraNodeWithoutItsCameraFailsTheLoad) {
  // A keyframer before the editor finds no records either.
  Bytes camera = Object("Cam", {Chunk(0x4700, Bytes(32, '\0'), {Chunk(0x4720, Floats({1, 2}))})});
  for (const Bytes& file : {Main({Keyframer({Node(0xB003, "Cam", -1)})}),
                            Main({Keyframer({Node(0xB003, "Cam", -1)}), Editor({camera})})}) {
    Loaded out = Read(file);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.Logged("3DS corrupt: Could not find original camera object!"));
  }
}

}  // namespace

namespace {

using namespace chunkwriter;
using threedstest::Loaded;
using threedstest::ThreeDS;
using namespace VOXA2::threedee;

TEST_F(ThreeDS, NodesBecomeSceneObjectsOfTheirKind) {
  Bytes camera = Object("Cam", {Chunk(0x4700, Bytes(32, '\0'), {Chunk(0x4720, Floats({2, 3}))})});
  Bytes spot = Object("Spot", {Chunk(0x4600, Floats({0, 0, 0}), {Chunk(0x4610, Floats({0, 0, 0}))})});
  const float quarter = 1.5707964f;
  Bytes rotation = Track(0xB021, 0, 2, {Key(0, 0, Floats({quarter, 0, 0, 1})), Key(10, 0, Floats({quarter, 0, 0, 1}))});
  Bytes position = Track(0xB020, 0, 2, {Key(0, 0, Floats({1, 2, 3})), Key(10, 0, Floats({4, 5, 6}))});
  Loaded out = ReadOnDevice(Main({Editor({Material("Red"), Triangle("Tri"), camera, spot}),
                                  Keyframer({Node(0xB002, "Tri", -1, {position, rotation}),
                                             Node(0xB002, "$$$DUMMY", 0, {Chunk(0xB011, Str("Helper"))}),
                                             Node(0xB003, "Cam", -1), Node(0xB004, "Cam", -1),
                                             Node(0xB007, "Spot", -1), Node(0xB006, "Spot", -1),
                                             Node(0xB005, "Omni", -1), Node(0xB001, "$AMBIENT$", -1)})}));
  ASSERT_TRUE(out.ok);
  c3Dobject* root = out.loader->root;
  auto* tri = dynamic_cast<c3DSmesh*>(root);
  ASSERT_NE(tri, nullptr);
  EXPECT_EQ(tri->parts.size(), 1u);
  EXPECT_NE(dynamic_cast<c3DStemporary*>(root->firstChild), nullptr);
  EXPECT_EQ(dynamic_cast<c3DSmesh*>(root->firstChild), nullptr);
  EXPECT_EQ(root->firstChild->parent, root);
  auto* cam = dynamic_cast<c3DScamera*>(root->nextSibling);
  ASSERT_NE(cam, nullptr);
  EXPECT_EQ(cam->nearPlane, 2.0f);
  EXPECT_EQ(cam->farPlane, 50000.0f);
  ASSERT_NE(cam->target, nullptr);
  EXPECT_STREQ(cam->target->GetName(), "Cam.target");
  EXPECT_NE(dynamic_cast<c3DStarget*>(cam->target), nullptr);
  auto* spotLight = dynamic_cast<c3DSlight_spot*>(cam->nextSibling->nextSibling);
  ASSERT_NE(spotLight, nullptr);
  EXPECT_STREQ(spotLight->target->GetName(), "Spot.target");
  EXPECT_NE(dynamic_cast<c3DSlight_omni*>(spotLight->nextSibling->nextSibling), nullptr);
  EXPECT_NE(dynamic_cast<c3DSlight_ambient*>(spotLight->nextSibling->nextSibling->nextSibling), nullptr);

  // Position keys at their frames; two quarter turns about z make a half turn.
  tri->positionTrack->Evaluate(10);
  EXPECT_FLOAT_EQ(tri->positionTrack->GetValues()[1], 5.0f);
  tri->rotationTrack->Evaluate(10);
  EXPECT_NEAR(tri->rotationTrack->GetMatrix()[0], -1.0f, 1e-5f);

  const std::vector<std::string> dump = {"Object tree:", "  Tri", "    Helper", "  Cam", "  Cam.target",
                                         "  Spot", "  Spot.target", "  Omni", "  $AMBIENT$", "",
                                         "Materials:", "  (default)", "  Red"};
  auto at = std::find(out.log.begin(), out.log.end(), "Object tree:");
  ASSERT_NE(at, out.log.end());
  EXPECT_EQ(std::vector<std::string>(at, at + static_cast<long>(dump.size())), dump);
}

TEST_F(ThreeDS, ConversionSplitsVerticesByTextureVertex) {
  c3DSloader loader;
  auto* red = new cMaterial();
  red->SetName("Red");
  loader.AddMaterial(new cMaterial());
  loader.defaultMaterial = loader.materials[0];
  loader.AddMaterial(red);
  t3DSLmesh mesh;
  mesh.scene = &loader;
  for (int i = 0; i < 4; ++i) mesh.AddVertex(Vector(float(i), 1, 2), Vector(0, 0, 1));
  for (int i = 0; i < 5; ++i) mesh.AddTexVertex(0.1f * float(i), 0.5f);
  // Corner (1, 4) twice, then (2, 3): two extra vertices in first-seen order.
  mesh.AddFace({{0, 1, 2}, {0, 4, 2}, -1});
  mesh.AddFace({{1, 2, 3}, {4, 3, 3}, 1});
  std::vector<int> originals;
  std::vector<float> xs, us;
  std::vector<cMaterial*> materials;
  std::vector<int> corners;
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    cMesher mesher;
    ConvertMesh(&mesh, Vector(1, 0, 0), &mesher);
    VertexArray* a = mesher.source.get();
    ASSERT_NE(a, nullptr);
    for (int v = 0; v < a->vertexCount; ++v) {
      const std::uint8_t* at = a->data + static_cast<std::size_t>(v) * a->pointer.stride;
      float p[3], uv[2];
      std::memcpy(p, at + a->pointer.position, sizeof p);
      std::memcpy(uv, at + a->pointer.textureCoords, sizeof uv);
      xs.push_back(p[0]);
      us.push_back(uv[0]);
    }
    originals = mesher.originalIndices;
    for (const cMesher::tFace& f : mesher.faces) {
      corners.insert(corners.end(), {f.a, f.b, f.c});
      materials.push_back(f.material);
    }
  });
  EXPECT_EQ(originals, (std::vector<int>{0, 1, 2, 3, 1, 2}));
  EXPECT_EQ(corners, (std::vector<int>{0, 4, 2, 4, 5, 3}));
  EXPECT_EQ(xs, (std::vector<float>{-1, 0, 1, 2, 0, 1}));
  EXPECT_FLOAT_EQ(us[4], 0.4f);
  EXPECT_FLOAT_EQ(us[5], 0.3f);
  EXPECT_EQ(materials, (std::vector<cMaterial*>{loader.materials[0], red}));
  // The record keeps its own positions.
  EXPECT_EQ(mesh.positions[0].x, 0.0f);
}

}  // namespace

namespace {

using namespace chunkwriter;
using namespace VOXA2::threedee;

// Without a device no vertex array can be made: the error passes out of the
// load, and the objects made so far go with the loader.
TEST(ThreeDSObjects, AFailedMeshLeavesItsObjectsToTheLoader) {
  testsupport::ScopedTempDir dir;
  Bytes file = Main({Editor({Triangle("Tri")}),
                     Keyframer({Node(0xB002, "Ghost", -1), Node(0xB002, "Tri", 0)})});
  TMemFile stream(file.data(), static_cast<std::int32_t>(file.size()), true);
  c3DSloader loader;
  try {
    ReadMainChunk(&loader, &stream);
    ADD_FAILURE() << "no device, yet a vertex array";
  } catch (VOXA::errors::eError* error) {
    EXPECT_STREQ(error->GetMessage(), "Out of memory: Could not create VertexArray() object!");
    delete error;
  }
  ASSERT_NE(loader.root, nullptr);
  EXPECT_NE(loader.root->firstChild, nullptr);
}

}  // namespace
