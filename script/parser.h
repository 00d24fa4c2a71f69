// The parser that reads every text file of the player: a source reader that
// edits its text in place (cParserR), the tokenizer and preprocessor
// (cParserT), and cParser, the class that loaders instantiate.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/basis.h"
#include "foundation/errors.h"
#include "script/symbols.h"
#include "script/tokens.h"

class TStream;

namespace VOXA2 {

// Parse error codes of the parser itself; loaders use 100 and up, or -1.
enum : std::int32_t {
  errNoCode = -1,
  errExpected = 2,
  errBadCharacter = 3,
  errMacroParameterTooLong = 4,
  errUnknownDirective = 5,
  errIncludeNotFound = 6,
  errDefinition = 7,
  errIncludeNesting = 8,
  errIdentifierExpected = 9,
  errUnterminatedString = 10,
  errParenthesisExpected = 30,
  errMacroParameterCount = 51,
  errMacroExpansionTooLong = 52,
  errExpansionNesting = 53,
  errTooManyExpansions = 54,
  errSourceTooLarge = 55,
  errExpressionExpected = 200,
  errDivisionByZero = 201,
};

class cParserR : public virtual basis::basisObject {
 public:
  // A parse error: thrown by pointer, caught by pointer, deleted by the catcher.
  class CompilerError : public virtual basis::basisObject {
   public:
    explicit CompilerError(std::int32_t c) : code(c) {}
    ~CompilerError() override = default;
    // The message, or null when the error has none.
    virtual const char* GetMessage() const { return nullptr; }

    std::int32_t code;
  };

  class ErrorMessage : public CompilerError {
   public:
    ErrorMessage(std::int32_t c, std::string m) : CompilerError(c), message(std::move(m)) {}
    ~ErrorMessage() override = default;
    const char* GetMessage() const override { return message.c_str(); }

    std::string message;
  };

  // The largest text a parser holds, expansions and includes included.
  static constexpr std::int32_t kMaxSourceLength = 128 << 20;

  cParserR() = default;
  ~cParserR() override;
  cParserR(const cParserR&) = delete;
  cParserR& operator=(const cParserR&) = delete;

  // Loads the whole stream as the source; the caller keeps the stream.
  bool LoadStream(TStream* stream);
  // Loads a copy of the bytes as the source (what LoadStream does once it has read them).
  bool LoadBytes(const char* data, std::int32_t size);

  virtual void FreeSource();
  // Steps to the next character and returns it; 0 when nothing can be read.
  virtual int NextChar();

  void Rewind();
  int PeekChar() const;
  int PeekBackChar() const;
  void SkipWhiteSpace();

  // count characters from offset ("" when nothing is open or count < 0).
  std::string Extract(std::int32_t offset, std::int32_t count) const;
  void DeleteText(std::int32_t offset, std::int32_t count);
  // Start of the new room (filled with blanks), or null when count < 1.
  char* MakeRoom(std::int32_t offset, std::int32_t count);
  void InsertText(std::int32_t offset, const char* text);

  void SetSourceName(const char* name);
  const char* GetSourceName() const { return sourceName ? sourceName->c_str() : nullptr; }

  // One line at the current place; without a prefix it says why a parse
  // failed and is kept as a failure line of the run.
  void Message(const char* prefix, const char* format, ...) VOXA_PRINTF(3, 4);
  void Warning(const char* format, ...) VOXA_PRINTF(2, 3);
  // Raises a parse error with the code (a CompilerError without a format); does
  // nothing while no source is open.
  void Error(std::int32_t code, const char* format = nullptr, ...) VOXA_PRINTF(3, 4);

  // Offset of the current character in the buffer.
  std::int32_t Position() const { return position; }
  const char* Text() const { return buffer.empty() ? nullptr : buffer.data(); }

  std::int32_t length = 0;
  // Steps still possible; 0 when the current character is the terminating NUL.
  std::int32_t remaining = 0;
  unsigned char current = 0;
  std::int32_t line = 0;
  std::int32_t column = 0;
  bool open = false;

 protected:
  // Text inserted by an expansion or an include, up to (not including) end,
  // with the nesting it was made at. Spans nest: each lies inside the one below.
  struct tSpan {
    std::int32_t end;
    std::int32_t includeDepth;
    std::int32_t expansionDepth;
  };

