// The keyframer section: the node tree built from hierarchy values, dummies
// and instance names, tracks with their keys and modes, morph targets, and
// cameras and spot lights paired with their targets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/threedee/loaders/chunkwriter.h"
#include "tests/threedee/loaders/threeds_support.h"

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
  Loaded out = Read(Main({Editor({Triangle("Tri")}),
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
  Loaded out = Read(Main({Editor({Triangle("Tri")}),
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
  Loaded out = Read(Main({Editor({Triangle("Tri")}),
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
  Loaded out = Read(Main({Editor({Triangle("Tri")}), Keyframer({Node(0xB002, "Tri", -1, {huge})})}));
  ASSERT_TRUE(out.ok);
  const t3DSLtrack& pos = *out.loader->data->rootNode->tracks[t3DSLnode::kPosition];
  ASSERT_EQ(pos.keys.size(), 2u);
  EXPECT_EQ(pos.keys[1].frame, 3.0f);
}

TEST_F(ThreeDS, MorphTracksStopAtAnUnfittingTarget) {
  auto morph = [](std::initializer_list<Bytes> keys) { return Track(0xB026, 0, 3, keys); };
  Loaded out = Read(Main({Editor({Triangle("Tri"), Triangle("Tri2", 5), Quad("Four")}),
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
