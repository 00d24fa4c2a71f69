#include "viewer/setupdialog/setupdialog.h"

// Placeholder until the window is built: the launcher runs without it.
namespace VOXA2::setupdialog {

bool Build() { return true; }
bool Relayout() { return true; }
void Open() {}
void Shutdown() {}

}  // namespace VOXA2::setupdialog
