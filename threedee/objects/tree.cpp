#include "threedee/objects/tree.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>

#include "foundation/allocate.h"
#include "foundation/random.h"
#include "threedee/scene/material.h"
#include "threedee/scene/scene.h"
#include "windxkernel/debuglog.h"

namespace VOXA2::threedee {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

float Length(const Vector& v) { return std::sqrt(v.Dot(v)); }

// acos of a cosine that rounding may have pushed past ±1.
float SafeAcos(float c) { return std::acos(std::clamp(c, -1.0f, 1.0f)); }

}  // namespace

Vector RotateDirection(const Vector& v, const Vector& axis, float angle) {
  const Vector u = Normalized(axis);
  const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  const float x = u.x, y = u.y, z = u.z;
  return {(c + x * x * t) * v.x + (x * y * t - z * s) * v.y + (x * z * t + y * s) * v.z,
          (x * y * t + z * s) * v.x + (c + y * y * t) * v.y + (y * z * t - x * s) * v.z,
          (x * z * t - y * s) * v.x + (y * z * t + x * s) * v.y + (c + z * z * t) * v.z};
}

// ---- render meshes of the plants

bool tMeshWriter::Begin(cOBSTriMesh* into) {
  mesh = into;
  counter = 0;
  return mesh->vertices && mesh->vertices->Lock(3);
}

void tMeshWriter::Write(const Vector& position, const Vector& normal, float u, float v) {
  if (counter >= static_cast<int>(mesh->originals.size())) return;
  mesh->originals[counter] = position;
  VertexArray* array = mesh->vertices.get();
  if (array && array->locked) {
    std::uint8_t* at = array->data + static_cast<std::size_t>(counter) * array->pointer.stride;
    std::memcpy(at + array->pointer.position, &position, sizeof position);
    std::memcpy(at + array->pointer.normal, &normal, sizeof normal);
    if (array->format.textureSetCount) {
      const float uv[2] = {u, v};
      std::memcpy(at + array->pointer.textureCoords, uv, sizeof uv);
    }
  }
  ++counter;
}

void tMeshWriter::End() {
  if (mesh && mesh->vertices) mesh->vertices->Unlock();
}

void SetPartCount(c3DtriangularMesh& mesh, std::size_t count) {
  tracks::OrFailFor("mesh list!", [&] {
    mesh.parts.reserve(count);
    return 0;
  });
  while (mesh.parts.size() > count) mesh.parts.pop_back();
  while (mesh.parts.size() < count) {
    std::unique_ptr<cTriMesh> part(VOXA::errors::NewOrThrow<cTriMesh>("cTriMesh"));
    part->owner = &mesh;
    std::unique_ptr<cOBSTriMesh> render(VOXA::errors::NewOrThrow<cOBSTriMesh>("cOBSTriMesh"));
    render->part = part.get();
    render->owner = &mesh;
    tracks::OrFailFor("bone setup list!", [&] {
      part->meshes.push_back(std::move(render));
      return 0;
    });
    mesh.parts.push_back(std::move(part));
  }
}

void SizeRenderMesh(cOBSTriMesh& mesh, int vertices, VertexFormat& format, int indices,
                    const char* originalsName) {
  format.GetVertexSize();
  if (!mesh.vertices || mesh.vertices->vertexCount != vertices ||
      mesh.vertices->format.textureSetCount != format.textureSetCount) {
    mesh.vertices.reset(VertexArray::Create(true, vertices, format));
    tracks::OrFailFor(originalsName, [&] {
      mesh.originals.assign(static_cast<std::size_t>(vertices), Vector(0, 0, 0));
      return 0;
    });
    tracks::OrFailFor("original vertex indices!", [&] {
      mesh.originalIndices.assign(static_cast<std::size_t>(vertices), -1);
      return 0;
    });
  }
  if (mesh.indices.size() != static_cast<std::size_t>(indices))
    tracks::OrFailFor("triangle indices!", [&] {
      mesh.indices.resize(static_cast<std::size_t>(indices));
      return 0;
    });
}

void TakeMapCount(VertexFormat& format, const cMaterial* material) {
  const int maps = material->MapCount();
  if (maps >= 0 && maps <= 8) format.textureSetCount = static_cast<std::uint32_t>(maps);
  format.GetVertexSize();
}

