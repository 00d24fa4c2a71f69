// The 3DS tests' harness: a file made by the chunk writer read into a fresh
// loader, with the debug log it wrote.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "foundation/streams.h"
#include "tests/support/tempdir.h"
#include "tests/threedee/scene/scene_device.h"
#include "tests/threedee/loaders/chunkwriter.h"
#include "threedee/loaders/threedsloader.h"
#include "threedee/scene/material.h"

namespace threedstest {

using namespace VOXA2::threedee;
using chunkwriter::Bytes;

struct Loaded {
  bool ok = false;
  std::unique_ptr<c3DSloader> loader;
  std::vector<std::string> log;

  bool Logged(const std::string& line) const {
    return std::find(log.begin(), log.end(), line) != log.end();
  }
  cMaterial* MaterialNamed(const std::string& name) const {
    for (cMaterial* m : loader->materials)
      if (m && m->GetName() && name == m->GetName()) return m;
    return nullptr;
  }
  t3DSLmesh* Mesh(std::size_t i = 0) const { return loader->data->meshes.at(i).get(); }
};

class ThreeDS : public ::testing::Test {
 protected:
  // Without a device: files whose nodes make no meshes.
  Loaded Read(Bytes bytes) {
    std::remove("debug.txt");
    Loaded out = Load(bytes);
    out.log = testsupport::DebugLogLines();
    return out;
  }
  // On the headless display's device, as the player loads its scenes.
  Loaded ReadOnDevice(Bytes bytes) {
    Loaded out;
    std::vector<std::string> lines =
        scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] { out = Load(bytes); });
    out.log = lines;
    return out;
  }
  Loaded ReadEditor(std::initializer_list<Bytes> children) {
    return Read(chunkwriter::Main({chunkwriter::Editor(children)}));
  }

  testsupport::ScopedTempDir dir_;

 private:
  static Loaded Load(Bytes& bytes) {
    Loaded out;
    out.loader = std::make_unique<c3DSloader>();
    TMemFile stream(bytes.data(), static_cast<std::int32_t>(bytes.size()), true);
    try {
      out.ok = ReadMainChunk(out.loader.get(), &stream);
    } catch (VOXA::errors::eError* error) {
      ADD_FAILURE() << error->GetMessage();
      delete error;
    }
    return out;
  }
};

}  // namespace threedstest
