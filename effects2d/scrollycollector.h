// Scrolly text descriptions ("scrolly"): texts with key frames that say when
// each is shown, in which crazy font, how large, where and how it moves. All
// positions, speeds and sizes are kept in pixels of the screen that was current
// when the file was read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "demo/datacollector.h"
#include "foundation/basis.h"

namespace VOXA2 {

class cParserT;
class CrazyFont;
class cVOXAcrazyfontcollector;

struct t2DVector : public virtual basis::basisStruct {
  ~t2DVector() override = default;
  float x = 0.0f, y = 0.0f;
};

struct tScrollyTextKF : public virtual basis::basisStruct {
  ~tScrollyTextKF() override = default;

  CrazyFont* font = nullptr;  // the font collector's
  // Active for start <= position < start + duration, on the command's position axis.
  float start = 0.0f;
  float duration = 0.0f;
  // Text height as a fraction of the screen height, at the beginning and the end.
  float sizeFrom = 0.0f;
  float sizeTo = 0.0f;
  float scale = 0.0f;   // screen pixels per font pixel at size 1
  float width = 0.0f;   // the text's width in screen pixels at size 1
  float height = 0.0f;  // the screen height in pixels
  float alphaFrom = 1.0f;
  float alphaTo = 1.0f;
  t2DVector position;      // pixels
  t2DVector align;         // -0.5 left/top, 0 centred, 0.5 right/bottom
  t2DVector velocity;      // pixels per position unit
  t2DVector acceleration;  // pixels per position unit squared
  float red = 1.0f, green = 1.0f, blue = 1.0f;
};

struct tScrollyText : public virtual basis::basisStruct {
  ~tScrollyText() override = default;

  std::string text;
  std::vector<std::unique_ptr<tScrollyTextKF>> keyFrames;  // in file order
};

struct tScrolly : public virtual basis::basisStruct {
  explicit tScrolly(cVOXAcrazyfontcollector* fonts) : fontCollector(fonts) {}
  ~tScrolly() override = default;

  // The parse callback of a description file; context is the tScrolly.
  static void Parse(cParserT* parser, void* context);

  std::vector<std::unique_ptr<tScrollyText>> texts;
  cVOXAcrazyfontcollector* fontCollector;  // the demo's
};

class cVOXAscrollycollector : public cVOXAdatacollector {
 public:
  explicit cVOXAscrollycollector(const char* kind) : cVOXAdatacollector(kind) {}
  ~cVOXAscrollycollector() override { FreeEntries(); }

  // The entries' data are tScrolly pointers; the names are paths in the data tree.
  void FreeItem(void* data) override;
  bool LoadItem(tDataEntry* entry) override;
  void PrepareItem(void*) override {}
  bool RestoreItem(void*) override { return true; }
};

}  // namespace VOXA2
