// The 3DS reader on files made by the chunk writer: the chunk walk, the main
// chunk and its dump, materials and maps, meshes, lights and cameras, and the
// malformed files that must be refused or read without harm.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "foundation/streams.h"
#include "tests/support/tempdir.h"
#include "tests/threedee/loaders/chunkwriter.h"
#include "tests/threedee/loaders/threeds_support.h"
#include "threedee/loaders/chunkfile.h"
#include "threedee/loaders/threedsloader.h"
#include "threedee/scene/map.h"
#include "threedee/scene/material.h"

namespace {

using namespace VOXA2::threedee;
using namespace chunkwriter;
using threedstest::Loaded;
using threedstest::ThreeDS;

// The chunks a reader sees over a level, as "id:data length".
std::vector<std::string> Walk(const Bytes& level) {
  Bytes file = Chunk(0x4D4D, level);
  TMemFile stream(file.data(), static_cast<std::int32_t>(file.size()), true);
  cChunkFile top, sub;
  EXPECT_TRUE(top.LoadStream(&stream));
  EXPECT_TRUE(top.NextChunk());
  sub.OpenSubChunks(top);
  std::vector<std::string> seen;
  while (sub.NextChunk()) seen.push_back(std::to_string(sub.Id()) + ":" + std::to_string(sub.DataLength()));
  return seen;
}

TEST(ChunkFile, WalksALevelByTheLengths) {
  struct Row {
    const char* what;
    Bytes level;
    std::vector<std::string> seen;
  };
  const Row rows[] = {
      {"two chunks", Chunk(1, "ab") + Chunk(2, "cde"), {"1:2", "2:3"}},
      // Stored files rely on a header-only chunk standing last being passed over.
      {"header-only chunk last", Chunk(1, "ab") + Chunk(2, ""), {"1:2"}},
      {"header-only chunk first", Chunk(2, "") + Chunk(1, "ab"), {"2:0", "1:2"}},
      {"length 0 ends the level", Chunk(1, "ab") + Chunk(2, "xyz", {}, 0) + Chunk(3, "c"), {"1:2"}},
      {"length 5 ends the level", Chunk(2, "xyz", {}, 5) + Chunk(3, "c"), {}},
      {"negative length ends the level", Chunk(2, "xyz", {}, 0x80000000u), {}},
      {"length past the end is cut", Chunk(1, "ab") + Chunk(2, "xyz", {}, 0x7FFFFFFF), {"1:2", "2:3"}},
      {"length one past the end is cut", Chunk(2, "xyz", {}, 10), {"2:3"}},
  };
  for (const Row& row : rows) EXPECT_EQ(Walk(row.level), row.seen) << row.what;
}

TEST(ChunkFile, ReadsStopAtTheEndOfTheChunk) {
  Bytes file = Chunk(0x4D4D, Chunk(7, U16(0x1234) + "\x01" "abc"));
  TMemFile stream(file.data(), static_cast<std::int32_t>(file.size()), true);
  cChunkFile top, sub;
  ASSERT_TRUE(top.LoadStream(&stream));
  ASSERT_TRUE(top.NextChunk());
  sub.OpenSubChunks(top);
  ASSERT_TRUE(sub.NextChunk());
  EXPECT_EQ(sub.ReadWord(), 0x1234);
  char block[8] = "-------";
  EXPECT_FALSE(sub.ReadBlock(5, block));
  EXPECT_EQ(std::string(block), "-------");
  EXPECT_EQ(sub.ReadByte(), 1);
  // No zero byte before the end: the rest of the chunk is the text.
  EXPECT_EQ(sub.ReadString(), "abc");
  EXPECT_EQ(sub.ReadString(), "");
  EXPECT_EQ(sub.ReadWord(), 0);
  EXPECT_EQ(sub.ReadFloat(), 0.0f);
}

TEST_F(ThreeDS, RefusesAFileThatIsNoThreeDSFile) {
  const Bytes png = "\x89PNG\r\n\x1a\n" + Bytes(40, '\0');
  const Bytes small = Chunk(0x4D4D, "ab");
  for (const Bytes& bytes : {png, small, Bytes()}) {
    Loaded out = Read(bytes);
    EXPECT_FALSE(out.ok);
    EXPECT_FALSE(out.Logged("default material == \"(default)\""));
    EXPECT_FALSE(out.Logged("Object tree:"));
    EXPECT_TRUE(out.loader->materials.empty());
  }
}

TEST_F(ThreeDS, DumpsTheDefaultMaterialAndUnknownChunks) {
  Loaded out = Read(Chunk(0x4D4D, Chunk(0x1234, "abcd") + Chunk(0x0002, U16(3))));
  ASSERT_TRUE(out.ok);
  const std::vector<std::string> expected = {
      "default material == \"(default)\"",
      " Unknown chunk ID 0x1234 in mainchunk found!",
      " File format version is 3",
      "", "Object tree:", "", "Materials:", "  (default)", ""};
  EXPECT_EQ(out.log, expected);
  ASSERT_EQ(out.loader->materials.size(), 1u);
  EXPECT_EQ(out.loader->defaultMaterial, out.loader->materials[0]);
  EXPECT_EQ(out.loader->frames, 1);
}

TEST_F(ThreeDS, ReadsTheMinimalFile) {
  Loaded out = Read(MinimalFile());
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.loader->frames, 100);
  ASSERT_EQ(out.loader->materials.size(), 2u);
  EXPECT_STREQ(out.loader->materials[1]->GetName(), "Red");
  ASSERT_EQ(out.loader->data->meshes.size(), 1u);
  t3DSLmesh* mesh = out.Mesh();
  EXPECT_EQ(mesh->name, "Cube");
  EXPECT_EQ(mesh->scene, out.loader.get());
  EXPECT_EQ(mesh->VertexCount(), 8);
  EXPECT_EQ(mesh->TexVertexCount(), 8);
  ASSERT_EQ(mesh->FaceCount(), 12);
  for (const t3DSLface& face : mesh->faces) EXPECT_EQ(face.material, 1);
  EXPECT_EQ(out.loader->data->FindMesh("cUBE"), mesh);
  EXPECT_TRUE(out.Logged("      material \"Red\" (#1) used by 12 face(s)"));
  EXPECT_TRUE(out.Logged("    revision: 5"));
  EXPECT_TRUE(out.Logged("    filename: \"CUBE\""));
  EXPECT_FALSE(out.Logged("3DS file has 1 meshes but no keyframer: no objects created"));
}

