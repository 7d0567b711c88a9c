#include "key_wait.hpp"

#include "console.hpp"
#include "key_table.hpp"

namespace {

// The second half of an extended key, handed out by the next call.
int pendingCode = -1;

// Reads events until one ends the wait; -1 when the console fails first.
int ReadUntilKeyChosen() {
  KeyEvent event;
  while (ReadKeyEvent(event)) {
    const KeyChoice choice = ChooseKey(event);
    if (choice.endsWait) {
      pendingCode = choice.pendingCode;
      return choice.code;
    }
  }
  return -1;
}

}  // namespace

int WaitForKey() {
  if (pendingCode >= 0) {
    const int code = pendingCode;
    pendingCode = -1;
    return code;
  }
  if (!EnterRawMode()) return -1;
  const int code = ReadUntilKeyChosen();
  if (!RestoreMode()) return -1;
  return code;
}

bool ConsoleClosesWithTool(unsigned long processesOnConsole, bool hasWindow) {
  return processesOnConsole == 1 && hasWindow;
}
