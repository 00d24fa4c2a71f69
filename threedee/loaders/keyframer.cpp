// The keyframer section of a 3DS file: its header, and one node per scene
// object with its place in the hierarchy and its tracks of keys. The nodes are
// kept in the loader's store, linked into a tree, with cameras and spot
// lights paired with their targets by name.
#include <cstdint>
#include <cstdio>
#include <string>

#include "demo/lists.h"
#include "threedee/loaders/threedsloader.h"
#include "windxkernel/debuglog.h"

namespace VOXA2::threedee {
namespace {

constexpr const char* kTargetSuffix = ".target";

const char* NodeLine(std::uint16_t kind) {
  static const char* const kLines[] = {"  Ambient light information", "  Mesh information",
                                       "  Camera information",        "  Camera target information",
                                       "  Light information",         "  Light target information",
                                       "  Spotlight information"};
  return kLines[kind - 0xB001];
}

bool IsTarget(std::uint16_t kind) { return kind == 0xB004 || kind == 0xB006; }

// Cuts a shortened or differently written ".target" and appends it once.
void NormaliseTargetName(std::string& name) {
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && name.size() - dot < 8 &&
      EqualNoCase(name.substr(dot).c_str(), std::string(kTargetSuffix, name.size() - dot).c_str()))
    name.resize(dot);
  name += kTargetSuffix;
}

// An equal value makes siblings, a greater one hangs below the last node, a
// smaller one climbs back to the first ancestor whose value is not greater.
bool Link(c3DSloader* loader, t3DSLnode* node) {
  c3DSLdata& data = *loader->data;
  auto appendSibling = [](t3DSLnode* first, t3DSLnode* added) {
    while (first->nextSibling) first = first->nextSibling;
    first->nextSibling = added;
    added->parent = first->parent;
  };
  auto appendChild = [&](t3DSLnode* parent, t3DSLnode* added) {
    if (parent->firstChild)
      appendSibling(parent->firstChild, added);
    else
      parent->firstChild = added;
    added->parent = parent;
  };
  if (node->hierarchy == -1) {
    if (data.rootNode)
      appendSibling(data.rootNode, node);
    else
      data.rootNode = node;
    return true;
  }
  t3DSLnode* last = loader->lastNode;
  if (!last) return false;
  if (node->hierarchy > last->hierarchy) {
    appendChild(last, node);
    return true;
  }
  t3DSLnode* up = last;
  while (up->hierarchy > node->hierarchy) up = up->parent;
  if (up->hierarchy == node->hierarchy)
    appendSibling(up, node);
  else
    appendChild(up, node);
  return true;
}

bool ReadNodeHeader(c3DSloader* loader, t3DSLnode* node, cChunkFile& chunk) {
  c3DSLdata& data = *loader->data;
  LogMessage(7, "    Node Header");
  node->name = chunk.ReadString();
  LogMessage(7, "      Name: \"%s\"", node->name.c_str());
  chunk.Skip(4);
  node->hierarchy = static_cast<std::int16_t>(chunk.ReadWord());
  if (node->hierarchy < -1) {
    // Below the top there is nothing to hang the node from.
    LogMessage(7, "      Hierarchy value %i below -1 taken as -1", node->hierarchy);
    node->hierarchy = -1;
  }
  if (node->kind == 0xB002) {
    if (node->name == "$$$DUMMY") {
      node->dummy = true;
      node->name.clear();
    } else if ((node->mesh = data.FindMesh(node->name.c_str())) == nullptr) {
      LogMessage(7, "\"%s\" has no associated mesh! Treating it as dummy object.",
                 node->name.c_str());
      node->dummy = true;
    }
  } else if (node->kind == 0xB003) {
    node->camera = data.FindCamera(node->name.c_str());
    if (!node->camera) {
      LogMessage(7, "3DS corrupt: Could not find original camera object!");
      return false;
    }
  } else if (IsTarget(node->kind)) {
    NormaliseTargetName(node->name);
    LogMessage(7, "        Changed object name to \"%s\"", node->name.c_str());
  }
  LogMessage(7, "      Hirachy: %i", node->hierarchy);
  if (!Link(loader, node)) return false;
  loader->lastNode = node;
  return true;
}

void ReadTrackHeader(cChunkFile& chunk, t3DSLtrack& track, std::int32_t& count) {
  const std::uint16_t flags = chunk.ReadWord();
  LogMessage(7, "      Flags: %i", flags);
  if (flags & 5) {
    track.repeatMode = 1;
    LogMessage(7, "        loop enabled");
  }
  if (flags & 2) {
    track.repeatMode = 2;
    LogMessage(7, "        repeat enabled");
  }
  chunk.Skip(8);
  count = static_cast<std::int16_t>(chunk.ReadWord());
  LogMessage(7, "      Keys: %i", count);
  chunk.Skip(2);
}

void ReadKeyTCB(cChunkFile& chunk, t3DSLkey& key) {
  const std::uint16_t flags = chunk.ReadWord();
  struct Parameter {
    float t3DSLkey::*field;
    const char* line;
  };
  static const Parameter kParameters[] = {{&t3DSLkey::tension, "        Tension: %f"},
                                          {&t3DSLkey::continuity, "        Continuity: %f"},
                                          {&t3DSLkey::bias, "        Bias: %f"},
                                          {&t3DSLkey::easeTo, "        Ease to: %f"},
                                          {&t3DSLkey::easeFrom, "        Ease from: %f"}};
  for (int bit = 0; bit < 5; ++bit) {
    if (!(flags & 1 << bit)) continue;
    key.*kParameters[bit].field = chunk.ReadFloat();
    LogMessage(7, kParameters[bit].line, static_cast<double>(key.*kParameters[bit].field));
  }
  for (int bit = 5; bit < 16; ++bit)
    if (flags & 1 << bit)
      LogMessage(7, "        Unknown (bit %i): %f", bit, static_cast<double>(chunk.ReadFloat()));
}

// Splines need increasing key times: a key at or before the previous one is dropped.
void AddKey(t3DSLtrack& track, const t3DSLkey& key) {
  if (!track.keys.empty() && !(key.frame > track.keys.back().frame)) {
    LogMessage(7, "      Key at frame %i dropped: not after the key before it",
               static_cast<int>(key.frame));
    return;
  }
  AppendToList(track.keys, key, "key list!");
}

// A key needs its frame, two skipped bytes and its flags at the least.
bool KeyFollows(const cChunkFile& chunk, std::int32_t index, std::int32_t count) {
  return index < count && chunk.Remaining() >= 6;
}

enum class Kind { kFloats, kRotation, kHide, kMorph };

struct TrackDef {
  std::uint16_t id;
  int slot;
  Kind kind;
  std::int32_t components;
  const char* line;
};

const TrackDef kTracks[] = {
    {0xB020, t3DSLnode::kPosition, Kind::kFloats, 3, "    Position Track Tag"},
    {0xB021, t3DSLnode::kRotation, Kind::kRotation, 4, "    Rotation Track Tag"},
    {0xB022, t3DSLnode::kScale, Kind::kFloats, 3, "    Scale Track Tag"},
    {0xB023, t3DSLnode::kFov, Kind::kFloats, 1, "    FOV Track Tag"},
    {0xB024, t3DSLnode::kRoll, Kind::kFloats, 1, "    Roll Track Tag"},
    {0xB025, t3DSLnode::kColor, Kind::kFloats, 3, "    Color Track Tag"},
    {0xB026, t3DSLnode::kMorph, Kind::kMorph, 0, "    Morph Track Tag"},
    {0xB027, t3DSLnode::kHotspot, Kind::kFloats, 1, "    Hotspot Track Tag"},
    {0xB028, t3DSLnode::kFalloff, Kind::kFloats, 1, "    Fall Track Tag"},
    {0xB029, t3DSLnode::kHide, Kind::kHide, 1, "    Hide Track Tag"},
};

void ReadTrack(t3DSLnode* node, const TrackDef& def, cChunkFile& chunk) {
  LogMessage(7, "%s", def.line);
  // The morph track belongs to the node's own mesh, whatever its name is now.
  if (def.kind == Kind::kMorph && !node->mesh) return;
  auto& slot = node->tracks[def.slot];
  slot = std::make_unique<t3DSLtrack>();
  t3DSLtrack& track = *slot;
  track.components = def.kind == Kind::kMorph ? node->mesh->VertexCount() : def.components;
  std::int32_t count = 0;
  ReadTrackHeader(chunk, track, count);
  for (std::int32_t k = 0; KeyFollows(chunk, k, count); ++k) {
    t3DSLkey key;
    key.frame = static_cast<std::int16_t>(chunk.ReadWord());
    const int frame = static_cast<int>(key.frame);
    if (def.kind == Kind::kHide) {
      LogMessage(7, "      Frame %4i: change visibility", frame);
      key.value[0] = k % 2 == 0 ? 1.0f : 0.0f;
      chunk.Skip(4);
      AddKey(track, key);
      continue;
    }
    chunk.Skip(2);
    ReadKeyTCB(chunk, key);
    if (def.kind == Kind::kFloats) {
      std::string line;
      for (std::int32_t c = 0; c < def.components; ++c) {
        key.value[c] = chunk.ReadFloat();
        char number[64];
        std::snprintf(number, sizeof number, c ? ", %f" : "%f", static_cast<double>(key.value[c]));
        line += number;
      }
      LogMessage(7, "      Frame %4i: %s", frame, line.c_str());
    } else if (def.kind == Kind::kRotation) {
      const float angle = chunk.ReadFloat();
      for (int c = 0; c < 3; ++c) key.value[c] = chunk.ReadFloat();
      key.value[3] = angle;
      LogMessage(7, "      Frame %4i: axis(%f, %f, %f), angle(%f)", frame,
                 static_cast<double>(key.value[0]), static_cast<double>(key.value[1]),
                 static_cast<double>(key.value[2]), static_cast<double>(angle));
    } else {
      const std::string target = chunk.ReadString();
      LogMessage(7, "      Frame %4i: \"%s\"", frame, target.c_str());
      c3DSloader* loader = node->mesh->scene;
      key.morphTarget = loader ? loader->data->FindMesh(target.c_str()) : nullptr;
      if (!key.morphTarget) {
        LogMessage(7, "Did not found mesh \"%s\" specified at %i seconds in object track of object \"%s\"!",
                   target.c_str(), frame, node->mesh->name.c_str());
        track.complete = false;
        return;
      }
      if (key.morphTarget->VertexCount() != node->mesh->VertexCount()) {
        LogMessage(7, "The mesh \"%s\" does not has the same number of vertices as the original object \"%s\"!",
                   target.c_str(), node->mesh->name.c_str());
        track.complete = false;
        return;
      }
    }
    AddKey(track, key);
  }
}

bool ReadNode(c3DSloader* loader, t3DSLnode* node, cChunkFile& parent) {
  bool linked = false;
  bool pivotSeen = false;
  Vector pivot{};
  cChunkFile level;
  level.OpenSubChunks(parent);
  while (level.NextChunk()) {
    const std::uint16_t id = level.Id();
    if (id == 0xB010) {
      if (linked) {
        // A second header would link the node twice.
        LogMessage(7, "    Second node header skipped");
        continue;
      }
      if (!ReadNodeHeader(loader, node, level)) return false;
      linked = true;
    } else if (id == 0xB011) {
      node->name = level.ReadString();
      LogMessage(7, "    Instance Name: \"%s\"", node->name.c_str());
    } else if (id == 0xB012) {
      LogMessage(7, "    Prescale");
    } else if (id == 0xB013) {
      if (linked && !node->mesh) continue;
      pivot.x = level.ReadFloat();
      pivot.y = level.ReadFloat();
      pivot.z = level.ReadFloat();
      pivotSeen = true;
      LogMessage(7, "    Pivot: x=%f y=%f z=%f", static_cast<double>(pivot.x),
                 static_cast<double>(pivot.y), static_cast<double>(pivot.z));
    } else if (id == 0xB014 || id == 0xB015) {
    } else if (id == 0xB030) {
      LogMessage(7, "    Node ID: %i", static_cast<std::int16_t>(level.ReadWord()));
    } else if (id >= 0xB020 && id <= 0xB029) {
      ReadTrack(node, kTracks[id - 0xB020], level);
    } else {
      LogMessage(7, "  Unknown chunk ID 0x%X in Keyframer object information chunk found!", id);
    }
  }
  // The pivot counts for a mesh node, wherever it stood in the node.
  if (pivotSeen && node->mesh) node->pivot = pivot;
  return true;
}

// Pre-order from the node: its subtree, then its following siblings.
t3DSLnode* FindNode(t3DSLnode* node, const char* name) {
  for (; node; node = node->nextSibling) {
    if (EqualNoCase(node->name.c_str(), name)) return node;
    if (t3DSLnode* found = FindNode(node->firstChild, name)) return found;
  }
  return nullptr;
}

void PairTargets(c3DSLdata& data, t3DSLnode* node) {
  for (; node; node = node->nextSibling) {
    PairTargets(data, node->firstChild);
    if (node->kind != 0xB003 && node->kind != 0xB007) continue;
    const std::string wanted = node->name + kTargetSuffix;
    node->target = FindNode(data.rootNode, wanted.c_str());
    if (node->target)
      LogMessage(7, node->kind == 0xB007 ? "Assigned \"%s\" as target to spotlight \"%s\""
                                         : "Assigned \"%s\" as target to camera \"%s\"",
                 node->target->name.c_str(), node->name.c_str());
  }
}

}  // namespace

