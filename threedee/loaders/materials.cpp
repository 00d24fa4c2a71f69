// Materials of a 3DS file and the colour, percentage and map chunks they hold.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <string>

#include "threedee/loaders/threedsloader.h"
#include "threedee/scene/map.h"
#include "threedee/scene/material.h"
#include "windxkernel/debuglog.h"

namespace VOXA2::threedee {
namespace {

// A float channel outside 0..1 would spill into its neighbours once packed.
std::uint32_t FloatChannel(float value) {
  const float scaled = value * 255.0f;
  if (!(scaled > 0.0f)) return 0;
  return scaled >= 255.0f ? 255u : static_cast<std::uint32_t>(scaled);
}

std::uint32_t Pack(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return 0xFF000000u | red << 16 | green << 8 | blue;
}

float Channel(std::uint32_t color, int shift) {
  return static_cast<float>((color >> shift) & 0xFF) / 255.0f;
}

bool IsMaterialFiller(std::uint16_t id) {
  switch (id) {
    case 0xA040: case 0xA041: case 0xA052: case 0xA053: case 0xA085: case 0xA087: case 0xA088:
    case 0xA08A: case 0xA08C: case 0xA08E: case 0xA204: case 0xA210: case 0xA240: case 0xA250:
    case 0xA310: case 0xA33C: case 0xA33D: case 0xA33E: case 0xA340: case 0xA342: case 0xA344:
    case 0xA346: case 0xA348: case 0xA34A: case 0xA34C:
      return true;
    default:
      return false;
  }
}

float Percentage(cChunkFile& chunk) {
  return static_cast<float>(static_cast<std::int16_t>(chunk.ReadWord())) * 0.01f;
}

// Transparency and amounts are fractions; a file may state any percentage.
float Fraction(float value) { return std::clamp(value, 0.0f, 1.0f); }

void LogColor(const char* format, std::uint32_t color) {
  LogMessage(8, format, Channel(color, 16), Channel(color, 8), Channel(color, 0));
}

std::uint32_t EmissiveChannel(float value) {
  const float e = std::fmin(value, 1.0f);
  return e > 0.0f ? static_cast<std::uint32_t>(e * 255.0f) : 0u;
}

}  // namespace

bool ReadColorChunk(cChunkFile& parent, std::uint32_t& color) {
  cChunkFile level;
  level.OpenSubChunks(parent);
  while (level.NextChunk()) {
    if (level.Id() == 0x0010) {
      if (level.DataLength() != 12) return false;
      const std::uint32_t red = FloatChannel(level.ReadFloat());
      const std::uint32_t green = FloatChannel(level.ReadFloat());
      color = Pack(red, green, FloatChannel(level.ReadFloat()));
    } else if (level.Id() == 0x0011) {
      if (level.DataLength() != 3) return false;
      const std::uint32_t red = level.ReadByte();
      const std::uint32_t green = level.ReadByte();
      color = Pack(red, green, level.ReadByte());
    }
  }
  return true;
}

bool ReadAmountChunk(cChunkFile& parent, float& value) {
  cChunkFile level;
  level.OpenSubChunks(parent);
  while (level.NextChunk()) {
    if (level.Id() == 0x0030)
      value = Percentage(level);
    else
      LogMessage(7, "      Unknown chunk ID 0x%X in amount chunk found!", level.Id());
  }
  return true;
}

bool ReadMapChunk(cChunkFile& parent, cMap*& slot) {
  auto* map = new (std::nothrow) cMap();
  if (!map) throw new VOXA::errors::eCouldNotCreateObject("cMap");
  delete slot;
  slot = map;
  cChunkFile level;
  level.OpenSubChunks(parent);
  while (level.NextChunk()) {
    switch (level.Id()) {
      case 0x0030:
        map->amount = Fraction(Percentage(level));
        LogMessage(9, "      Amount is %g%%", map->amount * 100.0f);
        break;
      case 0xA300: {
        std::string name = level.ReadString();
        const std::size_t dot = name.rfind('.');
        if (dot != std::string::npos && dot > 0) name.resize(dot);
        LogMessage(9, "      Filename: \"%s\"", name.c_str());
        map->SetName(name.c_str());
        break;
      }
      case 0xA354:
        map->uScale = level.ReadFloat();
        break;
      case 0xA356:
        map->vScale = level.ReadFloat();
        break;
      case 0xA358:
        map->uOffset = level.ReadFloat();
        break;
      case 0xA35A:
        map->vOffset = level.ReadFloat();
        break;
      default:
        break;
    }
  }
  return true;
}

bool ReadMaterialChunk(c3DSloader* loader, cChunkFile& parent) {
  auto* material = new (std::nothrow) cMaterial();
  if (!material) throw new VOXA::errors::eCouldNotCreateObject("cMaterial");
  material->transparencyMode = cMaterial::kSubtractive;
  try {
    loader->AddMaterial(material);
  } catch (...) {
    delete material;
    throw;
  }
  float selfIllumination = 0.0f;
  cChunkFile level;
  level.OpenSubChunks(parent);
  while (level.NextChunk()) {
    const std::uint16_t id = level.Id();
    switch (id) {
      case 0xA000:
        material->SetName(level.ReadString().c_str());
        LogMessage(7, "  Material: \"%s\"", material->GetName());
        break;
      case 0xA010:
        if (!ReadColorChunk(level, material->ambient)) return false;
        LogColor("    Ambient: (%g|%g|%g)", material->ambient);
        break;
      case 0xA020:
        if (!ReadColorChunk(level, material->diffuse)) return false;
        LogColor("    Diffuse: (%g|%g|%g)", material->diffuse);
        break;
      case 0xA030:
        if (!ReadColorChunk(level, material->specular)) return false;
        LogColor("    Specular: (%g|%g|%g)", material->specular);
        break;
      case 0xA050:
        ReadAmountChunk(level, material->transparency);
        material->transparency = Fraction(material->transparency);
        LogMessage(8, "    Transparency: %0.2f%%", material->transparency * 100.0f);
        break;
      case 0xA100: {
        if (level.DataLength() != 2) return false;
        static const char* const kShading[] = {"    Flat shaded", "    Gouraud shaded",
                                               "    Phong shaded", "    Metal shaded"};
        const std::uint16_t shading = level.ReadWord();
        if (shading >= 1 && shading <= 4) {
          material->shading = shading == 1 ? 0 : 1;
          LogMessage(8, "%s", kShading[shading - 1]);
        }
        break;
      }
      case 0xA081:
        material->twoSided = true;
        LogMessage(8, "    Double sided");
        break;
      case 0xA083:
        material->transparencyMode = cMaterial::kAdditive;
        LogMessage(8, "    Additive transparency");
        break;
      case 0xA084:
        ReadAmountChunk(level, selfIllumination);
        LogMessage(8, "    Self illuminating: %0.2f%%", selfIllumination * 100.0f);
        break;
      case 0xA200:
        LogMessage(8, "    First texture map");
        ReadMapChunk(level, material->maps[cMaterial::kTextureMap]);
        break;
      case 0xA33A:
        // Stored files expect the second map to take the first one's place.
        LogMessage(8, "    Second texture map");
        ReadMapChunk(level, material->maps[cMaterial::kTextureMap]);
        break;
      case 0xA220:
        LogMessage(8, "    Reflection (environment) map");
        ReadMapChunk(level, material->maps[cMaterial::kEnvironmentMap]);
        break;
      case 0xA230:
        LogMessage(8, "    Bump map");
        break;
      default:
        if (!IsMaterialFiller(id))
          LogMessage(8, "    Unknown chunk ID 0x%X in Material chunk found!", id);
        break;
    }
  }

  std::uint32_t emissive[3];
  for (int c = 0; c < 3; ++c) {
    const int shift = 16 - 8 * c;
    emissive[c] = EmissiveChannel(
        material->maps[cMaterial::kTextureMap]
            ? selfIllumination
            : Channel(material->diffuse, shift) * selfIllumination +
                  Channel(material->ambient, shift));
  }
  material->emissive = Pack(emissive[0], emissive[1], emissive[2]);
  material->ambient = material->diffuse;
  if (material->transparency == 0.0f) material->transparencyMode = cMaterial::kMixing;
  return true;
}

}  // namespace VOXA2::threedee
