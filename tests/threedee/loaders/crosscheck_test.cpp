// Second opinions on what the 3DS reader reads: a file written by the test's
// chunk writer is read by our loader and by Debian's lib3ds and assimp, and
// the readings must agree on materials, meshes, faces per material, the node
// tree and the keys of the tracks. Both libraries only read here; what our
// loader makes of the records afterwards (splits, seams, emissive colours) is
// checked by the other tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

extern "C" {
#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>
}

#include "tests/threedee/loaders/chunkwriter.h"
#include "tests/threedee/loaders/threeds_support.h"

namespace {

using namespace chunkwriter;
using threedstest::Loaded;
using threedstest::ThreeDS;
using VOXA2::threedee::t3DSLkey;
using VOXA2::threedee::t3DSLmesh;
using VOXA2::threedee::t3DSLnode;

Bytes Identity() { return Chunk(0x4160, Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0})); }
Bytes Id(std::uint16_t id) { return Chunk(0xB030, U16(id)); }
Bytes Vec3Keys(std::uint16_t track, std::initializer_list<std::pair<int, std::array<float, 3>>> keys) {
  Bytes body;
  for (const auto& [frame, v] : keys) body += Key(static_cast<std::int16_t>(frame), 0, Floats({v[0], v[1], v[2]}));
  return Track(track, 0, static_cast<std::int16_t>(keys.size()), {body});
}

// Two materials; a cube whose faces are split between them, a triangle with no
// material; a camera and a light; nodes laid out in file order with parent ids:
// Cube > Helper (a dummy) > Tri, the camera with its target, the light.
Bytes SceneFile() {
  const Bytes cube = Object("Cube", {Chunk(0x4100, "", {CubeVertices(), CubeMapping(), Identity(),
                                                        CubeFaces({FaceMaterial("Red", {0, 1, 2, 3, 4, 5}),
                                                                   FaceMaterial("Blue", {6, 7, 8, 9, 10, 11})})})});
  const Bytes tri = Object("Tri", {Chunk(0x4100, "", {Chunk(0x4110, U16(3) + Floats({0, 0, 0, 2, 0, 0, 0, 2, 1})),
                                                      Identity(), Faces({{0, 1, 2}})})});
  const Bytes cam = Object("Cam", {Chunk(0x4700, Floats({0, -20, 5, 0, 0, 0, 0, 35}),
                                         {Chunk(0x4720, Floats({1, 500}))})});
  const Bytes lamp = Object("Lamp", {Chunk(0x4600, Floats({10, 10, 10}), {Chunk(0x0010, Floats({1, 1, 1}))})});
  const Bytes rotation =
      Track(0xB021, 0, 3,
            {Key(0, 0, Floats({0, 0, 0, 1})) + Key(40, 0, Floats({1.5f, 0, 0, 1})) + Key(80, 0, Floats({0.5f, 1, 0, 0}))});
  return Main(
      {Editor({Material("Red", {Chunk(0xA020, ByteColor(255, 0, 0))}),
               Material("Blue", {Chunk(0xA020, ByteColor(0, 0, 255))}), cube, tri, cam, lamp}),
       Keyframer({Node(0xB002, "Cube", -1,
                       {Id(0), Vec3Keys(0xB020, {{0, {0, 0, 0}}, {40, {5, 1, 0}}, {80, {5, 5, 2}}}), rotation,
                        Vec3Keys(0xB022, {{0, {1, 1, 1}}, {80, {2, 2, 2}}})}),
                  Node(0xB002, "$$$DUMMY", 0,
                       {Id(1), Chunk(0xB011, Str("Helper")), Vec3Keys(0xB020, {{0, {0, 0, 3}}, {60, {1, 0, 3}}})}),
                  Node(0xB002, "Tri", 1, {Id(2), Vec3Keys(0xB020, {{0, {2, 0, 0}}})}),
                  Node(0xB003, "Cam", -1,
                       {Id(3), Vec3Keys(0xB020, {{0, {0, -20, 5}}, {80, {20, 0, 8}}}),
                        Track(0xB023, 0, 2, {Key(0, 0, Floats({45})) + Key(80, 0, Floats({30}))}),
                        Track(0xB024, 0, 1, {Key(0, 0, Floats({0}))})}),
                  Node(0xB004, "Cam", -1, {Id(4), Vec3Keys(0xB020, {{0, {0, 0, 0}}, {80, {1, 1, 0}}})}),
                  Node(0xB005, "Lamp", -1, {Id(5), Vec3Keys(0xB020, {{0, {10, 10, 10}}})})},
                 80)});
}

