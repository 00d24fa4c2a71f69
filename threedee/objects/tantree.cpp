#include "threedee/objects/tantree.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "foundation/allocate.h"
#include "foundation/random.h"
#include "threedee/scene/material.h"
#include "threedee/scene/scene.h"
#include "threedee/scene/view.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/debuglog.h"

namespace VOXA2::threedee {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kLeafDroop = 0.4363323f;  // 25 degrees

const char* NameOf(const c3Dobject& o) { return o.GetName() ? o.GetName() : ""; }

}  // namespace

c3Dtantree::c3Dtantree() {
  kind = kProcedural;
  for (VertexFormat* format : {&trunkFormat, &leafFormat}) {
    format->position = true;
    format->normal = true;
    format->textureSetCount = 1;
    format->GetVertexSize();
  }
}

c3Dtantree::~c3Dtantree() {
  int faces = 0, vertices = 0;
  CountFacesAndVertices(*this, faces, vertices);
  LogMessage(5, "The tan tree \"%s\" consists of %i faces and %i vertices", NameOf(*this), faces,
             vertices);
}

void c3Dtantree::BuildMesh() {
  tree.reset();
  leaves = std::max(leaves, 1);
  // One render mesh addresses 65536 vertices: the trunk first, then the leaves
  // as far as they fit beside it.
  if (2LL * (sides + 1) * segments > kMaxVertices) {
    const int fit = kMaxVertices / (2 * (sides + 1));
    LogMessage(5,
               "The tan tree \"%s\" has too many trunk segments for one mesh: %i are built as %i",
               NameOf(*this), static_cast<int>(segments), fit);
    segments = fit;
  }
  const bool shares = trunkMaterial && trunkMaterial == leafMaterial;
  const int room = (kMaxVertices - (shares ? 2 * (sides + 1) * segments : 0)) / 4;
  if (leaves > room) {
    LogMessage(5, "The tan tree \"%s\" has too many leaves for one mesh: %i leaves are built as %i",
               NameOf(*this), static_cast<int>(leaves), room);
    leaves = room;
  }

  tree.reset(VOXA::errors::NewOrThrow<tTree>("tTree"));
  tTree& t = *tree;
  t.base = origin;
  t.direction = Normalized(up);
  t.trunkLength = std::sqrt(up.Dot(up)) * height;
  tracks::OrFailFor("leaf list!", [&] {
    t.leaves.assign(static_cast<std::size_t>(leaves), tTanLeaf{});
    t.order.assign(static_cast<std::size_t>(leaves), tTanLeafKey{});
    return 0;
  });
  const Vector d = t.direction;
  Vector start = Cross(Vector(1, 0, 0), d);
  if (std::fabs(start.x) <= 0.01f && std::fabs(start.y) <= 0.01f && std::fabs(start.z) <= 0.01f)
    start = Cross(Vector(0, 1, 0), d);
  start.Normalize();
  for (tTanLeaf& leaf : t.leaves) {
    const float along = RandomFraction();
    leaf.height = t.trunkLength * along;
    const float u = RandomFraction();
    leaf.length = (1 - along) * radius * (1 + 0.2f * (2 * u - 1));
    leaf.attachment = t.base + d.Scaled(leaf.height);
    leaf.outward = RotateDirection(start, d, RandomFraction() * 2 * kPi);
    const Vector k = Normalized(Cross(d, leaf.outward));
    leaf.branch = RotateDirection(leaf.outward, k, kLeafDroop).Scaled(leaf.length);
    leaf.side = k.Scaled(leaf.length * 0.5f);
  }

  if (!trunkMaterial && !leafMaterial) return;
  int trunkVertices = 2 * (sides + 1) * segments, trunkIndices = 6 * sides * segments;
  int leafVertices = 4 * leaves, leafIndices = 6 * leaves;
  if (trunkMaterial)
    TakeMapCount(trunkFormat, trunkMaterial);
  else
    trunkVertices = trunkIndices = 0;
  if (leafMaterial)
    TakeMapCount(leafFormat, leafMaterial);
  else
    leafVertices = leafIndices = 0;
  if (!trunkVertices && !leafVertices) return;

  const bool shared = shares && trunkVertices && leafVertices;
  SetPartCount(*this, shared ? 1 : (trunkVertices ? 1 : 0) + (leafVertices ? 1 : 0));
  leafMeshIndex = shared || !trunkVertices ? 0 : 1;
  cTriMesh* trunkPart = trunkVertices ? parts[0].get() : nullptr;
  cTriMesh* leafPart = leafVertices ? parts[leafMeshIndex].get() : nullptr;
  if (shared) {
    SizeRenderMesh(*trunkPart->meshes[0], trunkVertices + leafVertices, leafFormat,
                   trunkIndices + leafIndices, "orivinal vertices!");
  } else {
    if (trunkPart)
      SizeRenderMesh(*trunkPart->meshes[0], trunkVertices, trunkFormat, trunkIndices,
                     "original vertices!");
    if (leafPart)
      SizeRenderMesh(*leafPart->meshes[0], leafVertices, leafFormat, leafIndices,
                     "original vertices!");
  }

  tMeshWriter out;
  std::size_t written = 0;  // triangle indices of the mesh being filled
  if (trunkPart) {
    cOBSTriMesh& mesh = *trunkPart->meshes[0];
    trunkPart->material = trunkMaterial;
    trunkPart->mapCount = trunkMaterial->MapCount();
    mesh.lowest = 0;
    out.Begin(&mesh);
    const Vector step = up.Scaled(height / static_cast<float>(segments));
    Vector p = origin;
    for (int s = 0; s < segments; ++s) {
      const Vector q = p + step;
      const float r0 = trunkRadius * static_cast<float>(segments - s) / segments;
      const float r1 = trunkRadius * static_cast<float>(segments - s - 1) / segments;
      const Vector a = Normalized(q - p);
      Vector across = Cross(Vector(1, 0, 0), a);
      if (across.Dot(across) < 0.001f) across = Cross(Vector(0, 1, 0), a);
      across.Normalize();
      const Vector third = Normalized(Cross(a, across));
      const float slope = (r0 - r1) / std::sqrt((q - p).Dot(q - p));
      const Vector tilt = across + a.Scaled(slope);
      const float f = 1.0f / std::sqrt(tilt.Dot(tilt));
      const int first = out.counter;
      const float turn = 2 * kPi / static_cast<float>(sides), du = 1.0f / static_cast<float>(sides);
      float angle = 0, u = 0;
      // Bottom ring, then top ring: the vertex of one angle below its partner.
      std::vector<Vector> ring;
      for (int i = 0; i <= sides; ++i, angle += turn) {
        const Vector r = across.Scaled(std::cos(angle)) + third.Scaled(std::sin(angle));
        ring.push_back(r);
      }
      for (int i = 0; i <= sides; ++i, u += du) {
        const Vector n = (ring[i] + a.Scaled(slope)).Scaled(f);
        out.Write(p + ring[i].Scaled(r0), n, u, 0);
      }
      u = 0;
      for (int i = 0; i <= sides; ++i, u += du) {
        const Vector n = (ring[i] + a.Scaled(slope)).Scaled(f);
        out.Write(q + ring[i].Scaled(r1), n, u, 1);
      }
      for (int i = 0; i < sides; ++i) {
        const int b = first + i, top = b + sides + 1;
        for (int index : {b, b + 1, top, b + 1, top + 1, top})
          mesh.indices[written++] = static_cast<std::uint16_t>(index);
      }
      p = q;
    }
    if (!shared) {
      mesh.highest = static_cast<std::uint16_t>(out.counter - 1);
      out.End();
    }
  }
  if (leafPart) {
    cOBSTriMesh& mesh = *leafPart->meshes[0];
    leafPart->material = leafMaterial;
    leafPart->mapCount = leafMaterial->MapCount();
    if (!shared) {
      mesh.lowest = 0;
      written = 0;
      out.Begin(&mesh);
    }
    t.firstLeafIndex = static_cast<std::int32_t>(written);
    for (tTanLeaf& leaf : t.leaves) {
      const int v = out.counter;
      const Vector n = Normalized(Cross(leaf.branch, leaf.side));
      const Vector half = leaf.side.Scaled(0.5f);
      out.Write(leaf.attachment + leaf.branch - half, n, 0, 0);
      out.Write(leaf.attachment + leaf.branch + half, n, 1, 0);
      out.Write(leaf.attachment + half, n, 1, 1);
      out.Write(leaf.attachment - half, n, 0, 1);
      for (int index : {v, v + 1, v + 2, v + 2, v + 3, v})
        mesh.indices[written++] = static_cast<std::uint16_t>(index);
      leaf.firstVertex = v;
    }
    mesh.highest = static_cast<std::uint16_t>(out.counter - 1);
    out.End();
  }
  boundsDirty = true;
}

