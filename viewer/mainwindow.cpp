// The launcher's main window: the build of the whole launcher GUI, its
// release, and its layout for the current video mode with the mouse cursor
// that suits the screen.
#include <cctype>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "effects2d/pictureloader.h"
#include "foundation/allocate.h"
#include "foundation/archive.h"
#include "foundation/errors.h"
#include "foundation/pictures.h"
#include "gui/bitmap.h"
#include "gui/bitmapfont.h"
#include "gui/button.h"
#include "gui/container.h"
#include "gui/desktop.h"
#include "gui/fonts.h"
#include "gui/hypertextviewer.h"
#include "gui/label.h"
#include "gui/listbox.h"
#include "gui/lists.h"
#include "gui/metrics.h"
#include "gui/scrollbar.h"
#include "gui/window.h"
#include "viewer/infodialog/infodialog.h"
#include "viewer/launcher.h"
#include "viewer/setupdialog/setupdialog.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/kernel.h"

namespace VOXA2 {

ZGUI::cDesktop* desktop = nullptr;
ZGUI::cWindow* mainWindow = nullptr;
cColorPic* desktopPicture = nullptr;
cColorPic* mainPicture = nullptr;
tMainWindowElements mainElements;

const char kLauncherCharacterSet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ\xC4\xD6\xDC"
    "abcdefghijklmnopqrstuvwxyz\xE4\xF6\xFC\xDF"
    "1234567890,;.:-_#'+*~\xB4`?=()[]{}/\\&%$\xA7\"!^\xB0<>| @";

namespace {

using VOXA::errors::NewOrThrow;

const char kTitle[] = "VOXA2 real-time demo player";

// A font that cannot be made leaves its element without one.
ZGUI::cFont* Arial(std::int32_t size) { return new (std::nothrow) ZGUI::cFont("Arial", size); }

template <typename T>
T* AddElement(const char* className, const char* name, ZGUI::cObjectContainer* parent) {
  T* element = NewOrThrow<T>(className);
  element->SetName(name);
  parent->AddChild(element);
  return element;
}

ZGUI::cButton* AddButton(const char* name, const char* caption, void (*action)(),
                         ZGUI::cObjectContainer* parent) {
  auto* button = AddElement<ZGUI::cButton>("cButton", name, parent);
  button->SetFont(Arial(14));
  button->SetCaption(caption);
  button->OnClick = [action](ZGUI::cVisElement*) { action(); };
  button->SetColor(0x7F7F7F);
  return button;
}

void AddEntry(ZGUI::cListBox* list, const char* title, std::int32_t indent, std::int32_t size,
              std::uint32_t titled, std::uint32_t untitled) {
  auto* entry = NewOrThrow<ZGUI::cListEntry_IdentedText>("cListEntry_IdentedText",
                                                         title ? title : "<untitled>", indent);
  entry->SetFont(Arial(size));
  entry->SetColor(title ? titled : untitled);
  list->Add(entry);
}

const char* TextOf(const std::optional<std::string>& text) {
  return text ? text->c_str() : nullptr;
}

// One heading per catalogue, then its enlisted demos; the first catalogue's
// default demo becomes the selection.
void FillDemoList() {
  ZGUI::cListBox* list = mainElements.list;
  const std::int32_t indent = ZGUI::ScaleX(16);
  bool selected = false;
  for (const std::unique_ptr<tDCdemocollector>& catalogue : catalogues) {
    AddEntry(list, TextOf(catalogue->title), 0, 18, 0xFFFFFF, 0xDFDFDF);
    ZGUI::cListEntry* heading = list->GetLast();
    heading->SetSelectable(false);
    heading->OnSelect = [](ZGUI::cListEntry*) { SelectionUpdate(); };
    for (std::size_t i = 0; i < catalogue->enlisted.size(); ++i) {
      tDCdemo* demo = catalogue->enlisted[i];
      AddEntry(list, demo ? TextOf(demo->title) : nullptr, indent, 14, 0xBFBFBF, 0x7F7F7F);
      ZGUI::cListEntry* entry = list->GetLast();
      entry->userWords[0] = reinterpret_cast<std::uintptr_t>(catalogue.get());
      entry->userWords[1] = i;
      entry->OnSelect = [](ZGUI::cListEntry*) { SelectionUpdate(); };
      entry->OnDeselect = [](ZGUI::cListEntry*) { SelectionClear(); };
      // RETURN or a double click on the row: "Run".
      entry->OnUser1 = [](ZGUI::cListEntry*) { RunAction(); };
      if (!selected && demo && demo == catalogue->defaultDemo) {
        list->SetCurrentEntry(entry);
        selected = true;
      }
    }
  }
}

void LoadLauncherFont() {
  auto* font = NewOrThrow<ZGUI::cBitmapFont>("cBitmapFont");
  // Without the font every text is invisible, but the launcher still works.
  if (!font->Load("fonts\\Arial.pcx", kLauncherCharacterSet))
    LogMessage(5, "Could not load the launcher's font \"fonts\\Arial.pcx\"!");
  desktop->GetFontManager()->AddFont("Arial", font);
}

// The decimal digits at the start of text; 0 without any.
std::int32_t LeadingNumber(const char* text) {
  std::int64_t n = 0;
  for (; std::isdigit(static_cast<unsigned char>(*text)) && n < 0x7FFFFFFF; ++text)
    n = n * 10 + (*text - '0');
  return static_cast<std::int32_t>(n);
}

void PlaceMainWindow() {
  const std::int32_t width = ZGUI::GetScreenWidth(), height = ZGUI::GetScreenHeight();
  desktop->SetBounds({0, 0, width - 1, height - 1});
  desktop->SetPicture(NewOrThrow<ZGUI::cBitmap>("cBitmap", desktopPicture, width, height));
  mainWindow->SetBounds(MainWindowRect(width, height));
  mainWindow->GetClient()->SetPicture(NewOrThrow<ZGUI::cBitmap>(
      "cBitmap", mainPicture, ZGUI::ScaleX(mainPicture->width), ZGUI::ScaleY(mainPicture->height)));
  const tMainLayout layout =
      MainWindowLayout(mainWindow->GetClientWidth(), mainWindow->GetClientHeight());
  const tMainWindowElements& e = mainElements;
  e.list->SetBounds(layout.list);
  e.listScrollBar->SetBounds(layout.listScrollBar);
  e.run->SetBounds(layout.run);
  e.exit->SetBounds(layout.exit);
  e.setup->SetBounds(layout.setup);
  e.info->SetBounds(layout.info);
  e.quickInfo->SetBounds(layout.quickInfo);
  e.infoText->SetBounds(layout.infoText);
  e.infoTextScrollBar->SetBounds(layout.infoTextScrollBar);
  desktop->InvalidateRect(desktop->GetBounds());
}

}  // namespace

ZGUI::tRect MainWindowRect(std::int32_t width, std::int32_t height) {
  return {width / 16, height / 12, 15 * width / 16, 11 * height / 12};
}

tMainLayout MainWindowLayout(std::int32_t w, std::int32_t h) {
  const std::int32_t s = ZGUI::ScaleY(14), g = ZGUI::ScaleY(8), b = ZGUI::ScaleX(16);
  const std::int32_t l = 2 * w / 3, y = 8 * s + g;
  return {{0, 0, l - b - 1, y - 2},
          {l - b, 0, l - 1, y - 2},
          {l + 2, 1, w - 2, 2 * s - 2},
          {l + 2, 2 * s + 1, w - 2, 4 * s - 2},
          {l + 2, 4 * s + 1 + g, w - 2, 6 * s - 2 + g},
          {l + 2, 6 * s + 1 + g, w - 2, 8 * s - 2 + g},
          {0, y + 2, w - 1, y + 1 + s},
          {0, y + 2 + s, w - b - 1, h - 1},
          {w - b, y + 2 + s, w - 1, h - 1}};
}

int ChooseMouseCursor(const std::vector<std::string>& names, std::size_t prefixLength,
                      std::int32_t target) {
  int chosen = -1;
  std::int64_t best = 2147483647;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i].size() < prefixLength) continue;
    const std::int32_t size = LeadingNumber(names[i].c_str() + prefixLength);
    if (size == 0) continue;
    const std::int64_t distance = std::llabs(std::int64_t{size} - target);
    if (distance < best) {
      best = distance;
      chosen = static_cast<int>(i);
    }
  }
  return chosen;
}

