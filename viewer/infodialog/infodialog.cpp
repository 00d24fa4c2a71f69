#include "viewer/infodialog/infodialog.h"

#include <cstdint>
#include <new>
#include <string>

#include "effects2d/pictureloader.h"
#include "foundation/allocate.h"
#include "gui/bitmap.h"
#include "gui/container.h"
#include "gui/desktop.h"
#include "gui/fonts.h"
#include "gui/metrics.h"
#include "gui/object.h"
#include "viewer/infodialog/elements.h"
#include "viewer/infodialog/texts.h"

namespace VOXA2::infodialog {

std::unique_ptr<cColorPic> infoback;
ZGUI::cDialog* infowindow = nullptr;
ZGUI::cPageControl* pcInformation = nullptr;
ZGUI::cTabSheet* tsCredits = nullptr;
ZGUI::cListBox* creditsList = nullptr;
ZGUI::cScrollBar* creditsListSB = nullptr;
ZGUI::cTabSheet* tsVOXA = nullptr;
ZGUI::cListBox* VOXAList = nullptr;
ZGUI::cScrollBar* VOXAListSB = nullptr;
ZGUI::cButton* OKbutton = nullptr;

namespace {

using VOXA::errors::NewOrThrow;

constexpr char kWindowName[] = "Information";

// Each element owns a font of its own; without memory for one it goes without.
ZGUI::cFont* Arial(std::int32_t size) { return new (std::nothrow) ZGUI::cFont("Arial", size); }

// A page with its read-only list and the list's scroll bar.
void BuildPage(ZGUI::cTabSheet*& sheet, ZGUI::cListBox*& list, ZGUI::cScrollBar*& bar,
               const char* caption) {
  sheet = NewOrThrow<ZGUI::cTabSheet>("cTabSheet");
  sheet->SetCaption(caption);
  sheet->SetFont(Arial(14));
  sheet->SetAutoScrollBars(true);
  pcInformation->AddChild(sheet);

  list = NewOrThrow<ZGUI::cListBox>("cListBox");
  list->SetFont(Arial(14));
  list->SetColor(0xFFFFFF);
  list->SetSelectionAllowed(false);
  sheet->AddChild(list);

  bar = NewOrThrow<ZGUI::cScrollBar>("cScrollBar");
  list->SetScrollBar(bar);
  bar->SetFont(Arial(14));
  bar->SetColor(0x3F3F3F);
  sheet->AddChild(bar);
}

void NameElement(ZGUI::cElement* element, const char* own) {
  try {
    const std::string name = std::string(kWindowName) + "::" + own;
    element->SetName(name.c_str());
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("element name!");
  }
}

// Left, top, right, bottom: rectangles are inclusive.
void Place(ZGUI::cVisElement* element, std::int32_t left, std::int32_t top, std::int32_t right,
           std::int32_t bottom) {
  element->SetBounds(ZGUI::tRect{left, top, right, bottom});
}

// A list and its scroll bar fill the page, the bar b20 wide at the right.
void PlacePage(ZGUI::cTabSheet* sheet, ZGUI::cListBox* list, ZGUI::cScrollBar* bar,
               std::int32_t b20) {
  const std::int32_t sw = sheet->GetClientWidth(), sh = sheet->GetClientHeight();
  Place(list, 1, 1, sw - b20 - 2, sh - 2);
  Place(bar, sw - b20 - 1, 1, sw - 2, sh - 2);
}

// The parent when it is a visible element, else none.
ZGUI::cVisElement* VisibleParent(ZGUI::cElement* element) {
  ZGUI::cElement* parent = element->GetParent();
  if (!parent || !parent->IsClass(ZGUI::classid::VisElement)) return nullptr;
  return dynamic_cast<ZGUI::cVisElement*>(parent);
}

}  // namespace

bool Build() {
  infoback.reset(LoadPicture("GUI\\pictures\\infoback", false, "GUI\\pictures\\", nullptr, false));
  if (!infoback) return false;

  infowindow = NewOrThrow<ZGUI::cDialog>("cDialog");
  ZGUI::cDesktop::Current()->GetClient()->AddChild(infowindow);
  ZGUI::cObjectContainer* client = infowindow->GetClient();
  client->SetAutoScrollBars(false);
  client->SetHScrollBar(false);
  client->SetVScrollBar(false);
  infowindow->SetFont(Arial(20));
  infowindow->SetCaption("Information");
  infowindow->SetColor(0x7F7F7F);

  pcInformation = NewOrThrow<ZGUI::cPageControl>("cPageControl");
  client->AddChild(pcInformation);
  pcInformation->SetFont(Arial(14));
  pcInformation->SetColor(0xFFFFFF);

  OKbutton = NewOrThrow<ZGUI::cButton>("cButton");
  client->AddChild(OKbutton);
  OKbutton->SetCaption("Close");
  OKbutton->SetFont(Arial(14));
  OKbutton->SetColor(0x7F7F7F);  // a button's colour is its face, under a white caption
  OKbutton->OnClick = OnClose;

  BuildPage(tsCredits, creditsList, creditsListSB, "Credits");
  BuildPage(tsVOXA, VOXAList, VOXAListSB, kProductName);

  infowindow->SetName(kWindowName);
  NameElement(pcInformation, "pcInformation");
  NameElement(tsCredits, "tsCredits");
  NameElement(creditsList, "creditsList");
  NameElement(creditsListSB, "creditsListSB");
  NameElement(tsVOXA, "tsVOXA");
  NameElement(VOXAList, "VOXAList");
  NameElement(VOXAListSB, "VOXAListSB");
  NameElement(OKbutton, "OKbutton");
  return true;
}

bool Relayout() {
  ZGUI::cBitmap* background = new (std::nothrow) ZGUI::cBitmap(
      infoback.get(), ZGUI::ScaleX(infoback->width), ZGUI::ScaleY(infoback->height));
  ZGUI::cObjectContainer* client = infowindow->GetClient();
  if (background) {
    client->SetPicture(background);
  } else {
    client->ClearPicture();
  }

  if (ZGUI::cVisElement* parent = VisibleParent(infowindow)) {
    const std::int32_t w = parent->GetWidth(), h = parent->GetHeight();
    Place(infowindow, 4 * w / 30, 4 * h / 30, 26 * w / 30, 26 * h / 30);
  }

  const std::int32_t s4 = ZGUI::ScaleY(4), s14 = ZGUI::ScaleY(14), b20 = ZGUI::ScaleX(20);
  const std::int32_t cw = infowindow->GetClientWidth(), ch = infowindow->GetClientHeight();
  Place(pcInformation, 0, 0, cw - 1, ch - 4 * s4 - s14);
  Place(OKbutton, cw / 3, ch - 3 * s4 - s14, 2 * cw / 3, ch - s4);
  PlacePage(tsCredits, creditsList, creditsListSB, b20);
  PlacePage(tsVOXA, VOXAList, VOXAListSB, b20);
  return true;
}

void Shutdown() { infoback.reset(); }

void OnClose(ZGUI::cVisElement*) { infowindow->Close(); }

void Open() {
  if (ZGUI::cVisElement* parent = VisibleParent(infowindow))
    infowindow->SetPosition(ZGUI::tPoint((parent->GetWidth() - infowindow->GetWidth()) / 2,
                                         (parent->GetHeight() - infowindow->GetHeight()) / 2));
  FillCredits(creditsList);
  FillSystemInformation(VOXAList);
  // In front and with the focus: the window lies wholly inside the main window.
  infowindow->Activate();
}

}  // namespace VOXA2::infodialog
