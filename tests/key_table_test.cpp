#include "console/key_table.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

// Keys that type nothing and are not in the table, and a flag it ignores.
constexpr int VkNone = 0x00, VkClear = 0x0C, VkShift = 0x10, VkControl = 0x11, VkAlt = 0x12,
              VkPause = 0x13, VkCapsLock = 0x14, VkF13 = 0x7C, VkNumLock = 0x90;
constexpr std::uint32_t EnhancedKey = 0x0100;

KeyEvent Press(int virtualKey, std::uint32_t controlKeys = 0, std::uint32_t character = 0) {
  KeyEvent event;
  event.virtualKey = static_cast<std::uint16_t>(virtualKey);
  event.controlKeys = controlKeys;
  event.character = character;
  return event;
}

KeyEvent Release(KeyEvent event) {
  event.keyDown = false;
  return event;
}

struct Expected {
  const char* what;
  KeyEvent event;
  bool endsWait;
  int code;
  int pendingCode;
};

void ExpectChoice(const Expected& e) {
  const KeyChoice choice = ChooseKey(e.event);
  EXPECT_EQ(choice.endsWait, e.endsWait) << e.what;
  if (!e.endsWait) return;
  EXPECT_EQ(choice.code, e.code) << e.what;
  EXPECT_EQ(choice.pendingCode, e.pendingCode) << e.what;
}

constexpr std::uint32_t kShift = ShiftPressed;
constexpr std::uint32_t kCtrl = LeftCtrlPressed;
constexpr std::uint32_t kAlt = LeftAltPressed;

TEST(KeyChoiceTest, KeysThatEndTheWaitWithTheirCodes) {
  const Expected cases[] = {
      {"letter a", Press('A', 0, 'a'), true, 'a', -1},
      {"Shift+A", Press('A', kShift, 'A'), true, 'A', -1},
      {"Caps Lock A", Press('A', CapsLockOn, 'A'), true, 'A', -1},
      {"layout decides the letter", Press('Z', 0, 'y'), true, 'y', -1},
      {"Ctrl+A", Press('A', kCtrl, 0x01), true, 0x01, -1},
      {"Ctrl+C", Press('C', RightCtrlPressed, 0x03), true, 0x03, -1},
      {"Alt+A", Press('A', kAlt, 'a'), true, 0, 0x1E},
      {"right Alt+A", Press('A', RightAltPressed, 'a'), true, 0, 0x1E},
      {"Alt wins over Ctrl", Press('A', kAlt | kCtrl, 0), true, 0, 0x1E},
      {"Ctrl wins over Shift", Press('A', kCtrl | kShift, 0x01), true, 0x01, -1},
      {"Enter", Press(VkEnter, 0, '\r'), true, 0x0D, -1},
      {"Ctrl+Enter", Press(VkEnter, kCtrl, '\n'), true, 0x0A, -1},
      {"Alt+Enter", Press(VkEnter, kAlt, '\r'), true, 0, 0xA6},
      {"Escape", Press(VkEscape, 0, 0x1B), true, 0x1B, -1},
      {"Alt+Escape", Press(VkEscape, kAlt), true, 0, 0x01},
      {"digit 1", Press('1', 0, '1'), true, '1', -1},
      {"Shift+1", Press('1', kShift, '!'), true, '!', -1},
      {"Ctrl+2", Press('2', kCtrl, 0), true, 0, 0x03},
      {"Alt+1", Press('1', kAlt, '1'), true, 0, 0x78},
      {"F1", Press(VkF1), true, 0, 0x3B},
      {"Shift+F1", Press(VkF1, kShift), true, 0, 0x54},
      {"Ctrl+F1", Press(VkF1, kCtrl), true, 0, 0x5E},
      {"Alt+F1", Press(VkF1, kAlt), true, 0, 0x68},
      {"F12", Press(VkF12), true, 0, 0x86},
      {"Alt+F12", Press(VkF12, kAlt), true, 0, 0x8C},
      {"Up", Press(VkUp, EnhancedKey), true, 0, 0x48},
      {"Shift+Up", Press(VkUp, kShift), true, 0, 0x48},
      {"Ctrl+Up", Press(VkUp, kCtrl), true, 0, 0x8D},
      {"Alt+Up", Press(VkUp, kAlt), true, 0, 0x98},
      {"keypad 0", Press(VkNumpad0, NumLockOn, '0'), true, '0', -1},
      {"Shift+keypad 0", Press(VkNumpad0, kShift), true, 0, 0x52},
      {"Ctrl+keypad 0", Press(VkNumpad0, kCtrl), true, 0, 0x92},
      {"Delete", Press(VkDelete, EnhancedKey), true, 0, 0x53},
      {"Delete with Num Lock is the decimal point", Press(VkDelete, NumLockOn, '.'), true, '.', -1},
      {"Ctrl+backslash", Press(VkBackslash, kCtrl, 0x1C), true, 0x1C, -1},
      {"key outside the table that types", Press(VkNone, 0, 0xE9), true, 0xE9, -1},
      {"Ctrl+1 reported with a character", Press('1', kCtrl, '1'), true, '1', -1},
  };
  for (const Expected& e : cases) ExpectChoice(e);
}

