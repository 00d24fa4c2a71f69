// The data files the kernel finds at launch: the folder "data\", archives of
// the current folder, the archive list appended to the program file, and
// "viewer.dat" — which of them are mounted, and what is logged.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/archive.h"
#include "foundation/vornarc.h"
#include "tests/support/tempdir.h"
#include "tools/vornarc/writer.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/kernel.h"

namespace {

using vornarc::tBytes;

tBytes Bytes(const std::string& s) { return tBytes(s.begin(), s.end()); }

vornarc::tMember Member(const std::string& name, const std::string& text, uint32_t method) {
  vornarc::tMember m;
  m.name = name;
  m.data = Bytes(text);
  m.method = method;
  return m;
}

tBytes Archive(const std::string& which) {
  return vornarc::WriteArchive({Member("which.txt", which, 10), Member("GUI\\x.txt", "x", 0)})
      .bytes;
}

void Write(const std::string& name, const tBytes& bytes) {
  std::ofstream(name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

class DataFiles : public testing::Test {
 protected:
  void SetUp() override {
    ClearFileAccessFunctions();
    AddFileAccessFunction(kernel::PlainFileAccess);
    kernel::SetDebugLogCreated(false);
  }
  void TearDown() override { FreeFileAccessLists(); }

  // Runs the launch's search with the given program file; the kernel object
  // (and with it the data files) lives until the end of the test.
  void Find(const std::string& program) {
    kernel_.moduleFileName = program.empty() ? "" : std::filesystem::absolute(program).string();
    kernel_.FindDataFiles();
  }

  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    std::istringstream in(testsupport::ReadFile("debug.txt"));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  std::string Which() const {
    std::unique_ptr<TStream> s = ::OpenFile("which.txt", 0);
    if (!s) return "";
    std::string text(static_cast<std::size_t>(s->Size()), '\0');
    s->Read(text.data(), 1, s->Size());
    return text;
  }

  testsupport::ScopedTempDir dir_;
  kernel::cWinDXKernel kernel_;
};

}  // namespace

TEST_F(DataFiles, WithNothingButAFolderOnlyDataIsListed) {
  Write("notes.txt", Bytes("not an archive"));
  Find("");
  EXPECT_EQ(Log(), std::vector<std::string>{"Seeking for datafiles..."});
  ASSERT_EQ(kernel::GetDataFileCount(), 1);
  EXPECT_FALSE(kernel::IsDataFileMounted(kernel::GetDataFile(0)));
  EXPECT_EQ(kernel::GetDataFile(1), nullptr);
}

// The folder is searched with "*.*", which matches no name without an extension.
TEST_F(DataFiles, FolderArchivesWithoutAnExtensionAreNotTried) {
  Write("archive", Archive("plain"));
  Write("b.dat", Archive("b"));
  Find("");
  EXPECT_EQ(Log(), (std::vector<std::string>{"Seeking for datafiles...", "  Found datafile b.dat"}));
  EXPECT_EQ(kernel::GetDataFileCount(), 2);
}

TEST_F(DataFiles, ProgramArchivesAreListedAndItsViewerDatWins) {
  Write("a.dat", Archive("a"));
  Write("viewer.dat", Archive("folder"));
  Write("prog",
        vornarc::AppendArchives(Bytes("#!/bin/sh\nexit 0\n"), {{"inner.dat", Archive("inner")},
                                                               {"one.bin", Bytes("1")},
                                                               {"VIEWER.DAT", Archive("exe")}}));
  Find("prog");
  std::vector<std::string> log = Log();
  const std::string inner = std::to_string(Archive("inner").size());
  const std::string viewer = std::to_string(Archive("exe").size());
  EXPECT_EQ(log, (std::vector<std::string>{
                     "Seeking for datafiles...",
                     "  Found datafile a.dat",
                     "VORNarc/EXE archive found!",
                     "    inner.dat (" + inner + " bytes)",
                     "      Found datafile inner.dat",
                     "    one.bin (1 byte)",
                     "    VIEWER.DAT (" + viewer + " bytes)",
                     "  3 files found",
                     "Found viewer.dat",
                     "  mounted.",
                 }));
  // data\, a.dat, the program, inner.dat, viewer.dat (mounted)
  ASSERT_EQ(kernel::GetDataFileCount(), 5);
  std::vector<bool> mounted;
  for (int i = 0; i < 5; ++i) mounted.push_back(kernel::IsDataFileMounted(kernel::GetDataFile(i)));
  EXPECT_EQ(mounted, (std::vector<bool>{false, false, true, false, true}));
  EXPECT_EQ(Which(), "exe");

  // A listed catalogue mounts after those mounted before it, and unmounts again.
  kernel::UnmountDataFile(kernel::GetDataFile(4));
  kernel::MountDataFile(kernel::GetDataFile(1));
  kernel::MountDataFile(kernel::GetDataFile(1));  // twice: one mount
  EXPECT_EQ(Which(), "a");
  kernel::UnmountDataFile(kernel::GetDataFile(1));
  EXPECT_EQ(Which(), "");
}

// Listed once only: its catalogue would otherwise appear twice.
TEST_F(DataFiles, ViewerDatOfTheFolderIsListedOnceAndMounted) {
  Write("viewer.dat", Archive("folder"));
  Find("");
  EXPECT_EQ(Log(), (std::vector<std::string>{"Seeking for datafiles...", "Found viewer.dat",
                                             "  mounted."}));
  ASSERT_EQ(kernel::GetDataFileCount(), 2);
  EXPECT_EQ(Which(), "folder");
}

TEST_F(DataFiles, ViewerDatThatIsNoArchiveIsNotMounted) {
  Write("viewer.dat", Bytes("VORNarc but not quite"));
  Write("prog", Bytes("a program without archives"));
  Find("prog");
  EXPECT_EQ(Log(), (std::vector<std::string>{"Seeking for datafiles...", "Found viewer.dat",
                                             "  failed to mount."}));
  EXPECT_EQ(kernel::GetDataFileCount(), 1);
}
