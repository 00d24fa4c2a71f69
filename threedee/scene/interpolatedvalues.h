// Reading interpolated values from scripts: a constant, a ramp ("linear" or
// "softy" a "to" b) or a block of keys after "interpolate", each returned as a
// ready track that the caller owns. Every operation starts at the parser's
// current token and leaves it on the first token after the value (never past a
// ";"). Key times after "relative" are multiplied by the caller's length.
#pragma once

#include <cstdint>

#include "script/parser.h"
#include "threedee/scene/kbsplines.h"
#include "threedee/scene/rotationtracks.h"
#include "threedee/scene/steptracks.h"
#include "threedee/scene/valuetracks.h"

namespace VOXA2 {

// One word that a symbolic value may take: a keyword (matched on its token code
// alone) or an identifier (token code tokIdentifier, matched on its exact text).
struct tSymbolicName {
  std::int32_t value;
  std::int32_t tokenCode;
  const char* name;
};

struct tSymbolicSplineDef {
  std::int32_t count;
  const tSymbolicName* entries;
};

using tSymbolicValue = tSymbolicName;
using tSymbolicValueTable = tSymbolicSplineDef;

// N floats: a constant (cView3Di_position), a ramp, or "interpolate" with one of
// "kbspline", "linear", "softy", "discreet".
cView3Di_position* ParseInterpolator(cParserT* parser, std::int32_t componentCount, float length);
cView3Di_enum* ParseEnumInterpolator(cParserT* parser, float length);
cView3Di_enum* ParseSymbolicInterpolator(cParserT* parser, const tSymbolicSplineDef* table,
                                         float length);
std::int32_t LookupSymbolicValue(cParserT* parser, const tSymbolicSplineDef* table);
// A rotation is written "(" angle "," x "," y "," z ")", the angle in radians.
cView3Di_rotation* ParseRotationInterpolator(cParserT* parser, float length);
// Texts (string literals), copied; the track owns the copies.
cView3Di_pointer* ParsePointerInterpolator(cParserT* parser, float length);

// Makes the axis unit length; a zero axis stays zero, which the rotation tracks
// read as no rotation.
void NormalizeAxis(float* axis);

}  // namespace VOXA2
