// The scene objects of a 3DS file: one keyframed object per node of the
// store's node tree, with its tracks, and for a mesh node the render meshes
// made from its mesh record.
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "demo/lists.h"
#include "threedee/loaders/threedsloader.h"
#include "threedee/scene/kbsplines.h"
#include "threedee/scene/keyframed.h"
#include "threedee/scene/material.h"
#include "threedee/scene/mesher.h"
#include "windxkernel/debuglog.h"

namespace VOXA2::threedee {
namespace {

template <class T>
T* Make(const char* className) {
  T* made = new (std::nothrow) T();
  if (!made) throw new VOXA::errors::eCouldNotCreateObject(className);
  return made;
}

c3DStemporary* MakeObject(const t3DSLnode& node) {
  if (node.dummy) return Make<c3DStemporary>("c3DStemporary");
  switch (node.kind) {
    case 0xB001:
      return Make<c3DSlight_ambient>("c3DSlight_ambient");
    case 0xB002:
      return Make<c3DSmesh>("c3DSmesh");
    case 0xB003: {
      auto* camera = Make<c3DScamera>("c3DScamera");
      camera->nearPlane = node.camera->nearPlane;
      camera->farPlane = node.camera->farPlane;
      return camera;
    }
    case 0xB005:
      return Make<c3DSlight_omni>("c3DSlight_omni");
    case 0xB007:
      return Make<c3DSlight_spot>("c3DSlight_spot");
    default:
      return Make<c3DStarget>("c3DStarget");
  }
}

template <class Track>
Track* Finish(Track* track, const t3DSLtrack& keys) {
  track->repeatMode = keys.repeatMode;
  if (keys.complete) track->Prepare();
  return track;
}

cView3Di_position* SplineTrack(const t3DSLtrack* keys) {
  if (!keys) return nullptr;
  auto* track = new (std::nothrow) cView3Di_kbsplines(keys->components);
  if (!track) throw new VOXA::errors::eCouldNotCreateObject("cView3Di_kbsplines");
  for (const t3DSLkey& k : keys->keys)
    track->AddKey(k.frame, k.value, k.tension, k.continuity, k.bias, k.easeFrom, k.easeTo);
  return Finish(track, *keys);
}

void FillTracks(const t3DSLnode& node, c3DStemporary* object) {
  const auto& t = node.tracks;
  object->positionTrack = SplineTrack(t[t3DSLnode::kPosition].get());
  object->scaleTrack = SplineTrack(t[t3DSLnode::kScale].get());
  object->fovTrack = SplineTrack(t[t3DSLnode::kFov].get());
  object->rollTrack = SplineTrack(t[t3DSLnode::kRoll].get());
  object->colourTrack = SplineTrack(t[t3DSLnode::kColor].get());
  object->hotspotTrack = SplineTrack(t[t3DSLnode::kHotspot].get());
  object->falloffTrack = SplineTrack(t[t3DSLnode::kFalloff].get());
  if (const t3DSLtrack* keys = t[t3DSLnode::kRotation].get()) {
    auto* track = Make<cView3Di_kbsplines_quat>("cView3Di_kbsplines_quat");
    for (const t3DSLkey& k : keys->keys)
      track->AddKey(k.frame, k.value, k.tension, k.continuity, k.bias, k.easeFrom, k.easeTo);
    object->rotationTrack = Finish(track, *keys);
  }
  if (const t3DSLtrack* keys = t[t3DSLnode::kHide].get()) {
    auto* track = Make<cView3Di_enum>("cView3Di_enum");
    for (const t3DSLkey& k : keys->keys) track->AddKey(k.frame, static_cast<int>(k.value[0]));
    object->hideTrack = Finish(track, *keys);
  }
  if (const t3DSLtrack* keys = t[t3DSLnode::kMorph].get()) {
    auto* track = new (std::nothrow) cView3Di_kbsplines_morph(keys->components);
    if (!track) throw new VOXA::errors::eCouldNotCreateObject("cView3Di_kbsplines_morph");
    object->morphTrack = track;
    // The node's vertices stand less its pivot; so must the vertices it morphs to.
    std::vector<Vector> positions;
    for (const t3DSLkey& k : keys->keys) {
      positions = k.morphTarget->positions;
      for (Vector& p : positions) p = p - node.pivot;
      track->AddKey(k.frame, positions.data(), k.tension, k.continuity, k.bias, k.easeFrom,
                    k.easeTo);
    }
    Finish(track, *keys);
  }
}

void BuildMesh(const t3DSLnode& node, c3DSmesh* object) {
  if (node.mesh->VertexCount() == 0 || node.mesh->FaceCount() == 0) {
    // An empty mesh of an exported file draws nothing and is no error.
    LogMessage(7, "Mesh \"%s\" is empty: no render meshes", node.mesh->name.c_str());
    return;
  }
  cMesher mesher;
  ConvertMesh(node.mesh, node.pivot, &mesher);
  mesher.SplitByMaterial();
  mesher.CountElements();
  mesher.BuildRenderMeshes(object);
}

// Each object hangs in the tree (slot) before it is filled, so that the
// loader's tree owns whatever was made when a later step throws.
void Build(c3DSloader* loader, const t3DSLnode* node, c3Dobject* parent, c3Dobject** slot,
           std::vector<std::pair<const t3DSLnode*, c3DStemporary*>>& made) {
  for (; node; node = node->nextSibling) {
    c3DStemporary* object = MakeObject(*node);
    *slot = object;
    slot = &object->nextSibling;
    object->parent = parent;
    object->scene = loader;
    object->currentView = &loader->currentView;
    if (!node->name.empty()) object->SetName(node->name.c_str());
    AppendToList(made, std::make_pair(node, object), "object list!");
    FillTracks(*node, object);
    if (auto* mesh = dynamic_cast<c3DSmesh*>(object)) BuildMesh(*node, mesh);
    Build(loader, node->firstChild, object, &object->firstChild, made);
  }
}

}  // namespace

void ConvertMesh(const t3DSLmesh* mesh, const Vector& pivot, cMesher* mesher) {
  if (!mesher) return;
  VertexFormat format;
  format.position = true;
  format.normal = true;
  format.textureSetCount = 1;
  format.GetVertexSize();
  mesher->Clear();

  const std::int32_t vertices = mesh->VertexCount();
  bool mapped = !mesh->texVertices.empty() && mesh->TexVertexCount() >= vertices;
  for (const t3DSLface& face : mesh->faces)
    for (std::int32_t t : face.texVertex) mapped = mapped && t >= 0 && t < mesh->TexVertexCount();
  if (!mesh->texVertices.empty() && !mapped)
    LogMessage(7, "Mesh \"%s\": texture vertices do not fit its faces, dropped",
               mesh->name.c_str());

  // Corners whose vertex and texture vertex differ share one extra vertex per pair.
  std::vector<std::pair<std::int32_t, std::int32_t>> pairs;
  mesher->faces.reserve(mesh->faces.size());
  for (const t3DSLface& face : mesh->faces) {
    std::int32_t corner[3];
    for (int k = 0; k < 3; ++k) {
      const std::int32_t v = face.vertex[k], t = face.texVertex[k];
      if (!mapped || v == t) {
        corner[k] = v;
        continue;
      }
      std::size_t at = 0;
      while (at < pairs.size() && pairs[at] != std::make_pair(v, t)) ++at;
      if (at == pairs.size()) AppendToList(pairs, std::make_pair(v, t), "index list!");
      corner[k] = vertices + static_cast<std::int32_t>(at);
    }
    cMaterial* material = face.material >= 0 &&
                                  face.material < static_cast<std::int32_t>(mesh->scene->materials.size())
                              ? mesh->scene->materials[face.material]
                              : mesh->scene->defaultMaterial;
    AppendToList(mesher->faces, cMesher::tFace{corner[0], corner[1], corner[2], material}, "face list!");
  }

  const std::int32_t total = vertices + static_cast<std::int32_t>(pairs.size());
  mesher->source.reset(VertexArray::Create(false, total, format));
  if (!mesher->source) throw new VOXA::errors::eCouldNotCreateObject("VertexArray");
  try {
    mesher->originalIndices.resize(total);
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("original vertex indices!");
  }
  VertexArray* array = mesher->source.get();
  auto write = [&](std::int32_t at, std::int32_t v, std::int32_t t) {
    std::uint8_t* record = array->data + static_cast<std::size_t>(at) * array->pointer.stride;
    const Vector position = mesh->positions[v] - pivot;
    const float uv[2] = {mapped ? mesh->texVertices[t].u : 0.0f, mapped ? mesh->texVertices[t].v : 0.0f};
    std::memcpy(record + array->pointer.position, &position, sizeof position);
    std::memcpy(record + array->pointer.normal, &mesh->normals[v], sizeof(Vector));
    std::memcpy(record + array->pointer.textureCoords, uv, sizeof uv);
    mesher->originalIndices[at] = v;
  };
  for (std::int32_t i = 0; i < vertices; ++i) write(i, i, i);
  for (std::size_t k = 0; k < pairs.size(); ++k)
    write(vertices + static_cast<std::int32_t>(k), pairs[k].first, pairs[k].second);
}

void BuildObjects(c3DSloader* loader) {
  std::vector<std::pair<const t3DSLnode*, c3DStemporary*>> made;
  c3Dobject** end = &loader->root;
  while (*end) end = &(*end)->nextSibling;
  Build(loader, loader->data->rootNode, nullptr, end, made);
  auto objectOf = [&](const t3DSLnode* node) -> c3DStemporary* {
    for (const auto& [from, object] : made)
      if (from == node) return object;
    return nullptr;
  };
  for (const auto& [node, object] : made) {
    if (auto* camera = dynamic_cast<c3DScamera*>(object)) camera->target = objectOf(node->target);
    if (auto* spot = dynamic_cast<c3DSlight_spot*>(object)) spot->target = objectOf(node->target);
  }
}

}  // namespace VOXA2::threedee
