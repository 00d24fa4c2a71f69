#include "tests/threedee/scene/parse_support.h"

#include <gtest/gtest.h>

namespace parsetest {
namespace {

struct Context {
  const std::function<void(VOXA2::cParserT*)>* op;
  Result* out;
};

void RunOp(VOXA2::cParserT* parser, void* data) {
  auto* context = static_cast<Context*>(data);
  try {
    (*context->op)(parser);
    context->out->next = parser->token->code;
  } catch (VOXA2::cParserR::CompilerError* error) {
    context->out->code = error->code;
    context->out->message = error->GetMessage() ? error->GetMessage() : "";
    context->out->line = parser->line;
    context->out->column = parser->column;
    throw;
  }
}

}  // namespace

Result Run(const std::string& text, const std::function<void(VOXA2::cParserT*)>& op) {
  Result out;
  VOXA2::cParser parser;
  parser.SetSourceName("values.txt");
  EXPECT_TRUE(parser.LoadBytes(text.data(), static_cast<std::int32_t>(text.size())));
  Context context{&op, &out};
  out.ok = parser.Run(RunOp, &context);
  return out;
}

}  // namespace parsetest