TEST_F(ThreeDS, SaysSoWhenMeshesHaveNoKeyframer) {
  Loaded out = Read(MinimalFile(false));
  ASSERT_TRUE(out.ok);
  EXPECT_TRUE(out.Logged("3DS file has 1 meshes but no keyframer: no objects created"));
  EXPECT_EQ(out.loader->root, nullptr);
  EXPECT_EQ(out.loader->materials.size(), 2u);
}

TEST_F(ThreeDS, ReadsTheFrameCountUnsigned) {
  Loaded out = Read(Main({Chunk(0xB000, "", {Chunk(0xB00A, U16(5) + Str("") + U16(40000))})}));
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.loader->frames, 40000);
  Loaded none = Read(Main({Chunk(0xB000, "", {Chunk(0xB00A, U16(5) + Str("") + U16(0))})}));
  EXPECT_EQ(none.loader->frames, 1);
}

// ---- materials ----

struct MaterialRow {
  const char* what;
  std::vector<Bytes> chunks;
  std::int32_t mode;
  float transparency;
  std::uint32_t emissive;
  std::uint32_t ambient;
};

Bytes Colored(std::uint16_t id, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return Chunk(id, ByteColor(r, g, b));
}
Bytes Map(std::uint16_t id, const std::string& file, std::initializer_list<Bytes> more = {}) {
  Bytes body = Chunk(0xA300, Str(file));
  for (const Bytes& b : more) body += b;
  return Chunk(id, body);
}

