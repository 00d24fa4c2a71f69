#include "threedee/loaders/threedsloader.h"

#include <memory>
#include <new>

#include "foundation/archive.h"
#include "foundation/errors.h"
#include "foundation/stream.h"
#include "threedee/scene/material.h"
#include "windxkernel/debuglog.h"

namespace VOXA2::threedee {
namespace {

constexpr const char* kDefaultMaterialName = "(default)";

void CreateDefaultMaterial(c3DSloader* loader) {
  auto* material = new (std::nothrow) cMaterial();
  if (!material) throw new VOXA::errors::eCouldNotCreateObject("cMaterial");
  try {
    loader->AddMaterial(material);
  } catch (...) {
    delete material;
    throw;
  }
  loader->defaultMaterial = material;
  material->SetName(kDefaultMaterialName);
  LogMessage(7, "default material == \"%s\"", material->GetName());
}

void WriteDump(c3DSloader* loader) {
  LogMessage(7, "%s", "");
  LogMessage(7, "Object tree:");
  DumpObjectTree(loader->root, 2);
  LogMessage(7, "%s", "");
  LogMessage(7, "Materials:");
  DumpMaterialList(loader->materials.data(), static_cast<std::int32_t>(loader->materials.size()));
  LogMessage(7, "%s", "");
}

}  // namespace

c3DSloader::c3DSloader() : data(new (std::nothrow) c3DSLdata()) {
  if (!data) throw new VOXA::errors::eCouldNotCreateObject("c3DSLdata");
}

c3DSloader::~c3DSloader() = default;

bool c3DSloader::Load(const char* fileName) {
  std::unique_ptr<TStream> stream = OpenFile(fileName, 0);
  if (!stream) return false;
  return ReadMainChunk(this, stream.get());
}

bool c3DSscene::Load(const char* fileName) {
  std::unique_ptr<TStream> stream = OpenFile(fileName, 0);
  if (!stream) return false;
  c3DSloader loader;
  if (!ReadMainChunk(&loader, stream.get())) return false;
  Clear();
  loader.CopyTo(this);
  return true;
}

bool ReadMainChunk(c3DSloader* loader, TStream* stream) {
  loader->Clear();
  loader->defaultMaterial = nullptr;
  loader->keyframerRead = false;
  cChunkFile file;
  if (!file.LoadStream(stream)) return false;
  if (!file.NextChunk() || file.Id() != 0x4D4D) return false;
  if (!file.HasData() || file.DataLength() < 4) return false;
  cChunkFile main;
  main.OpenSubChunks(file);
  CreateDefaultMaterial(loader);
  const std::size_t meshesBefore = loader->data->meshes.size();
  while (main.NextChunk()) {
    switch (main.Id()) {
      case 0x0002:
        LogMessage(7, " File format version is %i", static_cast<std::int16_t>(main.ReadWord()));
        break;
      case 0x3D3D:
        LogMessage(7, " 3D Editor");
        if (!ReadEditorChunk(loader, main)) return false;
        break;
      case 0xB000:
        LogMessage(7, " Keyframer");
        loader->keyframerRead = true;
        if (!ReadKeyframer(loader, main)) return false;
        break;
      default:
        LogMessage(7, " Unknown chunk ID 0x%X in mainchunk found!", main.Id());
        break;
    }
  }
  const std::size_t meshes = loader->data->meshes.size() - meshesBefore;
  if (meshes > 0 && !loader->keyframerRead)
    LogMessage(7, "3DS file has %i meshes but no keyframer: no objects created",
               static_cast<int>(meshes));
  if (loader->data->rootNode) BuildObjects(loader);
  // The view3D command wraps time into the frame count: it must count frames.
  if (loader->frames < 1) loader->frames = 1;
  WriteDump(loader);
  return true;
}

void DumpObjectTree(c3Dobject* first, int indent) {
  for (c3Dobject* object = first; object; object = object->nextSibling) {
    LogMessage(7, "%*s%s", indent, "", object->GetName() ? object->GetName() : "");
    DumpObjectTree(object->firstChild, indent + 2);
  }
}

void DumpMaterialList(cMaterial* const* materials, std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i)
    if (materials[i]) LogMessage(7, "  %s", materials[i]->GetName() ? materials[i]->GetName() : "");
}

}  // namespace VOXA2::threedee
