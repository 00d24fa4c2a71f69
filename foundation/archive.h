// Archives of named members, the path helpers with the wildcard rules, and the
// file access layer: the registries of mounted archives and of file access
// functions, OpenFile, and the search over all mounted archives.
//
// Registries and searches belong to the main thread; nothing here locks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/basis.h"
#include "foundation/stream.h"

// Called by member decoders with the bytes written so far and the total;
// false aborts the decode.
using tExtractProgress = bool (*)(uint32_t written, uint32_t total);

// One search under way, owned by the caller, from FindFirst to FindClose.
struct tSearchRecord {
  std::string name;  // the member found last, as its archive names it ("" for none)
  int32_t size = 0;  // its size, as the archive's NextEntry reports it
  std::string mask;  // the search's own copy of the mask
  // Where the archive's NextEntry goes on: an index or a pointer to the kind's
  // own state, so it is as wide as a pointer.
  intptr_t cursor = 0;
};

class TArchive : public virtual basis::basisObject {
 public:
  TArchive() = default;
  TArchive(const TArchive&) = delete;
  TArchive& operator=(const TArchive&) = delete;

  // The next member after the record's cursor: its name and size into the
  // record, cursor advanced; false when none is left.
  virtual bool NextEntry(tSearchRecord* record);
  // Releases whatever the kind keeps in the record's cursor.
  virtual void EndSearch(tSearchRecord* record);
  ~TArchive() override = default;
  virtual void SetFileName(const char* name);
  virtual bool Open(int mode = kStreamRead);
  virtual bool IsOpen();
  virtual void Close();
  // Members whose names match the mask (MatchFileMask), in the kind's order.
  virtual bool FindFirst(tSearchRecord* record, const char* mask);
  virtual bool FindNext(tSearchRecord* record);
  virtual void FindClose(tSearchRecord* record);
  // Decodes a member into a block allocated with malloc, which the caller
  // takes over and releases with free. Failure leaves no block, or a negative
  // size (kinds may tell causes apart by the value).
  virtual void ExtractMember(const char* path, int32_t& size, uint8_t*& data,
                             tExtractProgress progress);
  // An open stream for reading the member, or nothing. The base serves every
  // member decoded into memory, as a TArcFile. `buffered` says whether the
  // caller asked for a read buffer.
  virtual std::unique_ptr<TStream> OpenFile(const char* path, bool buffered);
};

// The search over all mounted archives keeps this in the record's cursor.
struct PrivData : public virtual basis::basisStruct {
  ~PrivData() override;

  int32_t archiveIndex = -1;
  TArchive* currentArchive = nullptr;
  tSearchRecord archiveSearch;
};

// The text after the last '\' or '/' (the whole path when there is none).
const char* GetFileNamePart(const char* path);
// The text after the last '.' of the file-name part; "" when it has none.
const char* GetFileExtension(const char* path);
// Whether a member path matches a search mask: '*' and '?', ASCII letters
// without regard to case; a mask without a folder applies in every folder.
bool MatchFileMask(const char* name, const char* mask);

// A file access function answers an open stream for a path, or nothing.
using tFileAccessFunction = std::unique_ptr<TStream> (*)(const char* path, int32_t bufferSize);

// Empties both registries (start-up).
void ClearFileAccessFunctions();
void AddFileAccessFunction(tFileAccessFunction function);
// Mounts an archive after those mounted before; the registry does not own it.
void AddArchive(TArchive* archive);
void RemoveArchive(TArchive* archive);
// Frees both registries (shutdown); the archives stay with their owner.
void FreeFileAccessLists();

// Opens a file of the data tree for reading: the mounted archives in mount
// order, then the file access functions in registration order; the first hit
// wins. A positive buffer size puts a read buffer of that size around a stream
// that does not buffer itself; 0 takes the stream as it comes; a negative size
// wraps nothing but still asks the archives for a buffered stream.
std::unique_ptr<TStream> OpenFile(const char* path, int32_t bufferSize);

// The members of all mounted archives that match the mask, archive by archive
// in mount order. Plain files reached only through access functions are not
// searched. The archive list must not change while a search is under way.
bool FindFirst(tSearchRecord* record, const char* mask);
bool FindNext(tSearchRecord* record);
void FindClose(tSearchRecord* record);
