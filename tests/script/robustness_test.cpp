#include <gtest/gtest.h>

#include <string>

#include "script/parser.h"
#include "tests/script/script_fixture.h"

namespace {

using namespace VOXA2;
using scripttest::ScriptTest;

// Hostile inputs: each parse ends, with success or with one logged error.
struct HostileCase {
  const char* name;
  std::string text;
  std::string logged;  // part of the logged line; "" when the parse succeeds
  friend void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }
};

void ReadWithExpressions(cParserT* p) {
  for (int guard = 0; guard < 1000000 && p->token->code != tokEndOfFile; guard++) {
    if (p->token->code == tokNumber)
      p->ParseIntExpression();
    else
      p->GetToken();
  }
}

class Hostile : public ScriptTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(Hostile, EndsCleanly) {
  AddFile("twice.txt", "#include twice.txt\n#include twice.txt\n");
  const bool ok = Parse(GetParam().text, ReadWithExpressions);
  if (GetParam().logged.empty()) {
    EXPECT_TRUE(ok);
    EXPECT_EQ(Log(), "");
  } else {
    EXPECT_FALSE(ok);
    EXPECT_NE(FirstLogLine().find(GetParam().logged), std::string::npos) << FirstLogLine();
  }
}

std::string FanOut() {
  // A fans out to 20000 names E, and each E runs down a chain of 58 defines:
  // over a million expansions for twenty thousand tokens.
  std::string text = "#define A";
  for (int i = 0; i < 20; i++) text += " B";
  text += "\n#define B C C C C C C C C C C\n#define C D D D D D D D D D D\n";
  text += "#define D E E E E E E E E E E\n#define E F1\n";
  for (int i = 1; i < 58; i++)
    text += "#define F" + std::to_string(i) + " F" + std::to_string(i + 1) + "\n";
  return text + "#define F58 z\nA";
}

const HostileCase hostileCases[] = {
    {"UnterminatedString", "\"never closed", "Error 10 occured: Unterminated string!"},
    {"UnterminatedComment", "a /* never closed", ""},
    {"UnterminatedLineComment", "a // no line break", ""},
    {"LongMacroArgument", "#define M(a) a\nM(" + std::string(300, 'x') + ")",
     "Error 4 occured: Too long macro parameter!"},
    {"SelfReferencingDefine", "#define A A\nA", "Error 53 occured"},
    {"SelfReferencingMacroArgument", "#define M(a) M(a a)\nM(1)", "Error 4 occured"},
    {"ExponentialFanOut", FanOut(), "Error 54 occured: Too many macro expansions!"},
    {"SelfIncludingFile", "#include main.txt\n", "Error 8 occured"},
    {"FileIncludingItselfTwice", "#include twice.txt\n", "Error 8 occured"},
    {"MinIntByMinusOne", "-2147483648 / -1", ""},
    {"HugeExponent", "1e99999999999999999999 1.0e-99999999999 0e50", ""},
    {"HugeFileLine", "#file x 99999999999999999999\na", ""},
    {"HugePower", "3 ** 2147483647", ""},
    {"EmptyInclude", "#include\n", "Error 6 occured: Could not open include file ()!"},
    {"LoneHash", "#", "Error 5 occured"},
    {"DefineAtEnd", "#define", "Error 9 occured"},
    {"DefineWithEmptyValue", "#define X\n", ""},
    {"MacroAtEnd", "#define M(", "Error 30 occured"},
    {"BigdefineAtEnd", "#bigdefine M(a)\n a", ""},
    {"NulInMacroCall", std::string("#define M(a) a\nM(\0)", 19), ""},
    {"NulInDefine", std::string("#define A 1\0 2\nA", 16), ""},
    {"ControlBytes", std::string("\x01\x02", 2), "Error 3 occured"},
    {"HighBytes", "\xff\xfe\x80 \xa0", ""},
    {"ManyParentheses", "0 + " + std::string(5000, '(') + "1", "Error 200 occured"},
    {"LongIdentifier", std::string(100000, 'i'), ""},
    {"LongDefineName",
     "#define " + std::string(5000, 'n') + " 1\n#define " + std::string(5000, 'n') + " 2\n",
     "Error 7 occured: nnnn"},
    {"MacroBodyBeyondArea", "#bigdefine M()\n" + std::string(5000, 'b') + "\n#\nM()",
     "Error 52 occured"},
};

INSTANTIATE_TEST_SUITE_P(Table, Hostile, ::testing::ValuesIn(hostileCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptTest, LongSourceNameIsCutInMessages) {
  const std::string name(1000, 's');
  AddFile(name, "#include missing.txt\n");
  EXPECT_FALSE(ParseNamed(name, nullptr));
  EXPECT_EQ(FirstLogLine(),
            name + "(1,1) Error 6 occured: Could not open include file (missing.txt)!");
}

}  // namespace
