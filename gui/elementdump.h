// A text picture of an element tree: what tests look at instead of pixels, and
// what the headless backend writes when its input script asks for the GUI.
//
// One line an element, depth first, children front-most first; fields are
// separated by tabs:
//   element <depth> <name> <class> <visible> <enabled> <l>,<t>,<r>,<b> <caption>
// and after a list box one line a row:
//   row <depth> <index> <colour> <selectable> <current> <l>,<t>,<r>,<b> <text>
// Flags are 0 or 1, rectangles inclusive screen pixels ("-" for a row scrolled
// out of sight), colours RRGGBB ("-" for rows without a text colour); in names,
// captions and texts a backslash, tab and line break read \\, \t and \n.
#pragma once

#include <string>

namespace ZGUI {

class cElement;

std::string DumpElements(const cElement& root);

// The desktop made last and still alive, under the input lock; empty without one.
std::string DumpCurrentDesktop();

}  // namespace ZGUI
