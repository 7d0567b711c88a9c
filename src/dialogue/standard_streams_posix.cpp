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

// File names are bytes, whatever their encoding.
std::string PathFromInputLine(const std::string& line) { return line; }

bool OutputIsTerminal() { return ::isatty(STDOUT_FILENO) != 0; }

namespace {

bool WriteTo(std::FILE* stream, const std::string& text) {
  const bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
  return std::fflush(stream) == 0 && written;
}

}  // namespace

bool WriteText(const std::string& text) { return WriteTo(stdout, text); }

void WriteErrorLine(const std::string& text) { static_cast<void>(WriteTo(stderr, text + "\n")); }