void CountFacesAndVertices(const c3DtriangularMesh& mesh, int& faces, int& vertices) {
  faces = vertices = 0;
  for (const auto& part : mesh.parts)
    for (const auto& render : part->meshes) {
      faces += static_cast<int>(render->indices.size() / 3);
      for (const auto& strip : render->strips) faces += static_cast<int>(strip->indices.size()) - 2;
      for (const auto& fan : render->fans) faces += static_cast<int>(fan->indices.size()) - 2;
      if (render->vertices) vertices += render->vertices->vertexCount;
    }
}

// ---- the branching tree

c3Dtree::tTreeNode::~tTreeNode() {
  delete continuation;
  delete sideBranch;
}

c3Dtree::c3Dtree() {
  kind = kProcedural;
  spread = (0.65f + 0.2f * RandomFraction()) * kPi / 2;
  balance = (0.7f + 0.2f * RandomFraction()) * kPi / 2;
  twist = (0.25f + 0.15f * RandomFraction()) * kPi;
  for (VertexFormat* format : {&branchFormat, &leafFormat}) {
    format->position = true;
    format->normal = true;
    format->textureSetCount = 1;
    format->GetVertexSize();
  }
}

c3Dtree::~c3Dtree() {
  int faces = 0, vertices = 0;
  CountFacesAndVertices(*this, faces, vertices);
  LogMessage(5, "The tree \"%s\" consists of %i faces and %i vertices", GetName() ? GetName() : "",
             faces, vertices);
  delete root;
  root = nullptr;
}

c3Dtree::tTreeNode* c3Dtree::GrowNodes(const Vector& start, Vector direction, Vector r,
                                       float radius, int levels) const {
  std::unique_ptr<tTreeNode> node(VOXA::errors::NewOrThrow<tTreeNode>("tTreeNode"));
  node->position = start;
  node->radius = radius;
  node->sides = std::max(levels, 3);
  node->direction = direction;
  r.Normalize();
  node->right = r;
  node->axis = Normalized(Cross(r, direction));
  if (--levels <= 0) return node.release();

  r = Normalized(Cross(Cross(direction, r), direction));
  if (r.Dot(r) == 0) return node.release();
  r = RotateDirection(r, direction, twist);
  const Vector end = start + direction;

  const float bend = (balance - kPi / 2) * (1 - spread / kPi), half = spread * 0.5f;
  Vector d1 = RotateDirection(direction, node->axis, bend - half);
  Vector d2 = RotateDirection(direction, node->axis, bend + half);
  const float length2 = direction.Dot(direction);
  float c1 = direction.Dot(d1) / length2, c2 = direction.Dot(d2) / length2;
  if (c2 > c1) {
    std::swap(d1, d2);
    std::swap(c1, c2);
  }
  const float f1 = 1 - SafeAcos(c1) * 2 / kPi;
  const float f2 = (1 - SafeAcos(c2) * 2 / kPi) / f1;
  if (f1 <= 0.1f) return node.release();
  node->continuation = GrowNodes(end, d1.Scaled(0.75f), r, 0.85f * radius, levels);
  if (f2 <= 0.1f) return node.release();
  node->sideBranch = GrowNodes(end, d2.Scaled(0.75f * f2), r, 0.85f * radius * f2, levels);
  return node.release();
}

c3Dtree::tTreeNode* c3Dtree::CloneNodes(const tTreeNode* node) {
  if (!node) return nullptr;
  std::unique_ptr<tTreeNode> copy(VOXA::errors::NewOrThrow<tTreeNode>("tTreeNode"));
  copy->position = node->position;
  copy->radius = node->radius;
  copy->sides = node->sides;
  copy->firstVertex = node->firstVertex;
  copy->direction = node->direction;
  copy->right = node->right;
  copy->axis = node->axis;
  copy->continuation = CloneNodes(node->continuation);
  copy->sideBranch = CloneNodes(node->sideBranch);
  return copy.release();
}

void c3Dtree::CountGeometry(const tTreeNode* node, int& ringVertices, int& strips,
                            int& leafVertices, int& leafIndices) {
  for (; node; node = node->sideBranch) {
    ringVertices += node->sides + 1;
    if (node->continuation) {
      ++strips;
      CountGeometry(node->continuation, ringVertices, strips, leafVertices, leafIndices);
    } else {
      leafVertices += 6;
      leafIndices += 6;
    }
  }
}

