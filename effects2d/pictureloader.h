// Loading colour pictures: a picture description file ("<name>.dsc") names the
// real picture and the filters to apply to it; without one the picture itself
// is read, trying a fixed list of extensions.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/basis.h"
#include "foundation/gfxloader.h"
#include "foundation/pictures.h"
#include "script/filters.h"

namespace VOXA2 {

class cParserT;

struct PictureFile : public virtual basis::basisStruct {
  PictureFile(const char* folder, tChannelDepths* record) : folder(folder), record(record) {}
  ~PictureFile() override = default;

  // The parse callback of a description file; context is the PictureFile.
  static void Parse(cParserT* parser, void* context);

  const char* folder;      // put before the picture's name; none: the name as given
  tChannelDepths* record;  // handed to the picture readers
  std::unique_ptr<cColorPic> picture;
  std::vector<std::unique_ptr<filter::cFilter>> filters;
};

// A new picture the caller owns, or none (logged). defaultResample scales a
// picture read without a description file to the screen; noFallback fails when
// a description file exists but cannot be read instead of reading the picture.
cColorPic* LoadPicture(const char* name, bool defaultResample, const char* folder,
                       tChannelDepths* record, bool noFallback);

// Reads the file into the picture, trying the name as given and then with the
// extensions "", ".pcx", ".tga", ".jpg", ".jpeg", ".png".
bool LoadBitmapFile(cColorPic* picture, const char* name, tChannelDepths* record);

}  // namespace VOXA2
