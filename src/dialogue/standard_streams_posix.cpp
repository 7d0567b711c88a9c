#include <errno.h>
#include <unistd.h>

#include <cstdio>

#include "standard_streams.hpp"

void SetUpStandardStreams() {
  if (::isatty(STDOUT_FILENO)) {
    static_cast<void>(std::setvbuf(stdout, nullptr, _IONBF, 0));
  } else {
    static_cast<void>(std::setvbuf(stdout, nullptr, _IOFBF, 512));
  }
}

std::ptrdiff_t ReadStandardInput(char* buffer, std::size_t size) {
  static_cast<void>(std::fflush(stdout));
  ssize_t count;
  do {
    count = ::read(STDIN_FILENO, buffer, size);
  } while (count < 0 && errno == EINTR);
  return count;
}

bool OutputIsTerminal() { return ::isatty(STDOUT_FILENO) != 0; }

void WriteText(const std::string& text) {
  static_cast<void>(std::fwrite(text.data(), 1, text.size(), stdout));
}
