#include <cmath>
#include <cstdint>

#include "script/parser.h"

namespace VOXA2 {

namespace {

float FloatPow(float base, float exponent) {
  if (exponent < 0.0f) return 1.0f / FloatPow(base, -exponent);
  if (base == 1.0f) return 1.0f;
  if (exponent == 0.0f) return 1.0f;
  if (base == 0.0f) return 0.0f;
  return static_cast<float>(
      std::exp2(static_cast<double>(exponent) * std::log2(static_cast<double>(base))));
}

// Wraps in 32 bits. An exponent of 0 gives 1; a negative one gives the
// truncated reciprocal: 0, except for the bases 1 and -1.
std::int32_t IntPow(std::int32_t base, std::int32_t exponent) {
  if (exponent == 0) return 1;
  if (exponent < 0) {
    if (base == 1) return 1;
    if (base == -1) return (exponent & 1) ? -1 : 1;
    return 0;
  }
  std::uint32_t result = 1;
  std::uint32_t factor = static_cast<std::uint32_t>(base);
  std::uint32_t count = static_cast<std::uint32_t>(exponent);
  while (count) {
    if (count & 1) result *= factor;
    factor *= factor;
    count >>= 1;
  }
  return static_cast<std::int32_t>(result);
}

// A token of code Number or Float that a loader made of another class reads as 0.
std::int32_t NumberValue(const cToken* token) {
  auto* number = dynamic_cast<const cNumberToken*>(token);
  return number ? number->value : 0;
}

float FloatValue(const cToken* token) {
  auto* number = dynamic_cast<const cFloatToken*>(token);
  return number ? number->value : 0.0f;
}

std::int32_t Wrap(std::uint32_t value) { return static_cast<std::int32_t>(value); }
std::uint32_t U(std::int32_t value) { return static_cast<std::uint32_t>(value); }

}  // namespace

void cParserT::CheckExpressionDepth(int depth) {
  if (depth > kMaxExpressionDepth) Error(errExpressionExpected, "Expression nested too deeply!");
}

float cParserT::ParseFloatExpression() {
  if (!token) {
    Error(errExpressionExpected, "Float expression expected!");
    return 0.0f;
  }
  return FloatSum(0);
}

float cParserT::FloatSum(int depth) {
  float value = FloatProduct(depth);
  while (token->code == tokPlus || token->code == tokMinus) {
    const bool add = token->code == tokPlus;
    GetToken();
    const float right = FloatProduct(depth);
    value = add ? value + right : value - right;
  }
  return value;
}

float cParserT::FloatProduct(int depth) {
  float value = FloatPower(depth);
  while (token->code == tokStar || token->code == tokSlash) {
    const bool multiply = token->code == tokStar;
    GetToken();
    const float right = FloatPower(depth);
    if (multiply) {
      value = value * right;
    } else {
      if (right == 0.0f) Error(errDivisionByZero, "Division by zero!");
      value = value / right;
    }
  }
  return value;
}

float cParserT::FloatPower(int depth) {
  CheckExpressionDepth(depth);
  const float base = FloatPrimary(depth + 1);
  if (token->code != tokPower) return base;
  GetToken();
  const float exponent = FloatPower(depth + 1);
  return FloatPow(base, exponent);
}

float cParserT::FloatPrimary(int depth) {
  CheckExpressionDepth(depth);
  float value = 0.0f;
  switch (token->code) {
    case tokNumber:
      value = static_cast<float>(NumberValue(token.get()));
      GetToken();
      return value;
    case tokFloat:
      value = FloatValue(token.get());
      GetToken();
      return value;
    case tokTrue:
      GetToken();
      return 1.0f;
    case tokFalse:
      GetToken();
      return 0.0f;
    case tokMinus:
      GetToken();
      return -FloatPrimary(depth + 1);
    case tokOpenParen:
      GetToken();
      value = FloatSum(depth + 1);
      Expect(tokCloseParen);
      return value;
    default:
      Error(errExpressionExpected, "Float expression expected!");
      return 0.0f;
  }
}

std::int32_t cParserT::ParseIntExpression() {
  if (!token) {
    Error(errExpressionExpected, "Integer expression expected!");
    return 0;
  }
  return IntComparison(0);
}

std::int32_t cParserT::IntComparison(int depth) {
  const std::int32_t left = IntSum(depth);
  const std::int32_t op = token->code;
  switch (op) {
    case tokEqual:
    case tokNotEqual:
    case tokLess:
    case tokGreater:
    case tokLessEqual:
    case tokGreaterEqual:
      break;
    default:
      return left;
  }
  GetToken();
  const std::int32_t right = IntSum(depth);
  switch (op) {
    case tokEqual:
      return left == right;
    case tokNotEqual:
      return left != right;
    case tokLess:
      return left < right;
    case tokGreater:
      return left > right;
    case tokLessEqual:
      return left <= right;
    default:
      return left >= right;
  }
}

std::int32_t cParserT::IntSum(int depth) {
  std::int32_t value = IntProduct(depth);
  while (token->code == tokPlus || token->code == tokMinus) {
    const bool add = token->code == tokPlus;
    GetToken();
    const std::int32_t right = IntProduct(depth);
    value = add ? Wrap(U(value) + U(right)) : Wrap(U(value) - U(right));
  }
  return value;
}

std::int32_t cParserT::IntProduct(int depth) {
  std::int32_t value = IntPower(depth);
  while (token->code == tokStar || token->code == tokSlash) {
    const bool multiply = token->code == tokStar;
    GetToken();
    const std::int32_t right = IntPower(depth);
    if (multiply) {
      value = Wrap(U(value) * U(right));
    } else if (right == 0) {
      Error(errDivisionByZero, "Division by zero!");
      return 0;
    } else if (right == -1) {
      // The one quotient that does not fit wraps like a negation: INT_MIN stays INT_MIN.
      value = Wrap(0u - U(value));
    } else {
      value = value / right;
    }
  }
  return value;
}

std::int32_t cParserT::IntPower(int depth) {
  CheckExpressionDepth(depth);
  const std::int32_t base = IntShift(depth + 1);
  if (token->code != tokPower) return base;
  GetToken();
  const std::int32_t exponent = IntPower(depth + 1);
  return IntPow(base, exponent);
}

std::int32_t cParserT::IntShift(int depth) {
  std::int32_t value = IntBitOr(depth);
  while (token->code == tokShiftLeft || token->code == tokShiftRight) {
    const bool left = token->code == tokShiftLeft;
    GetToken();
    const std::int32_t count = IntBitOr(depth) & 31;
    value = left ? Wrap(U(value) << count) : value >> count;
  }
  return value;
}

std::int32_t cParserT::IntBitOr(int depth) {
  std::int32_t value = IntBitAnd(depth);
  while (token->code == tokBar || token->code == tokCaret) {
    const bool orOp = token->code == tokBar;
    GetToken();
    const std::int32_t right = IntBitAnd(depth);
    value = orOp ? (value | right) : (value ^ right);
  }
  return value;
}

std::int32_t cParserT::IntBitAnd(int depth) {
  std::int32_t value = IntPrimary(depth);
  while (token->code == tokAmpersand) {
    GetToken();
    value &= IntPrimary(depth);
  }
  return value;
}

std::int32_t cParserT::IntPrimary(int depth) {
  CheckExpressionDepth(depth);
  std::int32_t value = 0;
  switch (token->code) {
    case tokNumber:
      value = NumberValue(token.get());
      GetToken();
      return value;
    case tokTrue:
      GetToken();
      return 1;
    case tokFalse:
      GetToken();
      return 0;
    case tokMinus:
      GetToken();
      return Wrap(0u - U(IntPrimary(depth + 1)));
    case tokExclamation:
      GetToken();
      return IntPrimary(depth + 1) == 0 ? 1 : 0;
    case tokOpenParen:
      GetToken();
      value = IntComparison(depth + 1);
      Expect(tokCloseParen);
      return value;
    default:
      Error(errExpressionExpected, "Integer expression expected!");
      return 0;
  }
}

}  // namespace VOXA2
