// The launcher as a user meets it, driven between frames through the input
// hand-off: the demo list and its selection, the buttons, a demo run and the
// launcher built again after it, start failures, closing and minimising.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/archive.h"
#include "gui/container.h"
#include "gui/hypertextviewer.h"
#include "gui/keyboard.h"
#include "gui/label.h"
#include "gui/listbox.h"
#include "gui/messages.h"
#include "platform/fakehardware.h"
#include "platform/sound_headless.h"
#include "tests/viewer/launcher_fixture.h"
#include "windxkernel/video.h"

namespace {

using namespace launchertest;
using VOXA2::mainElements;

std::string Text(const char* text) { return text ? text : ""; }

ZGUI::cListEntry_IdentedText* Row(int index) {
  return static_cast<ZGUI::cListEntry_IdentedText*>(mainElements.list->GetEntry(index));
}

bool Logged(const std::string& start) {
  for (const std::string& line : testsupport::DebugLogLines())
    if (line.rfind(start, 0) == 0) return true;
  return false;
}

// What the launcher shows of the selection.
struct tShown {
  int row;
  bool runEnabled;
  std::string quickInfo, description;
  friend bool operator==(const tShown&, const tShown&) = default;
};

void PrintTo(const tShown& s, std::ostream* os) {
  *os << "row " << s.row << (s.runEnabled ? ", run enabled" : ", run disabled") << ", \""
      << s.quickInfo << "\", \"" << s.description << "\"";
}

tShown Shown() {
  return {mainElements.list->GetCurrent(), mainElements.run->IsEnabled(),
          Text(mainElements.quickInfo->GetCaption()), Text(mainElements.infoText->GetCaption())};
}

// A demo record without a script name (which no catalogue file can give).
void TakeScriptAway() { VOXA2::catalogues[0]->enlisted[2]->file.reset(); }

const tShown kDefaultShown{2, true, "Preferred resolution: 800 times 600",
                           "<P>The second demo.</P>"};

TEST_F(LauncherSession, ListsEveryCatalogueWithItsDemosAndSelectsTheFirstDefault) {
  struct tRow {
    std::string text;
    std::uint32_t colour;
    int indent;
    bool selectable;
  };
  std::vector<tRow> rows;
  tShown shown;
  EXPECT_EQ(Run({LauncherShown(), Do([&] {
                   for (int i = 0; i < mainElements.list->GetCount(); ++i)
                     rows.push_back({Row(i)->GetText(), Row(i)->GetColor(), Row(i)->GetIndent(),
                                     Row(i)->IsSelectable()});
                   shown = Shown();
                 })}),
            0);
  const std::vector<tRow> want{{"Tests", 0xFFFFFF, 0, false},
                               {"First", 0xBFBFBF, 16, true},
                               {"Second", 0xBFBFBF, 16, true},
                               {"No script", 0xBFBFBF, 16, true},
                               {"Broken", 0xBFBFBF, 16, true},
                               {"Missing music", 0xBFBFBF, 16, true},
                               {"<untitled>", 0xDFDFDF, 0, false},
                               {"Other", 0xBFBFBF, 16, true}};
  ASSERT_EQ(rows.size(), want.size()) << testsupport::ReadFile("debug.txt");
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(rows[i].text, want[i].text) << i;
    EXPECT_EQ(rows[i].colour, want[i].colour) << i;
    EXPECT_EQ(rows[i].indent, want[i].indent) << i;
    EXPECT_EQ(rows[i].selectable, want[i].selectable) << i;
  }
  EXPECT_EQ(shown, kDefaultShown);
}

