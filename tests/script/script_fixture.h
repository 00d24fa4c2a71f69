// Helpers for the parser tests: files served from memory through the file
// access layer, a token dump, and the debug log of the test's own folder.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "script/parser.h"
#include "tests/support/tempdir.h"

namespace scripttest {

// The files that OpenFile finds while a ScriptTest runs.
std::map<std::string, std::string>& Files();

// Runs a callback over a parser once its first token is read.
using Body = std::function<void(VOXA2::cParserT*)>;

class ScriptTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  void AddFile(const std::string& name, const std::string& text) { Files()[name] = text; }
  // Parses text as the file main.txt.
  bool Parse(const std::string& text, const Body& body = nullptr);
  bool ParseNamed(const std::string& name, const Body& body = nullptr);
  // Every token of the text, as "code" or "code:value", separated by blanks.
  std::string Tokens(const std::string& text);
  // The first line that the parse logged ("" when none).
  std::string FirstLogLine() const;
  std::string Log() const { return testsupport::ReadFile("debug.txt"); }

  VOXA2::cParser parser;

 private:
  testsupport::ScopedTempDir dir_;
};

// A dump of the current token in the form Tokens uses.
std::string Describe(const VOXA2::cToken* token);

}  // namespace scripttest
