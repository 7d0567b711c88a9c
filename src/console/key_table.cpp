#include "key_table.hpp"

#include <cstdint>

namespace {

constexpr std::int16_t kNone = -1;

// An extended code: the PC keyboard's extended key code in the low byte.
constexpr std::int16_t Ext(int keyCode) { return static_cast<std::int16_t>(0x100 | keyCode); }

struct KeyCodes {
  std::int16_t virtualKey, alone, shift, ctrl, alt;
};

// The codes follow the PC BIOS keyboard codes: a plain character where the
// combination types one, otherwise an extended key code.
constexpr KeyCodes kKeyTable[] = {
    {VkBackspace, 0x08, 0x08, 0x7F, Ext(0x0E)},
    {VkTab, 0x09, Ext(0x0F), Ext(0x94), Ext(0xA5)},
    {VkEnter, 0x0D, 0x0D, 0x0A, Ext(0xA6)},
    {VkEscape, 0x1B, 0x1B, 0x1B, Ext(0x01)},
    {VkSpace, 0x20, 0x20, 0x20, Ext(0x39)},

    {'0', '0', ')', kNone, Ext(0x81)},
    {'1', '1', '!', kNone, Ext(0x78)},
    {'2', '2', '@', Ext(0x03), Ext(0x79)},
    {'3', '3', '#', kNone, Ext(0x7A)},
    {'4', '4', '$', kNone, Ext(0x7B)},
    {'5', '5', '%', kNone, Ext(0x7C)},
    {'6', '6', '^', 0x1E, Ext(0x7D)},
    {'7', '7', '&', kNone, Ext(0x7E)},
    {'8', '8', '*', kNone, Ext(0x7F)},
    {'9', '9', '(', kNone, Ext(0x80)},

    {'A', 'a', 'A', 0x01, Ext(0x1E)},
    {'B', 'b', 'B', 0x02, Ext(0x30)},
    {'C', 'c', 'C', 0x03, Ext(0x2E)},
    {'D', 'd', 'D', 0x04, Ext(0x20)},
    {'E', 'e', 'E', 0x05, Ext(0x12)},
    {'F', 'f', 'F', 0x06, Ext(0x21)},
    {'G', 'g', 'G', 0x07, Ext(0x22)},
    {'H', 'h', 'H', 0x08, Ext(0x23)},
    {'I', 'i', 'I', 0x09, Ext(0x17)},
    {'J', 'j', 'J', 0x0A, Ext(0x24)},
    {'K', 'k', 'K', 0x0B, Ext(0x25)},
    {'L', 'l', 'L', 0x0C, Ext(0x26)},
    {'M', 'm', 'M', 0x0D, Ext(0x32)},
    {'N', 'n', 'N', 0x0E, Ext(0x31)},
    {'O', 'o', 'O', 0x0F, Ext(0x18)},
    {'P', 'p', 'P', 0x10, Ext(0x19)},
    {'Q', 'q', 'Q', 0x11, Ext(0x10)},
    {'R', 'r', 'R', 0x12, Ext(0x13)},
    {'S', 's', 'S', 0x13, Ext(0x1F)},
    {'T', 't', 'T', 0x14, Ext(0x14)},
    {'U', 'u', 'U', 0x15, Ext(0x16)},
    {'V', 'v', 'V', 0x16, Ext(0x2F)},
    {'W', 'w', 'W', 0x17, Ext(0x11)},
    {'X', 'x', 'X', 0x18, Ext(0x2D)},
    {'Y', 'y', 'Y', 0x19, Ext(0x15)},
    {'Z', 'z', 'Z', 0x1A, Ext(0x2C)},

    {VkPageUp, Ext(0x49), Ext(0x49), Ext(0x84), Ext(0x99)},
    {VkPageDown, Ext(0x51), Ext(0x51), Ext(0x76), Ext(0xA1)},
    {VkEnd, Ext(0x4F), Ext(0x4F), Ext(0x75), Ext(0x9F)},
    {VkHome, Ext(0x47), Ext(0x47), Ext(0x77), Ext(0x97)},
    {VkLeft, Ext(0x4B), Ext(0x4B), Ext(0x73), Ext(0x9B)},
    {VkUp, Ext(0x48), Ext(0x48), Ext(0x8D), Ext(0x98)},
    {VkRight, Ext(0x4D), Ext(0x4D), Ext(0x74), Ext(0x9D)},
    {VkDown, Ext(0x50), Ext(0x50), Ext(0x91), Ext(0xA0)},
    {VkInsert, Ext(0x52), Ext(0x52), Ext(0x92), Ext(0xA2)},
    {VkDelete, Ext(0x53), Ext(0x53), Ext(0x93), Ext(0xA3)},

    // Keypad digits as typed with Num Lock on; Shift gives the navigation key
    // printed on the same key cap.
    {VkNumpad0 + 0, '0', Ext(0x52), Ext(0x92), kNone},
    {VkNumpad0 + 1, '1', Ext(0x4F), Ext(0x75), kNone},
    {VkNumpad0 + 2, '2', Ext(0x50), Ext(0x91), kNone},
    {VkNumpad0 + 3, '3', Ext(0x51), Ext(0x76), kNone},
    {VkNumpad0 + 4, '4', Ext(0x4B), Ext(0x73), kNone},
    {VkNumpad0 + 5, '5', Ext(0x4C), Ext(0x8F), kNone},
    {VkNumpad0 + 6, '6', Ext(0x4D), Ext(0x74), kNone},
    {VkNumpad0 + 7, '7', Ext(0x47), Ext(0x77), kNone},
    {VkNumpad0 + 8, '8', Ext(0x48), Ext(0x8D), kNone},
    {VkNumpad0 + 9, '9', Ext(0x49), Ext(0x84), kNone},
    {VkMultiply, '*', '*', Ext(0x96), Ext(0x37)},
    {VkAdd, '+', '+', Ext(0x90), Ext(0x4E)},
    {VkSubtract, '-', '-', Ext(0x8E), Ext(0x4A)},
    {VkDecimal, '.', Ext(0x53), Ext(0x93), Ext(0xA3)},
    {VkDivide, '/', '/', Ext(0x95), Ext(0xA4)},

    {VkF1 + 0, Ext(0x3B), Ext(0x54), Ext(0x5E), Ext(0x68)},
    {VkF1 + 1, Ext(0x3C), Ext(0x55), Ext(0x5F), Ext(0x69)},
    {VkF1 + 2, Ext(0x3D), Ext(0x56), Ext(0x60), Ext(0x6A)},
    {VkF1 + 3, Ext(0x3E), Ext(0x57), Ext(0x61), Ext(0x6B)},
    {VkF1 + 4, Ext(0x3F), Ext(0x58), Ext(0x62), Ext(0x6C)},
    {VkF1 + 5, Ext(0x40), Ext(0x59), Ext(0x63), Ext(0x6D)},
    {VkF1 + 6, Ext(0x41), Ext(0x5A), Ext(0x64), Ext(0x6E)},
    {VkF1 + 7, Ext(0x42), Ext(0x5B), Ext(0x65), Ext(0x6F)},
    {VkF1 + 8, Ext(0x43), Ext(0x5C), Ext(0x66), Ext(0x70)},
    {VkF1 + 9, Ext(0x44), Ext(0x5D), Ext(0x67), Ext(0x71)},
    {VkF1 + 10, Ext(0x85), Ext(0x87), Ext(0x89), Ext(0x8B)},
    {VkF1 + 11, Ext(0x86), Ext(0x88), Ext(0x8A), Ext(0x8C)},

    // Punctuation keys, named by what they type on a US layout.
    {VkBackslash, '\\', '|', 0x1C, Ext(0x2B)},
    {VkSlash, '/', '?', kNone, Ext(0x35)},
    {VkMinus, '-', '_', 0x1F, Ext(0x82)},
    {VkEquals, '=', '+', kNone, Ext(0x83)},
    {VkLeftBracket, '[', '{', 0x1B, Ext(0x1A)},
    {VkRightBracket, ']', '}', 0x1D, Ext(0x1B)},
    {VkSemicolon, ';', ':', kNone, Ext(0x27)},
    {VkApostrophe, '\'', '"', kNone, Ext(0x28)},
    {VkComma, ',', '<', kNone, Ext(0x33)},
    {VkPeriod, '.', '>', kNone, Ext(0x34)},
    {VkGrave, '`', '~', kNone, Ext(0x29)},

    {kNone, kNone, kNone, kNone, kNone},
};

const KeyCodes* FindKey(int virtualKey) {
  for (const KeyCodes* row = kKeyTable; row->virtualKey != kNone; ++row) {
    if (row->virtualKey == virtualKey) return row;
  }
  return nullptr;
}

bool IsLetterKey(int virtualKey) { return virtualKey >= VkA && virtualKey <= VkZ; }

// The first rule that applies picks the column.
int CodeFor(const KeyCodes& key, const KeyEvent& event) {
  if (event.controlKeys & (LeftAltPressed | RightAltPressed)) return key.alt;
  if (event.controlKeys & (LeftCtrlPressed | RightCtrlPressed)) return key.ctrl;
  if (event.controlKeys & ShiftPressed) return key.shift;
  // Caps Lock and the keyboard layout decide which letter a letter key types.
  if (IsLetterKey(key.virtualKey)) return static_cast<int>(event.character);
  return key.alone;
}

}  // namespace

KeyChoice ChooseKey(const KeyEvent& event) {
  if (!event.keyDown) return {};
  int virtualKey = event.virtualKey;
  // With Num Lock on, the keypad's Del key types the decimal point.
  if (virtualKey == VkDelete && (event.controlKeys & NumLockOn)) {
    virtualKey = VkDecimal;
  }
  const KeyCodes* key = FindKey(virtualKey);
  const int code = key != nullptr ? CodeFor(*key, event) : kNone;
  if (code == kNone) {
    if (event.character == 0) return {};
    return {true, static_cast<int>(event.character), -1};
  }
  if (code >= 0x100) return {true, 0, code & 0xFF};
  return {true, code, -1};
}
