#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>

#include "base/utf16_windows.hpp"
#include "base/wtf8.hpp"
#include "standard_streams.hpp"

namespace {

bool IsConsole(HANDLE handle) {
  DWORD mode;
  return GetConsoleMode(handle, &mode) != 0;
}

// What was read from the console as UTF-16 and not yet handed out as WTF-8.
std::string pendingText;
// The first half of a surrogate pair whose second half is still unread.
wchar_t pendingHighSurrogate = 0;

// Reads the next piece of the line from the console; false when the read
// fails or returns nothing, which ends the input.
bool ReadConsolePiece(HANDLE input) {
  wchar_t wide[256];
  DWORD start = 0;
  if (pendingHighSurrogate != 0) {
    wide[start++] = pendingHighSurrogate;
    pendingHighSurrogate = 0;
  }
  DWORD count = 0;
  if (!ReadConsoleW(input, wide + start, 256 - start, &count, nullptr) || count == 0) return false;
  count += start;
  if (IS_HIGH_SURROGATE(wide[count - 1])) pendingHighSurrogate = wide[--count];
  pendingText = Wtf8FromWide(std::wstring(wide, count));
  return true;
}

// Typed at a console, the line is read as UTF-16, so that letters outside
// the console's code page survive, and handed on as WTF-8, in which the
// path is then opened. The console's own line editing stays in force.
std::ptrdiff_t ReadConsoleAsUtf8(HANDLE input, char* buffer, std::size_t size) {
  while (pendingText.empty()) {
    if (!ReadConsolePiece(input)) return 0;
  }
  const std::size_t count = std::min(size, pendingText.size());
  pendingText.copy(buffer, count);
  pendingText.erase(0, count);
  return static_cast<std::ptrdiff_t>(count);
}

// Surrogates are WTF-8's own: no program writes them into UTF-8 text, and
// an ANSI name can look like one (cp1252's "\xED\xA9\xAE" is U+DA6E).
bool IsStrictUtf8(const std::string& bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    std::uint32_t codePoint = 0;
    const std::size_t length = Wtf8CharacterAt(bytes, at, codePoint);
    if (length == 0 || IsSurrogate(codePoint)) return false;
    at += length;
  }
  return true;
}

std::wstring WideFromAnsi(const std::string& bytes) {
  const int length = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, &wide[0], needed);
  return wide;
}

bool WriteTo(std::FILE* stream, DWORD which, const std::string& text) {
  const HANDLE handle = GetStdHandle(which);
  if (!IsConsole(handle)) {
    const bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    return std::fflush(stream) == 0 && written;
  }
  static_cast<void>(std::fflush(stream));
  // The C runtime writes CR LF for a file; the console needs it too, or its
  // lines stair-step where another program left VT processing on.
  const std::wstring decoded = WideFromWtf8(text);
  if (decoded.empty() != text.empty()) {
    errno = EILSEQ;  // no text of the tool's own, nothing it could show
    return false;
  }
  std::wstring wide;
  for (const wchar_t unit : decoded) {
    if (unit == L'\n') wide += L'\r';
    wide += unit;
  }
  DWORD count = 0;
  const bool written =
      WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &count, nullptr) &&
      count == wide.size();
  if (!written) errno = EIO;  // the console's failure has no errno of its own
  return written;
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
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (IsConsole(input)) return ReadConsoleAsUtf8(input, buffer, size);
  return _read(_fileno(stdin), buffer, static_cast<unsigned>(size));
}

// A console line is WTF-8 already, read as UTF-16 by ReadConsoleAsUtf8.
std::string PathFromInputLine(const std::string& line) {
  if (IsConsole(GetStdHandle(STD_INPUT_HANDLE)) || IsStrictUtf8(line)) return line;
  return Wtf8FromWide(WideFromAnsi(line));
}

bool OutputIsTerminal() { return IsConsole(GetStdHandle(STD_OUTPUT_HANDLE)); }

bool WriteText(const std::string& text) { return WriteTo(stdout, STD_OUTPUT_HANDLE, text); }

void WriteErrorLine(const std::string& text) {
  static_cast<void>(WriteTo(stderr, STD_ERROR_HANDLE, text + "\n"));
}
