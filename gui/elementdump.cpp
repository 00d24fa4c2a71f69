#include "gui/elementdump.h"

#include <cstdio>
#include <mutex>

#include "gui/desktop.h"
#include "gui/listbox.h"
#include "gui/lists.h"
#include "windxkernel/application.h"

namespace ZGUI {
namespace {

void Escaped(std::string* out, const char* text) {
  for (const char* p = text ? text : ""; *p; ++p) {
    switch (*p) {
      case '\\':
        *out += "\\\\";
        break;
      case '\t':
        *out += "\\t";
        break;
      case '\n':
        *out += "\\n";
        break;
      default:
        *out += *p;
    }
  }
}

void Rect(std::string* out, const tRect& r) {
  char text[64];
  std::snprintf(text, sizeof text, "%d,%d,%d,%d", r.left, r.top, r.right, r.bottom);
  *out += text;
}

std::string RowText(const cListEntry& entry) {
  if (auto* text = dynamic_cast<const cListEntry_Text*>(&entry))
    return text->GetText() ? text->GetText() : "";
  std::string joined;
  auto add = [&](const char* part, bool first) {
    if (!first) joined += '|';
    joined += part ? part : "";
  };
  if (auto* lcr = dynamic_cast<const cListEntry_LCRText*>(&entry)) {
    for (std::uint32_t i = 0; i < 3; ++i) add(lcr->GetText(i), i == 0);
  } else if (auto* multi = dynamic_cast<const cListEntry_MultiText*>(&entry)) {
    for (std::int32_t i = 0; i < multi->GetColumnCount(); ++i) add(multi->GetText(i), i == 0);
  }
  return joined;
}

// The rows where the list box shows them: stacked from the top of its inner
// panel, less what is scrolled out, cut to the panel.
void DumpRows(std::string* out, const cListBox& box, int depth) {
  const tRect inner = box.GetInnerRect();
  std::int64_t top = std::int64_t{inner.top} - box.GetScrollOffset();
  for (std::int32_t i = 0; i < box.GetCount(); ++i) {
    const cListEntry& entry = *box.GetEntry(i);
    const std::int64_t bottom = top + entry.GetHeight() - 1;
    char head[96];
    const auto* text = dynamic_cast<const cTextListEntry*>(&entry);
    char colour[8] = "-";
    if (text) std::snprintf(colour, sizeof colour, "%06X", text->GetColor() & 0xFFFFFFu);
    std::snprintf(head, sizeof head, "row\t%d\t%d\t%s\t%d\t%d\t", depth, i, colour,
                  entry.IsSelectable() ? 1 : 0, box.GetCurrent() == i ? 1 : 0);
    *out += head;
    const tRect clipped = Intersect(
        inner,
        tRect{inner.left, static_cast<std::int32_t>(std::max<std::int64_t>(top, INT32_MIN)),
              inner.right, static_cast<std::int32_t>(std::min<std::int64_t>(bottom, INT32_MAX))});
    if (IsEmpty(clipped)) {
      *out += '-';
    } else {
      Rect(out, box.ClientToScreen(clipped, &box));
    }
    *out += '\t';
    Escaped(out, RowText(entry).c_str());
    *out += '\n';
    top = bottom + 1;
  }
}

void Dump(std::string* out, const cElement& element, int depth) {
  const auto* visual = dynamic_cast<const cVisElement*>(&element);
  char head[32];
  std::snprintf(head, sizeof head, "element\t%d\t", depth);
  *out += head;
  Escaped(out, element.GetName());
  *out += '\t';
  *out += element.GetClassName();
  if (visual) {
    *out += visual->IsVisible() ? "\t1" : "\t0";
    *out += visual->IsEnabled() ? "\t1\t" : "\t0\t";
    const cVisElement* parent = dynamic_cast<const cVisElement*>(element.GetParent());
    Rect(out, parent ? parent->ClientToScreen(visual->GetBounds(), visual) : visual->GetBounds());
    *out += '\t';
    Escaped(out, visual->GetCaption());
  } else {
    *out += "\t0\t0\t-\t";
  }
  *out += '\n';
  if (const auto* box = dynamic_cast<const cListBox*>(&element)) DumpRows(out, *box, depth + 1);
  for (std::int32_t i = 0; i < element.GetChildCount(); ++i)
    if (const cElement* child = element.GetChild(i)) Dump(out, *child, depth + 1);
}

}  // namespace

std::string DumpElements(const cElement& root) {
  std::string out;
  Dump(&out, root, 0);
  return out;
}

std::string DumpCurrentDesktop() {
  std::lock_guard lock(kernel::InputLock());
  const cDesktop* desktop = cDesktop::Current();
  return desktop ? DumpElements(*desktop) : std::string();
}

}  // namespace ZGUI
