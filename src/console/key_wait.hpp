// Holds the tool open until the user presses one key on the console.
#pragma once

// Returns the key's code: a character code, 0 for an extended key (whose
// second half is kept for the next call), or -1 when no key could be read.
// The console's input mode is the same afterwards as before.
int WaitForKey();
