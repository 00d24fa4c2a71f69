// The launcher's Information window: credits, versions and the registries.
#pragma once

namespace ZGUI {
class cVisElement;
}

namespace VOXA2::infodialog {

// Builds the window hidden, without bounds; false when its picture is missing.
bool Build();
// Places every element for the current screen; always true.
bool Relayout();
// The "Information" button: refills the lists and brings the window to the front.
void Open();
// Before the desktop is deleted: frees the kept picture.
void Shutdown();
// The "Close" button: hides the window.
void OnClose(ZGUI::cVisElement* clicked);

}  // namespace VOXA2::infodialog
