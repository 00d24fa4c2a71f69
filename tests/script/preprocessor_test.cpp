#include <gtest/gtest.h>

#include <string>

#include "script/parser.h"
#include "tests/script/script_fixture.h"

namespace {

using namespace VOXA2;
using scripttest::ScriptTest;

void ReadAll(cParserT* p) {
  for (int guard = 0; guard < 100000 && p->token->code != tokEndOfFile; guard++) p->GetToken();
}

struct ExpandCase {
  const char* name;
  std::string text;
  std::string tokens;
  friend void PrintTo(const ExpandCase& c, std::ostream* os) { *os << c.name; }
};

class Expansion : public ScriptTest, public ::testing::WithParamInterface<ExpandCase> {};

TEST_P(Expansion, Yields) { EXPECT_EQ(Tokens(GetParam().text), GetParam().tokens); }

const ExpandCase expandCases[] = {
    {"Define", "#define N 10\nN*2", "82:10 14 82:2"},
    {"DefineIsCaseSensitive", "#define N 10\nn", "81:n"},
    {"DefineHidesKeyword", "#define main 3\nmain", "82:3"},
    {"DefineInDefine", "#define A B+1\n#define B 2\nA", "82:2 12 82:1"},
    {"DefineTakesNextLine", "#define X\n\n   7 8\nX", "82:7 82:8"},
    {"DefineValueLosesComment", "#define X 5 // five\nX X", "82:5 82:5"},
    {"Redefine", "#define X 1\n#redefine X 2\nX", "82:2"},
    {"RedefineWithoutDefine", "#redefine X 2\nX", "82:2"},
    {"Undef", "#define A 1\n#undef A\nA", "81:A"},
    {"DirectiveAnywhere", "a #define B 4\nB", "81:a 82:4"},
    {"DefineNameThenComment", "#define/**/X 6\nX", "82:6"},
    {"Macro", "#define M(a, b) a*b\nM(2, 3)", "82:2 14 82:3"},
    {"MacroArgumentsAreWholeWords", "#define M(a) a ab _a\nM(1)", "82:1 81:ab 81:_a"},
    {"MacroCommasSplitInsideParens", "#define M(x,y,z) x z y\nM(1, (2, 3))", "82:1 82:3 4 82:2 5"},
    {"MacroNestedParens", "#define M(x) x\nM((1))", "4 82:1 5"},
    {"MacroEmptyParens", "#define E() 5\nE()", "82:5"},
    {"MacroKeepsStringLiterals", "#define S(a) \"a\" a\nS(1)", "84:a 82:1"},
    {"MacroArgumentWithString", "#define S(a) a\nS(\"x,)\")", "84:x,)"},
    {"MacroInMacro", "#define A(x) B(x)+x\n#define B(y) y*y\nA(3)", "82:3 14 82:3 12 82:3"},
    {"BigdefineWithoutParameters", "#bigdefine B 1\n  2\n\n 3\n#define C 4\nB C",
     "82:1 82:2 82:3 82:4"},
    {"BigdefineMacroSwallowsItsEnd", "#bigdefine M(a)\n a+\n 1\n#end of it\nM(2)", "82:2 12 82:1"},
    {"MacroBodyLineEndsAtComment", "#define M(a) a // note\nM(7) 8", "82:7 82:8"},
};

INSTANTIATE_TEST_SUITE_P(Table, Expansion, ::testing::ValuesIn(expandCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptTest, MacroArgumentsLoseTrailingBlanksOnly) {
  ASSERT_TRUE(Parse("#define S(a) \"x\" a\nS(  q r   )", [](cParserT* p) {
    p->GetToken();
    ASSERT_EQ(p->token->code, tokIdentifier);
    // The argument "q r" was inserted whole: the blank inside stays.
    EXPECT_STREQ(p->Text() + p->Position() - 1, "q r\n");
  }));
}

TEST_F(ScriptTest, DefineValueEndsWithItsLineBreak) {
  ASSERT_TRUE(Parse("#define A 1 2\r\n#define B 3 // c\nx", [](cParserT* p) {
    auto* a = dynamic_cast<cDefine*>(p->FindSymbol("A"));
    auto* b = dynamic_cast<cDefine*>(p->FindSymbol("B"));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->value, "1 2\r");
    EXPECT_EQ(b->value, "3 ");
    EXPECT_EQ(a->kind, symDefine);
    EXPECT_EQ(a->param, 0);
  }));
}

TEST_F(ScriptTest, MacroRecordsItsParameters) {
  ASSERT_TRUE(Parse("#define M( a , bc,) body\nx", [](cParserT* p) {
    auto* m = dynamic_cast<cMacro*>(p->FindSymbol("M"));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->kind, symMacro);
    EXPECT_EQ(m->parameters, (std::vector<std::string>{"a", "bc", ""}));
    EXPECT_EQ(m->body, "body\n");
  }));
}

