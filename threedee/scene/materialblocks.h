// Material and texture-map blocks of scene and description files:
//   material := ["interpolated"] string "{" { item | ";" } "}"
//   map      := ["interpolated"] "{" { "file" string | "uadd" f | "umul" f |
//               "vadd" f | "vmul" f | "amount" f | ";" } "}"
// An interpolated block takes its values as tracks. Item words are compared
// case-sensitively; anything else is "Syntax error!" (101).
#pragma once

#include <string>

#include "script/parser.h"
#include "threedee/scene/map.h"
#include "threedee/scene/material.h"

namespace VOXA2::threedee {

enum : std::int32_t { errMaterialSyntax = 101 };

// The string at the parser (which must be one), copied; the parser reads on.
std::string ReadNameString(cParserT* parser);

// From the token after the caller's keyword to past the block's "}"; the
// caller owns the material. Key times after "relative" are × length.
cMaterial* ParseMaterial(cParserT* parser, float length);
// From the token after "texture", "texture2" or "environment" to past "}".
cMap* ParseMap(cParserT* parser, float length);

}  // namespace VOXA2::threedee
