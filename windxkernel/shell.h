// Links of the GUI opened outside the program.
#pragma once

namespace VOXA2 {

// Opens an http, https or mailto link with the user's own program; any other
// target is logged and left alone. The result is the shell's, which no caller
// needs to look at.
int OpenDocument(const char* target);

}  // namespace VOXA2
