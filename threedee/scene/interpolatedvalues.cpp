#include "threedee/scene/interpolatedvalues.h"

#include <strings.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>

#include "foundation/allocate.h"

namespace VOXA2 {

namespace {

std::int32_t Code(const cParserT* parser) { return parser->token ? parser->token->code : tokNone; }

// The text of an identifier token, or null for any other token.
const char* IdentifierText(const cParserT* parser) {
  if (Code(parser) != tokIdentifier) return nullptr;
  const auto* ident = dynamic_cast<const cIdentToken*>(parser->token.get());
  return ident ? ident->text.c_str() : nullptr;
}

// time := ["relative"] float-expression
float ReadTime(cParserT* parser, float length) {
  if (Code(parser) == tokRelative) {
    parser->GetToken();
    return parser->ParseFloatExpression() * length;
  }
  return parser->ParseFloatExpression();
}

// repeat := ["loop"] ["repeat"]; "repeat" is a plain word, compared as written.
void ReadRepeat(cParserT* parser, cView3Dinterpolator& track) {
  if (Code(parser) == tokLoop) {
    track.repeatMode = cView3Dinterpolator::kRepeatLoop;
    parser->GetToken();
  }
  const char* word = IdentifierText(parser);
  if (word && std::strcmp(word, "repeat") == 0) {
    track.repeatMode = cView3Dinterpolator::kRepeatRepeat;
    parser->GetToken();
  }
}

// key-block := "{" [","] key {"," key} "}" with key := time ":" value; readValue
// reads the value and adds the key. Keys are taken as written; times that do
// not increase are reported, since the tracks assume they do.
template <class ReadValue>
void ReadKeyBlock(cParserT* parser, float length, ReadValue&& readValue) {
  parser->Expect(tokOpenBrace);
  if (Code(parser) == tokComma) parser->GetToken();
  bool first = true;
  float previous = 0.0f;
  for (;;) {
    const float time = ReadTime(parser, length);
    if (!first && !(time > previous)) {
      parser->Warning("Key time %g does not follow %g!", static_cast<double>(time),
                      static_cast<double>(previous));
    }
    parser->Expect(tokColon);
    readValue(time);
    first = false;
    previous = time;
    if (Code(parser) != tokComma) break;
    parser->GetToken();
  }
  parser->Expect(tokCloseBrace);
}

// value(N) := a float-expression for N = 1, else "(" N expressions ")".
void ReadValues(cParserT* parser, std::int32_t count, float* values) {
  if (count == 1) {
    values[0] = parser->ParseFloatExpression();
    return;
  }
  parser->Expect(tokOpenParen);
  for (std::int32_t i = 0; i < count; ++i) {
    if (i > 0) parser->Expect(tokComma);
    values[i] = parser->ParseFloatExpression();
  }
  parser->Expect(tokCloseParen);
}

// rotation := "(" angle "," x "," y "," z ")" into {x, y, z, angle}.
void ReadRotation(cParserT* parser, float* rotation) {
  parser->Expect(tokOpenParen);
  rotation[3] = parser->ParseFloatExpression();
  for (int i = 0; i < 3; ++i) {
    parser->Expect(tokComma);
    rotation[i] = parser->ParseFloatExpression();
  }
  parser->Expect(tokCloseParen);
  NormalizeAxis(rotation);
}

// The descriptor after "interpolate", or null after raising the error.
const char* ReadDescriptor(cParserT* parser) {
  const char* text = IdentifierText(parser);
  if (!text) parser->Error(errNoCode, "Interpolation descriptor expected!");
  return text;
}

// Error returns (and the parse gives no track) only when no source is open.
std::nullptr_t UnknownDescriptor(cParserT* parser, const char* text) {
  parser->Error(errNoCode, "Unknown interpolation descriptor: \"%s\"", text);
  return nullptr;
}

char* CopyText(const std::string& text) {
  char* copy = strdup(text.c_str());
  if (!copy)
    throw new VOXA::errors::eOutOfMemory("Could not allocate memory to duplicate duplicate string");
  return copy;
}

// The text of the current string literal, copied, then "String" required.
char* ReadText(cParserT* parser) {
  std::unique_ptr<char, decltype(&std::free)> copy(nullptr, &std::free);
  if (Code(parser) == tokString) {
    copy.reset(CopyText(static_cast<const cStringToken*>(parser->token.get())->text));
  }
  parser->Expect(tokString);
  return copy.release();
}

template <class Track>
std::unique_ptr<Track> NewTrack(const char* className, std::int32_t count) {
  return std::unique_ptr<Track>(VOXA::errors::NewOrThrow<Track>(className, count));
}

template <class Track>
std::unique_ptr<Track> NewTrack(const char* className) {
  return std::unique_ptr<Track>(VOXA::errors::NewOrThrow<Track>(className));
}

// The keyed forms of ParseInterpolator for a value kind with AddKey(time, values).
template <class Track>
cView3Di_position* ReadKeyedValues(cParserT* parser, std::unique_ptr<Track> track,
                                   std::int32_t count, float length) {
  ReadRepeat(parser, *track);
  ReadKeyBlock(parser, length, [&](float time) {
    ReadValues(parser, count, track->GetValues());
    if constexpr (std::is_same_v<Track, cView3Di_kbsplines>) {
      track->AddKey(time, track->GetValues(), 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    } else {
      track->AddKey(time, track->GetValues());
    }
  });
  track->Prepare();
  return track.release();
}

template <class Track>
cView3Di_position* ReadRamp(cParserT* parser, std::unique_ptr<Track> track, std::int32_t count,
                            float length) {
  parser->GetToken();
  ReadValues(parser, count, track->GetValues());
  track->AddKey(0.0f, track->GetValues());
  parser->Expect(tokTo);
  ReadValues(parser, count, track->GetValues());
  track->AddKey(length, track->GetValues());
  track->Prepare();
  return track.release();
}

template <class Track>
cView3Di_rotation* ReadKeyedRotations(cParserT* parser, std::unique_ptr<Track> track,
                                      float length) {
  ReadRepeat(parser, *track);
  ReadKeyBlock(parser, length, [&](float time) {
    float rotation[4];
    ReadRotation(parser, rotation);
    if constexpr (std::is_same_v<Track, cView3Di_kbsplines_quat>) {
      track->AddKey(time, rotation, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    } else {
      track->AddKey(time, rotation);
    }
  });
  track->Prepare();
  return track.release();
}

template <class Track>
cView3Di_rotation* ReadRotationRamp(cParserT* parser, std::unique_ptr<Track> track, float length) {
  parser->GetToken();
  float rotation[4];
  ReadRotation(parser, rotation);
  track->AddKey(0.0f, rotation);
  parser->Expect(tokTo);
  ReadRotation(parser, rotation);
  track->AddKey(length, rotation);
  track->Prepare();
  return track.release();
}

// The kinds of interpolation by name: the track class of each, read after
// "interpolate <name>" as a key block, or as a ramp "<name> a to b" where the
// kind has that form. Names compare in any case.
template <class Base>
struct tTrackKind {
  using Reader = Base* (*)(cParserT* parser, const char* className, std::int32_t count,
                           float length);
  const char* name;
  const char* className;
  Reader keyed;
  Reader ramp;  // none: the kind has no ramp form
};

template <class Track>
cView3Di_position* KeyedValues(cParserT* parser, const char* className, std::int32_t count,
                               float length) {
  auto track = NewTrack<Track>(className, count);
  parser->GetToken();
  return ReadKeyedValues(parser, std::move(track), count, length);
}

template <class Track>
cView3Di_position* ValueRamp(cParserT* parser, const char* className, std::int32_t count,
                             float length) {
  return ReadRamp(parser, NewTrack<Track>(className, count), count, length);
}

template <class Track>
cView3Di_rotation* KeyedRotations(cParserT* parser, const char* className, std::int32_t,
                                  float length) {
  auto track = NewTrack<Track>(className);
  parser->GetToken();
  return ReadKeyedRotations(parser, std::move(track), length);
}

template <class Track>
cView3Di_rotation* RotationRamp(cParserT* parser, const char* className, std::int32_t,
                                float length) {
  return ReadRotationRamp(parser, NewTrack<Track>(className), length);
}

const tTrackKind<cView3Di_position> kValueKinds[] = {
    {"kbspline", "cView3Di_kbsplines", KeyedValues<cView3Di_kbsplines>, nullptr},
    {"linear", "cView3Di_linear", KeyedValues<cView3Di_linear>, ValueRamp<cView3Di_linear>},
    {"softy", "cView3Di_softy", KeyedValues<cView3Di_softy>, ValueRamp<cView3Di_softy>},
    {"discreet", "cView3Di_discreet", KeyedValues<cView3Di_discreet>, nullptr},
};

const tTrackKind<cView3Di_rotation> kRotationKinds[] = {
    {"kbspline", "cView3Di_kbsplines_quat", KeyedRotations<cView3Di_kbsplines_quat>, nullptr},
    {"linear", "cView3Di_linear_quat", KeyedRotations<cView3Di_linear_quat>,
     RotationRamp<cView3Di_linear_quat>},
    {"softy", "cView3Di_softy_quat", KeyedRotations<cView3Di_softy_quat>,
     RotationRamp<cView3Di_softy_quat>},
};

template <class Base, std::size_t N>
const tTrackKind<Base>* FindKind(const tTrackKind<Base> (&kinds)[N], const char* name) {
  if (!name) return nullptr;
  for (const tTrackKind<Base>& kind : kinds)
    if (strcasecmp(name, kind.name) == 0) return &kind;
  return nullptr;
}

// The form after "interpolate": the named kind's key block.
template <class Base, std::size_t N>
Base* ReadKeyedKind(cParserT* parser, const tTrackKind<Base> (&kinds)[N], std::int32_t count,
                    float length) {
  parser->GetToken();
  const char* descriptor = ReadDescriptor(parser);
  if (!descriptor) return nullptr;
  const std::string text = descriptor;
  const tTrackKind<Base>* kind = FindKind(kinds, text.c_str());
  if (!kind) return UnknownDescriptor(parser, text.c_str());
  return kind->keyed(parser, kind->className, count, length);
}

// The current word's ramp, none when it names no kind with a ramp form.
template <class Base, std::size_t N>
const tTrackKind<Base>* RampKind(cParserT* parser, const tTrackKind<Base> (&kinds)[N]) {
  const tTrackKind<Base>* kind = FindKind(kinds, IdentifierText(parser));
  return kind && kind->ramp ? kind : nullptr;
}

// The integer and symbolic forms: a constant, or "interpolate" repeat key-block.
template <class ReadInt>
cView3Di_enum* ReadEnum(cParserT* parser, float length, ReadInt&& readInt) {
  auto track = NewTrack<cView3Di_enum>("cView3Di_enum");
  if (Code(parser) != tokInterpolate) {
    track->value = readInt();
    return track.release();
  }
  parser->GetToken();
  ReadRepeat(parser, *track);
  ReadKeyBlock(parser, length, [&](float time) { track->AddKey(time, readInt()); });
  track->Prepare();
  return track.release();
}

}  // namespace

void NormalizeAxis(float* axis) {
  const float length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
  if (!(length > 0.0f)) return;
  axis[0] /= length;
  axis[1] /= length;
  axis[2] /= length;
}

cView3Di_position* ParseInterpolator(cParserT* parser, std::int32_t count, float length) {
  if (Code(parser) == tokInterpolate) return ReadKeyedKind(parser, kValueKinds, count, length);
  if (const auto* ramp = RampKind(parser, kValueKinds))
    return ramp->ramp(parser, ramp->className, count, length);
  auto constant = NewTrack<cView3Di_position>("cView3Di_position", count);
  ReadValues(parser, count, constant->GetValues());
  return constant.release();
}

cView3Di_enum* ParseEnumInterpolator(cParserT* parser, float length) {
  return ReadEnum(parser, length, [parser] { return parser->ParseIntExpression(); });
}

cView3Di_enum* ParseSymbolicInterpolator(cParserT* parser, const tSymbolicSplineDef* table,
                                         float length) {
  return ReadEnum(parser, length, [parser, table] { return LookupSymbolicValue(parser, table); });
}

std::int32_t LookupSymbolicValue(cParserT* parser, const tSymbolicSplineDef* table) {
  if (!table) {
    parser->Error(errNoCode, "Internal error: Symbolic Spline Definition is NULL!");
    return 0;
  }
  const std::int32_t code = Code(parser);
  const char* text = IdentifierText(parser);
  for (std::int32_t i = 0; i < table->count; ++i) {
    const tSymbolicName& entry = table->entries[i];
    if (entry.tokenCode != code) continue;
    if (code == tokIdentifier && !(entry.name && text && std::strcmp(entry.name, text) == 0)) {
      continue;
    }
    parser->GetToken();
    return entry.value;
  }
  parser->Error(errNoCode, "Symbolic Spline Definition expected!");
  return 0;
}

cView3Di_rotation* ParseRotationInterpolator(cParserT* parser, float length) {
  if (Code(parser) == tokInterpolate) return ReadKeyedKind(parser, kRotationKinds, 0, length);
  if (const auto* ramp = RampKind(parser, kRotationKinds))
    return ramp->ramp(parser, ramp->className, 0, length);
  auto constant = NewTrack<cView3Di_linear_quat>("cView3Di_linear_quat");
  float rotation[4];
  ReadRotation(parser, rotation);
  constant->AddKey(0.0f, rotation);
  constant->Prepare();
  return constant.release();
}

cView3Di_pointer* ParsePointerInterpolator(cParserT* parser, float length) {
  auto track = NewTrack<cView3Di_pointer>("cView3Di_pointer");
  track->ownsValues = true;
  if (Code(parser) != tokInterpolate) {
    track->value = ReadText(parser);
    return track.release();
  }
  parser->GetToken();
  ReadRepeat(parser, *track);
  ReadKeyBlock(parser, length, [&](float time) {
    std::unique_ptr<char, decltype(&std::free)> text(ReadText(parser), &std::free);
    track->AddKey(time, text.get());
    text.release();
  });
  track->Prepare();
  return track.release();
}

}  // namespace VOXA2
