#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "standard_streams.hpp"

void SetUpStandardStreams() {
  // Standard output stays in text mode, so that each newline is written as
  // CR LF, on the console and in a redirected file alike. Standard input is
  // read raw: the path reader drops CRs and stops at Ctrl+Z itself.
  _setmode(_fileno(stdin), _O_BINARY);
  if (_isatty(_fileno(stdout))) {
    static_cast<void>(std::setvbuf(stdout, nullptr, _IONBF, 0));
  } else {
    static_cast<void>(std::setvbuf(stdout, nullptr, _IOFBF, 512));
  }
}

std::ptrdiff_t ReadStandardInput(char* buffer, std::size_t size) {
  static_cast<void>(std::fflush(stdout));
  return _read(_fileno(stdin), buffer, static_cast<unsigned>(size));
}
