// Holds the tool open until the user presses one key on the console.
#pragma once

// 0 once a key was pressed, whichever it was, -1 when no key could be read.
// The console's input mode is the same afterwards as before.
int WaitForKey();
