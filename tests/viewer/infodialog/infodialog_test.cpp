// The Information window on a headless desktop with the launcher's own font
// and picture: its build, its layout for the screen, its contents from the
// registries and the linked libraries, and closing it.
#include "viewer/infodialog/infodialog.h"

#include <SDL.h>
#include <bzlib.h>
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>
#include <png.h>
#include <sndfile.h>
#include <zlib.h>

#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "demo/command.h"
#include "demo/view3dregistry.h"
#include "foundation/archive.h"
#include "foundation/fakearchive.h"
#include "foundation/gfxloader.h"
#include "gui/window.h"
#include "script/filters.h"
#include "tests/gui/desktop_fixtures.h"
#include "tests/gui/font_fixtures.h"
#include "tests/gui/png_fixtures.h"
#include "viewer/infodialog/elements.h"
#include "viewer/infodialog/texts.h"
#include "windxkernel/video.h"
#include "script/tokens.h"

namespace {

using namespace VOXA2;
using ZGUI::tRect;

const guitest::tFormat& Format(const char* name) {
  for (const guitest::tFormat& f : guitest::Formats())
    if (std::string(f.name) == name) return f;
  return guitest::Formats().front();
}

// One row as the tests compare it: the three texts ("-" for none), or
// "spacer"; colour and font size beside.
struct tRow {
  std::string text;
  std::uint32_t colour = 0;
  std::int32_t size = 0;
};

std::string Text(const ZGUI::cListEntry_LCRText* row, int i) {
  const char* t = row->GetText(static_cast<std::uint32_t>(i));
  return t ? t : "-";
}

std::vector<tRow> Rows(const ZGUI::cList* list) {
  std::vector<tRow> rows;
  for (std::int32_t i = 0; i < list->GetCount(); i++) {
    const auto* row = dynamic_cast<const ZGUI::cListEntry_LCRText*>(list->GetEntry(i));
    if (!row) {
      EXPECT_EQ(list->GetEntry(i)->GetHeight(), ZGUI::ScaleY(8));
      rows.push_back({"spacer"});
      continue;
    }
    rows.push_back({Text(row, 0) + "|" + Text(row, 1) + "|" + Text(row, 2), row->GetColor(),
                    row->GetFont() ? row->GetFont()->GetSize() : 0});
  }
  return rows;
}

// The index of the first row whose text starts with start, or -1.
int Find(const std::vector<tRow>& rows, const std::string& start, int from = 0) {
  for (int i = from; i < static_cast<int>(rows.size()); i++)
    if (rows[i].text.rfind(start, 0) == 0) return i;
  return -1;
}

// The right text of the row whose left text is label.
std::string Right(const std::vector<tRow>& rows, const std::string& label) {
  const int at = Find(rows, label + "|");
  if (at < 0) return "(no row " + label + ")";
  return rows[at].text.substr(rows[at].text.rfind('|') + 1);
}

ZGUI::cElement* Named(ZGUI::cElement* root, const std::string& name) {
  if (root->GetName() && name == root->GetName()) return root;
  for (std::int32_t i = 0; i < root->GetChildCount(); i++)
    if (ZGUI::cElement* found = Named(root->GetChild(i), name)) return found;
  return nullptr;
}

// A desktop of the given mode with the launcher's data (font and pictures as
// the build generates them) and the registries as the launcher starts them;
// a window standing for the main window lies under where the dialog opens.
class InfoWindow : public ::testing::Test {
 protected:
  void SetUp() override { Start(Format("X8R8G8B8"), 640, 480); }

