#include "console.hpp"

int WaitForKey() {
  if (!EnterRawMode()) return -1;
  const bool read = ReadKeyPress();
  return RestoreMode() && read ? 0 : -1;
}