std::string MaterialOf(const Loaded& ours, std::int32_t index) {
  if (index < 0) return "";
  const char* name = ours.loader->materials.at(static_cast<std::size_t>(index))->GetName();
  return name ? name : "";
}

// Our node's name as a writer sees it: a dummy's is "$$$DUMMY" with its
// instance name beside it.
std::string NodeName(const t3DSLnode* node) { return node->dummy ? "$$$DUMMY" : node->name; }
const t3DSLnode* OurNode(const Loaded& ours, std::uint16_t kind, const std::string& name) {
  // Our target nodes carry the ".target" suffix that the scene's objects get.
  const std::string own = kind == 0xB004 || kind == 0xB006 ? name + ".target" : name;
  for (const auto& node : ours.loader->data->nodes)
    if (node->kind == kind && (node->name == own || NodeName(node.get()) == own)) return node.get();
  return nullptr;
}

struct Lib3ds {
  explicit Lib3ds(const Bytes& bytes) {
    path = testing::TempDir() + "crosscheck.3ds";
    std::ofstream(path, std::ios::binary) << bytes;
    file = lib3ds_file_load(path.c_str());
  }
  ~Lib3ds() {
    if (file) lib3ds_file_free(file);
    std::remove(path.c_str());
  }
  std::string path;
  Lib3dsFile* file = nullptr;
};

std::vector<std::array<float, 5>> Keys(const Lib3dsLin3Track& track) {
  std::vector<std::array<float, 5>> keys;
  for (const Lib3dsLin3Key* k = track.keyL; k; k = k->next)
    keys.push_back({static_cast<float>(k->tcb.frame), k->value[0], k->value[1], k->value[2], 0});
  return keys;
}
std::vector<std::array<float, 5>> Keys(const Lib3dsQuatTrack& track) {
  std::vector<std::array<float, 5>> keys;
  for (const Lib3dsQuatKey* k = track.keyL; k; k = k->next)
    keys.push_back({static_cast<float>(k->tcb.frame), k->axis[0], k->axis[1], k->axis[2], k->angle});
  return keys;
}
std::vector<std::array<float, 5>> Keys(const Lib3dsLin1Track& track) {
  std::vector<std::array<float, 5>> keys;
  for (const Lib3dsLin1Key* k = track.keyL; k; k = k->next)
    keys.push_back({static_cast<float>(k->tcb.frame), k->value, 0, 0, 0});
  return keys;
}
// Ours in the same shape: frame, then up to four values.
std::vector<std::array<float, 5>> Keys(const t3DSLnode* node, int slot) {
  std::vector<std::array<float, 5>> keys;
  if (!node->tracks[slot]) return keys;
  for (const t3DSLkey& k : node->tracks[slot]->keys)
    keys.push_back({k.frame, k.value[0], k.value[1], k.value[2], k.value[3]});
  return keys;
}

