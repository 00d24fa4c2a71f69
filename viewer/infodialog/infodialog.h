// The launcher's Information window: credits, versions and the registries.
#pragma once

namespace VOXA2::infodialog {

// Builds the window hidden, without bounds; false when its picture is missing.
bool Build();
// Places every element for the current screen; always true.
bool Relayout();
// The "Information" button: refills the lists and shows the window.
void Open();
// Before the desktop is deleted: frees the kept picture.
void Shutdown();

}  // namespace VOXA2::infodialog
