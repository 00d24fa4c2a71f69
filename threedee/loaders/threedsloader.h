// 3DS files: a chunk tree of materials, meshes, lights and cameras (the editor
// section) and of animated nodes (the keyframer section). A loader reads the
// file into itself, keeping the editor's records in its store until the
// keyframer has made objects of them; a 3DS scene loads through a temporary
// loader and keeps a copy of what it built.
#pragma once

#include <cstdint>
#include <memory>

#include "threedee/loaders/chunkfile.h"
#include "threedee/loaders/threedsdata.h"
#include "threedee/scene/scene.h"

class TStream;

namespace VOXA2::threedee {

class cMap;
class cMesher;
class cMaterial;

class c3DSloader : public c3Dscene {
 public:
  c3DSloader();
  ~c3DSloader() override;

  bool Load(const char* fileName) override;

  std::unique_ptr<c3DSLdata> data;
  // The node that the previous node chunk linked into the tree.
  t3DSLnode* lastNode = nullptr;
  // Entry 0 of the material list, which owns it.
  cMaterial* defaultMaterial = nullptr;
  // Whether the file had a keyframer section: without one no objects are made.
  bool keyframerRead = false;
};

class c3DSscene : public c3Dscene {
 public:
  bool Load(const char* fileName) override;
};

// The whole file from an open stream into the loader; false for a file that
// is no 3DS file or whose content is malformed.
bool ReadMainChunk(c3DSloader* loader, TStream* stream);
bool ReadEditorChunk(c3DSloader* loader, cChunkFile& parent);
bool ReadObjectChunk(c3DSloader* loader, cChunkFile& parent);
bool ReadMaterialChunk(c3DSloader* loader, cChunkFile& parent);
bool ReadKeyframer(c3DSloader* loader, cChunkFile& parent);
// False when a colour sub-chunk has the wrong size; no colour leaves it as it was.
bool ReadColorChunk(cChunkFile& parent, std::uint32_t& color);
bool ReadAmountChunk(cChunkFile& parent, float& value);
bool ReadMapChunk(cChunkFile& parent, cMap*& slot);

// The render input of a mesh record: one vertex per record vertex, then one
// per distinct (vertex, texture vertex) pair that a face corner uses, each less
// the pivot; the record stays as it is.
void ConvertMesh(const t3DSLmesh* mesh, const Vector& pivot, cMesher* mesher);
// The scene objects of the store's node tree, appended to the loader's tree.
void BuildObjects(c3DSloader* loader);

void DumpObjectTree(c3Dobject* first, int indent);
void DumpMaterialList(cMaterial* const* materials, std::int32_t count);

}  // namespace VOXA2::threedee
