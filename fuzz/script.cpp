// libFuzzer target for the script front end: the input is a source file that
// may include itself and one small fixed file; every token is read, and
// numbers start integer and float expressions. Built by tools/fuzz.sh only.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/archive.h"
#include "foundation/streams.h"
#include "script/parser.h"

namespace {

std::string input;
std::string fixed = "#define INC 1\n#bigdefine BIG(a, b)\n a ** b\n#end\nx = INC;\n";

std::unique_ptr<TStream> OpenFuzzFile(const char* path, int32_t) {
  std::string* text = nullptr;
  if (std::strcmp(path, "main.txt") == 0 || std::strcmp(path, "self") == 0) text = &input;
  if (std::strcmp(path, "inc.txt") == 0) text = &fixed;
  if (!text) return nullptr;
  return std::make_unique<TMemFile>(text->data(), static_cast<int32_t>(text->size()), true);
}

void ReadEverything(VOXA2::cParserT* parser, void*) {
  using namespace VOXA2;
  for (int count = 0; count < 100000 && parser->token->code != tokEndOfFile; count++) {
    switch (parser->token->code) {
      case tokNumber:
        if (count & 1)
          parser->ParseIntExpression();
        else
          parser->ParseFloatExpression();
        break;
      case tokOpenParen:
        parser->ParseIntExpression();
        break;
      case tokMinus:
        parser->ParseFloatExpression();
        break;
      case tokColon:
        parser->Expect(tokColon);
        parser->Check(tokFloat);
        break;
      default:
        parser->GetToken();
        break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The debug log goes to a folder of its own.
  char folder[] = "/tmp/voxa2-fuzz-XXXXXX";
  if (mkdtemp(folder) && chdir(folder) == 0) {
  }
  ClearFileAccessFunctions();
  AddFileAccessFunction(OpenFuzzFile);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static unsigned runs = 0;
  if (++runs % 1000 == 0) std::remove("debug.txt");
  input.assign(reinterpret_cast<const char*>(data), size);
  VOXA2::cParser parser;
  parser.ParseFile("main.txt", ReadEverything, nullptr);
  return 0;
}
