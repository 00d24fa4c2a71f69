#include "gui/keyboard.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gui/messages.h"

namespace {

using ZGUI::cKeyboardManager;
using ZGUI::cMessageQueue;
using ZGUI::tKeyMessage;

struct tCase {
  const char* what;
  ZGUI::tLockStates locks;
  std::vector<int> held;  // pressed in this order before the key
  int key;
  int character;
  unsigned modifiers;
};

std::unique_ptr<tKeyMessage> Last(cMessageQueue& queue) {
  std::unique_ptr<ZGUI::tMessage> last;
  while (ZGUI::tMessage* m = queue.GetMessage()) last.reset(m);
  if (!last || last->type != 2) return nullptr;
  return std::unique_ptr<tKeyMessage>(static_cast<tKeyMessage*>(last.release()));
}

// Expected values read off the German layout by hand, not from the manager's
// own table.
const tCase kCases[] = {
    {"plain a", {}, {}, 30, 'a', 0},
    {"shift a", {}, {42}, 30, 'A', 0x003},
    {"right shift 1", {}, {54}, 2, '!', 0x003},
    {"caps lock a", {false, true, false}, {}, 30, 'A', 0x007},
    {"caps lock 1", {false, true, false}, {}, 2, '!', 0x007},
    {"caps key then a", {}, {56}, 30, 'A', 0x007},
    {"shift clears caps", {false, true, false}, {42}, 30, 'A', 0x003},
    {"y position gives z", {}, {}, 21, 'z', 0},
    {"z position gives y", {}, {}, 44, 'y', 0},
    {"sharp s", {}, {}, 12, 0xDF, 0},
    {"question mark", {}, {42}, 12, '?', 0x003},
    {"alt gr backslash", {}, {95}, 12, '\\', 0x018},
    {"alt q gives at", {}, {55}, 16, '@', 0x018},
    {"alt w gives nothing", {}, {55}, 17, 0, 0x018},
    {"alt e gives euro", {}, {55}, 18, 0x80, 0x018},
    {"alt shift 7 takes alt", {}, {42, 55}, 8, '{', 0x01B},
    {"alt m gives micro", {}, {95}, 50, 0xB5, 0x018},
    {"shift 3 section", {}, {42}, 4, 0xA7, 0x003},
    {"alt 2 superscript", {}, {55}, 3, 0xB2, 0x018},
    {"o umlaut", {}, {}, 39, 0xF6, 0},
    {"A umlaut", {}, {42}, 40, 0xC4, 0x003},
    {"degree", {}, {42}, 41, 0xB0, 0x003},
    {"less than", {}, {}, 110, '<', 0},
    {"greater than", {}, {54}, 110, '>', 0x003},
    {"bar", {}, {95}, 110, '|', 0x018},
    {"space", {}, {}, 57, ' ', 0},
    {"shift space", {}, {42}, 57, ' ', 0x003},
    {"alt space", {}, {55}, 57, 0, 0x018},
    {"pad 7 num lock", {true, false, false}, {}, 76, '7', 0x080},
    {"pad 0 num lock", {true, false, false}, {}, 87, '0', 0x080},
    {"pad 5 no num lock", {}, {}, 81, 0, 0},
    {"pad 2 shifted", {}, {42}, 85, 0, 0x003},
    {"acute with num lock", {true, false, false}, {}, 13, 0, 0x080},
    {"acute", {}, {}, 13, 0xB4, 0},
    {"backquote", {}, {42}, 13, '`', 0x003},
    {"pad minus", {}, {}, 79, '-', 0},
    {"pad minus num lock", {true, false, false}, {}, 79, '-', 0x080},
    {"pad plus num lock", {true, false, false}, {}, 83, '+', 0x080},
    {"pad times alt", {}, {55}, 75, '*', 0x018},
    {"pad divide", {}, {}, 92, '/', 0},
    {"num lock digit row", {true, false, false}, {}, 2, '1', 0x080},
    {"num lock key toggles on", {}, {73}, 76, '7', 0x080},
    {"scroll lock", {false, false, true}, {}, 30, 'a', 0x100},
    {"scroll lock key toggles off", {false, false, true}, {74}, 30, 'a', 0},
    {"control a", {}, {29}, 30, 'a', 0x060},
    {"right control", {}, {93}, 30, 'a', 0x060},
    {"escape", {}, {}, 1, 0, 0},
    {"return", {}, {}, 28, 0, 0},
    {"f1", {}, {}, 58, 0, 0},
    {"left", {}, {}, 99, 0, 0},
    {"pad enter", {true, false, false}, {}, 91, 0, 0x080},
};

TEST(KeyboardManager, KeysGiveTheLayoutsCharactersAndModifierWords) {
  for (const tCase& c : kCases) {
    SCOPED_TRACE(c.what);
    cMessageQueue queue;
    cKeyboardManager manager(c.locks);
    manager.SetMessageQueue(&queue);
    for (int key : c.held) manager.HandleKey(key, true);
    manager.HandleKey(c.key, true);
    auto press = Last(queue);
    ASSERT_NE(press, nullptr);
    EXPECT_EQ(press->key, c.key);
    EXPECT_TRUE(press->pressed);
    EXPECT_EQ(press->character, c.character);
    EXPECT_EQ(press->modifiers, c.modifiers);
    // The release carries the same character.
    manager.HandleKey(c.key, false);
    auto release = Last(queue);
    ASSERT_NE(release, nullptr);
    EXPECT_FALSE(release->pressed);
    EXPECT_EQ(release->character, c.character);
  }
}

TEST(KeyboardManager, ARepeatedPressPostsNothingAndTheReleaseOneMessage) {
  cMessageQueue queue;
  cKeyboardManager manager;
  manager.SetMessageQueue(&queue);
  manager.HandleKey(30, true);
  delete queue.GetMessage();
  manager.HandleKey(30, true);
  EXPECT_TRUE(queue.IsEmpty());
  manager.HandleKey(30, false);
  std::unique_ptr<ZGUI::tMessage> release(queue.GetMessage());
  ASSERT_NE(release, nullptr);
  EXPECT_FALSE(static_cast<tKeyMessage*>(release.get())->pressed);
  EXPECT_EQ(static_cast<tKeyMessage*>(release.get())->character, 'a');
  manager.HandleKey(30, false);
  EXPECT_TRUE(queue.IsEmpty());
}

TEST(KeyboardManager, StatesAreKeptWithoutAQueueAndCodesOutsideTheRangeIgnored) {
  cKeyboardManager manager;
  EXPECT_EQ(manager.GetMessageQueue(), nullptr);
  manager.HandleKey(42, true);
  manager.HandleKey(95, true);
  manager.HandleKey(93, true);
  manager.HandleKey(73, true);
  manager.HandleKey(74, true);
  manager.HandleKey(111, true);
  manager.HandleKey(-1, true);
  EXPECT_TRUE(manager.IsShifted());
  EXPECT_TRUE(manager.IsAltDown());
  EXPECT_TRUE(manager.IsControlDown());
  EXPECT_TRUE(manager.IsNumLockOn());
  EXPECT_TRUE(manager.IsScrollLockOn());
  EXPECT_FALSE(manager.IsCapsLockOn());
  EXPECT_TRUE(manager.IsKeyDown(42));
  EXPECT_FALSE(manager.IsKeyDown(111));
  EXPECT_FALSE(manager.IsKeyDown(-1));
  // Releases change no lock state.
  manager.HandleKey(73, false);
  EXPECT_TRUE(manager.IsNumLockOn());
  manager.HandleKey(42, false);
  EXPECT_FALSE(manager.IsShifted());
  manager.HandleKey(56, true);
  EXPECT_TRUE(manager.IsShifted());
  EXPECT_TRUE(manager.IsCapsLockOn());
  // A second caps lock press leaves it on.
  manager.HandleKey(56, false);
  manager.HandleKey(56, true);
  EXPECT_TRUE(manager.IsCapsLockOn());
}

// The input thread reports keys while the main thread reads the states and
// drains the queue: every change arrives once, in order.
TEST(KeyboardManager, StatesCanBeReadWhileTheInputThreadReports) {
  constexpr int kRounds = 2000;
  cMessageQueue queue;
  cKeyboardManager manager;
  manager.SetMessageQueue(&queue);
  std::thread input([&manager] {
    for (int i = 0; i < kRounds; ++i) {
      manager.HandleKey(42, i % 2 == 0);
      manager.HandleKey(56, i % 2 == 0);
    }
  });
  int received = 0;
  while (received < 2 * kRounds) {
    manager.IsShifted();
    manager.IsKeyDown(42);
    std::unique_ptr<ZGUI::tMessage> m(queue.GetMessage());
    if (!m) continue;
    auto* key = static_cast<tKeyMessage*>(m.get());
    ASSERT_EQ(key->key, received % 2 == 0 ? 42 : 56);
    ASSERT_EQ(key->pressed, (received / 2) % 2 == 0);
    ++received;
  }
  input.join();
  EXPECT_TRUE(queue.IsEmpty());
  // Caps lock came on with the last press of 56, after the last shift press.
  EXPECT_TRUE(manager.IsCapsLockOn());
  EXPECT_FALSE(manager.IsKeyDown(42));
}

}  // namespace
