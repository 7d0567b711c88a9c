#include "console/key_event.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Windows' codes of the keys and modifier bits that the rows name.
constexpr int VkNone = 0x00, VkBackspace = 0x08, VkTab = 0x09, VkClear = 0x0C, VkEnter = 0x0D,
              VkShift = 0x10, VkControl = 0x11, VkAlt = 0x12, VkPause = 0x13, VkCapsLock = 0x14,
              VkEscape = 0x1B, VkSpace = 0x20, VkPageUp = 0x21, VkPageDown = 0x22, VkEnd = 0x23,
              VkHome = 0x24, VkLeft = 0x25, VkUp = 0x26, VkRight = 0x27, VkDown = 0x28,
              VkInsert = 0x2D, VkDelete = 0x2E, VkNumpad0 = 0x60, VkMultiply = 0x6A, VkAdd = 0x6B,
              VkSubtract = 0x6D, VkDecimal = 0x6E, VkDivide = 0x6F, VkF1 = 0x70, VkF12 = 0x7B,
              VkF13 = 0x7C, VkNumLock = 0x90, VkSemicolon = 0xBA, VkEquals = 0xBB, VkComma = 0xBC,
              VkMinus = 0xBD, VkPeriod = 0xBE, VkSlash = 0xBF, VkGrave = 0xC0, VkLeftBracket = 0xDB,
              VkBackslash = 0xDC, VkRightBracket = 0xDD, VkApostrophe = 0xDE;
constexpr std::uint32_t kRightAlt = 0x01, kAlt = 0x02, kRightCtrl = 0x04, kCtrl = 0x08,
                        kShift = 0x10, kNumLock = 0x20, kCapsLock = 0x80, kEnhanced = 0x100;

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

struct Row {
  const char* what;
  KeyEvent event;
  bool endsWait;
};

TEST(KeyEventTest, EachRowEndsTheWaitOrNot) {
  const Row rows[] = {
      {"letter a", Press('A', 0, 'a'), true},
      {"Shift+A", Press('A', kShift, 'A'), true},
      {"Caps Lock A", Press('A', kCapsLock, 'A'), true},
      {"layout decides the letter", Press('Z', 0, 'y'), true},
      {"Ctrl+A", Press('A', kCtrl, 0x01), true},
      {"Ctrl+C", Press('C', kRightCtrl, 0x03), true},
      {"Alt+A", Press('A', kAlt, 'a'), true},
      {"right Alt+A", Press('A', kRightAlt, 'a'), true},
      {"Alt wins over Ctrl", Press('A', kAlt | kCtrl, 0), true},
      {"Ctrl wins over Shift", Press('A', kCtrl | kShift, 0x01), true},
      {"Enter", Press(VkEnter, 0, '\r'), true},
      {"Ctrl+Enter", Press(VkEnter, kCtrl, '\n'), true},
      {"Alt+Enter", Press(VkEnter, kAlt, '\r'), true},
      {"Escape", Press(VkEscape, 0, 0x1B), true},
      {"Alt+Escape", Press(VkEscape, kAlt), true},
      {"digit 1", Press('1', 0, '1'), true},
      {"Shift+1", Press('1', kShift, '!'), true},
      {"Ctrl+2", Press('2', kCtrl, 0), true},
      {"Alt+1", Press('1', kAlt, '1'), true},
      {"F1", Press(VkF1), true},
      {"Shift+F1", Press(VkF1, kShift), true},
      {"Ctrl+F1", Press(VkF1, kCtrl), true},
      {"Alt+F1", Press(VkF1, kAlt), true},
      {"F12", Press(VkF12), true},
      {"Alt+F12", Press(VkF12, kAlt), true},
      {"Up", Press(VkUp, kEnhanced), true},
      {"Shift+Up", Press(VkUp, kShift), true},
      {"Ctrl+Up", Press(VkUp, kCtrl), true},
      {"Alt+Up", Press(VkUp, kAlt), true},
      {"keypad 0", Press(VkNumpad0, kNumLock, '0'), true},
      {"Shift+keypad 0", Press(VkNumpad0, kShift), true},
      {"Ctrl+keypad 0", Press(VkNumpad0, kCtrl), true},
      {"Delete", Press(VkDelete, kEnhanced), true},
      {"Delete with Num Lock is the decimal point", Press(VkDelete, kNumLock, '.'), true},
      {"Ctrl+backslash", Press(VkBackslash, kCtrl, 0x1C), true},
      {"key outside the table that types", Press(VkNone, 0, 0xE9), true},
      {"Ctrl+1 reported with a character", Press('1', kCtrl, '1'), true},

      {"Shift alone", Press(VkShift, kShift), false},
      {"Ctrl alone", Press(VkControl, kCtrl), false},
      {"Alt alone", Press(VkAlt, kAlt), false},
      {"Caps Lock", Press(VkCapsLock, kCapsLock), false},
      {"Num Lock", Press(VkNumLock, kNumLock), false},
      {"Pause", Press(VkPause), false},
      {"F13", Press(VkF13), false},
      {"keypad 5 without Num Lock", Press(VkClear), false},
      {"Ctrl+1", Press('1', kCtrl), false},
      {"Ctrl+0", Press('0', kCtrl), false},
      {"Ctrl+9", Press('9', kCtrl), false},
      {"Ctrl+slash", Press(VkSlash, kCtrl), false},
      {"Ctrl+equals", Press(VkEquals, kCtrl), false},
      {"Ctrl+grave", Press(VkGrave, kCtrl), false},
      {"Alt+keypad 7", Press(VkNumpad0 + 7, kAlt), false},
      {"release of Enter", Release(Press(VkEnter, 0, '\r')), false},
      {"release of a letter", Release(Press('A', 0, 'a')), false},
  };
  for (const Row& row : rows) EXPECT_EQ(EndsWait(row.event), row.endsWait) << row.what;
}

// Only the combinations without a code of their own may leave the wait
// running, so every other one of every key the wait knows must end it.
TEST(KeyEventTest, EveryKnownKeyEndsTheWaitWhereItHasACode) {
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
      if (EndsWait(Press(key, modifier))) continue;
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
  // Nothing past the 89 ends the wait without a character.
  for (int key = 0; key < 256; ++key) {
    const bool known = std::find(keys.begin(), keys.end(), key) != keys.end();
    EXPECT_TRUE(known || !EndsWait(Press(key))) << key;
  }
}

}  // namespace
