// libFuzzer target for Text3D scene files: the input is read as a scene of a
// demo whose animation collector serves the same text again under any name
// (so merges, and merges of merges, are read too), then the scene is run for
// a few frames and copied.
#include <cstddef>
#include <cstdint>
#include <string>

#include "demo/datacollector.h"
#include "demo/demo.h"
#include "foundation/errors.h"
#include "fuzz/support.h"
#include "script/parser.h"
#include "threedee/loaders/text3d.h"

namespace {

using namespace VOXA2;
using namespace VOXA2::threedee;

int depth = 0;

bool ReadInput(cText3Dscene& scene) {
  cParser parser;
  parser.SetSourceName("3ds\\fuzz.T3D");
  const std::string& bytes = fuzzsupport::Input().bytes;
  if (!parser.LoadBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()))) return false;
  return scene.Read(&parser);
}

// Every animation is the input itself, two levels deep at most.
class InputAnimations : public cVOXAdatacollector {
 public:
  InputAnimations() : cVOXAdatacollector("3DS") {}
  ~InputAnimations() override { FreeEntries(); }
  void FreeItem(void* data) override { delete static_cast<c3Dscene*>(data); }
  bool LoadItem(tDataEntry* entry) override {
    if (depth >= 2) return false;
    ++depth;
    auto* scene = new cText3Dscene;
    scene->demo = demo;
    bool ok = false;
    try {
      ok = ReadInput(*scene);
    } catch (...) {
      --depth;
      delete scene;
      throw;
    }
    --depth;
    if (!ok) {
      delete scene;
      return false;
    }
    entry->data = scene;
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzsupport::SetInput(data, size);
  try {
    cVOXAdemo demo;
    demo.AddDataCollector(new InputAnimations);
    cText3Dscene scene;
    scene.demo = &demo;
    if (ReadInput(scene) && scene.root) {
      for (float frame : {0.0f, 0.5f, 3.0f, 1e6f}) scene.root->Update(frame, 0, 0, 0);
      delete scene.Duplicate();
    }
  } catch (VOXA::errors::eError* error) {
    // Running out of memory is the one error a loader may raise.
    delete error;
  }
  return 0;
}
