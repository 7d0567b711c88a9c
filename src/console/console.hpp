// The keyboard of the terminal or console window the tool was started in,
// read directly rather than through standard input, which may be a pipe.
// Each platform implements this in its own source file.
#pragma once

// Opened once at start and closed at exit. Failure is silent: the key wait
// then finds no console and returns at once.
void OpenConsoleInput();
void CloseConsoleInput();

// Saves the input mode in force and switches to raw input: no line editing,
// no echo, and interrupt keys delivered as ordinary key presses. False when
// there is no console or its mode cannot be read or set.
bool EnterRawMode();

// Puts the saved mode back. False when that fails.
bool RestoreMode();

// Blocks until a key press ends the wait; false when the console cannot be
// read.
bool ReadKeyPress();

// How many processes share the console window, this one included; 0 where
// the console is no window of its own that could close with the tool (a
// POSIX terminal outlives it).
unsigned long ProcessesOnConsole();

// Whether the console has a window at all; a program that starts the tool
// with CREATE_NO_WINDOW gives it a console that nobody can see.
bool ConsoleHasWindow();
