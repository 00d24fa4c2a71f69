// The tokens of the script language and the fixed numbering of their codes,
// which every parser of the player compares against directly.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/basis.h"

namespace VOXA2 {

struct cData;

// Token codes. The numbers are part of every loader's contract and never change.
enum : std::int32_t {
  tokNone = 0,
  tokEndOfFile = 1,
  tokOpenBrace = 2,
  tokCloseBrace = 3,
  tokOpenParen = 4,
  tokCloseParen = 5,
  tokSemicolon = 6,
  tokComma = 7,
  tokColon = 8,
  tokQuote = 9,
  tokDot = 10,
  tokBackslash = 11,
  tokPlus = 12,
  tokMinus = 13,
  tokStar = 14,
  tokSlash = 15,
  tokAmpersand = 17,
  tokBar = 18,
  tokExclamation = 19,
  tokCaret = 20,
  tokPower = 21,
  tokShiftRight = 22,
  tokShiftLeft = 23,
  tokEqual = 24,
  tokAssign = 25,
  tokLess = 26,
  tokGreater = 27,
  tokLessEqual = 28,
  tokGreaterEqual = 29,
  tokNotEqual = 30,
  tokQuestion = 31,
  // Keywords 32..80.
  tokPipeline = 32,
  tokHandler = 33,
  tokMain = 34,
  tokKey = 35,
  tokLoop = 36,
  tokMusic = 37,
  tokJump = 38,
  tokEntry = 39,
  tokFrom = 40,
  tokIs = 41,
  tokWith = 42,
  tokTo = 43,
  tokBuffer = 44,
  tokEnable = 45,
  tokDisable = 46,
  tokEnabled = 47,
  tokDisabled = 48,
  tokBod = 49,
  tokEod = 50,
  tokTrigger = 51,
  tokStart = 52,
  tokEnd = 53,
  tokColor = 54,
  tokPosition = 55,
  tokFile = 56,
  tokTint = 57,
  tokAlpha = 58,
  tokFrames = 59,
  tokClearZBuffer = 60,
  tokCamera = 61,
  tokAt = 62,
  tokDemo = 63,
  tokTitle = 64,
  tokCondition = 65,
  tokDefault = 66,
  tokResolution = 67,
  tokTimes = 68,
  tokSequence = 69,
  tokRelative = 70,
  tokLength = 71,
  tokDesc = 72,
  tokVolume = 73,
  tokPanning = 74,
  tokFrequency = 75,
  tokLoading = 76,
  tokImage = 77,
  tokInterpolate = 78,
  tokTrue = 79,
  tokFalse = 80,
  tokIdentifier = 81,
  tokNumber = 82,
  tokFloat = 83,
  tokString = 84,
};

struct cToken : public virtual basis::basisStruct {
  explicit cToken(std::int32_t c = tokNone) : code(c) {}
  ~cToken() override = default;

  // The display text of a code, as the expected/found messages print it.
  static const char* GetTypeName(std::int32_t code);

  std::int32_t code;
};

// An identifier or a keyword; symbol is the table entry of that name when the
// token was read (not owned).
struct cIdentToken : public cToken {
  cIdentToken(std::int32_t c, std::string t, cData* s) : cToken(c), text(std::move(t)), symbol(s) {}
  ~cIdentToken() override = default;

  std::string text;
  cData* symbol;
};

struct cNumberToken : public cToken {
  explicit cNumberToken(std::int32_t v) : cToken(tokNumber), value(v) {}
  ~cNumberToken() override = default;

  std::int32_t value;
};

struct cFloatToken : public cToken {
  explicit cFloatToken(float v) : cToken(tokFloat), value(v) {}
  ~cFloatToken() override = default;

  float value;
};

// The text after escape processing, without the quotes.
struct cStringToken : public cToken {
  explicit cStringToken(std::string t) : cToken(tokString), text(std::move(t)) {}
  ~cStringToken() override = default;

  std::string text;
};

// The code of an identifier's text: a keyword's code, or tokIdentifier.
std::int32_t LookupKeyword(const char* text);

}  // namespace VOXA2
