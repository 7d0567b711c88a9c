#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "standard_streams.hpp"
#include "utf16_windows.hpp"

namespace {

bool IsConsole(HANDLE handle) {
  DWORD mode;
  return GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

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

bool OutputIsTerminal() { return IsConsole(GetStdHandle(STD_OUTPUT_HANDLE)); }

// A console shows UTF-16 whatever its code page; a file or pipe gets UTF-8.
void WriteText(const std::string& text) {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!IsConsole(output)) {
    static_cast<void>(std::fwrite(text.data(), 1, text.size(), stdout));
    return;
  }
  static_cast<void>(std::fflush(stdout));
  const std::wstring wide = Utf16FromUtf8(text);
  DWORD written = 0;
  WriteConsoleW(output, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}
