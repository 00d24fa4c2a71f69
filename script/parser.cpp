#include "script/parser.h"

#include <new>

#include "foundation/allocate.h"
#include "foundation/archive.h"
#include "foundation/stream.h"
#include "windxkernel/debuglog.h"

namespace VOXA2 {

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::errors::NewOrThrow;

bool cParserR::LoadStream(TStream* stream) {
  FreeSource();
  if (!stream) return false;
  std::int32_t size = stream->Size();
  if (size < 0) return false;
  if (size > kMaxSourceLength) {
    LogMessage(5, "%s: source too large (%i bytes)!",
               GetSourceName() ? GetSourceName() : "<unknown>", size);
    return false;
  }
  std::vector<char> data;
  try {
    data.resize(static_cast<std::size_t>(size) + 1);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("buffer!");
  }
  std::int32_t got = size > 0 ? stream->Read(data.data(), 1, size) : 0;
  if (got < 0) got = 0;
  if (got == 0 && size > 0) return false;
  return LoadBytes(data.data(), got);
}

bool cParserT::ParseFile(const char* fileName, ParseCallback callback, void* context) {
  if (!fileName) return false;
  SetSourceName(fileName);
  std::unique_ptr<TStream> stream = OpenFile(fileName, -1);
  if (!stream) return false;
  bool loaded = LoadStream(stream.get());
  stream.reset();
  if (!loaded) return false;
  return Run(callback, context);
}

bool cParserT::ParseStream(TStream* stream, ParseCallback callback, void* context) {
  if (!LoadStream(stream)) return false;
  return Run(callback, context);
}

bool cParserT::Run(ParseCallback callback, void* context) {
  if (!open) return false;
  token.reset(NewOrThrow<cToken>("cToken", tokNone));
  bool result = true;
  try {
    expansionCount = 0;
    includeCount = 0;
    // The main pass starts under the name the parse started with, whatever
    // "file" directive the pre-pass met last.
    const std::optional<std::string> startName = sourceName;
    prePass = true;
    while (GetToken() != tokEndOfFile) {
    }
    prePass = false;
    expansionCount = 0;
    sourceName = startName;
    Rewind();
    GetToken();
    if (callback) callback(this, context);
  } catch (CompilerError* error) {
    result = false;
    prePass = false;
    const char* message = error->GetMessage();
    if (error->code == errNoCode)
      Message(nullptr, "%s\n", message ? message : "");
    else
      Message(nullptr, "Error %i occured%s%s\n", error->code, message ? ": " : "!",
              message ? message : "");
    delete error;
  }
  token.reset();
  return result;
}

void cParserT::Expect(std::int32_t code) {
  Check(code);
  GetToken();
}

void cParserT::Check(std::int32_t code) {
  if (!open) return;
  const std::int32_t found = token ? token->code : tokNone;
  if (code == tokFloat && found == tokNumber) {
    // A callback that asks for a Float accepts an integer literal.
    auto* number = dynamic_cast<cNumberToken*>(token.get());
    float value = number ? static_cast<float>(number->value) : 0.0f;
    cFloatToken* converted = NewOrThrow<cFloatToken>("cFloatToken", value);
    token.reset(converted);
    return;
  }
  if (found != code)
    Error(errExpected, "%s expected, but found %s!", cToken::GetTypeName(code),
          cToken::GetTypeName(found));
}

}  // namespace VOXA2
