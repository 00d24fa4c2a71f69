// "if" and "ifnot": a condition evaluated every frame chooses which of two
// bodies of sub-commands runs. The condition's leaves are truth values (or a
// track of them) and sub-commands, run as operands for their result; "&"
// binds tighter than "^", "^" tighter than "|", and "!" negates everything to
// its right within its group. Every operand runs on every evaluation.
#pragma once

#include <memory>
#include <vector>

#include "threedee/scene/steptracks.h"
#include "view3d/view3d.h"

namespace VOXA2 {

class cVOXA3Dconditional_element : public virtual basis::basisObject {
 public:
  // False when the evaluation failed; else the truth value is in *result.
  virtual bool Evaluate(float time, float sinceStart, float fraction, bool* result) = 0;
};

class cVOXA3Dconditional_value : public cVOXA3Dconditional_element {
 public:
  bool Evaluate(float time, float sinceStart, float fraction, bool* result) override;
  std::unique_ptr<cView3Di_enum> track;  // 0 false, 1 true
};

class cVOXA3Dconditional_command : public cVOXA3Dconditional_element {
 public:
  bool Evaluate(float time, float sinceStart, float fraction, bool* result) override;
  std::unique_ptr<cVOXA3Dcommand> command;
};

// "&", "|" and "^": both sides are always evaluated, left first.
class cVOXA3Dconditional_binary : public cVOXA3Dconditional_element {
 public:
  bool Evaluate(float time, float sinceStart, float fraction, bool* result) override;
  std::unique_ptr<cVOXA3Dconditional_element> left, right;

 protected:
  virtual bool Combine(bool l, bool r) const = 0;
};

class cVOXA3Dconditional_and : public cVOXA3Dconditional_binary {
 protected:
  bool Combine(bool l, bool r) const override { return l && r; }
};

class cVOXA3Dconditional_or : public cVOXA3Dconditional_binary {
 protected:
  bool Combine(bool l, bool r) const override { return l || r; }
};

class cVOXA3Dconditional_xor : public cVOXA3Dconditional_binary {
 protected:
  bool Combine(bool l, bool r) const override { return l != r; }
};

class cVOXA3Dconditional_not : public cVOXA3Dconditional_element {
 public:
  bool Evaluate(float time, float sinceStart, float fraction, bool* result) override;
  std::unique_ptr<cVOXA3Dconditional_element> operand;
};

class cVOXA3Dconditional : public cVOXA3Dcommand {
 public:
  using cVOXA3Dcommand::cVOXA3Dcommand;
  ~cVOXA3Dconditional() override;

  // The condition, the first body and, after "else", the second. An operand
  // whose sub-command refuses its arguments refuses the whole condition.
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;
  // Index 1 the first path (after the condition), 0 the "else" path.
  std::vector<cVOXA3Dcommand*> pathCommands[2];  // owned
  std::unique_ptr<cVOXA3Dconditional_element> condition;

 protected:
  virtual bool Test(bool value) const = 0;

 private:
  bool ParseBody(cParserT* parser, int path);
  bool ParseCommand(cParserT* parser, int path);
  std::unique_ptr<cVOXA3Dconditional_element> ParseOr(cParserT* parser);
  std::unique_ptr<cVOXA3Dconditional_element> ParseXor(cParserT* parser);
  std::unique_ptr<cVOXA3Dconditional_element> ParseAnd(cParserT* parser);
  std::unique_ptr<cVOXA3Dconditional_element> ParsePrimary(cParserT* parser);
};

class cVOXA3Dif : public cVOXA3Dconditional {
 public:
  using cVOXA3Dconditional::cVOXA3Dconditional;

 protected:
  bool Test(bool value) const override { return value; }
};

class cVOXA3Difnot : public cVOXA3Dconditional {
 public:
  using cVOXA3Dconditional::cVOXA3Dconditional;

 protected:
  bool Test(bool value) const override { return !value; }
};

}  // namespace VOXA2
