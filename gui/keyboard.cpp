#include "gui/keyboard.h"

#include "gui/messages.h"

namespace ZGUI {
namespace {

// Column markers: no character at this level (and none below), try the next
// lower level, use the plain column.
constexpr std::int16_t N = -2, X = -3, P = -1;

struct tKeyRow {
  std::int16_t plain, shift, alt, numLock;
};

// One row per key code; code 0 and the keys that give no character stay none.
struct tKeyTable {
  tKeyRow rows[keycode::Last + 1];

  constexpr tKeyTable() : rows() {
    for (auto& r : rows) r = {N, N, N, N};
    auto set = [this](int key, int plain, int shift, int alt, int numLock) {
      rows[key] = {static_cast<std::int16_t>(plain), static_cast<std::int16_t>(shift),
                   static_cast<std::int16_t>(alt), static_cast<std::int16_t>(numLock)};
    };
    // Letters: lower case plain, capitals shifted, nothing with alt.
    auto letters = [&](int first, const char* text) {
      for (int i = 0; text[i]; ++i) set(first + i, text[i], text[i] - 32, N, X);
    };
    set(2, '1', '!', N, X);
    set(3, '2', '"', 0xB2, X);
    set(4, '3', 0xA7, 0xB3, X);
    set(5, '4', '$', N, X);
    set(6, '5', '%', N, X);
    set(7, '6', '&', N, X);
    set(8, '7', '/', '{', X);
    set(9, '8', '(', '[', X);
    set(10, '9', ')', ']', X);
    set(11, '0', '=', '}', X);
    set(12, 0xDF, '?', '\\', X);
    set(13, 0xB4, '`', N, N);
    letters(16, "qwertzuiop");
    set(16, 'q', 'Q', '@', X);
    set(18, 'e', 'E', 0x80, X);
    set(26, 0xFC, 0xDC, N, X);
    set(27, '+', '*', '~', X);
    letters(30, "asdfghjkl");
    set(39, 0xF6, 0xD6, N, X);
    set(40, 0xE4, 0xC4, N, X);
    set(41, '^', 0xB0, 0x80, X);
    set(43, '#', '\'', N, X);
    letters(44, "yxcvbnm");
    set(50, 'm', 'M', 0xB5, X);
    set(51, ',', ';', N, X);
    set(52, '.', ':', N, X);
    set(53, '-', '_', N, X);
    set(57, ' ', P, N, X);
    // The numeric pad: operators at every level, digits only with num lock.
    for (int key : {75, 79, 83, 88, 89, 90, 92}) set(key, 0, P, P, P);
    rows[75].plain = '*';
    rows[79].plain = '-';
    rows[83].plain = '+';
    rows[88].plain = ',';
    rows[89].plain = '=';
    rows[90].plain = ',';
    rows[92].plain = '/';
    const int pad[][2] = {{76, '7'}, {77, '8'}, {78, '9'}, {80, '4'}, {81, '5'},
                          {82, '6'}, {84, '1'}, {85, '2'}, {86, '3'}, {87, '0'}};
    for (const auto& p : pad) set(p[0], N, N, N, p[1]);
    set(110, '<', '>', 0x7C, X);
  }
};

constexpr tKeyTable kKeys;

}  // namespace

std::uint8_t TranslateKey(std::int32_t key, std::uint32_t modifiers) {
  if (key < 1 || key > keycode::Last) return 0;
  const tKeyRow& row = kKeys.rows[key];
  constexpr int kNotTaken = -100;
  int c = kNotTaken;
  if ((modifiers & modifier::NumLock) && row.numLock != X) c = row.numLock;
  if (c == kNotTaken && (modifiers & modifier::Alt) && row.alt != X) c = row.alt;
  if (c == kNotTaken && (modifiers & modifier::Shift) && row.shift != X) c = row.shift;
  if (c == kNotTaken) c = row.plain;
  if (c == P) c = row.plain;
  return c < 0 ? 0 : static_cast<std::uint8_t>(c);
}

cKeyboardManager::cKeyboardManager(tLockStates locks)
    : numLock_(locks.numLock), capsLock_(locks.capsLock), scrollLock_(locks.scrollLock) {}

const char* cKeyboardManager::GetClassName() const { return "cKeyboardManager"; }
std::int32_t cKeyboardManager::GetClassID() const { return classid::KeyboardManager; }
bool cKeyboardManager::InheritsFrom(std::int32_t id) const { return id == classid::Object; }

std::mutex& cKeyboardManager::Lock() const { return queue_ ? queue_->GetLock() : ownLock_; }

void cKeyboardManager::SetMessageQueue(cMessageQueue* queue) { queue_ = queue; }
cMessageQueue* cKeyboardManager::GetMessageQueue() const { return queue_; }

std::uint32_t cKeyboardManager::Modifiers() const {
  std::uint32_t word = 0;
  if (keyDown_[keycode::LeftShift] || keyDown_[keycode::RightShift]) word |= modifier::Shift;
  if (capsLock_) word |= modifier::CapsLock;
  if (keyDown_[keycode::LeftAlt] || keyDown_[keycode::RightAlt]) word |= modifier::Alt;
  if (keyDown_[keycode::LeftControl] || keyDown_[keycode::RightControl]) word |= modifier::Control;
  if (numLock_) word |= modifier::NumLock;
  if (scrollLock_) word |= modifier::ScrollLock;
  return word;
}

void cKeyboardManager::HandleKey(std::int32_t key, bool pressed) {
  if (key < 0 || key > keycode::Last) return;
  std::uint32_t modifiers;
  {
    std::lock_guard<std::mutex> lock(Lock());
    if ((keyDown_[key] != 0) == pressed) return;
    keyDown_[key] = pressed ? 1 : 0;
    shiftDown_ = keyDown_[keycode::LeftShift] || keyDown_[keycode::RightShift];
    altDown_ = keyDown_[keycode::LeftAlt] || keyDown_[keycode::RightAlt];
    controlDown_ = keyDown_[keycode::LeftControl] || keyDown_[keycode::RightControl];
    if (pressed) {
      if (key == keycode::CapsLock) capsLock_ = true;
      if (key == keycode::LeftShift || key == keycode::RightShift) capsLock_ = false;
      if (key == keycode::NumLock) numLock_ = !numLock_;
      if (key == keycode::ScrollLock) scrollLock_ = !scrollLock_;
    }
    if (!queue_) return;
    modifiers = Modifiers();
  }
  queue_->PostKeyMessage(key, TranslateKey(key, modifiers), pressed, modifiers);
}

bool cKeyboardManager::IsNumLockOn() const {
  std::lock_guard<std::mutex> lock(Lock());
  return numLock_;
}

bool cKeyboardManager::IsCapsLockOn() const {
  std::lock_guard<std::mutex> lock(Lock());
  return capsLock_;
}

bool cKeyboardManager::IsScrollLockOn() const {
  std::lock_guard<std::mutex> lock(Lock());
  return scrollLock_;
}

bool cKeyboardManager::IsShifted() const {
  std::lock_guard<std::mutex> lock(Lock());
  return capsLock_ || shiftDown_;
}

bool cKeyboardManager::IsAltDown() const {
  std::lock_guard<std::mutex> lock(Lock());
  return altDown_;
}

bool cKeyboardManager::IsControlDown() const {
  std::lock_guard<std::mutex> lock(Lock());
  return controlDown_;
}

bool cKeyboardManager::IsKeyDown(std::int32_t key) const {
  if (key < 0 || key > keycode::Last) return false;
  std::lock_guard<std::mutex> lock(Lock());
  return keyDown_[key] != 0;
}

}  // namespace ZGUI