std::int64_t c3Dtree::MostVertices(int levels) {
  if (levels > 30) return INT64_MAX;
  std::int64_t total = 6LL << (levels - 1);  // a leaf on every node of the last level
  for (int level = 0; level < levels; ++level)
    total += (1LL << level) * (std::max(levels - level, 3) + 1);
  return total;
}

void c3Dtree::BuildMesh() {
  delete root;
  root = nullptr;
  depth = std::max(depth, 3);
  int fits = depth;
  while (fits > 3 && MostVertices(fits) > kMaxVertices) --fits;
  if (fits < depth) {
    LogMessage(5, "The tree \"%s\" is too deep for one mesh: depth %i is built as %i",
               GetName() ? GetName() : "", static_cast<int>(depth), fits);
    depth = fits;
  }
  root = GrowNodes(origin, up, right, trunkRadius, depth);
  if (!branchMaterial && !leafMaterial) return;

  int rings = 0, strips = 0, leafVertices = 0, leafIndices = 0;
  CountGeometry(root, rings, strips, leafVertices, leafIndices);
  if (branchMaterial)
    TakeMapCount(branchFormat, branchMaterial);
  else
    rings = strips = 0;
  if (leafMaterial)
    TakeMapCount(leafFormat, leafMaterial);
  else
    leafVertices = leafIndices = 0;
  if (!rings && !leafVertices) return;

  const bool combined = leafMaterial == branchMaterial && rings && leafVertices;
  SetPartCount(*this, combined ? 1 : (rings ? 1 : 0) + (leafVertices ? 1 : 0));
  cTriMesh* branchPart = rings ? parts[0].get() : nullptr;
  cTriMesh* leafPart = leafVertices ? parts[combined || !rings ? 0 : 1].get() : nullptr;
  if (combined) {
    SizeRenderMesh(*branchPart->meshes[0], rings + leafVertices, leafFormat, leafIndices,
                   "orivinal vertices!");
  } else {
    if (branchPart)
      SizeRenderMesh(*branchPart->meshes[0], rings, branchFormat, 0, "original vertices!");
    if (leafPart)
      SizeRenderMesh(*leafPart->meshes[0], leafVertices, leafFormat, leafIndices,
                     "original vertices!");
  }
  if (branchPart) {
    auto& list = branchPart->meshes[0]->strips;
    const char* what =
        list.size() > static_cast<std::size_t>(strips) ? "strip list!" : "polygon list!";
    if (list.size() > static_cast<std::size_t>(strips))
      list.resize(static_cast<std::size_t>(strips));
    tracks::OrFailFor(what, [&] {
      list.reserve(static_cast<std::size_t>(strips));
      return 0;
    });
    while (list.size() < static_cast<std::size_t>(strips))
      list.emplace_back(VOXA::errors::NewOrThrow<cTriStrip>("cTriStrip"));
  }

  tMeshWriter out;
  if (branchPart) {
    cOBSTriMesh& mesh = *branchPart->meshes[0];
    branchPart->material = branchMaterial;
    branchPart->mapCount = branchMaterial->MapCount();
    out.Begin(&mesh);
    BuildRings(root, out, twist, 0, 0);
    if (!combined) {
      out.End();
      mesh.lowest = 0;
      mesh.highest = static_cast<std::uint16_t>(out.counter - 1);
    }
    std::size_t cursor = 0;
    BuildStripIndices(root, cursor, mesh);
  }
  if (leafPart) {
    cOBSTriMesh& mesh = *leafPart->meshes[0];
    leafPart->material = leafMaterial;
    leafPart->mapCount = leafMaterial->MapCount();
    if (!combined) out.Begin(&mesh);
    mesh.lowest = static_cast<std::uint16_t>(out.counter);
    std::uint16_t* index = mesh.indices.data();
    BuildLeaves(root, index, out);
    mesh.highest = static_cast<std::uint16_t>(out.counter - 1);
    out.End();
  }
  boundsDirty = true;
}

