// Script snippets read through the real tokenizer and parser, with the parse
// error (code, message, position) caught.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "script/parser.h"

namespace parsetest {

struct Result {
  bool ok = false;
  std::int32_t next = VOXA2::tokNone;  // the token the parse left the parser on
  std::int32_t code = 0;
  std::string message;
  std::int32_t line = 0, column = 0;
};

// Runs op on the text as the file "values.txt".
Result Run(const std::string& text, const std::function<void(VOXA2::cParserT*)>& op);

}  // namespace parsetest
