#include <cmath>
#include <cstring>
#include <new>

#include "foundation/allocate.h"
#include "script/parser.h"

namespace VOXA2 {

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::errors::NewOrThrow;

namespace {

bool IsOctalDigit(int c) { return c >= '0' && c <= '7'; }

int HexValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

template <typename T, typename... Args>
std::unique_ptr<cToken> MakeToken(Args&&... args) {
  return std::unique_ptr<cToken>(NewOrThrow<T>("cToken", std::forward<Args>(args)...));
}

}  // namespace

cParserT::~cParserT() {
  token.reset();
  ClearSymbols();
}

void cParserT::FreeSource() {
  token.reset();
  cParserR::FreeSource();
  ClearSymbols();
}

int cParserT::NextChar() {
  if (!open || remaining <= 0) return 0;
  cParserR::NextChar();
  return DropComments(false);
}

int cParserT::StepInLine() {
  if (!open || remaining <= 0) return 0;
  cParserR::NextChar();
  return DropComments(true);
}

int cParserT::DropComments(bool keepLineBreak) {
  for (;;) {
    if (remaining <= 0) return 0;
    if (current == '/' && PeekChar() == '/') {
      while (!IsLineBreak(current) && remaining > 0) cParserR::NextChar();
      if (keepLineBreak || remaining <= 0) return remaining > 0 ? current : 0;
      cParserR::NextChar();
      continue;
    }
    if (current == '/' && PeekChar() == '*') {
      // The search starts at the star of the opening pair, so "/*/" is closed.
      while (!(current == '*' && PeekChar() == '/') && remaining > 0) cParserR::NextChar();
      if (remaining > 0) cParserR::NextChar();
      if (remaining <= 0) return 0;
      cParserR::NextChar();
      continue;
    }
    return current;
  }
}

void cParserT::CheckRoom(std::size_t count) {
  if (count > static_cast<std::size_t>(kMaxSourceLength - length))
    Error(errSourceTooLarge, "Source text too large!");
}

void cParserT::CheckExpansion(const std::string& name, tSpan depth) {
  if (depth.expansionDepth >= kMaxExpansionDepth)
    Error(errExpansionNesting, "Too deeply nested expansion of %s!", name.c_str());
  if (++expansionCount > kMaxExpansions) Error(errTooManyExpansions, "Too many macro expansions!");
}

void cParserT::InsertExpansion(const char* text, tSpan depth) {
  std::size_t count = std::strlen(text);
  CheckRoom(count);
  std::int32_t start = position;
  InsertText(start, text);
  depth.expansionDepth += 1;
  PushSpan(start, static_cast<std::int32_t>(count), depth);
}

std::int32_t cParserT::GetToken() {
  token.reset();
  if (!open) return tokNone;
  for (;;) {
    Preprocess();
    SkipWhiteSpace();
    const int c = current;
    if (remaining <= 0 || c == 0) {
      token = MakeToken<cToken>(tokEndOfFile);
      return token->code;
    }
    std::int32_t code = tokNone;
    switch (c) {
      case '{':
        code = tokOpenBrace;
        break;
      case '}':
        code = tokCloseBrace;
        break;
      case '(':
        code = tokOpenParen;
        break;
      case ')':
        code = tokCloseParen;
        break;
      case ';':
        code = tokSemicolon;
        break;
      case ',':
        code = tokComma;
        break;
      case ':':
        code = tokColon;
        break;
      case '\'':
        code = tokQuote;
        break;
      case '.':
        code = tokDot;
        break;
      case '+':
        code = tokPlus;
        break;
      case '-':
        code = tokMinus;
        break;
      case '/':
        code = tokSlash;
        break;
      case '?':
        code = tokQuestion;
        break;
      case '&':
        code = tokAmpersand;
        break;
      case '^':
        code = tokCaret;
        break;
      case '\\':
        code = tokBackslash;
        break;
      case '|':
        code = tokBar;
        break;
      case '*':
        if (PeekChar() == '*') {
          NextChar();
          code = tokPower;
        } else {
          code = tokStar;
        }
        break;
      // Two-character operators are read by looking ahead, so that a comment
      // between the characters ends the token like any other.
      case '=':
        code = tokAssign;
        if (PeekChar() == '=') code = tokEqual;
        if (PeekChar() == '<') code = tokLessEqual;
        if (PeekChar() == '>') code = tokGreaterEqual;
        if (code != tokAssign) NextChar();
        break;
      case '<':
        code = tokLess;
        if (PeekChar() == '<') {
          code = tokShiftLeft;
          NextChar();
        }
        break;
      case '>':
        code = tokGreater;
        if (PeekChar() == '>') {
          code = tokShiftRight;
          NextChar();
        }
        break;
      case '!':
        if (PeekChar() == '=') {
          NextChar();
          code = tokNotEqual;
        } else {
          code = tokExclamation;
        }
        break;
      case '"':
        ReadString();
        return token->code;
      case '$':
        ReadHexNumber();
        return token->code;
      default:
        if (IsIdentStart(c)) {
          if (ReadIdentifier()) return token->code;
          continue;  // a define or macro was expanded in place: read on from its text
        }
        if (IsDigit(c)) {
          ReadDecimalNumber();
          return token->code;
        }
        Error(errBadCharacter, "what's this: \"%c\" (%id, %Xh)", c, c, static_cast<unsigned>(c));
        return tokNone;
    }
    NextChar();
    token = MakeToken<cToken>(code);
    return code;
  }
}

// True when a token was made; false when a define or macro was expanded.
bool cParserT::ReadIdentifier() {
  const std::int32_t start = position;
  const std::int32_t startLine = line;
  const std::int32_t startColumn = column;
  std::string text = ReadIdentifierRun();
  cData* symbol = FindSymbol(text.c_str());
  if (symbol && symbol->kind == symDefine) {
    if (auto* define = dynamic_cast<cDefine*>(symbol)) {
      tSpan depth = SpanAt(start);
      CheckExpansion(text, depth);
      DeleteText(start, static_cast<std::int32_t>(text.size()));
      InsertExpansion(define->value.c_str(), depth);
      line = startLine;
      column = startColumn - static_cast<std::int32_t>(std::strlen(define->value.c_str()));
      return false;
    }
  }
  if (symbol && symbol->kind == symMacro) {
    if (auto* macro = dynamic_cast<cMacro*>(symbol)) {
      ExpandMacro(macro, start, startLine, startColumn, SpanAt(start));
      return false;
    }
  }
  std::int32_t code = LookupKeyword(text.c_str());
  token = MakeToken<cIdentToken>(code, std::move(text), symbol);
  return true;
}

void cParserT::ExpandMacro(cMacro* macro, std::int32_t nameOffset, std::int32_t nameLine,
                           std::int32_t nameColumn, tSpan depth) {
  CheckExpansion(macro->name, depth);
  if (current != '(') Error(errParenthesisExpected, "\"(\" expected!");
  std::vector<std::string> arguments;
  for (;;) {
    NextChar();
    SkipWhiteSpace();
    std::string argument;
    int parenDepth = 0;
    bool inString = false;
    for (;;) {
      const int c = current;
      if (c == ')') {
        if (parenDepth <= 0 && !inString) break;
        parenDepth -= 1;
      } else if (c == ',' && !inString) {
        break;
      } else if (c == '(') {
        parenDepth += 1;
      } else if (c == '"' && PeekBackChar() != '\\') {
        inString = !inString;
      }
      argument.push_back(static_cast<char>(c));
      if (argument.size() >= static_cast<std::size_t>(kMacroArgumentArea))
        Error(errMacroParameterTooLong, "Too long macro parameter!");
      if (inString)
        cParserR::NextChar();
      else
        NextChar();
    }
    // The argument is a text: it ends at its first NUL, and trailing blanks go.
    argument.resize(std::strlen(argument.c_str()));
    while (!argument.empty() && argument.back() == ' ') argument.pop_back();
    try {
      arguments.push_back(std::move(argument));
    } catch (const std::bad_alloc&) {
      throw new eCouldNotAllocateMemoryFor("variable list!");
    }
    if (current == ',') continue;
    if (current == ')') break;
    Error(errParenthesisExpected, "\")\" expected!");
  }
  NextChar();
  DeleteText(nameOffset, position - nameOffset);

  const std::string& body = macro->body;
  if (body.size() >= static_cast<std::size_t>(kMacroExpandArea))
    Error(errMacroExpansionTooLong, "Too long macro expansion!");
  if (arguments.size() != macro->parameters.size())
    Error(errMacroParameterCount, "Parameter count is not equal to definition of macro!");

  // Parameters are replaced by whole identifiers, never inside string literals,
  // and an inserted argument is not scanned again.
  const char* text = body.c_str();
  const std::size_t size = std::strlen(text);
  std::string result;
  std::size_t i = 0;
  while (i < size) {
    const int c = static_cast<unsigned char>(text[i]);
    if (IsIdentStart(c)) {
      std::size_t end = i + 1;
      while (end < size && IsIdentChar(static_cast<unsigned char>(text[end]))) end++;
      const std::size_t wordLength = end - i;
      const std::string* replacement = nullptr;
      for (std::size_t p = 0; p < macro->parameters.size(); p++) {
        const std::string& parameter = macro->parameters[p];
        if (parameter.size() == wordLength &&
            std::memcmp(parameter.data(), text + i, wordLength) == 0) {
          replacement = &arguments[p];
          break;
        }
      }
      if (replacement)
        result += *replacement;
      else
        result.append(text + i, wordLength);
      i = end;
    } else if (c == '"') {
      std::size_t end = i + 1;
      while (end < size && !(text[end] == '"' && text[end - 1] != '\\')) end++;
      if (end < size) end++;
      result.append(text + i, end - i);
      i = end;
    } else {
      result.push_back(static_cast<char>(c));
      i++;
    }
    if (result.size() >= static_cast<std::size_t>(kMacroExpandArea))
      Error(errMacroExpansionTooLong, "Too long macro expansion!");
  }

  InsertExpansion(result.c_str(), depth);
  line = nameLine;
  column = nameColumn;
}

void cParserT::ReadString() {
  std::string text;
  for (;;) {
    if (remaining <= 0) Error(errUnterminatedString, "Unterminated string!");
    cParserR::NextChar();
    if (remaining <= 0) Error(errUnterminatedString, "Unterminated string!");
    int c = current;
    if (c == '"') break;
    if (c != '\\') {
      text.push_back(static_cast<char>(c));
      continue;
    }
    cParserR::NextChar();
    if (remaining <= 0) Error(errUnterminatedString, "Unterminated string!");
    c = current;
    switch (c) {
      case 'a':
        text.push_back(7);
        break;
      case 'b':
        text.push_back(8);
        break;
      case 'f':
        text.push_back(12);
        break;
      case 'n':
        text.push_back(10);
        break;
      case 'r':
        text.push_back(13);
        break;
      case 't':
        text.push_back(9);
        break;
      case 'v':
        text.push_back(11);
        break;
      case 'x': {
        // Without a hexadecimal digit "\x" stands for x, like any other unknown escape.
        if (HexValue(PeekChar()) < 0) {
          text.push_back('x');
          break;
        }
        int value = 0;
        for (int digits = 0; digits < 2 && HexValue(PeekChar()) >= 0; digits++) {
          cParserR::NextChar();
          value = value * 16 + HexValue(current);
        }
        text.push_back(static_cast<char>(value));
        break;
      }
      default:
        if (IsOctalDigit(c)) {
          int value = c - '0';
          for (int digits = 1; digits < 3 && IsOctalDigit(PeekChar()); digits++) {
            cParserR::NextChar();
            value = value * 8 + (current - '0');
          }
          text.push_back(static_cast<char>(value & 0xFF));
        } else {
          text.push_back(static_cast<char>(c));
        }
        break;
    }
  }
  NextChar();
  // The token holds a text: an escaped NUL ends it.
  text.resize(std::strlen(text.c_str()));
  token = MakeToken<cStringToken>(std::move(text));
}

// Inside a number the reader steps over raw characters, so a comment ends the
// number; the step behind the number then drops the comment.
void cParserT::StepInToken() { cParserR::NextChar(); }

void cParserT::EndToken() {
  if (current == '/' && (PeekChar() == '/' || PeekChar() == '*')) Reread();
}

void cParserT::ReadHexNumber() {
  StepInToken();
  std::uint32_t value = 0;
  while (HexValue(current) >= 0 && remaining > 0) {
    value = value * 16 + static_cast<std::uint32_t>(HexValue(current));
    StepInToken();
  }
  EndToken();
  token = MakeToken<cNumberToken>(static_cast<std::int32_t>(value));
}

void cParserT::ReadDecimalNumber() {
  std::uint32_t integer = 0;
  while (IsDigit(current) && remaining > 0) {
    integer = integer * 10 + static_cast<std::uint32_t>(current - '0');
    StepInToken();
  }
  float value = static_cast<float>(static_cast<std::int32_t>(integer));
  bool isFloat = false;
  if (current == '.') {
    isFloat = true;
    float fraction = 0.0f;
    float divisor = 1.0f;
    StepInToken();
    while (IsDigit(current) && remaining > 0) {
      fraction = fraction * 10.0f + static_cast<float>(current - '0');
      divisor = divisor * 10.0f;
      StepInToken();
    }
    value = value + fraction / divisor;
  }
  if (current == 'E' || current == 'e') {
    isFloat = true;
    StepInToken();
    if (current == '+') StepInToken();
    bool negative = false;
    if (current == '-') {
      negative = true;
      StepInToken();
    }
    // The count saturates: beyond 38 the power is infinite anyway.
    std::int32_t exponent = 0;
    while (IsDigit(current) && remaining > 0) {
      if (exponent < 100000) exponent = exponent * 10 + (current - '0');
      StepInToken();
    }
    float power = 1.0f;
    for (std::int32_t i = 0; i < exponent && power != HUGE_VALF; i++) power = power * 10.0f;
    value = negative ? value / power : value * power;
  }
  EndToken();
  if (isFloat)
    token = MakeToken<cFloatToken>(value);
  else
    token = MakeToken<cNumberToken>(static_cast<std::int32_t>(integer));
}

}  // namespace VOXA2