TEST_F(ScriptTest, DebugDirectiveIsLogged) {
  ASSERT_TRUE(Parse("x\n  #debug  hello // world /* */\ny", ReadAll));
  EXPECT_EQ(FirstLogLine(), "main.txt(2,9) Debug message: hello // world /* */");
}

TEST_F(ScriptTest, FileDirectiveSetsNameAndNextLine) {
  EXPECT_FALSE(Parse("#file x 100\n  @", ReadAll));
  EXPECT_EQ(FirstLogLine(), "x(100,3) Error 3 occured: what's this: \"@\" (64d, 40h)");
}

TEST_F(ScriptTest, FileDirectiveNameStopsAtLineBreak) {
  EXPECT_FALSE(Parse("#file x\nab @", ReadAll));
  EXPECT_EQ(FirstLogLine(), "x(0,4) Error 3 occured: what's this: \"@\" (64d, 40h)");
}

TEST_F(ScriptTest, SymbolsAttachToIdentifierTokens) {
  ASSERT_TRUE(Parse("a buf", [](cParserT* p) {
    auto entry = std::make_unique<cContainer>("buf", 3, nullptr, false);
    cData* stored = entry.get();
    p->Define(std::move(entry));
    p->GetToken();
    auto* ident = dynamic_cast<cIdentToken*>(p->token.get());
    ASSERT_NE(ident, nullptr);
    EXPECT_EQ(ident->symbol, stored);
    EXPECT_EQ(p->FindSymbol("buf"), stored);
  }));
}

TEST_F(ScriptTest, EachParseStartsWithAnEmptySymbolTable) {
  ASSERT_TRUE(Parse("#define A 1\nx"));
  ASSERT_TRUE(Parse("A", [](cParserT* p) { EXPECT_EQ(p->token->code, tokIdentifier); }));
}

// Positions through includes and expansions: the callback raises an error
// right after the identifier ERR, where the reader then stands.
void FailAtErr(cParserT* p) {
  for (int guard = 0; guard < 100000 && p->token->code != tokEndOfFile; guard++) {
    auto* ident = dynamic_cast<cIdentToken*>(p->token.get());
    if (ident && ident->text == "ERR") p->Error(100, "Syntax error!");
    p->GetToken();
  }
}

struct PositionCase {
  const char* name;
  std::string main;
  std::string included;
  std::string log;
  friend void PrintTo(const PositionCase& c, std::ostream* os) { *os << c.name; }
};

class Positions : public ScriptTest, public ::testing::WithParamInterface<PositionCase> {};

TEST_P(Positions, AreLogged) {
  AddFile("inc.txt", GetParam().included);
  AddFile("inc2.txt", "y\n");
  EXPECT_FALSE(Parse(GetParam().main, FailAtErr));
  EXPECT_EQ(FirstLogLine(), GetParam().log);
}

const std::string syntax = " Error 100 occured: Syntax error!";

