// Runs a reading function on a text through the real tokenizer and parser, and
// tells how the parse ended: the token left current, or the error raised with
// its code, message and position. Header only: the script library is linked
// by the tests that use it, not by the support library.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "script/parser.h"

namespace testsupport {

struct ScriptRead {
  bool ok = false;
  std::int32_t next = VOXA2::tokNone;  // the token the reading left current
  std::int32_t code = 0;
  std::string message;
  std::int32_t line = 0, column = 0;
};

inline ScriptRead ReadScript(const std::string& text, const char* sourceName,
                             const std::function<void(VOXA2::cParserT*)>& read) {
  struct Context {
    const std::function<void(VOXA2::cParserT*)>* read;
    ScriptRead* out;
  };
  ScriptRead out;
  VOXA2::cParser parser;
  parser.SetSourceName(sourceName);
  EXPECT_TRUE(parser.LoadBytes(text.data(), static_cast<std::int32_t>(text.size())));
  Context context{&read, &out};
  out.ok = parser.Run(
      [](VOXA2::cParserT* p, void* data) {
        auto* c = static_cast<Context*>(data);
        try {
          (*c->read)(p);
          c->out->next = p->token->code;
        } catch (VOXA2::cParserR::CompilerError* error) {
          c->out->code = error->code;
          c->out->message = error->GetMessage() ? error->GetMessage() : "";
          c->out->line = p->line;
          c->out->column = p->column;
          throw;
        }
      },
      &context);
  return out;
}

// The error a reading must raise, and where.
struct RaisedError {
  std::int32_t code;
  const char* message;
  std::int32_t line, column;
};

inline void ExpectRaised(const ScriptRead& out, const RaisedError& raised) {
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.code, raised.code);
  EXPECT_EQ(out.message, raised.message);
  EXPECT_EQ(out.line, raised.line);
  EXPECT_EQ(out.column, raised.column);
}

}  // namespace testsupport
