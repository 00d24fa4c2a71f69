// Shared by the fuzz targets: the input served as one file of the data tree,
// the sample data mounted as the player mounts it, and a bounded debug log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "foundation/archive.h"
#include "foundation/fakearchive.h"
#include "foundation/streams.h"

namespace fuzzsupport {

struct tInputFile {
  std::string name;  // as the readers ask for it, backslashes and all
  std::string bytes;
};

inline tInputFile& Input() {
  static tInputFile input;
  return input;
}

inline std::unique_ptr<TStream> OpenInput(const char* path, int32_t) {
  tInputFile& input = Input();
  if (input.name != path) return nullptr;
  return std::make_unique<TMemFile>(input.bytes.data(), static_cast<int32_t>(input.bytes.size()),
                                    true);
}

// The input answers to name; every other file comes from the folder "data"
// of the working folder (tools/fuzz.sh links the sample data tree there).
inline void ServeInputAs(const char* name) {
  Input().name = name;
  static TFakeArchive data;
  static const bool mounted = [] {
    ClearFileAccessFunctions();
    AddFileAccessFunction(OpenInput);
    data.SetFileName("data\\");
    AddArchive(&data);
    return true;
  }();
  (void)mounted;
}

// Takes the next input; every thousandth run starts a fresh debug log.
inline void SetInput(const std::uint8_t* data, std::size_t size) {
  static unsigned runs = 0;
  if (++runs % 1000 == 0) std::remove("debug.txt");
  Input().bytes.assign(reinterpret_cast<const char*>(data), size);
}

}  // namespace fuzzsupport
