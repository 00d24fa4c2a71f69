#include "platform/backends/headless/input_script.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/dinput.h"
#include "platform/fakehardware.h"
#include "platform/headless.h"

namespace platform {
namespace {

struct Step {
  enum class Kind { Move, Button, Wheel, Key, Frame, Gui, Close };
  Kind kind = Kind::Close;
  DWORD at = 0;
  bool afterLast = false;  // at counts from when the step before ran
  int x = 0, y = 0;        // a move's position; a button's or key's code in x
  bool down = false;
  std::string path;
};

// What the step that ran last still waits for before the next may run.
enum class Wait { Nothing, Dispatch, MouseRead, KeyRead, Frame };

struct Script {
  std::vector<Step> steps;
  size_t next = 0;
  DWORD start = 0;
  DWORD lastRun = 0;  // when the step before ran or, for input, was settled; from the start
  Wait wait = Wait::Nothing;
  long mark = 0;
  bool pinned = false;  // relative mode: the pointer was pushed to the origin for this move
  int pointerX = 0, pointerY = 0;
  std::function<std::string()> guiDumper;
};

Script& TheScript() {
  static Script s;
  return s;
}

bool ReadNumber(const std::string& token, int base, long low, long high, int* out) {
  if (token.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(token.c_str(), &end, base);
  if (*end != '\0' || v < low || v > high) return false;
  *out = static_cast<int>(v);
  return true;
}

bool ReadButton(const std::string& token, int* out) {
  static const char* const names[] = {"left", "right", "middle"};
  for (int i = 0; i < 3; ++i)
    if (token == names[i]) {
      *out = i;
      return true;
    }
  return ReadNumber(token, 10, 0, 3, out);
}

// One line into steps (a click or a key gives several); false with the reason.
bool ParseLine(const std::string& line, std::vector<Step>* steps, std::string* why) {
  std::istringstream in(line.substr(0, line.find('#')));
  std::string time, command;
  if (!(in >> time)) return true;
  const bool relative = time[0] == '+';
  int ms = 0;
  if (!ReadNumber(relative ? time.substr(1) : time, 10, 0, 86400000, &ms)) {
    *why = "a time in milliseconds expected, not \"" + time + "\"";
    return false;
  }
  if (!(in >> command)) {
    *why = "a step expected after the time";
    return false;
  }
  std::vector<std::string> args;
  for (std::string a; in >> a;) args.push_back(a);
  auto arity = [&](size_t low, size_t high) {
    if (args.size() >= low && args.size() <= high) return true;
    *why = "wrong number of arguments to \"" + command + "\"";
    return false;
  };
  // The steps of one line follow each other at once.
  Step step;
  step.at = static_cast<DWORD>(ms);
  step.afterLast = relative;
  auto add = [&](Step::Kind kind, int x, int y, bool down) {
    step.kind = kind;
    step.x = x;
    step.y = y;
    step.down = down;
    steps->push_back(step);
    step.at = 0;
    step.afterLast = true;
  };
  if (command == "move" || command == "click") {
    int x = 0, y = 0, button = 0;
    if (!arity(2, command == "click" ? 3 : 2)) return false;
    if (!ReadNumber(args[0], 10, 0, 65535, &x) || !ReadNumber(args[1], 10, 0, 65535, &y)) {
      *why = "a position in pixels expected";
      return false;
    }
    if (args.size() == 3 && !ReadButton(args[2], &button)) {
      *why = "no mouse button \"" + args[2] + "\"";
      return false;
    }
    add(Step::Kind::Move, x, y, false);
    if (command == "click") {
      add(Step::Kind::Button, button, 0, true);
      add(Step::Kind::Button, button, 0, false);
    }
  } else if (command == "press" || command == "release") {
    int button = 0;
    if (!arity(1, 1)) return false;
    if (!ReadButton(args[0], &button)) {
      *why = "no mouse button \"" + args[0] + "\"";
      return false;
    }
    add(Step::Kind::Button, button, 0, command == "press");
  } else if (command == "wheel") {
    int notches = 0;
    if (!arity(1, 1)) return false;
    if (!ReadNumber(args[0], 10, -100, 100, &notches) || notches == 0) {
      *why = "a number of wheel notches expected, not \"" + args[0] + "\"";
      return false;
    }
    add(Step::Kind::Wheel, notches, 0, false);
  } else if (command == "key" || command == "keydown" || command == "keyup") {
    int code = 0;
    if (!arity(1, 1)) return false;
    if (!ReadNumber(args[0], 0, 1, 255, &code)) {
      *why = "a key code from 1 to 255 expected, not \"" + args[0] + "\"";
      return false;
    }
    if (command != "keyup") add(Step::Kind::Key, code, 0, true);
    if (command != "keydown") add(Step::Kind::Key, code, 0, false);
  } else if (command == "frame" || command == "gui") {
    if (!arity(1, 1)) return false;
    step.path = args[0];
    add(command == "frame" ? Step::Kind::Frame : Step::Kind::Gui, 0, 0, false);
  } else if (command == "close") {
    if (!arity(0, 0)) return false;
    add(Step::Kind::Close, 0, 0, false);
  } else {
    *why = "no step \"" + command + "\"";
    return false;
  }
  return true;
}

// Whether what the last step fed has reached the program: its message handed
// out, the device read by the input thread, and a frame drawn since. The
// time of the step after counts from then: the input thread may read the
// devices long after they were fed, and a delay spent waiting for that read
// would leave the program no time to act on the input.
bool Settled(Script& s) {
  switch (s.wait) {
    case Wait::Nothing:
      return true;
    case Wait::Dispatch:
      if (MessagesWaiting()) return false;
      s.wait = Wait::MouseRead;
      s.mark = InputReads(false);
      return false;
    case Wait::MouseRead:
    case Wait::KeyRead:
      if (InputReads(s.wait == Wait::KeyRead) <= s.mark) return false;
      s.wait = Wait::Frame;
      s.mark = LastPresentedFrame().count;
      return false;
    case Wait::Frame:
      if (LastPresentedFrame().count <= s.mark) return false;
      s.wait = Wait::Nothing;
      // A move's first part (the pointer pinned) leaves the time to its step.
      if (!s.pinned) s.lastRun = GetTickCount() - s.start;
      return true;
  }
  return true;
}

void WriteText(const std::string& path, const std::string& text) {
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
}

// Runs a step; false when it took a first part only and must run again.
bool Perform(Script& s, const Step& step, HWND window, bool relativeMouse) {
  switch (step.kind) {
    case Step::Kind::Move:
      if (relativeMouse) {
        // Counts move a cursor the program keeps itself, from where the
        // script cannot know: pushed against the origin first, it is known.
        if (!s.pinned) {
          InputMouseMotion(-65536, -65536);
          s.pinned = true;
          s.wait = Wait::MouseRead;
          s.mark = InputReads(false);
          return false;
        }
        s.pinned = false;
        InputMouseMotion(step.x, step.y);
      } else {
        InputMouseMotion(step.x - s.pointerX, step.y - s.pointerY);
      }
      s.pointerX = step.x;
      s.pointerY = step.y;
      PostMessageA(window, WM_MOUSEMOVE, 0,
                   MAKELPARAM(static_cast<WORD>(step.x), static_cast<WORD>(step.y)));
      s.wait = Wait::Dispatch;
      return true;
    case Step::Kind::Button:
      InputMouseButton(step.x, step.down);
      s.wait = Wait::MouseRead;
      s.mark = InputReads(false);
      return true;
    case Step::Kind::Wheel:
      InputMouseWheel(step.x * 120);
      s.wait = Wait::MouseRead;
      s.mark = InputReads(false);
      return true;
    case Step::Kind::Key:
      InputKey(step.x, step.down);
      s.wait = Wait::KeyRead;
      s.mark = InputReads(true);
      return true;
    case Step::Kind::Frame:
      WritePresentedFramePng(step.path);
      return true;
    case Step::Kind::Gui:
      WriteText(step.path, s.guiDumper ? s.guiDumper() : std::string());
      return true;
    case Step::Kind::Close:
      PostMessageA(window, WM_CLOSE, 0, 0);
      s.wait = Wait::Dispatch;
      return true;
  }
  return true;
}

}  // namespace

bool SetHeadlessScript(const std::string& text, std::string* error) {
  std::vector<Step> steps;
  std::istringstream in(text);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    std::string why;
    if (!ParseLine(line, &steps, &why)) {
      if (error) *error = "line " + std::to_string(number) + ": " + why;
      return false;
    }
  }
  Script& s = TheScript();
  auto dumper = std::move(s.guiDumper);
  s = Script{};
  s.guiDumper = std::move(dumper);
  s.steps = std::move(steps);
  s.start = GetTickCount();
  return true;
}

bool HeadlessScriptDone() {
  const Script& s = TheScript();
  return s.next >= s.steps.size();
}

void SetGuiDumper(std::function<std::string()> dumper) {
  TheScript().guiDumper = std::move(dumper);
}

void LoadScriptFromEnvironment() {
  const char* path = std::getenv("VOXA2_HEADLESS_SCRIPT");
  if (!path) return;
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  std::string error = "cannot be read";
  if (!file || !SetHeadlessScript(text.str(), &error)) {
    std::fprintf(stderr, "VOXA2_HEADLESS_SCRIPT %s: %s\n", path, error.c_str());
    std::exit(2);
  }
}

void RunDueScriptSteps(HWND window, bool relativeMouse) {
  Script& s = TheScript();
  if (!window) return;
  while (s.next < s.steps.size() && Settled(s)) {
    const Step& step = s.steps[s.next];
    const DWORD now = GetTickCount() - s.start;
    if (now < (step.afterLast ? s.lastRun : 0) + step.at) return;
    if (!Perform(s, step, window, relativeMouse)) continue;
    s.lastRun = now;
    ++s.next;
  }
}

}  // namespace platform
