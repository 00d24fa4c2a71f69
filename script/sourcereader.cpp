#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "foundation/allocate.h"
#include "script/parser.h"
#include "windxkernel/debuglog.h"

namespace VOXA2 {

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::errors::eOutOfMemory;
using VOXA::errors::NewOrThrow;

namespace {

// Messages are formatted into a 256-character area; longer texts are cut.
constexpr std::size_t kMessageArea = 256;

void ResizeBuffer(std::vector<char>& buffer, std::size_t size, const char* what) {
  try {
    buffer.resize(size);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor(what);
  }
}

}  // namespace

cContainer::~cContainer() {
  if (owns) std::free(object);
}

cParserR::~cParserR() {
  // The virtual call reaches only this class from a destructor; cParserT
  // clears its own part in its destructor.
  cParserR::FreeSource();
}

bool cParserR::LoadBytes(const char* data, std::int32_t size) {
  FreeSource();
  if (size < 0) return false;
  if (size > kMaxSourceLength) {
    LogMessage(5, "%s: source too large (%i bytes)!",
               sourceName ? sourceName->c_str() : "<unknown>", size);
    return false;
  }
  ResizeBuffer(buffer, static_cast<std::size_t>(size) + 1, "buffer!");
  if (size > 0) std::memcpy(buffer.data(), data, static_cast<std::size_t>(size));
  buffer[static_cast<std::size_t>(size)] = 0;
  length = size;
  open = true;
  Rewind();
  return true;
}

void cParserR::FreeSource() {
  std::vector<char>().swap(buffer);
  position = 0;
  length = 0;
  remaining = 0;
  current = 0;
  column = 0;
  line = 0;
  open = false;
  spans.clear();
}

void cParserR::Advance() {
  remaining -= 1;
  position += 1;
  current = static_cast<unsigned char>(buffer[static_cast<std::size_t>(position)]);
  if (current == '\t')
    column += 8 - (column % 8);
  else
    column += 1;
}

int cParserR::NextChar() {
  if (!open || remaining <= 0) return 0;
  if (IsLineBreak(current)) {
    // A CR LF or LF CR pair is one line break.
    int next = static_cast<unsigned char>(buffer[static_cast<std::size_t>(position + 1)]);
    if (remaining > 1 && IsLineBreak(next) && next != current) Advance();
    line += 1;
    column = 0;
  }
  Advance();
  return current;
}

void cParserR::Reread() {
  column -= 1;
  position -= 1;
  remaining += 1;
  NextChar();
}

void cParserR::Rewind() {
  if (!open) return;
  line = 1;
  column = 1;
  position = 0;
  remaining = length;
  // No character lies before the first one, so nothing stale may count as a
  // line break on the step back onto it.
  current = 0;
  spans.clear();
  Reread();
}

int cParserR::PeekChar() const {
  if (remaining <= 0) return 0;
  return static_cast<unsigned char>(buffer[static_cast<std::size_t>(position + 1)]);
}

int cParserR::PeekBackChar() const {
  if (position <= 0 || buffer.empty()) return 0;
  return static_cast<unsigned char>(buffer[static_cast<std::size_t>(position - 1)]);
}

void cParserR::SkipWhiteSpace() {
  while (open && IsWhiteSpace(current) && remaining > 0) NextChar();
}

std::string cParserR::Extract(std::int32_t offset, std::int32_t count) const {
  if (!open || offset < 0 || offset > length) return std::string();
  if (count > length - offset) count = length - offset;
  if (count < 0) return std::string();
  try {
    return std::string(buffer.data() + offset, static_cast<std::size_t>(count));
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("extraction string!");
  }
}

void cParserR::DeleteText(std::int32_t offset, std::int32_t count) {
  if (!open || count <= 0 || offset < 0 || offset >= length) return;
  if (count > length - offset) count = length - offset;
  if (position >= offset + count)
    position -= count;
  else if (position > offset)
    position = offset;
  for (tSpan& span : spans) {
    if (span.end >= offset + count)
      span.end -= count;
    else if (span.end > offset)
      span.end = offset;
  }
  char* data = buffer.data();
  std::memmove(data + offset, data + offset + count,
               static_cast<std::size_t>(length - offset - count));
  length -= count;
  data[length] = 0;
  remaining = length - position;
  Reread();
}

char* cParserR::MakeRoom(std::int32_t offset, std::int32_t count) {
  if (!open || count <= 0 || offset < 0 || offset > length) return nullptr;
  ResizeBuffer(buffer, static_cast<std::size_t>(length) + static_cast<std::size_t>(count) + 1,
               "parser data buffer");
  if (position > offset) position += count;
  for (tSpan& span : spans)
    if (span.end > offset) span.end += count;
  char* data = buffer.data();
  std::memmove(data + offset + count, data + offset, static_cast<std::size_t>(length - offset));
  std::memset(data + offset, ' ', static_cast<std::size_t>(count));
  length += count;
  data[length] = 0;
  current = ' ';
  remaining = length - position;
  return data + offset;
}

void cParserR::InsertText(std::int32_t offset, const char* text) {
  if (!open || !text) return;
  std::size_t count = std::strlen(text);
  if (count > static_cast<std::size_t>(kMaxSourceLength))
    throw new eCouldNotAllocateMemoryFor("parser data buffer");
  char* room = MakeRoom(offset, static_cast<std::int32_t>(count));
  if (room) std::memcpy(room, text, count);
  Reread();
}

cParserR::tSpan cParserR::SpanAt(std::int32_t offset) {
  while (!spans.empty() && spans.back().end <= offset) spans.pop_back();
  if (spans.empty()) return tSpan{0, 0, 0};
  return spans.back();
}

void cParserR::PushSpan(std::int32_t start, std::int32_t count, tSpan depths) {
  while (!spans.empty() && spans.back().end <= start) spans.pop_back();
  depths.end = start + count;
  spans.push_back(depths);
}

void cParserR::SetSourceName(const char* name) {
  if (!name) {
    sourceName.reset();
    return;
  }
  try {
    sourceName = std::string(name);
  } catch (const std::bad_alloc&) {
    throw new eOutOfMemory("Could not allocate memory to duplicate string!");
  }
}

void cParserR::Message(const char* prefix, const char* format, ...) {
  if (!open) return;
  char text[kMessageArea];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format ? format : "", args);
  va_end(args);
  const char* name = sourceName ? sourceName->c_str() : "<unknown>";
  if (prefix)
    LogMessage(5, "%s(%i,%i) %s: %s", name, line, column, prefix, text);
  else
    LogFailure("%s(%i,%i) %s", name, line, column, text);
}

void cParserR::Warning(const char* format, ...) {
  if (!open) return;
  char text[kMessageArea];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format ? format : "", args);
  va_end(args);
  Message("Warning", "%s", text);
}

void cParserR::Error(std::int32_t code, const char* format, ...) {
  if (!open) return;
  CompilerError* error = nullptr;
  if (format) {
    char text[kMessageArea];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::string message;
    try {
      message = text;
    } catch (const std::bad_alloc&) {
      throw new eOutOfMemory("Could not allocate memory to duplicate string!");
    }
    error = NewOrThrow<ErrorMessage>("ErrorMessage", code, std::move(message));
  } else {
    error = NewOrThrow<CompilerError>("CompilerError", code);
  }
  throw error;
}

}  // namespace VOXA2