void ExpectSameReading(const Loaded& ours, const Lib3dsFile* file) {
  EXPECT_EQ(ours.loader->frames, file->frames);

  std::vector<std::string> ourMaterials, theirMaterials;
  for (std::size_t i = 1; i < ours.loader->materials.size(); ++i) ourMaterials.push_back(MaterialOf(ours, i));
  for (const Lib3dsMaterial* m = file->materials; m; m = m->next) theirMaterials.push_back(m->name);
  // lib3ds keeps its list sorted by name, ours in file order.
  std::sort(ourMaterials.begin(), ourMaterials.end());
  EXPECT_EQ(ourMaterials, theirMaterials);

  int meshes = 0;
  for (const Lib3dsMesh* mesh = file->meshes; mesh; mesh = mesh->next, ++meshes) {
    SCOPED_TRACE(mesh->name);
    const t3DSLmesh* own = ours.loader->data->FindMesh(mesh->name);
    ASSERT_NE(own, nullptr);
    ASSERT_EQ(static_cast<Lib3dsDword>(own->VertexCount()), mesh->points);
    for (Lib3dsDword i = 0; i < mesh->points; ++i)
      EXPECT_EQ((std::array<float, 3>{own->positions[i].x, own->positions[i].y, own->positions[i].z}),
                (std::array<float, 3>{mesh->pointL[i].pos[0], mesh->pointL[i].pos[1], mesh->pointL[i].pos[2]}));
    ASSERT_EQ(static_cast<Lib3dsDword>(own->TexVertexCount()), mesh->texels);
    // Ours turn v upside down for the device's texture space.
    for (Lib3dsDword i = 0; i < mesh->texels; ++i)
      EXPECT_EQ((std::array<float, 2>{own->texVertices[i].u, -own->texVertices[i].v}),
                (std::array<float, 2>{mesh->texelL[i][0], mesh->texelL[i][1]}));
    ASSERT_EQ(static_cast<Lib3dsDword>(own->FaceCount()), mesh->faces);
    for (Lib3dsDword i = 0; i < mesh->faces; ++i) {
      const Lib3dsFace& face = mesh->faceL[i];
      EXPECT_EQ((std::array<std::int32_t, 3>{own->faces[i].vertex[0], own->faces[i].vertex[1], own->faces[i].vertex[2]}),
                (std::array<std::int32_t, 3>{face.points[0], face.points[1], face.points[2]}));
      EXPECT_EQ(MaterialOf(ours, own->faces[i].material), std::string(face.material)) << i;
    }
  }
  EXPECT_EQ(meshes, 2);

  static const std::map<Lib3dsNodeTypes, std::uint16_t> kKinds = {
      {LIB3DS_OBJECT_NODE, 0xB002}, {LIB3DS_CAMERA_NODE, 0xB003}, {LIB3DS_TARGET_NODE, 0xB004},
      {LIB3DS_LIGHT_NODE, 0xB005}, {LIB3DS_SPOT_NODE, 0xB007}};
  int nodes = 0;
  std::function<void(const Lib3dsNode*)> visit = [&](const Lib3dsNode* node) {
    for (; node; node = node->next, ++nodes) {
      SCOPED_TRACE(node->name);
      const t3DSLnode* own = OurNode(ours, kKinds.at(node->type), node->name);
      ASSERT_NE(own, nullptr);
      if (node->type == LIB3DS_OBJECT_NODE && std::string(node->name) == "$$$DUMMY")
        EXPECT_EQ(own->name, node->data.object.instance);
      EXPECT_EQ(own->parent ? NodeName(own->parent) : "", node->parent ? node->parent->name : "");
      switch (node->type) {
        case LIB3DS_OBJECT_NODE:
          EXPECT_EQ(Keys(own, t3DSLnode::kPosition), Keys(node->data.object.pos_track));
          EXPECT_EQ(Keys(own, t3DSLnode::kRotation), Keys(node->data.object.rot_track));
          EXPECT_EQ(Keys(own, t3DSLnode::kScale), Keys(node->data.object.scl_track));
          break;
        case LIB3DS_CAMERA_NODE:
          EXPECT_EQ(Keys(own, t3DSLnode::kPosition), Keys(node->data.camera.pos_track));
          EXPECT_EQ(Keys(own, t3DSLnode::kFov), Keys(node->data.camera.fov_track));
          EXPECT_EQ(Keys(own, t3DSLnode::kRoll), Keys(node->data.camera.roll_track));
          break;
        case LIB3DS_TARGET_NODE:
          EXPECT_EQ(Keys(own, t3DSLnode::kPosition), Keys(node->data.target.pos_track));
          break;
        default:
          EXPECT_EQ(Keys(own, t3DSLnode::kPosition), Keys(node->data.light.pos_track));
      }
      visit(node->childs);
    }
  };
  visit(file->nodes);
  EXPECT_EQ(nodes, 6);
}