TEST_F(LauncherSession, TheSelectionShowsWhatItsDemoOffers) {
  struct tCase {
    int select;
    tShown want;
  };
  // A heading cannot be selected: choosing it leaves nothing selected.
  const std::vector<tCase> cases{
      {3, {3, false, "Preferred resolution: 800 times 600", "Nothing to run."}},
      {7, {7, true, "", ""}},
      {1, {1, true, "Preferred resolution: 800 times 600", ""}},
      {0, {-1, false, "", ""}},
  };
  std::vector<tShown> seen;
  std::vector<tStep> steps{LauncherShown(), Do(TakeScriptAway)};
  for (const tCase& c : cases)
    steps.push_back(Do([&seen, row = c.select] {
      mainElements.list->SetCurrent(row);
      seen.push_back(Shown());
    }));
  EXPECT_EQ(Run(steps), 0);
  ASSERT_EQ(seen.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(seen[i], cases[i].want) << i;
}

TEST_F(LauncherSession, WithoutCataloguesTheListIsEmptyAndNothingCanRun) {
  std::filesystem::remove("data/demo.ini");
  std::filesystem::remove("extra.dat");
  int rows = -1;
  tShown shown;
  EXPECT_EQ(Run({LauncherShown(), Do([&] {
                   rows = mainElements.list->GetCount();
                   shown = Shown();
                 })}),
            0);
  EXPECT_EQ(rows, 0);
  EXPECT_EQ(shown, (tShown{-1, false, "", ""}));
}

// Neither a demo without a script (its Run is disabled) nor nothing selected
// starts anything.
TEST_F(LauncherSession, RunWithoutARunnableSelectionStartsNothing) {
  for (int row : {3, -1}) {
    SCOPED_TRACE(row);
    bool started = false;
    EXPECT_EQ(Run({LauncherShown(), Do([row] {
                     TakeScriptAway();
                     mainElements.list->SetCurrent(row);
                   }),
                   Do([] { Click(mainElements.run); }), Frames(3),
                   Do([&] { started = VOXA2::currentDemo || VOXA2::startRequested; })}),
              0);
    EXPECT_FALSE(started);
    EXPECT_FALSE(Logged("OK, now we will start the demo..."));
    testsupport::ResetProcessState();
    SetUp();
  }
}

TEST_F(LauncherSession, RunPlaysTheDemoAndBuildsTheLauncherAgainWithTheDefaultSelection) {
  const ZGUI::cDesktop* first = nullptr;
  std::string played;
  bool launcherDuringDemo = true;
  tShown after;
  EXPECT_EQ(Run({LauncherShown(), Do([&] {
                   first = VOXA2::desktop;
                   mainElements.list->SetCurrent(1);
                   Click(mainElements.run);
                 }),
                 [&] {
                   if (!VOXA2::currentDemo) return false;
                   launcherDuringDemo = VOXA2::desktop || VOXA2::mainWindow;
                   return true;
                 },
                 LauncherShown(), Do([&] { after = Shown(); })}),
            0);
  EXPECT_FALSE(launcherDuringDemo);
  EXPECT_EQ(after, kDefaultShown);
  EXPECT_TRUE(Logged("OK, now we will start the demo..."));
  EXPECT_TRUE(Logged("Demo counter result: "));
  EXPECT_NE(first, nullptr);
}

// Without its own data the launcher cannot be built again after a demo: the
// program ends with 1 and says why, instead of running without a GUI.
TEST_F(LauncherSession, ALauncherThatCannotBeBuiltAgainEndsTheProgramWithOne) {
  bool after = false;
  EXPECT_EQ(Run({LauncherShown(), Do([] { Click(mainElements.run); }),
                 [] {
                   if (!VOXA2::currentDemo) return false;
                   UnmountViewerData();
                   return true;
                 },
                 LauncherShown(), Do([&] { after = true; })}),
            1);
  EXPECT_FALSE(after);
  EXPECT_TRUE(Logged("Could not rebuild the launcher!"));
}

struct tFailure {
  const char* name;
  int row;
  void (*damage)();
  const char* message;
};

void PrintTo(const tFailure& f, std::ostream* os) { *os << f.name; }

class LauncherStartFailure : public LauncherSession,
                             public ::testing::WithParamInterface<tFailure> {};

ZGUI::cWindow* MessageBoxWindow() {
  return dynamic_cast<ZGUI::cWindow*>(VOXA2::desktop->FindChild("dlg(MessageBox)"));
}

// The box says why; after OK the launcher plays another demo.
TEST_P(LauncherStartFailure, SaysWhyInAMessageBoxAndTheLauncherGoesOn) {
  const tFailure& f = GetParam();
  bool shown = false, mounted = true, hiddenAfterOk = false, playedAfter = false;
  std::string caption, text;
  EXPECT_EQ(Run({LauncherShown(), Do([&] {
                   f.damage();
                   mainElements.list->SetCurrent(f.row);
                   Click(mainElements.run);
                 }),
                 Frames(2), Do([&] {
                   ZGUI::cWindow* box = MessageBoxWindow();
                   ASSERT_NE(box, nullptr);
                   shown = box->IsShowing();
                   caption = Text(box->GetCaption());
                   auto* label = dynamic_cast<ZGUI::cLabel*>(
                       box->GetClient()->FindChild("dlg(MessageBox)::txt"));
                   ASSERT_NE(label, nullptr);
                   text = Text(label->GetCaption());
                   mounted = kernel::IsDataFileMounted(kernel::GetDataFile(0));
                   platform::SetHeadlessSoundDevices({});
                   Click(static_cast<ZGUI::cVisElement*>(
                       box->GetClient()->FindChild("dlg(MessageBox)::btn")));
                 }),
                 Frames(2), Do([&] {
                   ZGUI::cWindow* box = MessageBoxWindow();
                   hiddenAfterOk = !box || !box->IsShowing();
                   mainElements.list->SetCurrent(1);
                   Click(mainElements.run);
                 }),
                 [&] { return playedAfter = VOXA2::currentDemo != nullptr; }, LauncherShown()}),
            0);
  EXPECT_TRUE(shown);
  EXPECT_EQ(caption, "VOXA2");
  EXPECT_EQ(text, f.message);
  EXPECT_FALSE(mounted);
  EXPECT_TRUE(hiddenAfterOk);
  EXPECT_TRUE(playedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LauncherStartFailure,
    ::testing::Values(tFailure{"ScriptDoesNotCompile", 4, [] {},
                               "Error on loading the demo!\n"
                               "demos\\broken.scr(2,12) Error 104 occured: Sequence expected!"},
                      tFailure{"MusicMissing", 5, [] {},
                               "Error on loading the music!\n"
                               "Could not load music from disk: music\\none.mod!\n"
                               "demos\\tune.scr(1,33) Error on loading the music!"},
                      tFailure{"NoSoundDevice", 1,
                               [] {
                                 platform::HeadlessSoundDevices none;
                                 none.silence = false;
                                 none.defaultOutput = false;
                                 platform::SetHeadlessSoundDevices(none);
                               },
                               "Error on initializing the music system!\n"
                               "BASS_Init() failed: There is no available device driver (?)."}),
    [](const auto& info) { return std::string(info.param.name); });

// The box shows the first two reasons under its headline, each cut to what
// two lines of the box hold.
TEST(StartFailureText, HeadlineThenTheFirstTwoReasonsCut) {
  const std::string longLine(100, 'x');
  const struct {
    std::vector<std::string> reasons;
    std::string text;
  } rows[] = {
      {{}, "Headline"},
      {{"one"}, "Headline\none"},
      {{"one", "two", "three"}, "Headline\none\ntwo"},
      {{longLine}, "Headline\n" + std::string(85, 'x') + "..."},
      {{std::string(88, 'y')}, "Headline\n" + std::string(88, 'y')},
  };
  for (const auto& row : rows)
    EXPECT_EQ(VOXA2::StartFailureText("Headline", row.reasons), row.text) << row.text;
}

// "Exit" and the main window's close button end the program at once (the
// steps after the click never run) with a clean exit code.
TEST_F(LauncherSession, ExitAndClosingTheWindowEndTheProgram) {
  for (auto element : {+[] { return static_cast<ZGUI::cVisElement*>(mainElements.exit); },
                       +[] {
                         return static_cast<ZGUI::cVisElement*>(
                             VOXA2::mainWindow->GetCloseButton());
                       }}) {
    bool after = false;
    EXPECT_EQ(Run({LauncherShown(), Do([element] { Click(element()); }), Frames(3),
                   Do([&] { after = true; })}),
              0);
    EXPECT_FALSE(after);
    testsupport::ResetProcessState();
    SetUp();
  }
}

// The key table's code of the down arrow.
constexpr int kKeyDown = 102;

std::vector<std::uint32_t> Presented() { return platform::LastPresentedFrame().pixels; }

// Minimised, the screen shows moving noise; a key or a button press brings the
// launcher back as it was, and that press reaches nothing else.
TEST_F(LauncherSession, MinimisedShowsNoiseUntilAKeyOrButtonIsPressed) {
  for (int press : {0, 1}) {
    SCOPED_TRACE(press ? "button" : "key");
    std::vector<std::uint32_t> before, noise1, noise2, restored;
    bool minimized = false, back = false, unseen = false, heldBack = false;
    ZGUI::tPoint cursor;
    EXPECT_EQ(Run({LauncherShown(), Frames(2), Do([&] {
                     before = Presented();
                     cursor = VOXA2::desktop->GetCursorPosition();
                     Click(VOXA2::mainWindow->GetMinimizeButton());
                     // Back where it was, so that the cursor is drawn in the same place.
                     VOXA2::OnMouseMove(cursor.x, cursor.y, 0);
                   }),
                   Frames(1), Do([&] { noise1 = Presented(); }),
                   Do([&] {
                     noise2 = Presented();
                     minimized = VOXA2::mainWindow->IsMinimized();
                     // Moves are held back while nothing takes them from the queue.
                     for (int i = 0; i < 3; ++i) VOXA2::OnMouseMove(cursor.x, cursor.y, 0);
                     heldBack = VOXA2::desktop->GetMessageQueue()->IsEmpty();
                     if (press)
                       VOXA2::OnMouseButton(1, true, 0);
                     else
                       VOXA2::OnKey(kKeyDown, true, 0);
                   }),
                   Frames(2), Do([&] {
                     restored = Presented();
                     back = !VOXA2::mainWindow->IsMinimized();
                     unseen = !VOXA2::desktop->GetKeyboard()->IsKeyDown(kKeyDown);
                   })}),
              0);
    EXPECT_TRUE(minimized);
    EXPECT_TRUE(heldBack);
    EXPECT_NE(noise1, before);
    EXPECT_NE(noise1, noise2);
    EXPECT_TRUE(back);
    EXPECT_TRUE(unseen);
    EXPECT_EQ(restored, before);
    testsupport::ResetProcessState();
    SetUp();
  }
}

// A full-screen start takes 640x480 in 16 bits a pixel; the launcher looks the
// same as in a 32-bit window, but for the colours' lost low bits.
TEST_F(LauncherSession, AFullScreenStartIn16BitsDrawsWhatAWindowDraws) {
  std::vector<std::uint32_t> frames[2];
  int bits[2] = {0, 0};
  const char* options[2] = {"debugmode nosound windowed", "debugmode nosound"};
  for (int i : {0, 1}) {
    EXPECT_EQ(Run({LauncherShown(), Frames(2), Do([&, i] {
                     frames[i] = Presented();
                     bits[i] = VOXA2::screenInfo.bitsPerPixel;
                   })},
                  options[i]),
              0);
    testsupport::ResetProcessState();
    SetUp();
  }
  EXPECT_EQ(bits[0], 32);
  EXPECT_EQ(bits[1], 16);
  ASSERT_EQ(frames[0].size(), frames[1].size());
  // The toolkit's 16-bit shading and text keep fewer bits along the way: the
  // pictures differ a little everywhere, but the layout would differ a lot.
  double total = 0;
  for (std::size_t p = 0; p < frames[0].size(); ++p)
    for (int shift : {0, 8, 16})
      total += std::abs(static_cast<int>((frames[0][p] >> shift) & 0xFF) -
                        static_cast<int>((frames[1][p] >> shift) & 0xFF));
  // Truncating to 5-6-5 alone costs about 3 on average.
  EXPECT_LE(total / (3.0 * frames[0].size()), 6.0);
}

}  // namespace
