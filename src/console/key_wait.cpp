#include "key_wait.hpp"

#include "console.hpp"

namespace {

// The second half of an extended key, handed out by the next call.
int pendingCode = -1;

}  // namespace

int WaitForKey() {
  if (pendingCode >= 0) {
    const int code = pendingCode;
    pendingCode = -1;
    return code;
  }
  if (!EnterRawMode()) return -1;
  KeyChoice key;
  const bool read = ReadKeyPress(key);
  if (read) pendingCode = key.pendingCode;
  if (!RestoreMode() || !read) return -1;
  return key.code;
}

bool ConsoleClosesWithTool(unsigned long processesOnConsole, bool hasWindow) {
  return processesOnConsole == 1 && hasWindow;
}
