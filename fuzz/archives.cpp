// libFuzzer target for the archive readers and the member decoders: the input
// is read as an own-format archive, as an executable with appended archives,
// as a ZIP file, and as packed bytes for each decoder. Built and run by
// tools/fuzz.sh archives.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "foundation/decoders.h"
#include "foundation/errors.h"
#include "foundation/streams.h"
#include "foundation/vornarc.h"
#include "foundation/ziparchive.h"

namespace {

void Exercise(TArchive& archive) {
  if (!archive.Open(kStreamRead)) return;
  std::vector<std::string> names;
  tSearchRecord search;
  for (bool ok = archive.FindFirst(&search, "*"); ok && names.size() < 64;
       ok = archive.FindNext(&search)) {
    names.push_back(search.name);
  }
  archive.FindClose(&search);
  uint8_t sink[512];
  for (const std::string& name : names) {
    int32_t size = 0;
    uint8_t* data = nullptr;
    archive.ExtractMember(name.c_str(), size, data, nullptr);
    std::free(data);
    for (bool buffered : {false, true}) {
      std::unique_ptr<TStream> stream = archive.OpenFile(name.c_str(), buffered);
      if (!stream) continue;
      while (stream->Read(sink, 1, sizeof(sink)) > 0) {
      }
    }
  }
}

// Archives inside the executable list are opened the kernel's way.
void ExerciseNested(TVORNarcEXE& exe) {
  if (!exe.Open()) return;
  for (const tArcExeEntry& entry : std::vector<tArcExeEntry>(exe.Entries())) {
    TVORNarc nested(std::make_unique<TArchiveWrapper>(&exe));
    nested.SetFileName(entry.name);
    Exercise(nested);
  }
}

std::unique_ptr<TStream> Over(const uint8_t* data, size_t size) {
  return std::make_unique<TMemFile>(const_cast<uint8_t*>(data), static_cast<int32_t>(size), true);
}

void Decoders(const uint8_t* data, size_t size) {
  if (size < 4) return;
  // The first bytes say how long the output is; small, so the run stays quick.
  uint32_t decoded = (data[0] | (data[1] & 0x3F) << 8) + 1;
  const uint8_t* packed = data + 3;
  uint32_t stored = static_cast<uint32_t>(size - 3);
  std::vector<uint8_t> out(decoded);
  InflateRawMember(packed, stored, out.data(), decoded);
  DecodeBzip2Member(packed, stored, out.data(), decoded);
  DecodeLzhMember(packed, stored, out.data(), decoded, nullptr);
  ExpandReduced(packed, stored, out.data(), decoded, nullptr, data[2] >> 6);
  (void)Crc32(packed, stored);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  try {
    TVORNarc own(Over(data, size));
    Exercise(own);
    TVORNarcEXE exe(Over(data, size));
    ExerciseNested(exe);
    TZipArchive zip(Over(data, size));
    Exercise(zip);
    Decoders(data, size);
  } catch (VOXA::errors::eError*) {
    // Only out-of-memory errors are thrown, and the size checks must keep a
    // hostile file from ever reaching one.
    std::abort();
  }
  return 0;
}