TEST_F(ThreeDS, MaterialModesAndColours) {
  const Bytes red = Colored(0xA020, 255, 0, 0), blue = Colored(0xA010, 0, 0, 255);
  const MaterialRow rows[] = {
      {"opaque", {}, cMaterial::kMixing, 0.0f, 0xFF000000u, 0xFFFFFFFFu},
      {"no transparency", {Chunk(0xA050, Percent(0))}, cMaterial::kMixing, 0.0f, 0xFF000000u, 0xFFFFFFFFu},
      {"half transparent", {Chunk(0xA050, Percent(50))}, cMaterial::kSubtractive, 0.5f, 0xFF000000u, 0xFFFFFFFFu},
      {"additive", {Chunk(0xA050, Percent(50)), Chunk(0xA083, "")}, cMaterial::kAdditive, 0.5f, 0xFF000000u, 0xFFFFFFFFu},
      {"self illuminated", {red, blue, Chunk(0xA084, Percent(50))}, cMaterial::kMixing, 0.0f, 0xFF7F00FFu, 0xFFFF0000u},
      {"self illuminated, mapped", {red, blue, Chunk(0xA084, Percent(50)), Map(0xA200, "a.tga")}, cMaterial::kMixing, 0.0f, 0xFF7F7F7Fu, 0xFFFF0000u},
      {"self illumination held at 255", {red, Chunk(0xA084, Percent(150)), Map(0xA200, "a.tga")}, cMaterial::kMixing, 0.0f, 0xFFFFFFFFu, 0xFFFF0000u},
      {"twin after the byte colour", {Chunk(0xA020, ByteColor(255, 0, 0) + Chunk(0x0012, "\x01\x02\x03"))}, cMaterial::kMixing, 0.0f, 0xFF000000u, 0xFFFF0000u},
      {"float colour", {Chunk(0xA020, Chunk(0x0010, Floats({1.0f, 0.5f, 0.0f})))}, cMaterial::kMixing, 0.0f, 0xFF000000u, 0xFFFF7F00u},
      {"float colour out of range", {Chunk(0xA020, Chunk(0x0010, Floats({2.0f, -1.0f, 0.25f})))}, cMaterial::kMixing, 0.0f, 0xFF000000u, 0xFFFF003Fu},
      {"float percentage ignored", {Chunk(0xA050, Chunk(0x0031, F32(50.0f)))}, cMaterial::kMixing, 0.0f, 0xFF000000u, 0xFFFFFFFFu},
      {"transparency over 100", {Chunk(0xA050, Percent(250))}, cMaterial::kSubtractive, 1.0f, 0xFF000000u, 0xFFFFFFFFu},
      {"negative transparency", {Chunk(0xA050, Percent(-20))}, cMaterial::kMixing, 0.0f, 0xFF000000u, 0xFFFFFFFFu},
  };
  for (const MaterialRow& row : rows) {
    Bytes material = Chunk(0xA000, Str("M"));
    for (const Bytes& b : row.chunks) material += b;
    // A flag chunk is seen only when something follows it.
    material += Chunk(0xA040, U16(0));
    Loaded out = ReadEditor({Chunk(0xAFFF, material)});
    ASSERT_TRUE(out.ok) << row.what;
    cMaterial* m = out.MaterialNamed("M");
    ASSERT_NE(m, nullptr) << row.what;
    EXPECT_EQ(m->transparencyMode, row.mode) << row.what;
    EXPECT_FLOAT_EQ(m->transparency, row.transparency) << row.what;
    EXPECT_EQ(m->emissive, row.emissive) << row.what << std::hex << " " << m->emissive;
    EXPECT_EQ(m->ambient, row.ambient) << row.what << std::hex << " " << m->ambient;
    EXPECT_EQ(m->diffuse, row.ambient) << row.what;
  }
}

TEST_F(ThreeDS, ShadingTwoSidedAndTheirLines) {
  struct Row {
    std::uint16_t value;
    std::int32_t shading;
    const char* line;
  };
  const Row rows[] = {{0, 1, nullptr},
                      {1, 0, "    Flat shaded"},
                      {2, 1, "    Gouraud shaded"},
                      {3, 1, "    Phong shaded"},
                      {4, 1, "    Metal shaded"},
                      {5, 1, nullptr}};
  for (const Row& row : rows) {
    Loaded out = ReadEditor({Material("M", {Chunk(0xA081, ""), Chunk(0xA100, U16(row.value))}),
                             Material("N")});
    ASSERT_TRUE(out.ok);
    cMaterial* m = out.MaterialNamed("M");
    EXPECT_EQ(m->shading, row.shading) << row.value;
    EXPECT_TRUE(m->twoSided);
    if (row.line) {
      EXPECT_TRUE(out.Logged(row.line)) << row.line;
    }
  }
  // Stored files rely on a flag chunk standing last in its material being passed over.
  Loaded last = ReadEditor({Material("M", {Chunk(0xA081, "")})});
  EXPECT_FALSE(last.MaterialNamed("M")->twoSided);
}

