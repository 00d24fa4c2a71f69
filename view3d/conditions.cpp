#include "view3d/conditions.h"

#include "demo/block.h"
#include "threedee/scene/interpolatedvalues.h"
#include "threedee/scene/interpolator.h"
#include "windxkernel/debuglog.h"

namespace VOXA2 {

namespace {

using Element = std::unique_ptr<cVOXA3Dconditional_element>;

const tSymbolicName kTruth[] = {{0, tokFalse, nullptr}, {1, tokTrue, nullptr}};
const tSymbolicSplineDef kTruthTable = {2, kTruth};

template <class Node>
std::unique_ptr<Node> NewNode(const char* className) {
  return std::unique_ptr<Node>(VOXA::errors::NewOrThrow<Node>(className));
}

// Left-grouped chains of one operator over the next tighter level.
template <class Node, class Next>
Element ParseChain(cParserT* parser, std::int32_t op, const char* className, Next&& next) {
  Element left = next();
  while (left && parser->token->code == op) {
    parser->GetToken();
    auto node = NewNode<Node>(className);
    node->left = std::move(left);
    node->right = next();
    if (!node->right) return nullptr;
    left = std::move(node);
  }
  return left;
}

}  // namespace

bool cVOXA3Dconditional_value::Evaluate(float, float sinceStart, float, bool* result) {
  if (!track) return false;
  track->Evaluate(sinceStart);
  *result = track->value != 0;
  return true;
}

bool cVOXA3Dconditional_command::Evaluate(float time, float sinceStart, float fraction,
                                          bool* result) {
  return command && command->Execute(time, sinceStart, fraction, result);
}

bool cVOXA3Dconditional_binary::Evaluate(float time, float sinceStart, float fraction,
                                         bool* result) {
  bool l = *result, r = *result;
  if (!left->Evaluate(time, sinceStart, fraction, &l)) return false;
  if (!right->Evaluate(time, sinceStart, fraction, &r)) return false;
  *result = Combine(l, r);
  return true;
}

bool cVOXA3Dconditional_not::Evaluate(float time, float sinceStart, float fraction, bool* result) {
  if (!operand->Evaluate(time, sinceStart, fraction, result)) return false;
  *result = !*result;
  return true;
}

cVOXA3Dconditional::~cVOXA3Dconditional() {
  for (auto& path : pathCommands)
    for (cVOXA3Dcommand* command : path) delete command;
}

bool cVOXA3Dconditional::Parse(cParserT* parser) {
  condition = ParseOr(parser);
  if (!condition) return false;
  if (!ParseBody(parser, 1)) return false;
  if (IsExactWord(parser, "else")) {
    parser->GetToken();
    if (!ParseBody(parser, 0)) return false;
  }
  return true;
}

bool cVOXA3Dconditional::ParseBody(cParserT* parser, int path) {
  // A "use" in the body names the animation for the rest of the body only.
  threedee::c3Dscene* animation = owner->currentAnimation;
  if (parser->token->code == tokOpenBrace) {
    parser->GetToken();
    while (parser->token->code != tokCloseBrace)
      if (!ParseCommand(parser, path)) return false;
    parser->Expect(tokCloseBrace);
  } else if (!ParseCommand(parser, path)) {
    return false;
  }
  owner->currentAnimation = animation;
  return true;
}

bool cVOXA3Dconditional::ParseCommand(cParserT* parser, int path) {
  if (parser->token->code == tokSemicolon) {
    parser->GetToken();
    return true;
  }
  std::unique_ptr<cVOXA3Dcommand> command(ReadSubCommand(owner, parser));
  if (!command || !command->Parse(parser)) return false;
  tracks::AppendKey(pathCommands[path], command.get(), "command list!");
  command.release();
  return true;
}

Element cVOXA3Dconditional::ParseOr(cParserT* parser) {
  return ParseChain<cVOXA3Dconditional_or>(parser, tokBar, "cVOXA3Dconditional_or",
                                           [&] { return ParseXor(parser); });
}

Element cVOXA3Dconditional::ParseXor(cParserT* parser) {
  return ParseChain<cVOXA3Dconditional_xor>(parser, tokCaret, "cVOXA3Dconditional_xor",
                                            [&] { return ParseAnd(parser); });
}

Element cVOXA3Dconditional::ParseAnd(cParserT* parser) {
  return ParseChain<cVOXA3Dconditional_and>(parser, tokAmpersand, "cVOXA3Dconditional_and",
                                            [&] { return ParsePrimary(parser); });
}

Element cVOXA3Dconditional::ParsePrimary(cParserT* parser) {
  const std::int32_t code = parser->token->code;
  if (code == tokExclamation) {
    parser->GetToken();
    auto node = NewNode<cVOXA3Dconditional_not>("cVOXA3Dconditional_not");
    node->operand = ParseOr(parser);
    if (!node->operand) return nullptr;
    return node;
  }
  if (code == tokOpenParen) {
    parser->GetToken();
    Element inner = ParseOr(parser);
    if (!inner) return nullptr;
    parser->Expect(tokCloseParen);
    return inner;
  }
  if (code == tokIdentifier || Find3DCommandByToken(code, nullptr)) {
    auto node = NewNode<cVOXA3Dconditional_command>("cVOXA3Dconditional_command");
    node->command.reset(ReadSubCommand(owner, parser));
    // An operand that refuses its arguments would be an empty operand.
    if (!node->command || !node->command->Parse(parser)) return nullptr;
    return node;
  }
  auto node = NewNode<cVOXA3Dconditional_value>("cVOXA3Dconditional_value");
  node->track.reset(ParseSymbolicInterpolator(parser, &kTruthTable, owner->length));
  if (!node->track) return nullptr;
  return node;
}

bool cVOXA3Dconditional::Execute(float time, float sinceStart, float fraction, bool* result) {
  *result = true;
  if (!condition || !condition->Evaluate(time, sinceStart, fraction, result)) return false;
  *result = Test(*result);
  const int path = *result ? 1 : 0;
  threedee::c3Dscene* animation = owner->currentAnimation;
  const auto& commands = pathCommands[path];
  for (std::size_t i = 0; i < commands.size(); i++)
    if (!commands[i]->Execute(time, sinceStart, fraction, result)) {
      LogMessage(5, "view3D condition (%s path) #%i failed (result is %s)!",
                 path ? "first" : "second/alternative", static_cast<int>(i),
                 *result ? "true" : "false");
      return false;
    }
  owner->currentAnimation = animation;
  return true;
}

}  // namespace VOXA2