TEST_F(ThreeDS, Lib3dsReadsTheSameMaterialsMeshesNodesAndKeys) {
  const Bytes bytes = SceneFile();
  Loaded ours = ReadOnDevice(bytes);
  ASSERT_TRUE(ours.ok);
  Lib3ds theirs(bytes);
  ASSERT_NE(theirs.file, nullptr);
  ExpectSameReading(ours, theirs.file);

  // The same scene as lib3ds writes it (its own chunk order, colour twins,
  // percentages and segment chunks) reads the same again.
  const std::string rewritten = theirs.path + ".lib3ds";
  ASSERT_TRUE(lib3ds_file_save(theirs.file, rewritten.c_str()));
  Loaded again = ReadOnDevice(testsupport::ReadFile(rewritten));
  std::remove(rewritten.c_str());
  ASSERT_TRUE(again.ok);
  ExpectSameReading(again, theirs.file);
}

// assimp splits meshes per material and bakes the node tree its own way: we
// compare the faces each material gets, the object nodes' parents, and the
// position keys of the animation channels.
TEST_F(ThreeDS, AssimpReadsTheSameFacesPerMaterialNodesAndPositionKeys) {
  const Bytes bytes = SceneFile();
  Loaded ours = ReadOnDevice(bytes);
  ASSERT_TRUE(ours.ok);
  Assimp::Importer importer;
  const aiScene* theirs = importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, "3ds");
  ASSERT_NE(theirs, nullptr) << importer.GetErrorString();

  std::map<std::string, int> ourFaces, theirFaces;
  for (const auto& mesh : ours.loader->data->meshes)
    for (const auto& face : mesh->faces) ++ourFaces[MaterialOf(ours, face.material)];
  for (unsigned i = 0; i < theirs->mNumMeshes; ++i) {
    const aiMesh* mesh = theirs->mMeshes[i];
    std::string name = theirs->mMaterials[mesh->mMaterialIndex]->GetName().C_Str();
    // Its stand-in for faces of no material.
    if (name == "%%%DEFAULT") name.clear();
    theirFaces[name] += static_cast<int>(mesh->mNumFaces);
  }
  EXPECT_EQ(ourFaces, theirFaces);

  // Its node graph holds the objects, cameras and lights (no targets) below a root of its own.
  auto ourNamed = [&](const std::string& name) -> const t3DSLnode* {
    for (const auto& node : ours.loader->data->nodes)
      if (node->name == name && node->kind != 0xB004) return node.get();
    return nullptr;
  };
  int nodes = 0;
  std::function<void(const aiNode*)> visit = [&](const aiNode* node) {
    for (unsigned i = 0; i < node->mNumChildren; ++i, ++nodes) {
      const aiNode* child = node->mChildren[i];
      SCOPED_TRACE(child->mName.C_Str());
      const t3DSLnode* own = ourNamed(child->mName.C_Str());
      ASSERT_NE(own, nullptr);
      EXPECT_EQ(own->parent ? own->parent->name : "",
                node == theirs->mRootNode ? "" : node->mName.C_Str());
      visit(child);
    }
  };
  visit(theirs->mRootNode);
  EXPECT_EQ(nodes, 5);

  ASSERT_EQ(theirs->mNumAnimations, 1u);
  const aiAnimation* animation = theirs->mAnimations[0];
  EXPECT_EQ(animation->mDuration, ours.loader->frames);
  for (unsigned c = 0; c < animation->mNumChannels; ++c) {
    const aiNodeAnim* channel = animation->mChannels[c];
    SCOPED_TRACE(channel->mNodeName.C_Str());
    const t3DSLnode* own = ourNamed(channel->mNodeName.C_Str());
    ASSERT_NE(own, nullptr);
    std::vector<std::array<float, 5>> keys;
    for (unsigned k = 0; k < channel->mNumPositionKeys; ++k) {
      const aiVectorKey& key = channel->mPositionKeys[k];
      keys.push_back({static_cast<float>(key.mTime), key.mValue.x, key.mValue.y, key.mValue.z, 0});
    }
    EXPECT_EQ(Keys(own, t3DSLnode::kPosition), keys);
  }
  EXPECT_EQ(animation->mNumChannels, 3u);
}

}  // namespace