  void Start(const guitest::tFormat& format, int width, int height) {
    static const bool readers = (RegisterPictureReaders(), true);  // once, as the runtime does
    (void)readers;
    launcher_.SetFileName("gen\\launcher\\");
    ClearFileAccessFunctions();
    AddArchive(&launcher_);
    screen = std::make_unique<guitest::tDesktopScreen>(format, width, height);
    auto* face = new ZGUI::cBitmapFont();
    ASSERT_TRUE(face->Load("fonts\\Arial.pcx", guitest::kLauncherSet));
    screen->desktop->GetFontManager()->AddFont("Arial", face);
    main = new ZGUI::cWindow();
    screen->Client()->AddChild(main);
    main->SetBounds({width / 16, height / 12, 15 * width / 16, 11 * height / 12});
    main->SetCaption("Main");
    main->Activate();
    ASSERT_TRUE(InitCommandRegistry());
    ASSERT_TRUE(RegisterCommands());
    ASSERT_TRUE(filter::RegisterFilters());
    ASSERT_TRUE(infodialog::Build());
    ASSERT_TRUE(infodialog::Relayout());
  }

  void TearDown() override { Stop(); }

  void Stop() {
    if (!screen) return;
    infodialog::Shutdown();
    screen.reset();
    filter::FreeFilters();
    FreeCommandRegistry();
    RemoveArchive(&launcher_);
    FreeFileAccessLists();
  }

  static ZGUI::cDialog* Window() { return infodialog::infowindow; }
  static std::vector<tRow> System() { return Rows(infodialog::VOXAList); }
  static std::vector<tRow> Credits() { return Rows(infodialog::creditsList); }

  // The screen point in the middle of an element.
  static ZGUI::tPoint Middle(ZGUI::cVisElement* element) {
    return element->ClientToScreen(
        ZGUI::tPoint(element->GetWidth() / 2, element->GetHeight() / 2), element);
  }

  std::unique_ptr<guitest::tDesktopScreen> screen;
  ZGUI::cWindow* main = nullptr;

