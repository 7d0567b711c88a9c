// A key event as a Windows console key record gives it, in a shape of its
// own, so that the rules that choose a key's code are tested on any
// platform. A terminal has no such records.
#pragma once

#include <cstdint>

// Windows virtual-key codes of the keys the tool knows by name. Digit and
// letter keys have the codes of their ASCII characters: '0'..'9', 'A'..'Z'.
enum VirtualKey : std::uint16_t {
  VkBackspace = 0x08,
  VkTab = 0x09,
  VkEnter = 0x0D,
  VkEscape = 0x1B,
  VkSpace = 0x20,
  VkPageUp = 0x21,
  VkPageDown = 0x22,
  VkEnd = 0x23,
  VkHome = 0x24,
  VkLeft = 0x25,
  VkUp = 0x26,
  VkRight = 0x27,
  VkDown = 0x28,
  VkInsert = 0x2D,
  VkDelete = 0x2E,
  VkA = 0x41,  // .. VkA + 25
  VkZ = 0x5A,
  VkNumpad0 = 0x60,  // .. VkNumpad0 + 9
  VkMultiply = 0x6A,
  VkAdd = 0x6B,
  VkSubtract = 0x6D,
  VkDecimal = 0x6E,
  VkDivide = 0x6F,
  VkF1 = 0x70,  // .. VkF1 + 11
  VkF12 = 0x7B,
  VkSemicolon = 0xBA,
  VkEquals = 0xBB,
  VkComma = 0xBC,
  VkMinus = 0xBD,
  VkPeriod = 0xBE,
  VkSlash = 0xBF,
  VkGrave = 0xC0,
  VkLeftBracket = 0xDB,
  VkBackslash = 0xDC,
  VkRightBracket = 0xDD,
  VkApostrophe = 0xDE,
};

// Bits of KeyEvent::controlKeys, with the values Windows gives them.
enum ControlKey : std::uint32_t {
  RightAltPressed = 0x0001,
  LeftAltPressed = 0x0002,
  RightCtrlPressed = 0x0004,
  LeftCtrlPressed = 0x0008,
  ShiftPressed = 0x0010,
  NumLockOn = 0x0020,
  CapsLockOn = 0x0080,
};

struct KeyEvent {
  bool keyDown = true;
  std::uint16_t virtualKey = 0;
  std::uint32_t controlKeys = 0;
  std::uint32_t character = 0;  // the character typed; 0 for none
};
