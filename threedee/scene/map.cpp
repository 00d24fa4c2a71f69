#include "threedee/scene/map.h"

#include <cstdlib>
#include <cstring>

#include "demo/datacollector.h"
#include "foundation/allocate.h"
#include "foundation/stream.h"
#include "threedee/scene/interpolator.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/texture.h"

namespace VOXA2::threedee {
namespace {

constexpr const char* kNoTexture = "Warning: Could not load texture for map!";

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

video::voxaTexture* Fetch(cVOXAdatacollector* textures, const char* name) {
  auto* texture = static_cast<video::voxaTexture*>(textures->GetData(name));
  if (!texture) LogMessage(5, "%s", kNoTexture);
  return texture;
}

// A malloc'd copy, as the pointer tracks free their texts.
void* CopyText(const void* text) {
  char* copy = strdup(static_cast<const char*>(text));
  if (!copy)
    throw new VOXA::errors::eOutOfMemory("Could not allocate memory to duplicate duplicate string");
  return copy;
}

}  // namespace

bool cMap::Update(float time) {
  (void)time;
  return true;
}

void cMap::CopyFieldsTo(cMap& copy) const {
  if (textureName) copy.textureName = CopyName(textureName->c_str());
  copy.texture = texture;
  copy.amount = amount;
  copy.uScale = uScale;
  copy.vScale = vScale;
  copy.uOffset = uOffset;
  copy.vOffset = vOffset;
}

cMap* cMap::Clone() const {
  cMap* copy = VOXA::errors::NewOrThrow<cMap>("cMap");
  try {
    CopyFieldsTo(*copy);
  } catch (...) {
    delete copy;
    throw;
  }
  return copy;
}

bool cMap::SetName(const char* text) {
  if (!text) return false;
  textureName = CopyName(text);
  return true;
}

bool cMap::LoadTexture(cVOXAdatacollector* textures) {
  if (!textures || !textureName) return false;
  texture = Fetch(textures, textureName->c_str());
  return texture != nullptr;
}

bool cMap::HasTexCoordTransform() const {
  return !SameBits(uScale, 1.0f) || !SameBits(vScale, uScale) || uOffset != 0.0f ||
         vOffset != 0.0f;
}

const float* cMap::BuildTexCoordMatrix() const {
  static float matrix[16];
  static constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  std::memcpy(matrix, kIdentity, sizeof matrix);
  matrix[0] = uScale;
  matrix[3] = uOffset;
  matrix[5] = vScale;
  matrix[7] = vOffset;
  return matrix;
}

cIMap::~cIMap() {
  delete uScaleTrack;
  delete uOffsetTrack;
  delete vScaleTrack;
  delete vOffsetTrack;
  delete amountTrack;
  delete textureTrack;
}

bool cIMap::Update(float time) {
  auto read = [time](cView3Di_position* track, float& field) {
    if (!track) return;
    track->Evaluate(time);
    field = track->GetValue(0);
  };
  read(uScaleTrack, uScale);
  read(vScaleTrack, vScale);
  read(uOffsetTrack, uOffset);
  read(vOffsetTrack, vOffset);
  read(amountTrack, amount);
  if (textureTrack) {
    textureTrack->Evaluate(time);
    // Before loading the values are names, which must never reach a stage.
    texture = texturesResolved ? static_cast<video::voxaTexture*>(textureTrack->value) : nullptr;
  }
  return true;
}

cMap* cIMap::Clone() const {
  auto* copy = VOXA::errors::NewOrThrow<cIMap>("cIMap");
  try {
    CopyFieldsTo(*copy);
    copy->uScaleTrack = tracks::CloneOrNull(uScaleTrack);
    copy->uOffsetTrack = tracks::CloneOrNull(uOffsetTrack);
    copy->vScaleTrack = tracks::CloneOrNull(vScaleTrack);
    copy->vOffsetTrack = tracks::CloneOrNull(vOffsetTrack);
    copy->amountTrack = tracks::CloneOrNull(amountTrack);
    copy->textureTrack = tracks::CloneOrNull(textureTrack);
    copy->texturesResolved = texturesResolved;
    cView3Di_pointer* names = copy->textureTrack;
    // Loaded textures are shared; names are the copy's own texts.
    if (names && !texturesResolved) {
      void* current = names->value;
      bool currentIsKey = false;
      for (int i = 0; i < names->GetKeyCount(); ++i) {
        void* name = names->GetKeyValue(i);
        if (!name) continue;
        void* own = CopyText(name);
        names->SetKeyValue(i, own);
        if (name == current) {
          names->value = own;
          currentIsKey = true;
        }
      }
      if (current && !currentIsKey) names->value = CopyText(current);
      // Only now: a copy cut short by a failure must not free the source's texts.
      names->ownsValues = true;
    }
  } catch (...) {
    delete copy;
    throw;
  }
  return copy;
}

bool cIMap::LoadTexture(cVOXAdatacollector* textures) {
  if (!textures) return false;
  if (!textureTrack) return cMap::LoadTexture(textures);
  // Loading again would read textures as names.
  if (texturesResolved) return true;
  cView3Di_pointer& track = *textureTrack;
  void* current = track.value;
  bool currentIsKey = false;
  for (int i = 0; i < track.GetKeyCount(); ++i) {
    void* name = track.GetKeyValue(i);
    if (!name) continue;
    video::voxaTexture* item = Fetch(textures, static_cast<const char*>(name));
    track.SetKeyValue(i, item);
    if (name == current) {
      track.value = item;
      currentIsKey = true;
    }
    if (track.ownsValues) std::free(name);
  }
  if (current && !currentIsKey) {
    track.value = Fetch(textures, static_cast<const char*>(current));
    if (track.ownsValues) std::free(current);
  }
  track.ownsValues = false;
  texturesResolved = true;
  return true;
}

}  // namespace VOXA2::threedee
