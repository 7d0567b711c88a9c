// Holds the tool open until the user presses one key on the console.
#pragma once

// Returns the key's code, or -1 when no key could be read. On Windows the
// code is a character code, or 0 for an extended key, whose second half is
// kept for the next call. A terminal sends no key codes, only bytes: there
// the code is 0 for every key. The console's input mode is the same
// afterwards as before.
int WaitForKey();

// Whether the console window closes when the tool exits: it does when the
// tool is alone on it, as when started by a double-click or by files
// dropped on it, and the last lines would then vanish unread. A console
// without a window shows nothing and takes no key, so nothing is awaited.
bool ConsoleClosesWithTool(unsigned long processesOnConsole, bool hasWindow);