ZGUI::cBitmap* LoadMouseCursor(const char* set, const char* name) {
  const std::string directory =
      std::string("GUI\\mouse\\") + (set ? set : "default") + "\\" + (name ? name : "standard");
  std::vector<std::string> found;
  tSearchRecord record;
  for (bool more = FindFirst(&record, (directory + "*.*").c_str()); more;
       more = FindNext(&record))
    found.push_back(record.name);
  FindClose(&record);
  const int chosen = ChooseMouseCursor(found, directory.size(), ZGUI::ScaleY(24));
  if (chosen < 0) {
    LogMessage(5, "Could not find any mouse cursor bitmap file!");
    return nullptr;
  }
  std::unique_ptr<cColorPic> picture(
      LoadPicture(found[chosen].c_str(), false, directory.c_str(), nullptr, false));
  if (!picture) {
    LogMessage(5, "Could not load mouse cursor \"%s\"!", found[chosen].c_str());
    return nullptr;
  }
  return NewOrThrow<ZGUI::cBitmap>("cBitmap", picture.get(), picture->width, picture->height);
}

bool CreateGUI() {
  desktopPicture = LoadPicture("GUI\\pictures\\desktop", false, "GUI\\pictures\\", nullptr, false);
  if (!desktopPicture) return false;
  mainPicture = LoadPicture("GUI\\pictures\\mainback", false, "GUI\\pictures\\", nullptr, false);
  if (!mainPicture) return false;

  desktop = NewOrThrow<ZGUI::cDesktop>("cDesktop");
  LoadLauncherFont();
  desktop->SetName("desktop");
  desktop->onClose = [](ZGUI::cDesktop*) { ExitAction(); };
  desktop->SetFont(Arial(10));

  auto* window = NewOrThrow<ZGUI::cWindow>("cWindow");
  window->SetName("mainwindow");
  desktop->GetClient()->AddChild(window);
  mainWindow = window;
  ZGUI::cObjectContainer* client = window->GetClient();
  client->SetAutoScrollBars(false);
  client->SetHScrollBar(false);
  client->SetVScrollBar(false);
  window->SetFont(Arial(20));
  window->SetCaption(kTitle);
  window->Show();
  window->OnWindowClose = [](ZGUI::cWindow*) { ExitAction(); };
  // Whenever the main window gets the focus back (at the start, after a
  // dialog or a message box closed) the keys go to the demo list.
  window->OnFocusEnter = [](ZGUI::cControl*) {
    if (mainElements.list) mainElements.list->RequestFocus();
  };

  tMainWindowElements& e = mainElements;
  e = tMainWindowElements{};
  e.list = AddElement<ZGUI::cListBox>("cListBox", "main_list", client);
  e.list->SetFont(Arial(14));
  e.listScrollBar = AddElement<ZGUI::cScrollBar>("cScrollBar", "main_list_sb", client);
  e.list->SetScrollBar(e.listScrollBar);
  e.run = AddButton("main_run", "Run", RunAction, client);
  e.exit = AddButton("main_exit", "Exit", ExitAction, client);
  e.setup = AddButton("main_setup", "Setup", SetupAction, client);
  e.info = AddButton("main_info", "Information", InformationAction, client);
  e.quickInfo = AddElement<ZGUI::cLabel>("cLabel", "quickinfo", client);
  e.quickInfo->SetFont(Arial(14));
  e.quickInfo->SetColor(0x7F7F7F);
  e.infoText = AddElement<ZGUI::cHypertextViewer>("cHypertextViewer", "infotext", client);
  e.infoTextScrollBar = AddElement<ZGUI::cScrollBar>("cScrollBar", "infotext_sb", client);
  e.infoText->SetScrollBar(e.infoTextScrollBar);

  SelectionUpdate();
  FillDemoList();
  if (!setupdialog::Build()) return false;
  if (!infodialog::Build()) return false;
  if (!Reinitialize()) return false;
  window->Activate();
  e.list->RequestFocus();
  return true;
}

