// Which key presses end the key wait, and with what code: a table of the
// codes each key gives alone and with Shift, Ctrl or Alt, and the rules that
// pick a column. Platform-neutral: it only sees KeyEvents.
#pragma once

#include "key_event.hpp"

// What one key event means for the wait.
struct KeyChoice {
  bool endsWait = false;
  int code = 0;          // the code the wait returns
  int pendingCode = -1;  // the second half of an extended key, -1 for none
};

KeyChoice ChooseKey(const KeyEvent& event);