TEST_F(ThreeDS, WrongSizedColourOrShadingFailsTheLoad) {
  const Bytes bad[] = {
      Chunk(0xA020, Chunk(0x0010, Floats({1, 0, 0}) + "x")),
      Chunk(0xA010, Chunk(0x0011, "ab")),
      Chunk(0xA100, U16(1) + "x"),
  };
  for (const Bytes& chunk : bad) {
    Loaded out = ReadEditor({Material("M", {chunk, Chunk(0xA081, "")})});
    EXPECT_FALSE(out.ok);
    EXPECT_NE(out.MaterialNamed("M"), nullptr);
  }
}

TEST_F(ThreeDS, MapsTakeTheirNameWithoutExtensionAndTheirScales) {
  struct Row {
    const char* file;
    const char* name;
  };
  const Row rows[] = {{"brick.jpg", "brick"}, {"a.b.tga", "a.b"}, {".tga", ".tga"},
                      {"BRICK.JPG", "BRICK"}, {"maps/brick.png", "maps/brick"}, {"plain", "plain"}};
  for (const Row& row : rows) {
    Loaded out = ReadEditor({Material("M", {Map(0xA200, row.file), Chunk(0xA081, "")})});
    ASSERT_TRUE(out.ok);
    cMap* map = out.MaterialNamed("M")->maps[cMaterial::kTextureMap];
    ASSERT_NE(map, nullptr);
    EXPECT_STREQ(map->GetName(), row.name);
    EXPECT_TRUE(out.Logged(std::string("      Filename: \"") + row.name + "\""));
  }
  Loaded out = ReadEditor({Material(
      "M", {Map(0xA200, "first.tga"),
            Map(0xA33A, "second.tga",
                {Percent(40), Chunk(0xA354, F32(2)), Chunk(0xA356, F32(3)), Chunk(0xA358, F32(0.5f)),
                 Chunk(0xA35A, F32(0.25f)), Chunk(0xA351, U16(0))}),
            Map(0xA220, "env.tga"), Chunk(0xA230, Chunk(0xA300, Str("bump.tga"))),
            Chunk(0xA081, "")})});
  ASSERT_TRUE(out.ok);
  cMaterial* m = out.MaterialNamed("M");
  cMap* map = m->maps[cMaterial::kTextureMap];
  EXPECT_STREQ(map->GetName(), "second");
  EXPECT_FLOAT_EQ(map->amount, 0.4f);
  EXPECT_EQ(map->uScale, 2.0f);
  EXPECT_EQ(map->vScale, 3.0f);
  EXPECT_EQ(map->uOffset, 0.5f);
  EXPECT_EQ(map->vOffset, 0.25f);
  EXPECT_EQ(m->maps[cMaterial::kSecondTextureMap], nullptr);
  EXPECT_STREQ(m->maps[cMaterial::kEnvironmentMap]->GetName(), "env");
  EXPECT_TRUE(out.Logged("    Bump map"));
  EXPECT_TRUE(out.Logged("      Amount is 40%"));
}

// ---- meshes, lights, cameras ----

Bytes MeshObject(const std::string& name, std::initializer_list<Bytes> parts) {
  return Object(name, {Chunk(0x4100, "", parts)});
}

