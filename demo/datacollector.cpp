#include "demo/datacollector.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

#include "demo/lists.h"
#include "foundation/allocate.h"
#include "windxkernel/debuglog.h"

namespace VOXA2 {
namespace {

std::vector<std::pair<std::string, tCollectorCreator>>& CollectorKinds() {
  static std::vector<std::pair<std::string, tCollectorCreator>> kinds;
  return kinds;
}

std::string DuplicateName(const char* name) {
  try {
    return name ? name : "";
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eOutOfMemory("Could not allocate memory to duplicate string!");
  }
}

}  // namespace

cVOXAdatacollector::cVOXAdatacollector(const char* kind) : kindName(DuplicateName(kind)) {}

cVOXAdatacollector::~cVOXAdatacollector() { FreeEntries(); }

void cVOXAdatacollector::ReadEveryByte(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  volatile std::uint8_t sink = 0;
  for (std::size_t i = 0; i < size; i++) sink = sink ^ bytes[i];
  (void)sink;
}

void cVOXAdatacollector::FreeEntries() {
  std::vector<tDataEntry*> list;
  list.swap(entries);
  for (tDataEntry* entry : list) {
    FreeItem(entry->data);
    delete entry;
  }
}

void cVOXAdatacollector::FreeItem(void* data) { std::free(data); }

bool cVOXAdatacollector::LoadItem(tDataEntry*) { return true; }

void cVOXAdatacollector::PrepareAll() {
  for (std::size_t i = 0; i < entries.size(); i++) PrepareItem(entries[i]->data);
}

bool cVOXAdatacollector::RestoreAll() {
  for (std::size_t i = 0; i < entries.size(); i++)
    if (!RestoreItem(entries[i]->data)) return false;
  return true;
}

void* cVOXAdatacollector::GetData(const char* name) {
  if (!name) name = "";
  for (tDataEntry* entry : entries) {
    if (!EqualNoCase(entry->name.c_str(), name)) continue;
    if (entry->loading) {
      LogMessage(5, "Recursive use of data piece called \"%s\" detected! Aborting...", name);
      return nullptr;
    }
    entry->useCount++;
    return entry->data;
  }
  auto* entry = VOXA::errors::NewOrThrow<tDataEntry, VOXA::errors::eCouldNotAllocateMemoryFor>(
      "data collector entry!");
  try {
    entry->name = DuplicateName(name);
    entry->useCount = 1;
    entry->loading = true;
    AppendToList(entries, entry, "data collector entry list!");
  } catch (...) {
    delete entry;
    throw;
  }
  bool loaded;
  try {
    loaded = LoadItem(entry);
  } catch (...) {
    RemoveEntry(entry);
    throw;
  }
  if (loaded) {
    entry->loading = false;
    return entry->data;
  }
  LogFailure("Error on loading data \"%s\"", name);
  // LoadItem may have added entries of its own meanwhile: this entry goes by
  // identity, never as "the last one".
  RemoveEntry(entry);
  return nullptr;
}

void cVOXAdatacollector::RemoveEntry(tDataEntry* entry) {
  auto it = std::find(entries.begin(), entries.end(), entry);
  if (it == entries.end()) return;
  entries.erase(it);
  FreeItem(entry->data);
  delete entry;
}

bool cVOXAdatacollector::ReleaseData(const char* name) {
  if (!name) return false;
  for (tDataEntry* entry : entries) {
    if (!EqualNoCase(entry->name.c_str(), name)) continue;
    if (--entry->useCount > 0) return true;
    RemoveEntry(entry);
    return true;
  }
  return false;
}

bool cVOXAdatacollector::ReleaseDataByPointer(void* data) {
  if (!data) return false;
  for (tDataEntry* entry : entries)
    if (entry->data == data) return ReleaseData(entry->name.c_str());
  return false;
}

bool cVOXAdatacollector::ReleaseEntry(tDataEntry* entry) {
  if (!entry || std::find(entries.begin(), entries.end(), entry) == entries.end()) return false;
  return ReleaseData(entry->name.c_str());
}

bool RegisterDataCollectorKind(const char* kind, tCollectorCreator creator) {
  if (!kind || !creator) return false;
  for (auto& k : CollectorKinds())
    if (EqualNoCase(k.first.c_str(), kind)) return false;
  AppendToList(CollectorKinds(), std::make_pair(std::string(kind), creator),
               "data collector kind list!");
  return true;
}

void UnregisterDataCollectorKind(const char* kind) {
  auto& kinds = CollectorKinds();
  kinds.erase(std::remove_if(kinds.begin(), kinds.end(),
                             [&](const auto& k) { return EqualNoCase(k.first.c_str(), kind); }),
              kinds.end());
}

std::vector<std::string> RegisteredDataCollectorKinds() {
  std::vector<std::string> names;
  for (const auto& k : CollectorKinds()) names.push_back(k.first);
  return names;
}

cVOXAdatacollector* CreateDataCollector(const char* kind) {
  for (auto& k : CollectorKinds())
    if (EqualNoCase(k.first.c_str(), kind)) return k.second();
  return nullptr;
}

}  // namespace VOXA2
