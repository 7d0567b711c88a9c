#include "key_event.hpp"

namespace {

constexpr std::uint32_t kAlt = 0x0001 | 0x0002;   // right, left
constexpr std::uint32_t kCtrl = 0x0004 | 0x0008;  // right, left
constexpr int kNumpad0 = 0x60;

struct KeyRange {
  int first, last;
};

// The keys the wait knows, by their virtual-key codes; digits and letters
// have those of their ASCII characters. The keypad's Del, which is the
// decimal point with Num Lock on, is known either way.
constexpr KeyRange kKnownKeys[] = {
    {0x08, 0x09},  // Backspace, Tab
    {0x0D, 0x0D},  // Enter
    {0x1B, 0x1B},  // Escape
    {0x20, 0x28},  // Space, Page Up, Page Down, End, Home, the four arrows
    {0x2D, 0x2E},  // Insert, Delete
    {0x30, 0x39},  // 0-9
    {0x41, 0x5A},  // A-Z
    {0x60, 0x6B},  // the keypad's 0-9, * and +
    {0x6D, 0x7B},  // the keypad's -, . and /; F1-F12
    {0xBA, 0xC0},  // ; = , - . / ` as a US layout has them
    {0xDB, 0xDE},  // [ \ ] '
};

bool IsKnownKey(int key) {
  for (const KeyRange& range : kKnownKeys) {
    if (key >= range.first && key <= range.last) return true;
  }
  return false;
}

// Alt, which outweighs Ctrl, gives no code with a keypad digit; Ctrl,
// which outweighs Shift, none with the digits but 2 and 6 nor with the
// punctuation keys of the US layout but - [ \ ].
bool HasNoCode(const KeyEvent& event) {
  const int key = event.virtualKey;
  if (event.controlKeys & kAlt) return key >= kNumpad0 && key <= kNumpad0 + 9;
  if ((event.controlKeys & kCtrl) == 0) return false;
  if (key >= '0' && key <= '9') return key != '2' && key != '6';
  return (key >= 0xBA && key <= 0xC0 && key != 0xBD) || key == 0xDE;
}

}  // namespace

bool EndsWait(const KeyEvent& event) {
  if (!event.keyDown) return false;
  if (event.character != 0) return true;
  return IsKnownKey(event.virtualKey) && !HasNoCode(event);
}
