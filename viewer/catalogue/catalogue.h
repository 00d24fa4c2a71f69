// Demo catalogues: the records that a data file's "demo.ini" is read into,
// the reader of that file, and the read of one data file's catalogue.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/basis.h"

class TArchive;

namespace VOXA2 {

class cParserT;

// Symbol kind under which a catalogue read keeps its demo identifiers.
enum : std::int32_t { symDemo = 9 };

// One demo that a catalogue declares.
struct tDCdemo : public virtual basis::basisStruct {
  tDCdemo() = default;
  ~tDCdemo() override = default;
  const char* ClassName() const override { return "tDCdemo"; }

  std::optional<std::string> title;
  std::optional<std::string> file;
  // The description file's whole text; unset without "desc" or when the file
  // cannot be opened.
  std::optional<std::string> description;
  std::optional<std::string> loadingImage;
};

// One catalogue: the demos of one data file and how the launcher shows them.
struct tDCdemocollector : public virtual basis::basisStruct {
  tDCdemocollector() = default;
  ~tDCdemocollector() override = default;
  tDCdemocollector(const tDCdemocollector&) = delete;
  tDCdemocollector& operator=(const tDCdemocollector&) = delete;
  const char* ClassName() const override { return "tDCdemocollector"; }

  // Reads the catalogue fileName from the root of dataFile (by name through
  // the mounted file systems when dataFile is null). Null when the file is
  // missing, does not parse, or enlists no demo; the caller owns the result.
  static tDCdemocollector* BuildDemoList(const char* fileName, TArchive* dataFile);
  static void FreeDemoList(tDCdemocollector* catalogue);

  std::int32_t width = 640;
  std::int32_t height = 480;
  std::optional<std::string> title;
  // Every demo block in file order; owned.
  std::vector<std::unique_ptr<tDCdemo>> demos;
  // The demos that the main blocks list, in file order, repeats included;
  // the records belong to demos.
  std::vector<tDCdemo*> enlisted;
  tDCdemo* defaultDemo = nullptr;
  // Not owned; null when the catalogue was read by name.
  TArchive* dataFile = nullptr;
};

// The parse callback of a catalogue read; context is the tDCdemocollector.
void ParseDemoList(cParserT* parser, void* context);
void ParseDemoBlock(cParserT* parser, tDCdemocollector* catalogue);
void ParseMainBlock(cParserT* parser, tDCdemocollector* catalogue);

}  // namespace VOXA2