const PositionCase positionCases[] = {
    {"Plain", "a\n\n  ERR b", "", "main.txt(3,6)" + syntax},
    {"InsideInclude", "a\n#include inc.txt\nb", "x\ny\n    ERR\n", "inc.txt(3,8)" + syntax},
    {"FirstLineOfInclude", "#include inc.txt", " ERR ", "inc.txt(1,5)" + syntax},
    {"AfterInclude", "a\n#include inc.txt\n  ERR ", "x\ny\n", "main.txt(3,6)" + syntax},
    {"AfterIncludeWithoutFinalBreak", "a\n#include inc.txt\n\n ERR ", "x",
     "main.txt(4,5)" + syntax},
    {"NestedInclude", "#include inc.txt\nERR ", "#include inc2.txt\n", "main.txt(2,4)" + syntax},
    {"InNestedInclude", "#include inc.txt\n", "#include inc2.txt\n ERR ", "inc.txt(2,5)" + syntax},
    {"IncludeInMiddleOfLine", "a #include inc.txt\nb ERR ", "x", "main.txt(2,6)" + syntax},
    {"BeforeFileDirective", "a ERR\n#file other.txt 100\n", "", "main.txt(1,6)" + syntax},
    {"AfterFileDirective", "#file other.txt 100\n ERR ", "", "other.txt(100,5)" + syntax},
    // A comment ends a directive's line, not the line after it; a block
    // comment carries the line on past its line breaks.
    {"AfterIncludeWithLineComment", "a\n#include inc.txt // shared\n ERR ", "x\n",
     "main.txt(3,5)" + syntax},
    {"AfterIncludeNameWithLineComment", "#include inc.txt// shared\nERR ", "x",
     "main.txt(2,4)" + syntax},
    {"AfterIncludeWithBlockCommentAcrossLineEnd", "#include inc.txt /* a\nb */\n ERR ", "x\n",
     "main.txt(3,5)" + syntax},
    {"AfterFileDirectiveWithLineComment", "#file other.txt 100 // moved\n ERR ", "",
     "other.txt(100,5)" + syntax},
    {"AfterUndefWithLineComment", "#define A 1\n#undef A // gone\nERR ", "",
     "main.txt(3,4)" + syntax},
    {"AfterUndefNameWithLineComment", "#define A 1\n#undef A// gone\nERR ", "",
     "main.txt(3,4)" + syntax},
    {"AfterUndefWithBlockCommentAcrossLineEnd", "#define A 1\n#undef A /* a\nb */ c\nERR ", "",
     "main.txt(4,4)" + syntax},
    // A define's value carries the line break of its definition, so the rest
    // of the line that used it counts one line further.
    {"AfterDefineOnSameLine", "#define N 1\nN ERR ", "", "main.txt(3,5)" + syntax},
    {"AfterDefine", "#define N 1\nN\n ERR ", "", "main.txt(4,5)" + syntax},
    {"InsideDefine", "#define N 1 ERR\n   N", "", "main.txt(2,3)" + syntax},
    {"AfterMacro", "#define M(a) a\n  M(1) ERR ", "", "main.txt(3,5)" + syntax},
    {"InsideMacro", "#define M(a) a ERR \n  M(1)", "", "main.txt(2,8)" + syntax},
};

INSTANTIATE_TEST_SUITE_P(Table, Positions, ::testing::ValuesIn(positionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptTest, RestOfIncludeLineIsDropped) {
  AddFile("inc.txt", "x");
  EXPECT_EQ(Tokens("#include inc.txt y\nz"), "81:x 81:z");
}

// Errors of the preprocessor.
struct ErrorCase {
  const char* name;
  std::string text;
  std::string log;
  friend void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }
};

class PreprocessorError : public ScriptTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(PreprocessorError, IsLogged) {
  AddFile("self.txt", "#include self.txt\n");
  AddFile("loop1.txt", "x\n#include loop2.txt\n");
  AddFile("loop2.txt", "#include loop1.txt");
  EXPECT_FALSE(Parse(GetParam().text, ReadAll));
  EXPECT_EQ(FirstLogLine(), GetParam().log);
}

const std::string longArgument(300, 'a');
// Twenty copies of a 250-character argument need more than the 4096 characters of the area.
const std::string wideBody = "#define M(a) a a a a a a a a a a a a a a a a a a a a\n";

