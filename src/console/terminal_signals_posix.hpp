// Keeps a signal from leaving the terminal raw: while the key wait holds the
// terminal in raw mode, a signal that ends the process first gives the
// terminal its saved mode back, and one that stops it does so too, until the
// process is continued.
#pragma once

#include <signal.h>
#include <termios.h>

void GuardRawMode(int terminal, const termios& saved, const termios& raw);
void StopGuardingRawMode();

// Holds the guarded signals back while it lives, so that none can come
// between restoring the terminal and taking the guard down: a continue
// there would make the terminal raw again for good.
class GuardedSignalsHeld {
 public:
  GuardedSignalsHeld();
  ~GuardedSignalsHeld();
  GuardedSignalsHeld(const GuardedSignalsHeld&) = delete;
  GuardedSignalsHeld& operator=(const GuardedSignalsHeld&) = delete;

 private:
  sigset_t previous_;
};
