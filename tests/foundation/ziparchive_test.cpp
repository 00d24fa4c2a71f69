#include "foundation/ziparchive.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/foundation/archive_fixtures.h"
#include "tests/support/tempdir.h"

using namespace archivetest;
using testsupport::ScopedTempDir;

namespace {

std::unique_ptr<TZipArchive> OpenZip(const char* file, bool* opened) {
  auto zip = std::make_unique<TZipArchive>(DiskStream(file));
  *opened = zip->Open(kStreamRead);
  return zip;
}

// A tree of files that pack in different ways.
void MakeTree() {
  WriteFileBytes("tree/readme.txt", TextBytes(12000, 1));
  WriteFileBytes("tree/GUI/Pictures/desktop.pcx", RunBytes(20000));
  WriteFileBytes("tree/GUI/noise.bin", RandomBytes(5000, 2));
  WriteFileBytes("tree/one.txt", ToBytes("1"));
}

const char* const kTreeFiles[] = {"readme.txt", "GUI/Pictures/desktop.pcx", "GUI/noise.bin",
                                  "one.txt"};

TEST(ZipArchive, MembersWrittenByInfoZipEqualTheirSources) {
  ScopedTempDir dir;
  MakeTree();
  Shell("cd tree && zip -q -r ../deflated.zip . && zip -q -r -0 ../stored.zip .");
  for (const char* file : {"deflated.zip", "stored.zip"}) {
    bool opened = false;
    auto zip = OpenZip(file, &opened);
    ASSERT_TRUE(opened) << file;
    for (const char* name : kTreeFiles) {
      int32_t size = 0;
      EXPECT_EQ(Extract(*zip, name, &size), ReadFileBytes(std::string("tree/") + name))
          << file << " " << name;
    }
    // Folder entries are members too, with the slashes of the ZIP file.
    bool listedFolder = false;
    for (const tZipEntry& e : zip->Entries()) listedFolder |= e.name == "GUI/Pictures/";
    EXPECT_TRUE(listedFolder) << file;
    EXPECT_EQ(Extract(*zip, "gui/pictures/DESKTOP.PCX"),
              ReadFileBytes("tree/GUI/Pictures/desktop.pcx"));
    int32_t size = 0;
    Extract(*zip, "GUI\\noise.bin", &size);
    EXPECT_EQ(size, kZipNoSuchMember) << "backslashes do not match slashes";
  }
}

TEST(ZipArchive, MembersWrittenByPythonZipfile) {
  ScopedTempDir dir;
  MakeTree();
  Shell(
      "python3 -c \"import zipfile\n"
      "for name, method in (('py_stored.zip', zipfile.ZIP_STORED), ('py_deflated.zip', "
      "zipfile.ZIP_DEFLATED), "
      "('py_bzip2.zip', zipfile.ZIP_BZIP2)):\n"
      "  with zipfile.ZipFile(name, 'w', method) as z:\n"
      "    for f in ('readme.txt', 'GUI/Pictures/desktop.pcx', 'GUI/noise.bin', 'one.txt'):\n"
      "      z.write('tree/' + f, f)\"");
  struct Case {
    const char* file;
    int32_t expected;  // 0: the member's bytes
  };
  for (Case c :
       {Case{"py_stored.zip", 0}, Case{"py_deflated.zip", 0}, Case{"py_bzip2.zip", kZipBadCrc}}) {
    bool opened = false;
    auto zip = OpenZip(c.file, &opened);
    ASSERT_TRUE(opened) << c.file;
    for (const char* name : kTreeFiles) {
      int32_t size = 0;
      Bytes bytes = Extract(*zip, name, &size);
      if (c.expected == 0) {
        EXPECT_EQ(bytes, ReadFileBytes(std::string("tree/") + name)) << c.file << " " << name;
      } else {
        EXPECT_EQ(size, c.expected) << c.file << " " << name << ": bzip2 has no ZIP decoder";
      }
    }
  }
}

TEST(ZipArchive, WhatTheReaderRefuses) {
  ScopedTempDir dir;
  MakeTree();
  Shell("cd tree && zip -q -Z bzip2 ../bzip2.zip readme.txt");
  bool opened = false;
  auto bz = OpenZip("bzip2.zip", &opened);
  ASSERT_TRUE(opened);
  int32_t size = 0;
  Extract(*bz, "readme.txt", &size);
  EXPECT_EQ(size, kZipBadCrc) << "method 12 has no decoder";

  // zip writes a member from standard input with a data descriptor and a
  // zip64 extra field: outside what the local-header walk supports.
  Shell("printf abc | zip -q stdin.zip -");
  auto piped = OpenZip("stdin.zip", &opened);
  EXPECT_FALSE(opened);
  EXPECT_TRUE(piped->Entries().empty());

  Shell("printf abc > empty.zip && : > empty.zip");
  OpenZip("empty.zip", &opened);
  EXPECT_FALSE(opened) << "an empty file is no ZIP archive";

  TZipArchive writable(DiskStream("bzip2.zip"));
  EXPECT_FALSE(writable.Open(kStreamWrite));
  EXPECT_TRUE(ReadFileBytes("bzip2.zip").size() > 30) << "write mode leaves the file alone";
}

// A ZIP of one stored member with one change made to it.
struct DamageCase {
  const char* name;
  std::function<void(Bytes&)> change;
  bool opens;
  int32_t result;  // > 0: the member's bytes come back
};

TEST(ZipArchive, DamagedFiles) {
  ScopedTempDir dir;
  MakeTree();
  Shell("cd tree && zip -q -0 -X ../one.zip readme.txt");
  const Bytes base = ReadFileBytes("one.zip");
  const size_t data = 30 + 10;  // header and name "readme.txt", no extra field
  ASSERT_EQ(base[26], 10);
  ASSERT_EQ(base[28] | base[29] << 8, 0);
  auto method = [](uint16_t m) {
    return [m](Bytes& b) {
      b[8] = static_cast<uint8_t>(m);
      b[9] = 0;
    };
  };
  const DamageCase cases[] = {
      {"as written", [](Bytes&) {}, true, 12000},
      {"a data byte flipped", [&](Bytes& b) { b[data + 100] ^= 1; }, true, kZipBadCrc},
      {"method 1", method(1), true, kZipDecoderFailed},
      {"method 6", method(6), true, kZipBadCrc},
      {"method 9", method(9), true, kZipBadCrc},
      {"method 8 over stored bytes", method(8), true, kZipDecoderFailed},
      {"name length 0", [](Bytes& b) { b[26] = 0; }, false, 0},
      {"compressed size past the end", [](Bytes& b) { b[21] = 0x7F; }, false, 0},
      {"uncompressed size past the end, stored", [](Bytes& b) { b[25] = 0x7F; }, true,
       kZipReadFailed},
      {"huge uncompressed size, deflated",
       [&](Bytes& b) {
         method(8)(b);
         b[25] = 0xFF;
       },
       true, kZipDecoderFailed},
      {"ends after the member's data", [&](Bytes& b) { b.resize(data + 12000); }, false, 0},
      {"not a ZIP file", [](Bytes& b) { b[0] = 'Q'; }, false, 0},
  };
  for (const DamageCase& c : cases) {
    Bytes bytes = base;
    c.change(bytes);
    WriteFileBytes("damaged.zip", bytes);
    bool opened = false;
    auto zip = OpenZip("damaged.zip", &opened);
    EXPECT_EQ(opened, c.opens) << c.name;
    if (!opened) continue;
    int32_t size = 0;
    bool got = false;
    Bytes out = Extract(*zip, "README.TXT", &size, &got);
    EXPECT_EQ(size, c.result) << c.name;
    EXPECT_EQ(got, c.result > 0) << c.name;
    if (c.result > 0) {
      EXPECT_EQ(out, ReadFileBytes("tree/readme.txt"));
    }
    int32_t missing = 0;
    Extract(*zip, "nothere.txt", &missing);
    EXPECT_EQ(missing, kZipNoSuchMember);
  }
}

TEST(ZipArchive, MembersOpenAsStreamsThroughTheBase) {
  ScopedTempDir dir;
  MakeTree();
  Shell("cd tree && zip -q -r ../all.zip .");
  bool opened = false;
  auto zip = OpenZip("all.zip", &opened);
  ASSERT_TRUE(opened);
  auto stream = zip->OpenFile("GUI/noise.bin", false);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(ReadStream(*stream), ReadFileBytes("tree/GUI/noise.bin"));
  EXPECT_EQ(zip->OpenFile("GUI/", false), nullptr) << "a folder entry has no data";
  tSearchRecord search;
  ASSERT_TRUE(zip->FindFirst(&search, "GUI/*.bin"));
  EXPECT_EQ(search.name, "GUI/noise.bin");
  EXPECT_EQ(search.size, 5000);
  zip->FindClose(&search);
}

}  // namespace
