// A key event of a Windows console, in a shape of its own, and which of
// them end the key wait: a rule that only needs the event, so that it is
// tested on any platform. A terminal has no such events.
#pragma once

#include <cstdint>

struct KeyEvent {
  bool keyDown = true;
  std::uint16_t virtualKey = 0;   // Windows' code of the key
  std::uint32_t controlKeys = 0;  // Windows' bits of the modifiers and locks
  std::uint32_t character = 0;    // the character typed; 0 for none
};

// A key press ends the wait when it types a character, and when it is one
// of the 89 keys of the PC keyboard that the wait knows, alone or with
// Shift, Ctrl or Alt, except for the few combinations that have no code of
// their own there. Modifiers, locks and keys unknown to the wait that type
// nothing do not end it; no release ever does.
bool EndsWait(const KeyEvent& event);
