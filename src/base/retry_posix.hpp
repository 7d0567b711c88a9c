// A system call that a signal's handler broke off (EINTR) is made again:
// the key wait installs handlers, and a sanitizer or a profiler may have
// its own.
#pragma once

#include <errno.h>

template <typename Call>
auto RetryOnSignal(Call call) {
  decltype(call()) result;
  do {
    result = call();
  } while (result == -1 && errno == EINTR);
  return result;
}
