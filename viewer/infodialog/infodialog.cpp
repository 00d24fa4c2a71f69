#include "viewer/infodialog/infodialog.h"

// Placeholder until the window is built: the launcher runs without it.
namespace VOXA2::infodialog {

bool Build() { return true; }
bool Relayout() { return true; }
void Open() {}
void Shutdown() {}

}  // namespace VOXA2::infodialog