TEST_F(ThreeDS, VertexNormalsAreTheNormalisedSumOfFaceNormals) {
  Bytes vertices = Chunk(0x4110, U16(4) + Floats({0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 2}));
  Loaded out = ReadEditor({MeshObject("T", {vertices, Faces({{0, 1, 2}, {0, 2, 3}})})});
  ASSERT_TRUE(out.ok);
  t3DSLmesh* mesh = out.Mesh();
  // Vertex 0 at the origin: its faces' normals (0, 0, 1) and (1, 0, 0).
  const float h = 1.0f / std::sqrt(2.0f);
  EXPECT_FLOAT_EQ(mesh->normals[0].x, h);
  EXPECT_FLOAT_EQ(mesh->normals[0].z, h);
  // Vertex 1 at distance 1 keeps (1, 0, 0) as its start, plus (0, 0, 1).
  EXPECT_FLOAT_EQ(mesh->normals[1].x, h);
  EXPECT_FLOAT_EQ(mesh->normals[1].z, h);
  for (const t3DSLface& face : mesh->faces) EXPECT_EQ(face.material, -1);
}

TEST_F(ThreeDS, WrappedFacesGetTextureVerticesOfTheirOwn) {
  auto mapped = [](float u0, float u1, float u2) {
    return Chunk(0x4140, U16(3) + Floats({u0, 0, u1, 0, u2, 0}));
  };
  Bytes vertices = Chunk(0x4110, U16(3) + Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}));
  auto face = [](std::uint16_t flags) {
    return Chunk(0x4120, U16(1) + U16(0) + U16(1) + U16(2) + U16(flags));
  };
  struct Row {
    const char* what;
    Bytes mapping, faces;
    std::vector<float> us;
    std::vector<int> corners;
  };
  const Row rows[] = {
      {"wrapped in u", mapped(0.1f, 0.95f, 0.9f), face(0x0008), {0.1f, 0.95f, 0.9f, 1.1f}, {3, 1, 2}},
      {"narrow spread", mapped(0.2f, 0.5f, 0.3f), face(0x0008), {0.2f, 0.5f, 0.3f}, {0, 1, 2}},
      {"no flag", mapped(0.1f, 0.95f, 0.9f), face(0), {0.1f, 0.95f, 0.9f}, {0, 1, 2}},
      {"faces before mapping", Bytes(), face(0x0008), {}, {0, 1, 2}},
  };
  for (const Row& row : rows) {
    Loaded out = row.mapping.empty()
                     ? ReadEditor({MeshObject("T", {vertices, row.faces, mapped(0.1f, 0.95f, 0.9f)})})
                     : ReadEditor({MeshObject("T", {vertices, row.mapping, row.faces})});
    ASSERT_TRUE(out.ok) << row.what;
    t3DSLmesh* mesh = out.Mesh();
    std::vector<int> corners(mesh->faces[0].texVertex, mesh->faces[0].texVertex + 3);
    EXPECT_EQ(corners, row.corners) << row.what;
    if (row.mapping.empty()) continue;
    ASSERT_EQ(mesh->texVertices.size(), row.us.size()) << row.what;
    for (std::size_t i = 0; i < row.us.size(); ++i)
      EXPECT_FLOAT_EQ(mesh->texVertices[i].u, row.us[i]) << row.what;
  }
}

TEST_F(ThreeDS, LocalAxesMoveTheVerticesIntoTheirFrame) {
  // The frame turns x into y and sits at (10, 0, 0).
  Bytes axes = Chunk(0x4160, Floats({0, 1, 0, -1, 0, 0, 0, 0, 1, 10, 0, 0}));
  Bytes vertices = Chunk(0x4110, U16(2) + Floats({10, 2, 0, 10, 0, 3}));
  Loaded out = ReadEditor({MeshObject("T", {vertices, axes})});
  ASSERT_TRUE(out.ok);
  t3DSLmesh* mesh = out.Mesh();
  EXPECT_NEAR(mesh->positions[0].x, 2.0f, 1e-6f);
  EXPECT_NEAR(mesh->positions[0].y, 0.0f, 1e-6f);
  EXPECT_NEAR(mesh->positions[1].z, 3.0f, 1e-6f);
  EXPECT_EQ(mesh->origin.x, 10.0f);
  // Corner i: x from bit 2, y from bit 1, z from bit 0.
  EXPECT_NEAR(mesh->corners[0].x, 0.0f, 1e-6f);
  EXPECT_NEAR(mesh->corners[4].x, 2.0f, 1e-6f);
  EXPECT_NEAR(mesh->corners[1].z, 3.0f, 1e-6f);
  EXPECT_TRUE(out.Logged("    boundings of \"T\":"));
  EXPECT_TRUE(out.Logged("      X axis: x=0.000000 y=1.000000 z=0.000000"));

  // Only an origin: no frame to invert, so the vertices stay as they are.
  Loaded flat = ReadEditor({MeshObject("T", {vertices, Chunk(0x4160, Floats({1, 2, 3, 4, 5}))})});
  ASSERT_TRUE(flat.ok);
  EXPECT_EQ(flat.Mesh()->origin.x, 1.0f);
  EXPECT_EQ(flat.Mesh()->axes[0].x, 0.0f);
  EXPECT_EQ(flat.Mesh()->positions[0].y, 2.0f);
  EXPECT_TRUE(std::isfinite(flat.Mesh()->corners[7].x));

  // Before any vertex list: the corners keep the starting extremes.
  Loaded early = ReadEditor({MeshObject("T", {axes, vertices})});
  EXPECT_EQ(early.Mesh()->corners[0].x, std::bit_cast<float>(0x7F7FFFFDu));
  EXPECT_EQ(early.Mesh()->corners[7].x, -std::bit_cast<float>(0x7F7FFFFDu));
}

