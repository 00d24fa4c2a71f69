#include "tests/demo/demo_fixture.h"

#include <cstdio>
#include <sstream>

#include "foundation/archive.h"
#include "foundation/streams.h"
#include "script/parser.h"

namespace demotest {

using namespace VOXA2;

std::vector<std::string>& Trace() {
  static std::vector<std::string> trace;
  return trace;
}

namespace {

void Record(int id, const std::string& call) { Trace().push_back(std::to_string(id) + " " + call); }

cVOXAcommand* CreateProbe(cVOXAdemo* owner) { return new cProbe(owner); }

std::unique_ptr<TStream> OpenMemoryFile(const char* path, int32_t) {
  auto it = Files().find(path);
  if (it == Files().end()) return nullptr;
  std::string& text = it->second;
  return std::make_unique<TMemFile>(text.data(), static_cast<int32_t>(text.size()), true);
}

}  // namespace

const tCommandDesc probeCommandDesc = {"probe", 0xFE0000F0, CreateProbe, 0x01000000};

bool cProbe::Parse(float startTime, float lengthTime, cParserT* parser) {
  start = startTime;
  length = lengthTime;
  end = startTime + lengthTime;
  bool refuse = false;
  while (parser->token->code != tokCloseBrace && parser->token->code != tokEndOfFile) {
    if (auto* number = dynamic_cast<cNumberToken*>(parser->token.get())) id = number->value;
    if (auto* number = dynamic_cast<cFloatToken*>(parser->token.get()))
      id = static_cast<int>(number->value);
    if (auto* word = dynamic_cast<cIdentToken*>(parser->token.get())) {
      if (word->text == "fail") fail = true;
      if (word->text == "refuse") refuse = true;
    }
    parser->GetToken();
  }
  parser->Expect(tokCloseBrace);
  return !refuse;
}

void cProbe::Start() { Record(id, "Start"); }
void cProbe::Stop() { Record(id, "Stop"); }
void cProbe::Show() { Record(id, "Show"); }
void cProbe::Hide() { Record(id, "Hide"); }
void cProbe::Prepare() { Record(id, "Prepare"); }
bool cProbe::Restore() {
  Record(id, "Restore");
  return true;
}

bool cProbe::Execute(float t, float r, float f) {
  char text[96];
  std::snprintf(text, sizeof text, "Execute(%g,%g,%g)", static_cast<double>(t),
                static_cast<double>(r), static_cast<double>(f));
  Record(id, text);
  return !fail;
}

std::map<std::string, std::string>& Files() {
  static std::map<std::string, std::string> files;
  return files;
}

void InstallMemoryFiles() {
  Files().clear();
  ClearFileAccessFunctions();
  AddFileAccessFunction(OpenMemoryFile);
}

void RemoveMemoryFiles() {
  FreeFileAccessLists();
  Files().clear();
}

void DemoTest::SetUp() {
  InstallMemoryFiles();
  Trace().clear();
  ASSERT_TRUE(InitCommandRegistry());
  ASSERT_TRUE(RegisterCommand(&probeCommandDesc));
}

void DemoTest::TearDown() {
  demo.reset();
  FreeCommandRegistry();
  RemoveMemoryFiles();
  Trace().clear();
}

bool DemoTest::Compile(const std::string& text) {
  Files()["demo.txt"] = text;
  demo = std::make_unique<cVOXAdemo>();
  demo->clock = [this] { return now; };
  return demo->Load("demo.txt");
}

void DemoTest::StartAt(float time) {
  now = time;
  demo->Start();
}

bool DemoTest::RunAt(float time) {
  now = time;
  return demo->Run();
}

std::vector<std::string> DemoTest::LogLines() const {
  std::istringstream in(testsupport::ReadFile("debug.txt"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> DemoTest::TakeTrace() {
  std::vector<std::string> trace;
  trace.swap(Trace());
  return trace;
}

}  // namespace demotest
