// The launcher's Setup window: video mode, sound output and 3D options.
#pragma once

namespace VOXA2::setupdialog {

// Builds the window hidden, without bounds; false when its picture is missing.
bool Build();
// Places every element for the current screen; after the build and after
// every change of video mode.
bool Relayout();
// The "Setup" button: loads the settings in force and shows the window.
void Open();
// Before the desktop is deleted: frees what the module owns itself.
void Shutdown();

}  // namespace VOXA2::setupdialog
