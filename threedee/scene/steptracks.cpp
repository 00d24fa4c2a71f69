#include "threedee/scene/steptracks.h"

#include <cstdlib>

#include "foundation/allocate.h"

namespace VOXA2 {

namespace {

// i = the number of keys, from the first, whose time is at most t.
template <class Key>
int KeysReached(const std::vector<Key>& keys, float t, int repeatMode) {
  tracks::NormalizeStepTime(t, keys.front().time, keys.back().time, static_cast<int>(keys.size()),
                            repeatMode);
  int reached = 0;
  while (reached < static_cast<int>(keys.size()) && keys[reached].time <= t) ++reached;
  return reached;
}

}  // namespace

// ---- cView3Di_enum ----

bool cView3Di_enum::AddKey(float time, int keyValue) {
  tracks::AppendKey(keys_, tKey{time, keyValue}, "key frames!");
  return true;
}

void cView3Di_enum::Evaluate(float time) {
  if (keys_.empty()) return;
  const int reached = KeysReached(keys_, time, repeatMode);
  value = reached > 0 ? keys_[reached - 1].value : 0;
}

cView3Di_enum* cView3Di_enum::CloneTyped() const {
  auto* copy = VOXA::errors::NewOrThrow<cView3Di_enum>("cView3Di_enum");
  copy->repeatMode = repeatMode;
  copy->value = value;
  for (const tKey& key : keys_) copy->AddKey(key.time, key.value);
  copy->Prepare();
  return copy;
}

// ---- cView3Di_pointer ----

void cView3Di_pointer::FreeKeys() {
  if (ownsValues) {
    bool currentIsKey = false;
    for (const tKey& key : keys_) {
      if (key.value == value) currentIsKey = true;
      std::free(key.value);
    }
    if (!currentIsKey) std::free(value);
    // Whatever the current value pointed to is gone; keeping the pointer would
    // free it again on the next FreeKeys or on deletion.
    value = nullptr;
  }
  keys_.clear();
}

void cView3Di_pointer::Evaluate(float time) {
  if (keys_.empty()) return;
  const int reached = KeysReached(keys_, time, repeatMode);
  value = reached > 0 ? keys_[reached - 1].value : nullptr;
}

void* cView3Di_pointer::GetKeyValue(unsigned index) const {
  return index < keys_.size() ? keys_[index].value : nullptr;
}

void cView3Di_pointer::SetKeyValue(unsigned index, void* newValue) {
  if (index < keys_.size()) keys_[index].value = newValue;
}

bool cView3Di_pointer::AddKey(float time, void* keyValue) {
  tracks::AppendKey(keys_, tKey{time, keyValue}, "key frames!");
  return true;
}

cView3Di_pointer* cView3Di_pointer::CloneTyped() const {
  auto* copy = VOXA::errors::NewOrThrow<cView3Di_pointer>("cView3Di_pointer");
  copy->repeatMode = repeatMode;
  copy->value = value;
  for (const tKey& key : keys_) copy->AddKey(key.time, key.value);
  copy->Prepare();
  return copy;
}

}  // namespace VOXA2
