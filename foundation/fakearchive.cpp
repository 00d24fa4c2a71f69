#include "foundation/fakearchive.h"

#include <cstdlib>
#include <new>

#include "foundation/allocate.h"
#include "foundation/errors.h"

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::errors::NewOrThrow;

namespace {

// The level is listed at once (the runtime's find-first of path + "*.*").
PrivStuff* MakeLevel(std::string path, PrivStuff* parent) {
  PrivStuff* level = NewOrThrow<PrivStuff>("PrivStuff", std::move(path), parent);
  level->entries = ListFolder(level->path);
  return level;
}

const tFolderEntry* NextOf(PrivStuff* level) {
  if (level->next >= level->entries.size()) return nullptr;
  return &level->entries[level->next++];
}

bool LeavesFolder(const char* path) {
  if (path[0] == '\\' || path[0] == '/') return true;
  const char* part = path;
  for (const char* p = path;; ++p) {
    if (*p == '\\' || *p == '/' || *p == 0) {
      if (p - part == 2 && part[0] == '.' && part[1] == '.') return true;
      if (*p == 0) return false;
      part = p + 1;
    }
  }
}

}  // namespace

PrivStuff::PrivStuff(std::string levelPath, PrivStuff* enclosing)
    : path(std::move(levelPath)), parent(enclosing) {}

void TFakeArchive::SetFileName(const char* name) {
  folderName_ = CopyName(name, "Could not allocate memory to duplicate duplicate string");
}

bool TFakeArchive::IsOpen() { return true; }

// Depth-first: a sub-folder is entered as soon as it is met, and the rest of
// its parent is listed after it.
bool TFakeArchive::NextEntry(tSearchRecord* record) {
  if (!record) return false;
  PrivStuff* level = reinterpret_cast<PrivStuff*>(record->cursor);
  if (!level) {
    level = MakeLevel(
        CopyName(folderName_.c_str(), "Could not allocate memory to duplicate duplicate string"),
        nullptr);
    record->cursor = reinterpret_cast<intptr_t>(level);
  }
  const tFolderEntry* entry = NextOf(level);
  for (;;) {
    if (!entry) {
      // The top level stays in the record until EndSearch.
      if (!level->parent) return false;
      PrivStuff* parent = level->parent;
      record->cursor = reinterpret_cast<intptr_t>(parent);
      delete level;
      level = parent;
      entry = NextOf(level);
    } else if (entry->isFolder) {
      if (entry->name != "." && entry->name != "..") {
        level = MakeLevel(level->path + entry->name + "\\", level);
        record->cursor = reinterpret_cast<intptr_t>(level);
      }
      entry = NextOf(level);
    } else {
      try {
        record->name = level->path.substr(folderName_.size()) + entry->name;
      } catch (const std::bad_alloc&) {
        throw new eCouldNotAllocateMemoryFor("file name!");
      }
      record->size = entry->size;
      return true;
    }
  }
}

void TFakeArchive::EndSearch(tSearchRecord* record) {
  if (!record) return;
  PrivStuff* level = reinterpret_cast<PrivStuff*>(record->cursor);
  while (level) {
    PrivStuff* parent = level->parent;
    delete level;
    level = parent;
  }
  record->cursor = 0;
}

void TFakeArchive::ExtractMember(const char* path, int32_t& size, uint8_t*& data,
                                 tExtractProgress) {
  size = 0;
  data = nullptr;
  std::unique_ptr<TStream> stream = OpenFile(path, false);
  if (!stream) return;
  int32_t length = stream->Size();
  if (length <= 0) return;
  uint8_t* block = static_cast<uint8_t*>(std::malloc(length));
  if (!block) throw new eCouldNotAllocateMemoryFor("file data!");
  if (stream->Read(block, length, 1) != 1) {
    std::free(block);
    return;
  }
  size = length;
  data = block;
}

std::unique_ptr<TStream> TFakeArchive::OpenFile(const char* path, bool) {
  if (!path || LeavesFolder(path)) return nullptr;
  std::string joined;
  try {
    joined = folderName_ + path;
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("file name!");
  }
  std::unique_ptr<TStream> file(NewOrThrow<TFile>("TFile"));
  file->SetName(joined.c_str());
  if (!file->Open(kStreamRead)) return nullptr;
  return file;
}
