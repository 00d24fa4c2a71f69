// Helpers for the demo runtime tests: a probe command that records every call
// the runtime makes, scripts served from memory, and an injected demo clock.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "demo/command.h"
#include "demo/demo.h"
#include "tests/support/tempdir.h"

namespace demotest {

// Every call of every probe, as "<id> Start", "<id> Execute(t,r,f)" ("%g").
std::vector<std::string>& Trace();

// "probe { [id] [fail] [refuse] }": id (a number, or a float cut to an integer) names the probe in
// the trace; "fail" makes Execute answer false; "refuse" makes Parse answer false.
class cProbe : public VOXA2::cVOXAcommand {
 public:
  explicit cProbe(VOXA2::cVOXAdemo* owner) : cVOXAcommand(owner) {}
  bool Parse(float start, float length, VOXA2::cParserT* parser) override;
  void Start() override;
  void Stop() override;
  void Show() override;
  void Hide() override;
  bool Execute(float time, float sinceStart, float fraction) override;
  void Prepare() override;
  bool Restore() override;

  int id = 0;
  bool fail = false;
};

extern const VOXA2::tCommandDesc probeCommandDesc;

// The files that the file access layer serves while a DemoTest runs.
std::map<std::string, std::string>& Files();
void InstallMemoryFiles();
void RemoveMemoryFiles();

class DemoTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Compiles text as the script "demo.txt" into a fresh demo.
  bool Compile(const std::string& text);
  // Starts the demo with the clock at now.
  void StartAt(float time);
  // Runs one frame with the clock at now.
  bool RunAt(float time);
  // debug.txt, one entry per line.
  std::vector<std::string> LogLines() const;
  // The trace since the last call, then cleared.
  std::vector<std::string> TakeTrace();

  std::unique_ptr<VOXA2::cVOXAdemo> demo;
  float now = 0.0f;

 private:
  testsupport::ScopedTempDir dir_;
};

}  // namespace demotest
