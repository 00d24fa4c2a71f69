#include "foundation/archive.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "foundation/streams.h"
#include "foundation/text.h"

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::errors::NewOrThrow;

// ----------------------------------------------------------------- TArchive

bool TArchive::NextEntry(tSearchRecord*) { return false; }
void TArchive::EndSearch(tSearchRecord*) {}
void TArchive::SetFileName(const char*) {}
bool TArchive::Open(int) { return false; }
bool TArchive::IsOpen() { return false; }
void TArchive::Close() {}

bool TArchive::FindFirst(tSearchRecord* record, const char* mask) {
  record->mask = CopyName(mask);
  record->name.clear();
  record->size = 0;
  record->cursor = 0;
  return FindNext(record);
}

bool TArchive::FindNext(tSearchRecord* record) {
  while (NextEntry(record)) {
    if (MatchFileMask(record->name.c_str(), record->mask.c_str())) return true;
  }
  return false;
}

void TArchive::FindClose(tSearchRecord* record) {
  record->name.clear();
  record->name.shrink_to_fit();
  record->mask.clear();
  record->mask.shrink_to_fit();
  EndSearch(record);
}

void TArchive::ExtractMember(const char*, int32_t& size, uint8_t*& data, tExtractProgress) {
  size = 0;
  data = nullptr;
}

std::unique_ptr<TStream> TArchive::OpenFile(const char* path, bool) {
  std::unique_ptr<TStream> file(NewOrThrow<TArcFile>("TArcFile", this));
  file->SetName(path);
  if (!file->Open(kStreamRead)) return nullptr;
  return file;
}

// ------------------------------------------------------------ path helpers

const char* GetFileNamePart(const char* path) {
  const char* part = path;
  for (const char* p = path; *p; ++p) {
    if (*p == '\\' || *p == '/') part = p + 1;
  }
  return part;
}

const char* GetFileExtension(const char* path) {
  const char* name = GetFileNamePart(path);
  const char* dot = std::strrchr(name, '.');
  return dot ? dot + 1 : name + std::strlen(name);
}

bool MatchFileMask(const char* name, const char* mask) {
  if (!mask) mask = "";
  if (!name) name = "";
  const char* nameFile = GetFileNamePart(name);
  const char* maskFile = GetFileNamePart(mask);
  std::size_t maskFolder = static_cast<std::size_t>(maskFile - mask);
  if (maskFolder > 0) {
    if (static_cast<std::size_t>(nameFile - name) != maskFolder) return false;
    for (std::size_t i = 0; i < maskFolder; ++i) {
      if (LowerAscii(name[i]) != LowerAscii(mask[i])) return false;
    }
  }
  const char* maskExt = GetFileExtension(maskFile);
  const char* nameExt = GetFileExtension(nameFile);
  const char* m = maskFile;
  const char* c = nameFile;
  for (;;) {
    // A name that goes on after the mask has ended still matches.
    if (*m == 0 || *c == 0) return *m == 0;
    if (*m == '*') {
      if (*maskExt == 0 || m >= maskExt) return true;
      m = maskExt;
      c = nameExt;
    } else if (*m == '?') {
      if (*c == '.') return false;
      ++m;
      ++c;
    } else {
      if (LowerAscii(*m) != LowerAscii(*c)) return false;
      ++m;
      ++c;
    }
  }
}

// ------------------------------------------------------- file access layer

namespace {

std::vector<tFileAccessFunction> functions;
std::vector<TArchive*> archives;

template <typename T>
void Append(std::vector<T>& list, T item, const char* what) {
  try {
    list.push_back(item);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor(what);
  }
}

}  // namespace

void ClearFileAccessFunctions() {
  functions.clear();
  archives.clear();
}

void AddFileAccessFunction(tFileAccessFunction function) {
  if (function) Append(functions, function, "file access function list!");
}

void AddArchive(TArchive* archive) {
  if (archive) Append(archives, archive, "archive list!");
}

void RemoveArchive(TArchive* archive) {
  auto it = std::find(archives.begin(), archives.end(), archive);
  if (archive && it != archives.end()) archives.erase(it);
}

void FreeFileAccessLists() {
  std::vector<tFileAccessFunction>().swap(functions);
  std::vector<TArchive*>().swap(archives);
}

std::unique_ptr<TStream> OpenFile(const char* path, int32_t bufferSize) {
  if (!path) return nullptr;
  std::unique_ptr<TStream> stream;
  for (std::size_t i = 0; i < archives.size() && !stream; ++i) {
    stream = archives[i]->OpenFile(path, bufferSize != 0);
  }
  for (std::size_t i = 0; i < functions.size() && !stream; ++i) {
    stream = functions[i](path, bufferSize);
  }
  if (stream && bufferSize > 0 && !stream->IsBuffered()) {
    TBufferedStream* buffered =
        NewOrThrow<TBufferedStream>("TBufferedStream", std::move(stream), bufferSize);
    stream.reset(buffered);
  }
  return stream;
}

// ----------------------------------------------- search over all archives

PrivData::~PrivData() {
  if (currentArchive) currentArchive->FindClose(&archiveSearch);
}

namespace {

PrivData* SearchState(tSearchRecord* record) {
  return record ? reinterpret_cast<PrivData*>(record->cursor) : nullptr;
}

bool Step(tSearchRecord* record, PrivData* state) {
  for (;;) {
    bool found;
    if (!state->currentArchive) {
      if (state->archiveIndex >= static_cast<int32_t>(archives.size())) return false;
      ++state->archiveIndex;
      if (state->archiveIndex >= static_cast<int32_t>(archives.size())) return false;
      state->currentArchive = archives[state->archiveIndex];
      found = state->currentArchive->FindFirst(&state->archiveSearch, record->mask.c_str());
    } else {
      found = state->currentArchive->FindNext(&state->archiveSearch);
    }
    if (found) {
      record->name = CopyName(state->archiveSearch.name.c_str());
      record->size = state->archiveSearch.size;
      return true;
    }
    state->currentArchive->FindClose(&state->archiveSearch);
    state->currentArchive = nullptr;
  }
}

bool StepToMatch(tSearchRecord* record, PrivData* state) {
  while (Step(record, state)) {
    if (MatchFileMask(record->name.c_str(), record->mask.c_str())) return true;
  }
  return false;
}

}  // namespace

bool FindFirst(tSearchRecord* record, const char* mask) {
  if (!record) return false;
  record->mask = CopyName(mask);
  record->name.clear();
  record->size = 0;
  PrivData* state = NewOrThrow<PrivData>("PrivData");
  record->cursor = reinterpret_cast<intptr_t>(state);
  return StepToMatch(record, state);
}

bool FindNext(tSearchRecord* record) {
  PrivData* state = SearchState(record);
  return state && StepToMatch(record, state);
}

void FindClose(tSearchRecord* record) {
  if (!record) return;
  record->name.clear();
  record->mask.clear();
  delete SearchState(record);
  record->cursor = 0;
}