TEST_F(ThreeDS, FaceMaterialsNameEarlierMaterialsExactly) {
  Bytes vertices = Chunk(0x4110, U16(3) + Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}));
  Loaded out = ReadEditor({Material("Wood"), Material("Stone"),
                           MeshObject("T", {vertices, Faces({{0, 1, 2}, {0, 2, 1}, {1, 2, 0}},
                                                            {FaceMaterial("Stone", {0, 2}),
                                                             FaceMaterial("Wood", {2, 7, 65535})})})});
  ASSERT_TRUE(out.ok);
  std::vector<int> materials;
  for (const t3DSLface& f : out.Mesh()->faces) materials.push_back(f.material);
  EXPECT_EQ(materials, (std::vector<int>{2, -1, 1}));
  EXPECT_TRUE(out.Logged("      2 face index(es) of material \"Wood\" outside the face list skipped"));

  Loaded wrongCase = ReadEditor({Material("Wood"), MeshObject("T", {vertices, Faces({{0, 1, 2}}, {FaceMaterial("WOOD", {0})})})});
  EXPECT_FALSE(wrongCase.ok);
  EXPECT_TRUE(wrongCase.Logged("      material \"WOOD\" is not defined!"));
}

TEST_F(ThreeDS, MalformedMeshesFailTheLoad) {
  Bytes vertices = Chunk(0x4110, U16(3) + Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}));
  struct Row {
    const char* what;
    std::vector<Bytes> parts;
    const char* line;
  };
  const Row rows[] = {
      {"vertex list under 2 bytes", {Chunk(0x4110, "x") + Chunk(0x4111, "ab")}, nullptr},
      {"vertices missing", {Chunk(0x4110, U16(4) + Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}))}, nullptr},
      {"mapping count differs", {vertices, Chunk(0x4140, U16(2) + Floats({0, 0, 0, 0}))}, nullptr},
      {"mapping records missing", {vertices, Chunk(0x4140, U16(3) + Floats({0, 0, 0, 0}))}, nullptr},
      {"faces missing", {vertices, Chunk(0x4120, U16(2) + U16(0) + U16(1) + U16(2) + U16(0))}, nullptr},
      {"vertex index too large", {vertices, Faces({{0, 1, 3}})},
       "3DS file seems to be corrupted: Found invalid vertex index! (0, 1, 3)"},
      {"vertex index 65535", {vertices, Faces({{65535, 1, 2}})},
       "3DS file seems to be corrupted: Found invalid vertex index! (FFFF, 1, 2)"},
  };
  for (const Row& row : rows) {
    Bytes mesh;
    for (const Bytes& b : row.parts) mesh += b;
    Loaded out = ReadEditor({Object("T", {Chunk(0x4100, mesh)})});
    EXPECT_FALSE(out.ok) << row.what;
    if (row.line) {
      EXPECT_TRUE(out.Logged(row.line)) << row.what;
    }
  }
}

