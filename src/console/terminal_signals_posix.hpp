// Keeps a signal from leaving the terminal raw: while the key wait holds it
// raw, a signal that ends or stops the process first gives the terminal its
// saved mode back, a stopped one until it is continued.
#pragma once

#include <termios.h>

// A background job must not touch the terminal's mode: it would be stopped.
bool IsForegroundJob(int terminal);

// Sets the mode once output has gone out, dropping input not yet read.
bool SetTerminalMode(int terminal, const termios& mode);

void GuardRawMode(int terminal, const termios& saved, const termios& raw);

// Gives the terminal its saved mode back and takes the guard down, with the
// guarded signals held back meanwhile, so that none can come between: a
// continue there would make the terminal raw again for good. False when the
// mode could not be set.
bool RestoreAndStopGuarding();
