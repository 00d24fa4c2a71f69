// A folder on disk presented as an archive: its members are the files of the
// folder and of all its sub-folders, named by their path relative to the
// folder with backslashes between the folder names.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/archive.h"
#include "foundation/diskpath.h"

// One level of a running folder walk, kept in the search record's cursor. The
// levels form a chain from the deepest one up to the folder itself.
struct PrivStuff : public virtual basis::basisStruct {
  PrivStuff(std::string levelPath, PrivStuff* enclosing);

  // The enumeration of this level: its entries, sorted by name, and the next
  // one to hand out. Not listed yet counts as no entries.
  std::vector<tFolderEntry> entries;
  std::size_t next = 0;
  // This level's folder, the archive's folder name included, ending in '\'.
  std::string path;
  PrivStuff* parent;
};

class TFakeArchive : public TArchive {
 public:
  TFakeArchive() = default;

  bool NextEntry(tSearchRecord* record) override;
  void EndSearch(tSearchRecord* record) override;
  // The folder name is used unchanged as a prefix of member names: empty (the
  // current folder) or ending with a backslash.
  void SetFileName(const char* name) override;
  // A folder needs no opening: Open reports false, IsOpen true.
  bool IsOpen() override;
  void ExtractMember(const char* path, int32_t& size, uint8_t*& data,
                     tExtractProgress progress) override;
  // A TFile on folder name + member name, or nothing. Member names that would
  // leave the folder ('..' components, a leading separator) find nothing.
  std::unique_ptr<TStream> OpenFile(const char* path, bool buffered) override;

  const std::string& FolderName() const { return folderName_; }

 private:
  std::string folderName_;
};