void DestroyGUI() {
  setupdialog::Shutdown();
  infodialog::Shutdown();
  delete desktop;
  desktop = nullptr;
  mainWindow = nullptr;
  mainElements = tMainWindowElements{};
  delete desktopPicture;
  desktopPicture = nullptr;
  delete mainPicture;
  mainPicture = nullptr;
  chosenCatalogue = nullptr;
  chosenDemo = nullptr;
}

bool Reinitialize() {
  LogMessage(5, "VOXA2::Reinitialize()");
  if (kernel::directLaunch) return true;
  if (!desktop || !mainWindow) return false;
  desktop->Reinitialize();
  // Every bitmap made below is in the new format, so the tables go first.
  ZGUI::UpdatePixelFormat();
  // Once a cursor was shown, a missing one keeps it: only the first build
  // cannot go on without any.
  bool cursorReady = ZGUI::MouseCursor.GetWidth() > 0;
  if (std::unique_ptr<ZGUI::cBitmap> cursor{LoadMouseCursor("default", "standard")}) {
    ZGUI::MouseCursor.Recreate(cursor.get(), cursor->GetWidth(), cursor->GetHeight());
    cursorReady = true;
  } else if (cursorReady) {
    LogMessage(5, "Keeping the mouse cursor of the previous video mode.");
  }
  // The layout always follows the screen, so that nothing is drawn at the
  // bounds of a larger earlier mode.
  PlaceMainWindow();
  LogMessage(5, "end of VOXA2::Reinitialize()");
  if (!setupdialog::Relayout()) return false;
  if (!infodialog::Relayout()) return false;
  return cursorReady;
}

}  // namespace VOXA2