void c3Dtantree::SortLeaves(const Matrix4& view) {
  if (!tree || leafMeshIndex >= static_cast<int>(parts.size())) return;
  cOBSTriMesh& mesh = *parts[leafMeshIndex]->meshes[0];
  // The view's depth axis in the tree's own space: the third row of view × world.
  Matrix4 m;
  MultiplyMatrices(m, view, world);
  const Vector towardsEye = Normalized(Vector(-m.m[8], -m.m[9], -m.m[10]));
  tTree& t = *tree;
  for (std::size_t j = 0; j < t.leaves.size(); ++j)
    t.order[j] = {t.leaves[j].outward.Dot(towardsEye), t.leaves[j].firstVertex};
  std::sort(t.order.begin(), t.order.end(),
            [](const tTanLeafKey& a, const tTanLeafKey& b) { return a.key < b.key; });
  std::size_t at = static_cast<std::size_t>(t.firstLeafIndex);
  if (at + 6 * t.order.size() > mesh.indices.size()) return;
  for (const tTanLeafKey& entry : t.order) {
    const int v = entry.firstVertex;
    for (int index : {v, v + 1, v + 2, v + 2, v + 3, v})
      mesh.indices[at++] = static_cast<std::uint16_t>(index);
  }
}

bool c3Dtantree::Render(bool recurse) {
  // Outside a view3D frame there is no view to sort for: the last order stays.
  // Inside one, the device holds the view its camera set.
  if (!hidden && currentView && *currentView) {
    Matrix4 view;
    GetTransform(view.m, kTransformView);
    SortLeaves(view);
  }
  return c3DtriangularMesh::Render(recurse);
}

c3Dobject* c3Dtantree::Duplicate() const { return DuplicateAs(*this, "c3Dtantree"); }

void c3Dtantree::CopyTo(c3Dtantree* target) const {
  c3DSmesh::CopyTo(target);
  target->origin = origin;
  target->up = up;
  target->height = height;
  target->radius = radius;
  target->trunkRadius = trunkRadius;
  target->leaves = leaves;
  target->segments = segments;
  target->sides = sides;
  target->leafMaterial = leafMaterial;
  target->trunkMaterial = trunkMaterial;
  if (tree) {
    target->tree.reset(VOXA::errors::NewOrThrow<tTree>("tTree"));
    *target->tree = *tree;
    std::fill(target->tree->order.begin(), target->tree->order.end(), tTanLeafKey{});
  }
  target->leafMeshIndex = leafMeshIndex;
}

void c3Dtantree::SetScene(c3Dscene* newScene) {
  c3DtriangularMesh::SetScene(newScene);
  for (cMaterial** material : {&leafMaterial, &trunkMaterial})
    if (*material) *material = newScene ? newScene->FindMaterial((*material)->GetName()) : nullptr;
}

}  // namespace VOXA2::threedee