bool ReadKeyframer(c3DSloader* loader, cChunkFile& parent) {
  loader->lastNode = nullptr;
  cChunkFile level;
  level.OpenSubChunks(parent);
  while (level.NextChunk()) {
    const std::uint16_t id = level.Id();
    if (id == 0xB00A) {
      LogMessage(7, "  Header");
      LogMessage(7, "    revision: %i", static_cast<std::int16_t>(level.ReadWord()));
      const std::string name = level.ReadString();
      LogMessage(7, "    filename: \"%s\"", name.c_str());
      // The count is unsigned in the file: 32768 frames and more stay positive.
      loader->frames = level.ReadWord();
      LogMessage(7, "    %i frame(s)", static_cast<int>(loader->frames));
    } else if (id >= 0xB001 && id <= 0xB007) {
      LogMessage(7, "%s", NodeLine(id));
      t3DSLnode* node = loader->data->AddNode();
      node->kind = id;
      if (!ReadNode(loader, node, level)) return false;
    } else if (id != 0x7001 && id != 0xB008 && id != 0xB009) {
      LogMessage(7, "  Unknown chunk ID 0x%X in Keyframer chunk found!", id);
    }
  }
  LogMessage(7, "Seeking for targets");
  PairTargets(*loader->data, loader->data->rootNode);
  return true;
}

}  // namespace VOXA2::threedee
