#include "script/tokens.h"

#include <cstring>

namespace VOXA2 {

namespace {

struct tTokenName {
  std::int32_t code;
  const char* text;
};

// Both lookups scan from the first entry; no code and no text occurs twice.
constexpr tTokenName tokenTable[] = {
    {2, "{"},           {3, "}"},
    {4, "("},           {5, ")"},
    {6, ";"},           {7, ","},
    {8, ":"},           {9, "'"},
    {10, "."},          {11, "\\"},
    {12, "+"},          {13, "-"},
    {14, "*"},          {15, "/"},
    {17, "&"},          {18, "|"},
    {19, "!"},          {20, "^"},
    {31, "?"},          {21, "**"},
    {23, "<<"},         {22, ">>"},
    {25, "="},          {24, "=="},
    {26, "<"},          {27, ">"},
    {28, "<="},         {29, ">="},
    {30, "!="},         {32, "pipeline"},
    {33, "handler"},    {34, "main"},
    {35, "key"},        {36, "loop"},
    {37, "music"},      {38, "jump"},
    {39, "entry"},      {40, "from"},
    {41, "is"},         {42, "with"},
    {43, "to"},         {44, "buffer"},
    {45, "enable"},     {46, "disable"},
    {47, "enabled"},    {48, "disabled"},
    {50, "eod"},        {49, "bod"},
    {51, "trigger"},    {52, "start"},
    {53, "end"},        {54, "color"},
    {55, "position"},   {56, "file"},
    {57, "tint"},       {58, "alpha"},
    {59, "frames"},     {60, "clearzbuffer"},
    {61, "camera"},     {62, "at"},
    {63, "demo"},       {64, "title"},
    {65, "condition"},  {66, "default"},
    {67, "resolution"}, {68, "times"},
    {69, "sequence"},   {70, "relative"},
    {71, "length"},     {72, "desc"},
    {73, "volume"},     {74, "panning"},
    {75, "frequency"},  {76, "loading"},
    {77, "image"},      {78, "interpolate"},
    {79, "true"},       {80, "false"},
};

static_assert(sizeof(tokenTable) / sizeof(tokenTable[0]) == 78);

}  // namespace

const char* cToken::GetTypeName(std::int32_t code) {
  for (const tTokenName& entry : tokenTable)
    if (entry.code == code) return entry.text;
  switch (code) {
    case tokNone:
      return "<none>";
    case tokEndOfFile:
      return "<end of file>";
    case tokIdentifier:
      return "Identifier";
    case tokNumber:
      return "Number";
    case tokFloat:
      return "Float";
    case tokString:
      return "String";
    default:
      return "<unknown>";
  }
}

std::int32_t LookupKeyword(const char* text) {
  for (const tTokenName& entry : tokenTable)
    if (std::strcmp(entry.text, text) == 0) return entry.code;
  return tokIdentifier;
}

}  // namespace VOXA2
