// The whole program in this process on the headless display with the
// launcher: the generated viewer.dat, catalogues written by the test, a clock
// that advances 20 ms a frame, and a list of steps that act as the user
// between frames (under the input lock, as the input thread would).
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "gui/button.h"
#include "gui/desktop.h"
#include "gui/window.h"
#include "platform/headless.h"
#include "tests/support/display_fixture.h"
#include "tools/vornarc/writer.h"
#include "viewer/launcher.h"
#include "windxkernel/application.h"
#include "windxkernel/kernel.h"

namespace launchertest {

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// A demo that shows one colour for a fifth of a second.
inline const char kShortDemo[] =
    "pipeline p { entry 0 : 1 : clear { buffer DDSsecondary; color (0, 0, 255); } }\n"
    "sequence s { length 1; relative length 1; pipeline p; }\n"
    "main() { sequence s; eod 0.2; }\n";

// data\: "Tests" at 800x600 with five demos, the second the default; the
// third's script is missing (tests take its name away), "broken" does not
// compile, "tune" names a missing module. extra.dat: an untitled catalogue
// without a preferred resolution, holding one demo.
inline void WriteCatalogues() {
  WriteText("data/demo.ini",
            "demo first { title \"First\"; file \"demos\\\\first.scr\"; }\n"
            "demo second { title \"Second\"; file \"demos\\\\second.scr\";"
            " desc \"demos\\\\second.txt\"; }\n"
            "demo nofile { title \"No script\"; file \"demos\\\\nofile.scr\";"
            " desc \"demos\\\\nofile.txt\"; }\n"
            "demo broken { title \"Broken\"; file \"demos\\\\broken.scr\"; }\n"
            "demo tune { title \"Missing music\"; file \"demos\\\\tune.scr\"; }\n"
            "main() { title \"Tests\"; resolution 800 times 600;\n"
            "  demo first; demo second, default; demo nofile; demo broken; demo tune; }\n");
  WriteText("data/demos/first.scr", kShortDemo);
  WriteText("data/demos/second.scr", kShortDemo);
  WriteText("data/demos/second.txt", "<P>The second demo.</P>");
  WriteText("data/demos/nofile.txt", "Nothing to run.");
  WriteText("data/demos/broken.scr", "main() { eod 1; \n sequence ; }");
  WriteText("data/demos/tune.scr", "main() { music \"music\\\\none.mod\", 64, 0; eod 0.2; }");
  const auto bytes = [](const std::string& text) { return vornarc::tBytes(text.begin(), text.end()); };
  const vornarc::tMember ini{"demo.ini", bytes("demo other { title \"Other\"; file \"extra\\\\other.scr\"; }\n"
                                               "main() { resolution 0 times 0; demo other; }\n")};
  const vornarc::tMember demo{"extra\\other.scr", bytes(kShortDemo)};
  const vornarc::tBytes archive = vornarc::WriteArchive({ini, demo}).bytes;
  std::ofstream("extra.dat", std::ios::binary)
      .write(reinterpret_cast<const char*>(archive.data()),
             static_cast<std::streamsize>(archive.size()));
}

// A step acts once per frame, before the frame, until it answers true; the
// next step has its turn in the next frame. The run quits after the last.
using tStep = std::function<bool()>;

class tSteppedKernel : public kernel::cWinDXKernel {
 public:
  tSteppedKernel(std::vector<tStep>* steps, std::atomic<DWORD>* ticks)
      : steps_(steps), ticks_(ticks) {}
  bool Render() override {
    *ticks_ += 20;
    {
      std::lock_guard lock(kernel::InputLock());
      if (next_ >= steps_->size() || ++frames_ > 3000) {
        if (frames_ > 3000) ADD_FAILURE() << "the steps did not finish";
        Quit();
        return true;
      }
      if ((*steps_)[next_]()) ++next_;
    }
    return cWinDXKernel::Render();
  }

 private:
  std::vector<tStep>* steps_;
  // The clock, read by both threads.
  std::atomic<DWORD>* ticks_;
  std::size_t next_ = 0;
  int frames_ = 0;
};

class LauncherSession : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(std::filesystem::path(VOXA2_PLAY_DIR) / "viewer.dat", "viewer.dat",
                               std::filesystem::copy_options::overwrite_existing);
    WriteCatalogues();
  }

  // Runs the program with steps; the result is the program's exit code.
  int Run(std::vector<tStep> steps, const char* options = "debugmode nosound windowed") {
    steps_ = std::move(steps);
    ticks_ = 0;
    kernel::SetApplicationFactory([this] { return new tSteppedKernel(&steps_, &ticks_); });
    platform::SetTickSource([this] { return ticks_.load(); });
    const int code = RunApplication(nullptr, nullptr, options, SW_SHOWNORMAL);
    kernel::SetApplicationFactory(nullptr);
    platform::SetTickSource(nullptr);
    return code;
  }

  testsupport::DisplayEnvironment environment_;
  std::vector<tStep> steps_;
  std::atomic<DWORD> ticks_{0};
};

// Acts, then is done.
inline tStep Do(std::function<void()> action) {
  return [action] {
    action();
    return true;
  };
}

// Waits for the launcher to stand (again) and to have drawn one frame.
inline tStep LauncherShown() {
  return [] { return VOXA2::desktop && !VOXA2::currentDemo && !VOXA2::startRequested; };
}

// Waits a number of frames.
inline tStep Frames(int count) {
  return [count, left = count]() mutable { return --left <= 0; };
}

// Takes the launcher's own data (viewer.dat, the last data file) away.
inline void UnmountViewerData() {
  kernel::UnmountDataFile(kernel::GetDataFile(kernel::GetDataFileCount() - 1));
}

// A click of the first mouse button in the middle of an element, through the
// input hand-off.
inline void Click(ZGUI::cVisElement* element) {
  const ZGUI::tPoint at = element->ClientToScreen(
      ZGUI::tPoint(element->GetClientWidth() / 2, element->GetClientHeight() / 2), element);
  VOXA2::OnMouseMove(at.x, at.y, 0);
  VOXA2::OnMouseButton(0, true, 0);
  VOXA2::OnMouseButton(0, false, 0);
}


}  // namespace launchertest
