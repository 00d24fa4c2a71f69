#include "tests/script/script_fixture.h"

#include <cstdio>

#include "foundation/archive.h"
#include "foundation/streams.h"

namespace scripttest {

std::map<std::string, std::string>& Files() {
  static std::map<std::string, std::string> files;
  return files;
}

namespace {

std::unique_ptr<TStream> OpenMemoryFile(const char* path, int32_t) {
  auto it = Files().find(path);
  if (it == Files().end()) return nullptr;
  std::string& text = it->second;
  return std::make_unique<TMemFile>(text.data(), static_cast<int32_t>(text.size()), true);
}

void RunBody(VOXA2::cParserT* parser, void* context) {
  const Body* body = static_cast<const Body*>(context);
  if (*body) (*body)(parser);
}

}  // namespace

void ScriptTest::SetUp() {
  Files().clear();
  ClearFileAccessFunctions();
  AddFileAccessFunction(OpenMemoryFile);
}

void ScriptTest::TearDown() {
  FreeFileAccessLists();
  Files().clear();
}

bool ScriptTest::Parse(const std::string& text, const Body& body) {
  AddFile("main.txt", text);
  return ParseNamed("main.txt", body);
}

bool ScriptTest::ParseNamed(const std::string& name, const Body& body) {
  return parser.ParseFile(name.c_str(), RunBody, const_cast<Body*>(&body));
}

std::string Describe(const VOXA2::cToken* token) {
  using namespace VOXA2;
  if (!token) return "null";
  std::string text = std::to_string(token->code);
  char number[64];
  if (auto* ident = dynamic_cast<const cIdentToken*>(token); ident && token->code == tokIdentifier)
    return text + ":" + ident->text;
  if (auto* value = dynamic_cast<const cNumberToken*>(token))
    return text + ":" + std::to_string(value->value);
  if (auto* value = dynamic_cast<const cFloatToken*>(token)) {
    std::snprintf(number, sizeof number, "%g", static_cast<double>(value->value));
    return text + ":" + number;
  }
  if (auto* value = dynamic_cast<const cStringToken*>(token)) return text + ":" + value->text;
  return text;
}

std::string ScriptTest::Tokens(const std::string& text) {
  std::string dump;
  bool ok = Parse(text, [&](VOXA2::cParserT* p) {
    for (int guard = 0; guard < 10000 && p->token->code != VOXA2::tokEndOfFile; guard++) {
      dump += (dump.empty() ? "" : " ") + Describe(p->token.get());
      p->GetToken();
    }
  });
  if (!ok) dump += " <failed>";
  return dump;
}

std::string ScriptTest::FirstLogLine() const {
  std::string log = Log();
  return log.substr(0, log.find('\n'));
}

}  // namespace scripttest
