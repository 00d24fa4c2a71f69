#include <cstring>
#include <new>

#include "foundation/allocate.h"
#include "foundation/archive.h"
#include "foundation/stream.h"
#include "script/parser.h"
#include "windxkernel/debuglog.h"

namespace VOXA2 {

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::errors::eOutOfMemory;
using VOXA::errors::NewOrThrow;

namespace {

bool IsIncludeNameChar(int c) {
  return IsLetter(c) || IsDigit(c) || c == '_' || c >= 0x80 || c == '\\' || c == '.' || c == ':' ||
         c == '-' || c == '(' || c == ')';
}

// The define's copies of names and values; their failure has its own message.
std::string DuplicateDefineText(const std::string& text) {
  try {
    return text;
  } catch (const std::bad_alloc&) {
    throw new eOutOfMemory("Could not allocate memory to duplicate duplicate string");
  }
}

}  // namespace

cData* cParserT::FindSymbol(const char* name) const {
  if (!name) return nullptr;
  for (const auto& entry : symbols)
    if (entry->name == name) return entry.get();
  return nullptr;
}

void cParserT::Define(std::unique_ptr<cData> entry) {
  if (!entry) return;
  if (FindSymbol(entry->name.c_str())) {
    Error(errDefinition, "%s was already defined!",
          entry->name.empty() ? "<noname>" : entry->name.c_str());
    return;
  }
  try {
    symbols.push_back(std::move(entry));
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("defines list!");
  }
}

void cParserT::Redefine(std::unique_ptr<cData> entry) {
  if (!entry) return;
  for (auto& slot : symbols) {
    if (slot->name == entry->name) {
      slot = std::move(entry);
      return;
    }
  }
  Define(std::move(entry));
}

void cParserT::Undefine(const char* name) {
  if (!open) return;
  for (auto it = symbols.begin(); it != symbols.end(); ++it) {
    if (name && (*it)->name == name) {
      symbols.erase(it);
      return;
    }
  }
  Error(errDefinition, "%s was not defined!", name && *name ? name : "<noname>");
}

void cParserT::ClearSymbols() { std::vector<std::unique_ptr<cData>>().swap(symbols); }

// A comment is dropped whole, so a block comment may carry the line on past a
// line break; a line comment ends at the line break, which stays for the next line.
void cParserT::SkipToEndOfLine() {
  DropComments(true);
  while (remaining > 0 && !IsLineBreak(current)) StepInLine();
}

// A name is one unbroken run of characters: a comment right after it ends it
// (a/**/b is two names) and is dropped by the step behind the name; with
// inLine that step stops on the line break that ends a line comment.
std::string cParserT::ReadIdentifierRun(bool inLine) {
  std::string name;
  while (remaining > 0 && IsIdentChar(current)) {
    name.push_back(static_cast<char>(current));
    const bool more = IsIdentChar(PeekChar());
    if (!more) {
      if (inLine)
        StepInLine();
      else
        NextChar();
      break;
    }
    NextChar();
  }
  return name;
}

void cParserT::Preprocess() {
  for (;;) {
    SkipWhiteSpace();
    if (current != '#' || remaining <= 0) return;
    const std::int32_t directiveOffset = position;
    NextChar();
    std::string word = ReadIdentifierRun(true);
    if (word == "include") {
      DirectiveInclude(directiveOffset);
    } else if (word == "file") {
      DirectiveFile();
    } else if (prePass) {
      SkipToEndOfLine();
    } else if (word == "debug") {
      DirectiveDebug();
    } else if (word == "define") {
      DirectiveDefine(false, false);
    } else if (word == "bigdefine") {
      DirectiveDefine(true, false);
    } else if (word == "redefine") {
      DirectiveDefine(false, true);
    } else if (word == "undef") {
      DirectiveUndef();
    } else {
      Error(errUnknownDirective, "Unknown meta directive: \"%s\"!", word.c_str());
      return;
    }
  }
}

void cParserT::DirectiveInclude(std::int32_t directiveOffset) {
  const std::int32_t directiveLine = line;
  SkipWhiteSpace();
  std::string name;
  while (remaining > 0 && IsIncludeNameChar(current)) {
    name.push_back(static_cast<char>(current));
    cParserR::NextChar();
  }
  SkipToEndOfLine();
  // A block comment may have carried the directive over line breaks.
  const std::int32_t endLine = line;
  tSpan depth = SpanAt(directiveOffset);
  DeleteText(directiveOffset, position - directiveOffset);

  // A file that includes itself would grow the text without end.
  if (depth.includeDepth >= kMaxIncludeDepth || includeCount >= kMaxIncludes) {
    line = directiveLine;
    Error(errIncludeNesting, "Include files nested too deeply (%s)!", name.c_str());
  }
  includeCount += 1;

  const std::string returnLine = "\n#file " + std::string(sourceName ? *sourceName : "noname") +
                                 " " + std::to_string(endLine + 1);
  CheckRoom(returnLine.size());
  const std::int32_t start = position;
  InsertText(start, returnLine.c_str());

  std::unique_ptr<TStream> stream = OpenFile(name.c_str(), 0);
  line = directiveLine;
  if (!stream) Error(errIncludeNotFound, "Could not open include file (%s)!", name.c_str());

  std::int32_t size = stream->Size();
  if (size < 0) size = 0;
  CheckRoom(static_cast<std::size_t>(size));
  std::vector<char> data;
  try {
    data.resize(static_cast<std::size_t>(size) + 1);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("include data buffer");
  }
  std::int32_t got = size > 0 ? stream->Read(data.data(), 1, size) : 0;
  if (got < 0) got = 0;
  data[static_cast<std::size_t>(got)] = 0;
  stream.reset();

  InsertText(start, data.data());
  const std::int32_t textLength = static_cast<std::int32_t>(std::strlen(data.data()));
  const std::string entryLine = "#file " + name + " 1\n";
  CheckRoom(entryLine.size());
  InsertText(start, entryLine.c_str());
  depth.includeDepth += 1;
  PushSpan(start, static_cast<std::int32_t>(entryLine.size()) + textLength, depth);
  SetSourceName(name.c_str());
}

void cParserT::DirectiveFile() {
  SkipWhiteSpace();
  // The name stops at any white space, so a "#file" line without a number
  // cannot swallow the next line.
  std::string name;
  while (remaining > 0 && !IsWhiteSpace(current)) {
    name.push_back(static_cast<char>(current));
    cParserR::NextChar();
  }
  while (remaining > 0 && IsWhiteSpace(current) && !IsLineBreak(current)) cParserR::NextChar();
  // Kept far below the largest line number, so that counting on cannot overflow.
  std::int32_t number = 0;
  while (remaining > 0 && IsDigit(current)) {
    if (number < 100000000) number = number * 10 + (current - '0');
    cParserR::NextChar();
  }
  SkipToEndOfLine();
  SetSourceName(name.c_str());
  // Stepping over the line break that ends the directive counts one line.
  line = number - 1;
}

void cParserT::DirectiveDebug() {
  const std::int32_t debugLine = line;
  const std::int32_t debugColumn = column;
  SkipWhiteSpace();
  std::string text;
  while (remaining > 0 && !IsLineBreak(current)) {
    text.push_back(static_cast<char>(current));
    cParserR::NextChar();
  }
  LogMessage(5, "%s(%i,%i) Debug message: %s", sourceName ? sourceName->c_str() : "<unknown>",
             debugLine, debugColumn, text.c_str());
}

// One line of a definition's body, with the character that ends it; a comment
// at the end is dropped with its line break.
std::string cParserT::ReadDefineLine() {
  std::string text;
  const std::int32_t startLine = line;
  bool inString = false;
  while (line == startLine && remaining > 0) {
    if (current == '"' && PeekBackChar() != '\\') inString = !inString;
    text.push_back(static_cast<char>(current));
    if (inString)
      cParserR::NextChar();
    else
      NextChar();
  }
  return text;
}

void cParserT::DirectiveDefine(bool big, bool redefine) {
  SkipWhiteSpace();
  if (!IsIdentStart(current) || remaining <= 0)
    Error(errIdentifierExpected, "Identifier expected!");
  std::string name = ReadIdentifierRun();

  std::unique_ptr<cMacro> macro;
  if (current == '(') {
    macro.reset(NewOrThrow<cMacro>("cMacro", DuplicateDefineText(name)));
    for (;;) {
      NextChar();
      SkipWhiteSpace();
      std::string parameter = ReadIdentifierRun();
      try {
        macro->parameters.push_back(std::move(parameter));
      } catch (const std::bad_alloc&) {
        throw new eCouldNotAllocateMemoryFor("macro variable list!");
      }
      SkipWhiteSpace();
      if (current == ',' && remaining > 0) continue;
      if (current == ')' && remaining > 0) break;
      Error(errParenthesisExpected, "\")\" expected!");
    }
    NextChar();
  }

  SkipWhiteSpace();
  std::string body;
  try {
    body = ReadDefineLine();
    while (big && remaining > 0) {
      SkipWhiteSpace();
      if (current == '#' && remaining > 0) {
        if (macro) {
          // After a macro the terminating line is used up, whatever it holds.
          while (remaining > 0 && !IsLineBreak(current)) cParserR::NextChar();
          cParserR::NextChar();
        }
        break;
      }
      body += ReadDefineLine();
    }
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("buffer!");
  }

  std::unique_ptr<cData> entry;
  if (macro) {
    macro->body = std::move(body);
    entry = std::move(macro);
  } else {
    entry.reset(
        NewOrThrow<cDefine>("cDefine", DuplicateDefineText(name), DuplicateDefineText(body)));
  }
  if (redefine)
    Redefine(std::move(entry));
  else
    Define(std::move(entry));
}

void cParserT::DirectiveUndef() {
  SkipWhiteSpace();
  if (!IsIdentStart(current) || remaining <= 0)
    Error(errIdentifierExpected, "Identifier expected!");
  std::string name = ReadIdentifierRun(true);
  Undefine(name.c_str());
  SkipToEndOfLine();
}

}  // namespace VOXA2