 private:
  TFakeArchive launcher_;
};

TEST_F(InfoWindow, BuildsItsTreeHiddenUnderItsNames) {
  ZGUI::cElement* window = screen->Client()->FindChild("Information");
  ASSERT_EQ(window, Window());
  EXPECT_FALSE(Window()->IsVisible());
  EXPECT_STREQ(Window()->GetCaption(), "Information");
  struct {
    const char* name;
    ZGUI::cElement* parent;
    const char* caption;
  } const tree[] = {
      {"Information::pcInformation", Window()->GetClient(), nullptr},
      {"Information::OKbutton", Window()->GetClient(), "Close"},
      {"Information::tsCredits", infodialog::pcInformation, "Credits"},
      {"Information::creditsList", infodialog::tsCredits, nullptr},
      {"Information::creditsListSB", infodialog::tsCredits, nullptr},
      {"Information::tsVOXA", infodialog::pcInformation, infodialog::kProductName},
      {"Information::VOXAList", infodialog::tsVOXA, nullptr},
      {"Information::VOXAListSB", infodialog::tsVOXA, nullptr},
  };
  for (const auto& e : tree) {
    auto* element = dynamic_cast<ZGUI::cVisElement*>(Named(window, e.name));
    ASSERT_NE(element, nullptr) << e.name;
    EXPECT_EQ(element->GetParent(), e.parent) << e.name;
    EXPECT_STREQ(element->GetCaption(), e.caption) << e.name;
  }
  EXPECT_EQ(infodialog::creditsList->GetScrollBar(), infodialog::creditsListSB);
  EXPECT_EQ(infodialog::VOXAList->GetScrollBar(), infodialog::VOXAListSB);
  EXPECT_FALSE(infodialog::VOXAList->IsSelectionAllowed());
  EXPECT_FALSE(infodialog::creditsList->IsSelectionAllowed());
}

TEST_F(InfoWindow, WithoutItsPictureNothingIsBuilt) {
  Stop();
  ClearFileAccessFunctions();
  screen = std::make_unique<guitest::tDesktopScreen>(Format("X8R8G8B8"), 640, 480);
  EXPECT_FALSE(infodialog::Build());
  EXPECT_EQ(screen->Client()->GetChildCount(), 0);
}

// The dialog covers 4/30 to 26/30 of its parent after every layout, also
// after a change of mode.
TEST_F(InfoWindow, LayoutFollowsTheScreen) {
  struct {
    int width, height;
    tRect window;
  } const modes[] = {{640, 480, {85, 64, 554, 416}}, {800, 600, {106, 80, 693, 520}}};
  for (const auto& m : modes) {
    guitest::UseFormat(Format("X8R8G8B8"), m.width, m.height);
    screen->desktop->SetBounds({0, 0, m.width - 1, m.height - 1});
    screen->desktop->Reinitialize();
    ASSERT_TRUE(infodialog::Relayout());
    EXPECT_EQ(Window()->GetBounds(), m.window) << m.width;
    // The list and its bar share the page, the bar at its right edge.
    const tRect list = infodialog::VOXAList->GetBounds();
    const tRect bar = infodialog::VOXAListSB->GetBounds();
    EXPECT_EQ(bar.left, list.right + 1);
    EXPECT_EQ(bar.right - bar.left + 1, ZGUI::ScaleX(20));
    EXPECT_EQ(bar.right, infodialog::tsVOXA->GetClientWidth() - 2);
  }
}

// A window outside the tree keeps its bounds; its elements follow its client.
TEST_F(InfoWindow, ClientOf460By300PlacesPagesAndButton) {
  screen->Client()->RemoveChild(Window());
  Window()->SetBounds({0, 0, 459, 299});
  const tRect sized{0, 0, 459 + 460 - Window()->GetClientWidth(),
                    299 + 300 - Window()->GetClientHeight()};
  Window()->SetBounds(sized);
  ASSERT_EQ(Window()->GetClientWidth(), 460);
  ASSERT_EQ(Window()->GetClientHeight(), 300);
  EXPECT_TRUE(infodialog::Relayout());
  EXPECT_EQ(Window()->GetBounds(), sized);
  EXPECT_EQ(infodialog::pcInformation->GetBounds(), (tRect{0, 0, 459, 270}));
  EXPECT_EQ(infodialog::OKbutton->GetBounds(), (tRect{153, 274, 306, 296}));
  screen->Client()->AddChild(Window());
}

// Opening centres the window and keeps its size; division truncates toward zero.
TEST_F(InfoWindow, OpeningCentresTheWindow) {
  struct {
    int width;
    int x;
  } const cases[] = {{600, 20}, {641, 0}, {643, -1}};
  for (const auto& c : cases) {
    Window()->SetBounds({5, 7, 5 + c.width - 1, 7 + 199});
    infodialog::Open();
    EXPECT_EQ(Window()->GetBounds(), (tRect{c.x, 140, c.x + c.width - 1, 339})) << c.width;
  }
}

// Each registry's records in the order of their identifiers, with versions
// and identifiers formatted, colours alternating from the first record.
TEST(InfoRegistryRows, FormatVersionsAndIdentifiers) {
  const std::vector<tRow> want = {
      {"a|N/A|0xFE000000", infodialog::kEvenRecord, 14},
      {"b|2.0|0xFE00000A", infodialog::kOddRecord, 14},
      {"c|2.1|0x00000001", infodialog::kEvenRecord, 14},
      {"d|2.0.1|0xFFFFFFFF", infodialog::kOddRecord, 14},
      {"e|2.0.0.1|0x0000ABCD", infodialog::kEvenRecord, 14},
  };
  const infodialog::tRegistryRecord records[] = {{"a", 0, 0xFE000000},
                                                 {"b", 0x02000000, 0xFE00000A},
                                                 {"c", 0x02010000, 1},
                                                 {"d", 0x02000100, 0xFFFFFFFF},
                                                 {"e", 0x02000001, 0xABCD}};
  ZGUI::cList list;
  infodialog::AddRegistryRows(&list, [&](std::int32_t i) -> std::optional<infodialog::tRegistryRecord> {
    if (i < 5) return records[i];
    if (i == 6) return infodialog::tRegistryRecord{"after the end", 0, 0};
    return std::nullopt;
  });
  const std::vector<tRow> rows = Rows(&list);
  ASSERT_EQ(rows.size(), want.size());
  for (std::size_t i = 0; i < want.size(); i++) {
    EXPECT_EQ(rows[i].text, want[i].text);
    EXPECT_EQ(rows[i].colour, want[i].colour) << want[i].text;
    EXPECT_EQ(rows[i].size, 14);
  }
}

TEST(InfoCopyright, SplitsAtLineFeedsSkippingEmptyLines) {
  struct {
    const char* text;
    std::vector<std::string> lines;
  } const cases[] = {
      {"\nfirst\nsecond\n\nthird\nfourth\n", {"first", "second", "third", "fourth"}},
      {"", {}},
      {"one\n\n\ntwo", {"one", "two"}},
      {"no line feed", {"no line feed"}},
  };
  for (const auto& c : cases) EXPECT_EQ(infodialog::CopyrightLines(c.text), c.lines) << c.text;
}

std::vector<std::string> Names(const std::vector<tRow>& rows, int from) {
  std::vector<std::string> names;
  for (int i = from; i < static_cast<int>(rows.size()) && rows[i].text != "spacer"; i++)
    names.push_back(rows[i].text.substr(0, rows[i].text.find('|')));
  return names;
}

TEST_F(InfoWindow, SystemPageListsTheThreeRegistries) {
  infodialog::Open();
  const std::vector<tRow> rows = System();
  EXPECT_EQ(Right(rows, "Version"), "2.0.0");
  EXPECT_EQ(Right(rows, "Kernel platform"), video::GetPlatformName());
  EXPECT_EQ(Right(rows, "Compiler used"), video::GetCompilerVersion());

  const int commands = Find(rows, "Registered commands:|Version:|Command IDs:");
  ASSERT_GT(commands, 0);
  EXPECT_EQ(rows[commands - 1].text, "spacer");
  EXPECT_EQ(rows[commands].colour, infodialog::kHeading);
  EXPECT_EQ(Names(rows, commands + 1),
            (std::vector<std::string>{"nop", "clear", "fade_to_color", "picture", "music_volume",
                                      "pixel_crossfade", "motion_blur", "copy", "sprite",
                                      "scrolly", "sample", "bumpscroller", "slideshow", "morph",
                                      "logo_rot3d", "view3D", "grab_texture", "wobble",
                                      "rotozoomer", "blob"}));
  EXPECT_EQ(rows[commands + 1].text, "nop|2.0|0xFE000000");
  EXPECT_EQ(Right(rows, "logo_rot3d|N/A"), "0xFE00000E");

  const int view3d = Find(rows, "Registered view3D commands:|Version:|their IDs:");
  const int filters = Find(rows, "Registered bitmap filters:|Version:|their IDs:");
  ASSERT_GT(view3d, commands);
  ASSERT_GT(filters, view3d);
  EXPECT_EQ(rows[view3d - 1].text, "spacer");
  EXPECT_EQ(rows[filters - 1].text, "spacer");
  // Every registered sub-command, the script start-up's among them.
  std::vector<std::string> subCommands;
  for (std::int32_t i = 0; const t3DCommandDesc* d = Get3DCommand(i); i++)
    subCommands.push_back(d->name ? d->name : cToken::GetTypeName(d->tokenCode));
  EXPECT_EQ(Names(rows, view3d + 1), subCommands);
  for (const char* word : {"flare", "skybox", "if", "ifnot", "window"})
    EXPECT_NE(std::find(subCommands.begin(), subCommands.end(), word), subCommands.end()) << word;
  // The filter registered under a reserved word shows the word.
  EXPECT_GT(Find(rows, "tint|", filters), filters);
  // The list ends with the last filter.
  EXPECT_NE(rows.back().text, "spacer");
  for (int first : {commands + 1, view3d + 1, filters + 1}) {
    EXPECT_EQ(rows[first].colour, infodialog::kEvenRecord) << rows[first].text;
    EXPECT_EQ(rows[first + 1].colour, infodialog::kOddRecord) << rows[first + 1].text;
  }
}

TEST_F(InfoWindow, RegistriesNotSetUpShowTheirMessages) {
  Free3DCommandRegistry();
  filter::FreeFilters();
  infodialog::Open();
  const std::vector<tRow> rows = System();
  const int commands = Find(rows, "Registered commands:");
  const int last = commands + static_cast<int>(Names(rows, commands + 1).size());
  const std::vector<std::string> tail = [&] {
    std::vector<std::string> t;
    for (int i = last + 1; i < static_cast<int>(rows.size()); i++) t.push_back(rows[i].text);
    return t;
  }();
  EXPECT_EQ(tail, (std::vector<std::string>{
                      "spacer", "spacer", "-|view3D is not initialized yet! (bug? please report!)|-",
                      "spacer", "spacer", "spacer",
                      "-|Bitmap filters are not initialized yet! (bug? please report!)|-",
                      "spacer"}));
  EXPECT_EQ(rows[last + 3].colour, infodialog::kHeading);
}

std::string JpegMessage(int code) {
  jpeg_error_mgr errors{};
  jpeg_std_error(&errors);
  return errors.jpeg_message_table[code];
}

// The credits name what is linked, in the libraries' own words.
TEST_F(InfoWindow, CreditsShowTheLinkedLibrariesVersions) {
  infodialog::Open();
  const std::vector<tRow> rows = Credits();
  EXPECT_EQ(Right(rows, "    ZLib compression library"), std::string("Version ") + zlibVersion());
  EXPECT_EQ(Right(rows, "    BZIP2 compression library"),
            std::string("Version ") + BZ2_bzlibVersion());
  EXPECT_EQ(Right(rows, "    JPEG library"),
            "    Independent JPEG Group, Version " + JpegMessage(JMSG_VERSION));
  EXPECT_EQ(rows[Find(rows, "    JPEG library|") + 1].text,
            "-|-|" + JpegMessage(JMSG_COPYRIGHT));
  SDL_version sdl;
  SDL_GetVersion(&sdl);
  EXPECT_EQ(Right(rows, "    SDL library"), "Version " + std::to_string(sdl.major) + "." +
                                                 std::to_string(sdl.minor) + "." +
                                                 std::to_string(sdl.patch));
  const std::string sound = Right(rows, "    Sound system");
  const char* openmpt = openmpt_get_string("library_version");
  EXPECT_NE(sound.find(openmpt), std::string::npos) << sound;
  openmpt_free_string(openmpt);
  EXPECT_NE(sound.find(sf_version_string()), std::string::npos) << sound;

  // One row per line of libpng's own copyright text, the first labelled.
  const std::vector<std::string> lines = infodialog::CopyrightLines(png_get_copyright(nullptr));
  const int png = Find(rows, "    PNG library|");
  ASSERT_GT(png, 0);
  for (std::size_t i = 0; i < lines.size(); i++) {
    const tRow& row = rows[png + static_cast<int>(i)];
    EXPECT_EQ(row.text, (i == 0 ? "    PNG library" : "-") + std::string("|-|") + lines[i]);
    EXPECT_EQ(row.size, i == 0 ? 14 : 10);
    EXPECT_EQ(row.colour, infodialog::kPlain);
  }
  EXPECT_EQ(rows[png + static_cast<int>(lines.size())].text, "spacer");
  EXPECT_EQ(rows[png - 1].text, "spacer");
}

// At 640x480, the smallest screen, the texts of a row never run into each other.
TEST_F(InfoWindow, RowTextsFitSideBySide) {
  infodialog::Open();
  for (ZGUI::cListBox* list : {infodialog::creditsList, infodialog::VOXAList}) {
    const std::int32_t width = list->GetInnerRect().right - list->GetInnerRect().left + 1;
    for (std::int32_t i = 0; i < list->GetCount(); i++) {
      const auto* row = dynamic_cast<const ZGUI::cListEntry_LCRText*>(list->GetEntry(i));
      if (!row) continue;
      auto measure = [&](int t) {
        const char* text = row->GetText(static_cast<std::uint32_t>(t));
        return text ? row->GetFont()->GetTextWidth(text) : 0;
      };
      const std::int32_t left = measure(0), centre = measure(1), right = measure(2);
      const std::string what = Text(row, 0) + "|" + Text(row, 1) + "|" + Text(row, 2);
      if (centre == 0) {
        EXPECT_LT(left + right, width) << what;
      } else {
        EXPECT_LT(left, (width - centre) / 2) << what;
        EXPECT_LT((width + centre) / 2, width - right) << what;
      }
    }
  }
}

bool operator==(const tRow& a, const tRow& b) {
  return a.text == b.text && a.colour == b.colour && a.size == b.size;
}

TEST_F(InfoWindow, OpeningAgainRebuildsTheSameRows) {
  infodialog::Open();
  const std::vector<tRow> credits = Credits(), system = System();
  infodialog::Open();
  EXPECT_TRUE(Credits() == credits);
  EXPECT_TRUE(System() == system);
}

// The screen in 16-bit and 32-bit modes: the dialog opens in front of the
// main window and "Close" takes it away again.
class InfoWindowOnScreen : public InfoWindow, public testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override { Start(Format(GetParam()), 640, 480); }