const ErrorCase errorCases[] = {
    {"AlreadyDefined", "#define A 1\n#define A 2\n",
     "main.txt(3,1) Error 7 occured: A was already defined!"},
    {"BigdefineAlreadyDefined", "#define A 1\n#bigdefine A 2\n#x",
     "main.txt(3,1) Error 7 occured: A was already defined!"},
    {"NotDefined", "#undef B\n", "main.txt(1,9) Error 7 occured: B was not defined!"},
    {"UnknownDirective", "\n  #pragma once\n",
     "main.txt(2,10) Error 5 occured: Unknown meta directive: \"pragma\"!"},
    {"EmptyDirective", "# \n", "main.txt(1,2) Error 5 occured: Unknown meta directive: \"\"!"},
    {"BigdefineEndIsADirective", "#bigdefine B\n 1\n#end\n",
     "main.txt(3,5) Error 5 occured: Unknown meta directive: \"end\"!"},
    {"DefineWithoutName", "#define 5 x\n", "main.txt(1,9) Error 9 occured: Identifier expected!"},
    {"UndefWithoutName", "#undef \"x\"\n", "main.txt(1,8) Error 9 occured: Identifier expected!"},
    {"MacroParameterList", "#define M(a b) x\n",
     "main.txt(1,13) Error 30 occured: \")\" expected!"},
    {"MacroParameterListUnclosed", "#define M(a",
     "main.txt(1,12) Error 30 occured: \")\" expected!"},
    {"MacroCallWithoutParen", "#define M(a) a\nM 1",
     "main.txt(2,2) Error 30 occured: \"(\" expected!"},
    {"MacroParameterCount", "#define M(a) a\nM(1, 2)",
     "main.txt(2,8) Error 51 occured: Parameter count is not equal to definition of macro!"},
    {"MacroEmptyCallToTwo", "#define M(a,b) a\nM()",
     "main.txt(2,4) Error 51 occured: Parameter count is not equal to definition of macro!"},
    {"MacroArgumentTooLong", "#define M(a) a\nM(" + longArgument + ")",
     "main.txt(2,258) Error 4 occured: Too long macro parameter!"},
    {"MacroCallUnclosed", "#define M(a) a\nM(1",
     "main.txt(2,4) Error 4 occured: Too long macro parameter!"},
    {"IncludeNotFound", "x\n#include nothere.txt\n",
     "main.txt(2,1) Error 6 occured: Could not open include file (nothere.txt)!"},
    {"IncludeSelf", "#include self.txt",
     "self.txt(1,1) Error 8 occured: Include files nested too deeply (self.txt)!"},
    {"IncludeCycle", "#include loop1.txt",
     "loop2.txt(1,1) Error 8 occured: Include files nested too deeply (loop1.txt)!"},
    {"SelfReferencingDefine", "#define A A\nA",
     "main.txt(2,-126) Error 53 occured: Too deeply nested expansion of A!"},
    {"MutuallyReferencingDefines", "#define A x B\n#define B A\nA",
     "main.txt(3,-126) Error 53 occured: Too deeply nested expansion of A!"},
    {"SelfReferencingMacro", "#define M(a) M(a)\nM(1)",
     "main.txt(2,2) Error 53 occured: Too deeply nested expansion of M!"},
    {"MacroExpansionTooLong", wideBody + "M(" + std::string(250, 'b') + ")",
     "main.txt(2,254) Error 52 occured: Too long macro expansion!"},
};

INSTANTIATE_TEST_SUITE_P(Table, PreprocessorError, ::testing::ValuesIn(errorCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptTest, UnknownDirectiveIsSkippedInThePrePass) {
  // The pre-pass meets "#end" and "#x" as lines to skip; only the main pass
  // reads them, and there the macro definition uses the first one up.
  AddFile("inc.txt", "#bigdefine M()\n1\n#end\n");
  ASSERT_TRUE(
      Parse("#include inc.txt\nM()", [](cParserT* p) { EXPECT_EQ(p->token->code, tokNumber); }));
}

TEST_F(ScriptTest, MissingIncludeFailsBeforeTheCallback) {
  bool called = false;
  EXPECT_FALSE(Parse("#define X 1\n#include nothere.txt\n", [&](cParserT*) { called = true; }));
  EXPECT_FALSE(called);
}

}  // namespace
