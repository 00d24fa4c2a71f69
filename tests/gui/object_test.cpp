#include "gui/object.h"

#include <gtest/gtest.h>

#include <memory>

#include "gui/bitmap.h"
#include "gui/control.h"
#include "gui/fonts.h"
#include "gui/hypertextviewer.h"
#include "gui/keyboard.h"
#include "gui/listbox.h"
#include "gui/lists.h"
#include "gui/pagecontrol.h"
#include "gui/messages.h"
#include "tests/gui/pixel_fixtures.h"

namespace {

using ZGUI::cObject;

struct tIdentity {
  const char* name;
  std::int32_t id;
  std::vector<std::int32_t> ancestors;
};

void ExpectIdentity(const cObject& object, const tIdentity& want) {
  EXPECT_STREQ(object.GetClassName(), want.name);
  EXPECT_EQ(object.GetClassID(), want.id);
  for (std::int32_t id = 0; id < 100; ++id) {
    bool ancestor =
        std::find(want.ancestors.begin(), want.ancestors.end(), id) != want.ancestors.end();
    EXPECT_EQ(object.InheritsFrom(id), ancestor) << want.name << " " << id;
    EXPECT_EQ(object.IsClass(id), ancestor || id == want.id) << want.name << " " << id;
  }
}

TEST(ObjectRoot, ClassesAnswerTheirNameIdAndAncestorsOnly) {
  guitest::UseFormat(guitest::Formats()[3]);
  ExpectIdentity(cObject(), {"cObject", 16, {}});
  ExpectIdentity(ZGUI::cBitmap(), {"cBitmap", 56, {16}});
  ExpectIdentity(ZGUI::cElement(), {"cElement", 17, {16}});
  ExpectIdentity(ZGUI::cVisElement(), {"cVisElement", 18, {16, 17}});
  ExpectIdentity(ZGUI::cControl(), {"cControl", 19, {16, 17, 18}});
  ExpectIdentity(ZGUI::cFont(), {"cFont", 57, {16}});
  ExpectIdentity(ZGUI::cFontManager(), {"cFontManager", 58, {16}});
  ExpectIdentity(ZGUI::cMessageQueue(), {"cMessageQueue", 55, {16}});
  ExpectIdentity(ZGUI::cKeyboardManager(), {"cKeyboardManager", 54, {16}});
  ExpectIdentity(ZGUI::cList(), {"cList", 48, {16}});
  ExpectIdentity(ZGUI::cListEntry(), {"cListEntry", 49, {16}});
  ExpectIdentity(ZGUI::cListEntry_Text("t"), {"cListEntry_Text", 50, {16, 49}});
  ExpectIdentity(ZGUI::cListEntry_IdentedText("t", 4),
                 {"cListEntry_IdentedText", 51, {16, 49, 50}});
  ExpectIdentity(ZGUI::cListEntry_MultiText(), {"cListEntry_MultiText", 52, {16, 49}});
  ExpectIdentity(ZGUI::cListEntry_LCRText("l", "c", "r"), {"cListEntry_LCRText", 53, {16, 49}});
  ExpectIdentity(ZGUI::cListBox(), {"cListBox", 84, {16, 17, 18, 19}});
  ExpectIdentity(ZGUI::cPageControl(), {"cPageControl", 91, {16, 17, 18, 19}});
  ExpectIdentity(ZGUI::cTabSheet(), {"cTabSheet", 92, {16, 17, 18, 19, 35}});
  ExpectIdentity(ZGUI::cHypertextViewer(), {"cHypertextViewer", 93, {16, 17, 18, 19}});
}

class Probe : public cObject {
 public:
  explicit Probe(bool* destroyed) : destroyed_(destroyed) {}
  ~Probe() override { *destroyed_ = true; }
  bool HandleMessage(ZGUI::tMessage*) override {
    ++handled;
    return true;
  }
  int handled = 0;

 private:
  bool* destroyed_;
};

TEST(ObjectRoot, DispatchOffersOnlyRealMessagesToTheHandler) {
  bool destroyed = false;
  Probe probe(&destroyed);
  EXPECT_FALSE(probe.DispatchMessage(nullptr));
  EXPECT_EQ(probe.handled, 0);
  int token = 0;
  EXPECT_TRUE(probe.DispatchMessage(reinterpret_cast<ZGUI::tMessage*>(&token)));
  EXPECT_EQ(probe.handled, 1);
  EXPECT_FALSE(cObject().DispatchMessage(reinterpret_cast<ZGUI::tMessage*>(&token)));
}

TEST(ObjectRoot, DeletingThroughTheBasisRootRunsTheWholeDestructor) {
  bool destroyed = false;
  basis::basisObject* root = new Probe(&destroyed);
  delete root;
  EXPECT_TRUE(destroyed);
}

// Owners keep pointers in the user words, which start at 0.
TEST(ObjectRoot, UserWordsHoldAPointer) {
  cObject object;
  EXPECT_EQ(object.userWords[0], 0u);
  EXPECT_EQ(object.userWords[1], 0u);
  static_assert(sizeof(object.userWords[0]) >= sizeof(void*));
  object.userWords[1] = reinterpret_cast<std::uintptr_t>(&object);
  EXPECT_EQ(reinterpret_cast<cObject*>(object.userWords[1]), &object);
}

}  // namespace