TEST_F(ThreeDS, CountsAreUnsigned) {
  Bytes positions;
  for (int i = 0; i < 40000; ++i) positions += Floats({float(i), 0, 0});
  Loaded out = ReadEditor({MeshObject("Big", {Chunk(0x4110, U16(40000) + positions), Faces({{39999, 0, 1}})})});
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.Mesh()->VertexCount(), 40000);
  EXPECT_EQ(out.Mesh()->FaceCount(), 1);
}

TEST_F(ThreeDS, LightsAndCameras) {
  Loaded out = ReadEditor({
      Object("Spot", {Chunk(0x4600, Floats({1, 2, 3}), {ByteColor(1, 2, 3), Chunk(0x4610, Floats({0, 0, 0})), Chunk(0x4620, "x")})}),
      Object("Omni", {Chunk(0x4600, Floats({1, 2, 3}), {Chunk(0x4620, "x"), Chunk(0x4621, "xy")})}),
      Object("Cam", {Chunk(0x4700, Bytes(32, '\0'), {Chunk(0x4720, Floats({5, 900}))})}),
      Object("Plain", {Chunk(0x4700, Bytes(32, '\0'), {Chunk(0x4721, "xy")})}),
      Object("Odd", {Chunk(0x4710, "xy"), Chunk(0x4720, "xy"), Chunk(0x4800, "xy")}),
  });
  ASSERT_TRUE(out.ok);
  c3DSLdata& data = *out.loader->data;
  ASSERT_EQ(data.lights.size(), 2u);
  EXPECT_TRUE(data.FindLight("spot")->isSpot);
  EXPECT_FALSE(data.FindLight("OMNI")->isSpot);
  ASSERT_EQ(data.cameras.size(), 2u);
  EXPECT_EQ(data.FindCamera("Cam")->nearPlane, 5.0f);
  EXPECT_EQ(data.FindCamera("Cam")->farPlane, 50000.0f);
  EXPECT_EQ(data.FindCamera("Plain")->nearPlane, 0.0f);
  EXPECT_EQ(data.FindCamera("Plain")->farPlane, 50000.0f);
  for (const char* line : {"    Light is spotlight", "    Light is deactivated",
                           "    Unknown chunk ID 0x4621 in Light chunk found!",
                           "    near z-plane: z == 5.000000, far z-plane: z == 900.000000",
                           "    Unknown chunk ID 0x4721 in Camera chunk found!", "    Unknown 1",
                           "    Unknown 2", "      Unknown chunk ID 0x4800 in object chunk found!"})
    EXPECT_TRUE(out.Logged(line)) << line;
}

TEST_F(ThreeDS, StoreFindsTheFirstRecordOfANameWhateverItsCase) {
  c3DSLdata data;
  t3DSLmesh* first = data.AddMesh();
  first->name = "Box";
  data.AddMesh();  // no name: passed over
  t3DSLmesh* second = data.AddMesh();
  second->name = "BOX";
  EXPECT_EQ(data.FindMesh("box"), first);
  EXPECT_EQ(data.FindMesh(nullptr), nullptr);
  EXPECT_EQ(data.FindMesh("crate"), nullptr);
  EXPECT_EQ(data.FindMesh(""), nullptr);
}

// ---- malformed files: refused or read, never out of bounds ----

TEST_F(ThreeDS, EveryTruncationOfAValidFileIsHandled) {
  const Bytes file = MinimalFile();
  for (std::size_t size = 0; size < file.size(); ++size) {
    Loaded out = Read(file.substr(0, size));
    // A cut main header is no file; later cuts lose the cut chunks only.
    if (size < 10) {
      EXPECT_FALSE(out.ok) << size;
    }
  }
}

TEST_F(ThreeDS, LengthsThatLieAreCutOrEndTheLevel) {
  Bytes good = MinimalFile();
  // Every chunk length in turn replaced by each of these.
  const std::uint32_t lies[] = {0, 5, 6, 7, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 1000000};
  std::size_t headers = 0;
  for (std::size_t at = 0; at + 6 <= good.size(); ++at) {
    for (std::uint32_t lie : lies) {
      Bytes bad = good;
      const Bytes length = U32(lie);
      std::copy(length.begin(), length.end(), bad.begin() + static_cast<long>(at) + 2);
      Read(bad);
    }
    ++headers;
  }
  EXPECT_GT(headers, 0u);
}

}  // namespace
