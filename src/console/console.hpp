// The keyboard of the terminal or console window the tool was started in,
// read directly rather than through standard input, which may be a pipe.
// Each platform has its own source file; key_wait.cpp has WaitForKey.
#pragma once

// Opened once at start and closed at exit. Failure is silent: the key wait
// then finds no console and returns at once.
void OpenConsoleInput();
void CloseConsoleInput();

// Holds the tool open until the user presses one key on the console: 0
// once a key was pressed, whichever it was, -1 when no key could be read.
// The console's input mode is the same afterwards as before.
int WaitForKey();

// The wait's steps. EnterRawMode saves the input mode and switches to raw
// input (no line editing, no echo, interrupt keys as ordinary key presses);
// ReadKeyPress blocks until a key press ends the wait; RestoreMode puts the
// saved mode back. Each is false when the console cannot do it.
bool EnterRawMode();
bool ReadKeyPress();
bool RestoreMode();

// How many processes share the console window, this one included; 0 where
// the console is no window of its own that could close with the tool (a
// POSIX terminal outlives it).
unsigned long ProcessesOnConsole();

// Whether the console has a window at all; a program that starts the tool
// with CREATE_NO_WINDOW gives it a console that nobody can see.
bool ConsoleHasWindow();
