// What the Information window's module keeps between its build, its layouts
// and its openings. The desktop owns every element; only the picture is ours.
#pragma once

#include <memory>

#include "foundation/pictures.h"
#include "gui/button.h"
#include "gui/listbox.h"
#include "gui/pagecontrol.h"
#include "gui/scrollbar.h"
#include "gui/window.h"

namespace VOXA2::infodialog {

extern std::unique_ptr<cColorPic> infoback;
extern ZGUI::cDialog* infowindow;
extern ZGUI::cPageControl* pcInformation;
extern ZGUI::cTabSheet* tsCredits;
extern ZGUI::cListBox* creditsList;
extern ZGUI::cScrollBar* creditsListSB;
extern ZGUI::cTabSheet* tsVOXA;
extern ZGUI::cListBox* VOXAList;
extern ZGUI::cScrollBar* VOXAListSB;
extern ZGUI::cButton* OKbutton;

}  // namespace VOXA2::infodialog