  void Reread();
  // The span that holds offset (depth 0 when none); drops spans read past.
  tSpan SpanAt(std::int32_t offset);
  void PushSpan(std::int32_t start, std::int32_t count, tSpan depths);

  std::vector<char> buffer;
  std::int32_t position = 0;
  std::optional<std::string> sourceName;
  std::vector<tSpan> spans;

 private:
  void Advance();
};

class cParserT : public cParserR {
 public:
  using ParseCallback = void (*)(cParserT* parser, void* context);

  // Limits that keep self-referencing defines and files from running away.
  static constexpr std::int32_t kMaxExpansionDepth = 64;
  static constexpr std::int32_t kMaxExpansions = 1000000;
  static constexpr std::int32_t kMaxIncludeDepth = 16;
  static constexpr std::int32_t kMaxIncludes = 1024;
  static constexpr std::int32_t kMacroArgumentArea = 256;
  static constexpr std::int32_t kMacroExpandArea = 4096;
  static constexpr std::int32_t kMaxExpressionDepth = 256;

  cParserT() = default;
  ~cParserT() override;

  void FreeSource() override;
  int NextChar() override;
  // The same step, but a line comment ends it on its line break, which stays.
  int StepInLine();

  std::int32_t GetToken();

  cData* FindSymbol(const char* name) const;
  void Define(std::unique_ptr<cData> entry);
  void Redefine(std::unique_ptr<cData> entry);
  void Undefine(const char* name);
  void ClearSymbols();

  bool ParseFile(const char* fileName, ParseCallback callback, void* context);
  bool ParseStream(TStream* stream, ParseCallback callback, void* context);
  bool Run(ParseCallback callback, void* context);
  void Expect(std::int32_t code);
  void Check(std::int32_t code);

  float ParseFloatExpression();
  std::int32_t ParseIntExpression();

  std::vector<std::unique_ptr<cData>> symbols;
  bool prePass = false;
  std::unique_ptr<cToken> token;

 protected:
  void Preprocess();

 private:
  // Tokenizer.
  // Drops the comments that start at the current character; with keepLineBreak
  // a line comment leaves the reader on its line break.
  int DropComments(bool keepLineBreak);
  bool ReadIdentifier();
  void ExpandMacro(cMacro* macro, std::int32_t nameOffset, std::int32_t nameLine,
                   std::int32_t nameColumn, tSpan depth);
  void ReadString();
  void StepInToken();
  void EndToken();
  void ReadHexNumber();
  void ReadDecimalNumber();
  // Refuses an expansion of name that would nest too deeply or run away.
  void CheckExpansion(const std::string& name, tSpan depth);
  // Inserts text at the position as an expansion nested one deeper than depth.
  void InsertExpansion(const char* text, tSpan depth);
  void CheckRoom(std::size_t count);

  // Preprocessor.
  void SkipToEndOfLine();
  std::string ReadIdentifierRun(bool inLine = false);
  void DirectiveInclude(std::int32_t directiveOffset);
  void DirectiveFile();
  void DirectiveDebug();
  void DirectiveDefine(bool big, bool redefine);
  void DirectiveUndef();
  std::string ReadDefineLine();

  // Expressions.
  float FloatSum(int depth);
  float FloatProduct(int depth);
  float FloatPower(int depth);
  float FloatPrimary(int depth);
  std::int32_t IntComparison(int depth);
  std::int32_t IntSum(int depth);
  std::int32_t IntProduct(int depth);
  std::int32_t IntPower(int depth);
  std::int32_t IntShift(int depth);
  std::int32_t IntBitOr(int depth);
  std::int32_t IntBitAnd(int depth);
  std::int32_t IntPrimary(int depth);
  void CheckExpressionDepth(int depth);

  std::int32_t expansionCount = 0;
  std::int32_t includeCount = 0;
};

class cParser : public cParserT {
 public:
  cParser() = default;
  ~cParser() override = default;
};

// Character classes of the script language (plain ASCII; bytes 0x80-0xFF are
// letters only where identifiers are read).
inline bool IsWhiteSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool IsDigit(int c) { return c >= '0' && c <= '9'; }
inline bool IsLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool IsIdentStart(int c) { return IsLetter(c) || c == '_' || c >= 0x80; }
inline bool IsIdentChar(int c) { return IsIdentStart(c) || IsDigit(c); }
inline bool IsLineBreak(int c) { return c == '\r' || c == '\n'; }

}  // namespace VOXA2
