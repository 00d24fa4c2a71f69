// Picture filters: the registry of filter descriptions and the filters that a
// picture description file applies to a loaded picture (size, colours, border).
// They read their parameters with the script parser, hence their place here.
#pragma once

#include <cstdint>

#include "foundation/basis.h"
#include "foundation/pictures.h"

namespace VOXA2 {

class cParserT;

namespace filter {

class cFilter;

// One registry record; constant data, never owned by the registry.
struct tFilterDesc {
  const char* keyword;  // null for a filter named by a reserved word
  std::int32_t tokenCode;
  std::int32_t identifier;
  cFilter* (*creator)(const tFilterDesc* description);
  std::uint32_t version;
};

class cFilter : public virtual basis::basisObject {
 public:
  ~cFilter() override = default;
  // May replace *picture with a new picture and destroy the old one.
  virtual bool Apply(cColorPic** picture) = 0;
  // Reads the parameters from the token after the keyword through the closing ";".
  virtual bool Parse(cParserT* parser) = 0;
  virtual const tFilterDesc* GetDescription() = 0;
};

// Size modes: pixels, a fraction of the virtual screen, pixels of a 640 x 480 screen.
enum : std::int32_t { kAbsolute = 0, kRelative = 1, kR640x480 = 2 };
enum : std::int32_t { kNearest = 1, kWeighted = 2 };

std::int32_t ComputeWidth(std::int32_t mode, float value);
std::int32_t ComputeHeight(std::int32_t mode, float value);
// An optional mode word, then a float expression; without a mode word the mode stays.
void ParseSize(cParserT* parser, std::int32_t* mode, float* value);
// "(" r "," g "," b ")" or one expression for all three.
void ParseColor(cParserT* parser, float rgb[3]);
// "(" r "," g "," b ")" only.
void ParseColorTriple(cParserT* parser, float rgb[3]);

class cResample : public cFilter {
 public:
  struct Parameter : public virtual basis::basisStruct {
    Parameter() = default;
    std::int32_t method = kWeighted;
    std::int32_t mode = kRelative;
    float value = 1.0f;
  };

  bool Apply(cColorPic** picture) override;
  bool Parse(cParserT* parser) override;
  const tFilterDesc* GetDescription() override;
  const char* ClassName() const override { return "cResample"; }

  std::int32_t dimension = 2;  // 0 width, 1 height, 2 both
  Parameter width;
  Parameter height;
};

class cTint : public cFilter {
 public:
  cTint();
  bool Apply(cColorPic** picture) override;
  bool Parse(cParserT* parser) override;
  const tFilterDesc* GetDescription() override;
  const char* ClassName() const override { return "cTint"; }
  void SetGray();

  std::uint8_t gray = 0;
  // Where red, green and blue go, each as (R, G, B).
  float red[3];
  float green[3];
  float blue[3];
};

class cAddBorder : public cFilter {
 public:
  struct Parameter : public virtual basis::basisStruct {
    Parameter() = default;
    std::int32_t mode = kRelative;
    float value = 0.0f;
  };

  bool Apply(cColorPic** picture) override;
  bool Parse(cParserT* parser) override;
  const tFilterDesc* GetDescription() override;
  const char* ClassName() const override { return "cAddBorder"; }

  std::uint8_t subtract = 0;
  Parameter left, right, top, bottom;
  std::uint32_t color = 0;  // 0xAARRGGBB
};

bool RegisterFilter(const tFilterDesc* description);
// The record at index in identifier order; null past the end.
const tFilterDesc* GetFilter(std::int32_t index);
bool FiltersRegistered();
bool RegisterFilters();
void FreeFilters();

}  // namespace filter
}  // namespace VOXA2