void c3Dtree::BuildRings(tTreeNode* node, tMeshWriter& out, float step, float angle, float v) {
  for (; node; node = node->sideBranch, v = 0) {
    node->firstVertex = static_cast<std::uint16_t>(out.counter);
    const float turn = 2 * kPi / static_cast<float>(node->sides);
    const float du = 1.0f / static_cast<float>(node->sides);
    float theta = angle, u = 0;
    for (int i = 0; i <= node->sides; ++i, theta += turn, u += du) {
      const Vector n = node->right.Scaled(std::cos(theta)) + node->axis.Scaled(std::sin(theta));
      out.Write(node->position + n.Scaled(node->radius), n, u, v);
    }
    BuildRings(node->continuation, out, step, angle + step, v + 1);
    angle += step;
  }
}

void c3Dtree::BuildStripIndices(const tTreeNode* node, std::size_t& strip, cOBSTriMesh& mesh) {
  for (; node; node = node->sideBranch) {
    const tTreeNode* next = node->continuation;
    if (!next) continue;
    cTriStrip& s = *mesh.strips[strip++];
    const int n = node->sides + next->sides + 2;
    const std::uint32_t lowest = std::min(node->firstVertex, next->firstVertex);
    const std::uint32_t highest =
        std::max(node->firstVertex + node->sides, next->firstVertex + next->sides);
    s.lowest = static_cast<std::uint16_t>(lowest);
    s.highest = static_cast<std::uint16_t>(highest);
    if (s.indices.size() != static_cast<std::size_t>(n))
      tracks::OrFailFor("strip index list!", [&] {
        s.indices.resize(static_cast<std::size_t>(n));
        return 0;
      });
    std::uint32_t outer = next->firstVertex + next->sides, inner = node->firstVertex + node->sides;
    for (int i = 0; i < n; ++i)
      s.indices[i] = static_cast<std::uint16_t>((i % 2 == 0 ? outer-- : inner--) - lowest);
    BuildStripIndices(next, strip, mesh);
  }
}

void c3Dtree::BuildLeaves(const tTreeNode* node, std::uint16_t*& index, tMeshWriter& out) {
  for (; node; node = node->sideBranch) {
    if (node->continuation) {
      BuildLeaves(node->continuation, index, out);
      continue;
    }
    const float angle = RandomFraction() * kPi * 2.0f;
    BuildLeaf(node->position, node->direction, RotateDirection(node->right, node->direction, angle),
              index, out);
  }
}

void c3Dtree::BuildLeaf(const Vector& p, Vector d, Vector r, std::uint16_t*& index,
                        tMeshWriter& out) {
  const float dl = Length(d), rl = Length(r);
  if (dl > 0) d = d.Scaled(leafSize / dl);
  if (rl > 0) r = r.Scaled(0.5f * leafSize / rl);
  const Vector n = Normalized(Cross(d, r));
  const Vector back = n.Scaled(-1);
  const int b = out.counter - out.mesh->lowest;
  for (int k : {0, 1, 2, 5, 4, 3}) *index++ = static_cast<std::uint16_t>(b + k);
  out.Write(p + d, n, 0.5f, 0);
  out.Write(p + r, n, 1, 1);
  out.Write(p - r, n, 0, 1);
  out.Write(p + d, back, 0.5f, 0);
  out.Write(p + r, back, 1, 1);
  out.Write(p - r, back, 0, 1);
}

c3Dobject* c3Dtree::Duplicate() const { return DuplicateAs(*this, "c3Dtree"); }

void c3Dtree::CopyTo(c3Dtree* target) const {
  c3DSmesh::CopyTo(target);
  target->origin = origin;
  target->up = up;
  target->right = right;
  target->trunkRadius = trunkRadius;
  target->depth = depth;
  target->spread = spread;
  target->balance = balance;
  target->twist = twist;
  target->fullness = fullness;
  target->leafSize = leafSize;
  target->leafMaterial = leafMaterial;
  target->branchMaterial = branchMaterial;
  target->root = CloneNodes(root);
}

void c3Dtree::SetScene(c3Dscene* newScene) {
  c3DtriangularMesh::SetScene(newScene);
  for (cMaterial** material : {&leafMaterial, &branchMaterial})
    if (*material) *material = newScene ? newScene->FindMaterial((*material)->GetName()) : nullptr;
}

}  // namespace VOXA2::threedee
