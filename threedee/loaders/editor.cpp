// The editor section of a 3DS file: named objects (triangle meshes, lights
// and cameras) into the loader's store; the materials are read in materials.cpp.
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>

#include "threedee/loaders/threedsloader.h"
#include "threedee/scene/material.h"
#include "windxkernel/debuglog.h"

namespace VOXA2::threedee {
namespace {

bool IsEditorFiller(std::uint16_t id) {
  switch (id) {
    case 0x0100: case 0x1100: case 0x1101: case 0x1200: case 0x1201: case 0x1300: case 0x1301:
    case 0x1400: case 0x1410: case 0x1420: case 0x1430: case 0x1440: case 0x1450: case 0x1460:
    case 0x1500: case 0x2100: case 0x2200: case 0x2201: case 0x2210: case 0x2300: case 0x2301:
    case 0x2302: case 0x2303: case 0x2310: case 0x2D2D: case 0x2D3D: case 0x3000: case 0x7001:
      return true;
    default:
      return false;
  }
}

bool ReadVertexList(t3DSLmesh* mesh, cChunkFile& chunk) {
  if (chunk.DataLength() < 2) return false;
  // Counts are unsigned: a mesh may hold up to 65,535 vertices.
  const std::int32_t count = chunk.ReadWord();
  LogMessage(7, "    %i vertices", count);
  if (!chunk.Holds(count, 12)) return false;
  for (std::int32_t i = 0; i < count; ++i) {
    Vector position;
    position.x = chunk.ReadFloat();
    position.y = chunk.ReadFloat();
    position.z = chunk.ReadFloat();
    Vector normal = position;
    normal.Normalize();
    mesh->AddVertex(position, normal);
  }
  return true;
}

bool ReadMapping(t3DSLmesh* mesh, cChunkFile& chunk) {
  const std::int32_t count = chunk.ReadWord();
  if (count != mesh->VertexCount()) return false;
  if (!chunk.Holds(count, 8)) return false;
  for (std::int32_t i = 0; i < count; ++i) {
    const float u = chunk.ReadFloat();
    const float v = chunk.ReadFloat();
    mesh->AddTexVertex(u, -v);
  }
  LogMessage(7, "    Mapping coordinates");
  return true;
}

void ReadLocalAxes(t3DSLmesh* mesh, cChunkFile& chunk) {
  auto readVector = [&](Vector& v) {
    v.x = chunk.ReadFloat();
    v.y = chunk.ReadFloat();
    v.z = chunk.ReadFloat();
  };
  if (chunk.DataLength() >= 36)
    for (Vector& axis : mesh->axes) readVector(axis);
  if (chunk.Remaining() >= 12) readVector(mesh->origin);
  LogMessage(7, "    Axis definition:");
  static const char* const kAxisLines[] = {"      X axis: x=%f y=%f z=%f",
                                           "      Y axis: x=%f y=%f z=%f",
                                           "      Z axis: x=%f y=%f z=%f"};
  for (int i = 0; i < 3; ++i) {
    const Vector& a = mesh->axes[i];
    LogMessage(7, kAxisLines[i], a.x, a.y, a.z);
  }
  LogMessage(7, "      center: x=%f y=%f z=%f", mesh->origin.x, mesh->origin.y, mesh->origin.z);

  Matrix4 frame = identityMatrix;
  const Vector* columns[4] = {&mesh->axes[0], &mesh->axes[1], &mesh->axes[2], &mesh->origin};
  for (int c = 0; c < 4; ++c) {
    frame.m[c] = columns[c]->x;
    frame.m[4 + c] = columns[c]->y;
    frame.m[8 + c] = columns[c]->z;
  }
  // A flat or missing frame has no inverse: the vertices then stay where they are.
  const float determinant = mesh->axes[0].Dot(Cross(mesh->axes[1], mesh->axes[2]));
  if (!(std::fabs(determinant) > 1e-12f)) {
    LogMessage(7, "    Axis definition of \"%s\" is degenerate: vertices left as they are",
               mesh->name.c_str());
    mesh->inverseAxes = identityMatrix;
  } else {
    Matrix4::Invert(mesh->inverseAxes, frame);
  }
  LogMessage(7, "    Inverse of axis definition:");
  const float* r = mesh->inverseAxes.m;
  for (int row = 0; row < 4; ++row)
    LogMessage(7, "      %f  %f  %f  %f", r[4 * row], r[4 * row + 1], r[4 * row + 2],
               r[4 * row + 3]);

  Vector low(std::bit_cast<float>(0x7F7FFFFDu), std::bit_cast<float>(0x7F7FFFFDu),
             std::bit_cast<float>(0x7F7FFFFDu));
  Vector high(-low.x, -low.y, -low.z);
  for (Vector& p : mesh->positions) {
    p = TransformPoint(r, p);
    low.Set(std::fmin(low.x, p.x), std::fmin(low.y, p.y), std::fmin(low.z, p.z));
    high.Set(std::fmax(high.x, p.x), std::fmax(high.y, p.y), std::fmax(high.z, p.z));
  }
  LogMessage(7, "    boundings of \"%s\":", mesh->name.c_str());
  LogMessage(7, "      minimum: %f/%f/%f", low.x, low.y, low.z);
  LogMessage(7, "      maximum: %f/%f/%f", high.x, high.y, high.z);
  for (int i = 0; i < 8; ++i)
    mesh->corners[i].Set(i & 4 ? high.x : low.x, i & 2 ? high.y : low.y, i & 1 ? high.z : low.z);
}

// A face that wraps around the texture in u (or v) gets its low corners moved
// up by whole texture widths, each as a texture vertex of its own.
void MendSeams(t3DSLmesh* mesh, t3DSLface& face, std::uint16_t flags) {
  for (int k = 0; k < 3; ++k)
    if (face.vertex[k] >= mesh->TexVertexCount()) return;
  t3DSLtexvert original[3], moved[3];
  for (int k = 0; k < 3; ++k) original[k] = moved[k] = mesh->texVertices[face.vertex[k]];
  auto mend = [&](float t3DSLtexvert::*axis) {
    float low = original[0].*axis, high = low;
    for (const t3DSLtexvert& t : original) {
      low = std::fmin(low, t.*axis);
      high = std::fmax(high, t.*axis);
    }
    const float spread = high - low;
    if (!(spread > 0.8f)) return;
    const float whole = std::ceil(spread);
    for (int k = 0; k < 3; ++k)
      if (original[k].*axis < 0.5f) moved[k].*axis += whole;
  };
  if (flags & 0x0008) mend(&t3DSLtexvert::u);
  if (flags & 0x0800) mend(&t3DSLtexvert::v);
  for (int k = 0; k < 3; ++k)
    if (moved[k].u != original[k].u || moved[k].v != original[k].v)
      face.texVertex[k] = mesh->AddTexVertex(moved[k].u, moved[k].v);
}

bool ReadFaceMaterials(c3DSloader* loader, t3DSLmesh* mesh, cChunkFile& chunk) {
  const std::string name = chunk.ReadString();
  std::int32_t index = -1;
  for (std::size_t m = 0; m < loader->materials.size(); ++m) {
    const char* own = loader->materials[m] ? loader->materials[m]->GetName() : nullptr;
    if (own && name == own) {
      index = static_cast<std::int32_t>(m);
      break;
    }
  }
  if (index < 0) {
    LogMessage(7, "      material \"%s\" is not defined!", name.c_str());
    return false;
  }
  const std::int32_t count = chunk.ReadWord();
  LogMessage(7, "      material \"%s\" (#%i) used by %i face(s)", name.c_str(), index, count);
  std::int32_t outside = 0;
  for (std::int32_t i = 0; i < count && chunk.Remaining() >= 2; ++i) {
    const std::uint16_t face = chunk.ReadWord();
    if (face < mesh->FaceCount())
      mesh->faces[face].material = index;
    else
      ++outside;
  }
  if (outside > 0)
    LogMessage(7, "      %i face index(es) of material \"%s\" outside the face list skipped",
               outside, name.c_str());
  return true;
}

bool ReadFaceList(c3DSloader* loader, t3DSLmesh* mesh, cChunkFile& chunk) {
  const std::int32_t count = chunk.ReadWord();
  LogMessage(7, "    %i faces", count);
  if (!chunk.Holds(count, 8)) return false;
  const std::int32_t vertices = mesh->VertexCount();
  for (std::int32_t i = 0; i < count; ++i) {
    std::uint16_t a = chunk.ReadWord(), b = chunk.ReadWord(), c = chunk.ReadWord();
    const std::uint16_t flags = chunk.ReadWord();
    if (a >= vertices || b >= vertices || c >= vertices) {
      LogMessage(7, "3DS file seems to be corrupted: Found invalid vertex index! (%X, %X, %X)",
                 static_cast<unsigned>(a), static_cast<unsigned>(b), static_cast<unsigned>(c));
      return false;
    }
    t3DSLface face = {{a, b, c}, {a, b, c}, -1};
    if (!mesh->texVertices.empty()) MendSeams(mesh, face, flags);
    const Vector& pa = mesh->positions[a];
    Vector normal = Cross(mesh->positions[b] - pa, mesh->positions[c] - pa);
    normal.Normalize();
    for (std::uint16_t v : {a, b, c}) mesh->normals[v] = mesh->normals[v] + normal;
    mesh->AddFace(face);
  }
  for (Vector& normal : mesh->normals) normal.Normalize();

  cChunkFile level;
  level.OpenSubChunks(chunk);
  while (level.NextChunk()) {
    switch (level.Id()) {
      case 0x4130:
        if (!ReadFaceMaterials(loader, mesh, level)) return false;
        break;
      case 0x4150:
        break;
      default:
        LogMessage(7, "      Unknown chunk ID 0x%X in Face chunk found!", level.Id());
        break;
    }
  }
  return true;
}

bool ReadMesh(c3DSloader* loader, const std::string& name, cChunkFile& chunk) {
  t3DSLmesh* mesh = loader->data->AddMesh();
  mesh->scene = loader;
  mesh->name = name;
  LogMessage(7, "    Mesh");
  cChunkFile level;
  level.OpenSubChunks(chunk);
  while (level.NextChunk()) {
    switch (level.Id()) {
      case 0x4110:
        if (!ReadVertexList(mesh, level)) return false;
        break;
      case 0x4140:
        if (!ReadMapping(mesh, level)) return false;
        break;
      case 0x4160:
        ReadLocalAxes(mesh, level);
        break;
      case 0x4120:
        if (!ReadFaceList(loader, mesh, level)) return false;
        break;
      case 0x4111:
      case 0x4170:
        break;
      default:
        LogMessage(7, "    Unknown chunk ID 0x%X in Mesh chunk found!", level.Id());
        break;
    }
  }
  return true;
}

void ReadLight(c3DSloader* loader, const std::string& name, cChunkFile& chunk) {
  t3DSLlight* light = loader->data->AddLight();
  light->name = name;
  LogMessage(7, "  Light");
  chunk.Skip(12);
  cChunkFile level;
  level.OpenSubChunks(chunk);
  while (level.NextChunk()) {
    switch (level.Id()) {
      case 0x0010:
      case 0x0011:
        break;
      case 0x4610:
        light->isSpot = true;
        LogMessage(7, "    Light is spotlight");
        break;
      case 0x4620:
        LogMessage(7, "    Light is deactivated");
        break;
      default:
        LogMessage(7, "    Unknown chunk ID 0x%X in Light chunk found!", level.Id());
        break;
    }
  }
}

void ReadCamera(c3DSloader* loader, const std::string& name, cChunkFile& chunk) {
  t3DSLcamera* camera = loader->data->AddCamera();
  camera->name = name;
  LogMessage(7, "  Camera");
  camera->nearPlane = 0.0f;
  camera->farPlane = 1000.0f;
  chunk.Skip(32);
  cChunkFile level;
  level.OpenSubChunks(chunk);
  while (level.NextChunk()) {
    if (level.Id() == 0x4720) {
      camera->nearPlane = level.ReadFloat();
      camera->farPlane = level.ReadFloat();
      LogMessage(7, "    near z-plane: z == %f, far z-plane: z == %f", camera->nearPlane,
                 camera->farPlane);
    } else {
      LogMessage(7, "    Unknown chunk ID 0x%X in Camera chunk found!", level.Id());
    }
  }
  // Scenes are built for a far plane this distant, whatever the file says.
  camera->farPlane = 50000.0f;
}

}  // namespace

bool ReadObjectChunk(c3DSloader* loader, cChunkFile& parent) {
  const std::string name = parent.ReadString();
  LogMessage(7, "  Object: %s", name.c_str());
  cChunkFile level;
  level.OpenSubChunks(parent);
  while (level.NextChunk()) {
    switch (level.Id()) {
      case 0x4100:
        if (!ReadMesh(loader, name, level)) return false;
        break;
      case 0x4600:
        ReadLight(loader, name, level);
        break;
      case 0x4700:
        ReadCamera(loader, name, level);
        break;
      case 0x4710:
        LogMessage(7, "    Unknown 1");
        break;
      case 0x4720:
        LogMessage(7, "    Unknown 2");
        break;
      default:
        LogMessage(7, "      Unknown chunk ID 0x%X in object chunk found!", level.Id());
        break;
    }
  }
  return true;
}

bool ReadEditorChunk(c3DSloader* loader, cChunkFile& parent) {
  cChunkFile level;
  level.OpenSubChunks(parent);
  while (level.NextChunk()) {
    const std::uint16_t id = level.Id();
    if (id == 0x3D3E) {
      LogMessage(7, "  Mesh version %i", static_cast<std::int16_t>(level.ReadWord()));
    } else if (id == 0x4000) {
      if (!ReadObjectChunk(loader, level)) return false;
    } else if (id == 0xAFFF) {
      if (!ReadMaterialChunk(loader, level)) return false;
    } else if (!IsEditorFiller(id)) {
      LogMessage(7, "  Unknown chunk ID 0x%X in 3D Editor chunk found!", id);
    }
  }
  return true;
}

}  // namespace VOXA2::threedee
