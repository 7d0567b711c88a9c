// Keeps a signal from leaving the terminal raw: while the key wait holds the
// terminal in raw mode, a signal that ends the process first gives the
// terminal its saved mode back, and one that stops it does so too, until the
// process is continued.
#pragma once

#include <termios.h>

void GuardRawMode(int terminal, const termios& saved, const termios& raw);
void StopGuardingRawMode();