TEST(KeyChoiceTest, PressesThatDoNotEndTheWait) {
  const Expected cases[] = {
      {"Shift alone", Press(VkShift, kShift), false, 0, 0},
      {"Ctrl alone", Press(VkControl, kCtrl), false, 0, 0},
      {"Alt alone", Press(VkAlt, kAlt), false, 0, 0},
      {"Caps Lock", Press(VkCapsLock, CapsLockOn), false, 0, 0},
      {"Num Lock", Press(VkNumLock, NumLockOn), false, 0, 0},
      {"Pause", Press(VkPause), false, 0, 0},
      {"F13", Press(VkF13), false, 0, 0},
      {"keypad 5 without Num Lock", Press(VkClear), false, 0, 0},
      {"Ctrl+1", Press('1', kCtrl), false, 0, 0},
      {"Ctrl+0", Press('0', kCtrl), false, 0, 0},
      {"Ctrl+9", Press('9', kCtrl), false, 0, 0},
      {"Ctrl+slash", Press(VkSlash, kCtrl), false, 0, 0},
      {"Ctrl+equals", Press(VkEquals, kCtrl), false, 0, 0},
      {"Ctrl+grave", Press(VkGrave, kCtrl), false, 0, 0},
      {"Alt+keypad 7", Press(VkNumpad0 + 7, kAlt), false, 0, 0},
      {"release of Enter", Release(Press(VkEnter, 0, '\r')), false, 0, 0},
      {"release of a letter", Release(Press('A', 0, 'a')), false, 0, 0},
  };
  for (const Expected& e : cases) ExpectChoice(e);
}

// Only the presses left without a code may leave the wait running, so every
// other combination of every key in the table must end it.
TEST(KeyChoiceTest, EveryTableCombinationWithACodeEndsTheWait) {
  std::vector<int> keys = {
      VkBackspace, VkTab,      VkEnter,  VkEscape,      VkSpace,        VkPageUp,    VkPageDown,
      VkEnd,       VkHome,     VkLeft,   VkUp,          VkRight,        VkDown,      VkInsert,
      VkDelete,    VkMultiply, VkAdd,    VkSubtract,    VkDecimal,      VkDivide,    VkBackslash,
      VkSlash,     VkMinus,    VkEquals, VkLeftBracket, VkRightBracket, VkSemicolon, VkApostrophe,
      VkComma,     VkPeriod,   VkGrave};
  for (int i = 0; i < 10; ++i) keys.insert(keys.end(), {'0' + i, VkNumpad0 + i});
  for (int i = 0; i < 26; ++i) keys.push_back('A' + i);
  for (int i = 0; i < 12; ++i) keys.push_back(VkF1 + i);
  ASSERT_EQ(keys.size(), 89u);

  const std::string ctrlWithoutCode = "01345789";
  int withoutCode = 0;
  for (int key : keys) {
    for (std::uint32_t modifier : {0u, kShift, kCtrl, kAlt}) {
      // Letters take the typed character when alone; give them one.
      const std::uint32_t character = (key >= 'A' && key <= 'Z') ? 'a' : 0;
      if (ChooseKey(Press(key, modifier, character)).endsWait) continue;
      ++withoutCode;
      const bool ctrlDigit = modifier == kCtrl && key >= '0' && key <= '9' &&
                             ctrlWithoutCode.find(static_cast<char>(key)) != std::string::npos;
      const bool ctrlPunctuation =
          modifier == kCtrl &&
          (key == VkSlash || key == VkEquals || key == VkSemicolon || key == VkApostrophe ||
           key == VkComma || key == VkPeriod || key == VkGrave);
      const bool altKeypadDigit = modifier == kAlt && key >= VkNumpad0 && key <= VkNumpad0 + 9;
      EXPECT_TRUE(ctrlDigit || ctrlPunctuation || altKeypadDigit)
          << "key " << key << " modifier " << modifier;
    }
  }
  EXPECT_EQ(withoutCode, 8 + 7 + 10);
}

}  // namespace