  void WritePicture(const std::string& name) {
    const char* dir = std::getenv("VOXA2_TEST_PNG_DIR");
    if (!dir) return;
    guitest::WritePng(std::filesystem::path(dir) / (name + "_" + GetParam() + ".png"), 640, 480,
                      3, screen->Rgb());
  }
};

TEST_P(InfoWindowOnScreen, OpensInFrontAndClosesWithItsButton) {
  screen->Frame();
  const std::vector<std::uint8_t> before = screen->Rgb();
  infodialog::Open();
  screen->Frame();
  EXPECT_TRUE(Window()->IsVisible());
  EXPECT_EQ(screen->Client()->GetChild(0), Window());
  WritePicture("information_credits");
  const std::vector<std::uint8_t> shown = screen->Rgb();
  const ZGUI::tPoint button = Middle(infodialog::OKbutton);
  // A pixel of the button up left of where the pointer will rest.
  const std::size_t at = (std::size_t(button.y - 5) * 640 + button.x - 20) * 3;
  EXPECT_NE(std::vector<std::uint8_t>(shown.begin() + at, shown.begin() + at + 3),
            std::vector<std::uint8_t>(before.begin() + at, before.begin() + at + 3));

  infodialog::creditsListSB->SetScrollPos(infodialog::creditsListSB->GetMax());
  screen->Frame();
  WritePicture("information_credits_end");
  infodialog::pcInformation->SetFocus(infodialog::tsVOXA);
  screen->Frame();
  WritePicture("information_system");
  infodialog::VOXAListSB->SetScrollPos(infodialog::VOXAListSB->GetMax());
  screen->Frame();
  WritePicture("information_system_end");

  screen->Click(button.x, button.y);
  EXPECT_FALSE(Window()->IsVisible());
  const std::vector<std::uint8_t> after = screen->Rgb();
  EXPECT_EQ(std::vector<std::uint8_t>(after.begin() + at, after.begin() + at + 3),
            std::vector<std::uint8_t>(before.begin() + at, before.begin() + at + 3));
  // Closing a hidden window changes nothing.
  infodialog::OnClose(nullptr);
  EXPECT_FALSE(Window()->IsVisible());
}

INSTANTIATE_TEST_SUITE_P(Modes, InfoWindowOnScreen,
                         testing::Values("R5G6B5", "X1R5G5B5", "X8R8G8B8"),
                         [](const auto& info) { return std::string(info.param); });

// The launcher builds and deletes its GUI around every demo: each cycle
// starts from nothing and leaves nothing behind (the leak check sees it).
TEST_F(InfoWindow, RebuildCyclesLeaveNothingBehind) {
  for (int cycle = 0; cycle < 3; cycle++) {
    infodialog::Open();
    infodialog::OnClose(nullptr);
    Stop();
    Start(Format("R5G6B5"), 640, 480);
    EXPECT_EQ(screen->Client()->FindChild("Information"), Window()) << cycle;
  }
}

}  // namespace
