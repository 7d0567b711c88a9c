#include <errno.h>
#include <sys/select.h>
#include <unistd.h>

#include <cstdio>

#include "base/retry_posix.hpp"
#include "standard_streams.hpp"

void SetUpStandardStreams() {
  if (::isatty(STDOUT_FILENO)) {
    static_cast<void>(std::setvbuf(stdout, nullptr, _IONBF, 0));
  } else {
    static_cast<void>(std::setvbuf(stdout, nullptr, _IOFBF, 512));
  }
}

namespace {

// select, not poll: macOS's poll does not take terminals (console_posix.cpp).
bool WaitForInput() {
  return RetryOnSignal([] {
           fd_set readable;
           FD_ZERO(&readable);
           FD_SET(STDIN_FILENO, &readable);
           return ::select(STDIN_FILENO + 1, &readable, nullptr, nullptr, nullptr);
         }) > 0;
}

bool WriteTo(std::FILE* stream, const std::string& text) {
  const bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
  return std::fflush(stream) == 0 && written;
}

}  // namespace

// The program that started the tool may have left standard input
// non-blocking. The flag belongs to the pipe or terminal that it shares, so
// it stays; a read that finds nothing yet waits for input instead.
std::ptrdiff_t ReadStandardInput(char* buffer, std::size_t size) {
  static_cast<void>(std::fflush(stdout));
  for (;;) {
    const ssize_t count =
        RetryOnSignal([buffer, size] { return ::read(STDIN_FILENO, buffer, size); });
    if (count >= 0) return count;
    if ((errno != EAGAIN && errno != EWOULDBLOCK) || !WaitForInput()) return -1;
  }
}

// File names are bytes, whatever their encoding.
std::string PathFromInputLine(const std::string& line) { return line; }

bool OutputIsTerminal() { return ::isatty(STDOUT_FILENO) != 0; }

bool WriteText(const std::string& text) { return WriteTo(stdout, text); }

void WriteErrorLine(const std::string& text) { static_cast<void>(WriteTo(stderr, text + "\n")); }
