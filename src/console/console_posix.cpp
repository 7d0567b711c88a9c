// The console on POSIX is the controlling terminal, /dev/tty. Raw mode is
// termios with line input, echo, signal keys, extended input processing
// and input translation off, 8-bit characters, and reads that return each
// byte as it arrives. Output processing stays on, so text printed
// meanwhile still starts new lines where it should. Both switches use
// TCSAFLUSH: keys typed ahead of the wait cannot end it, and bytes left
// unread when it ends never reach the shell.
#include <fcntl.h>
#include <poll.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>

#include "base/retry_posix.hpp"
#include "console.hpp"
#include "terminal_keys.hpp"
#include "terminal_signals_posix.hpp"

namespace {

// How long the bytes of one key's sequence may lie apart; a longer gap
// after Escape means the Escape key itself was pressed.
constexpr int kSequenceGapMilliseconds = 100;
// After the key, input is dropped until it has been quiet this long, so
// that the rest of a paste never reaches the shell; but no longer in all
// than the limit, so that input that never stops cannot hold the tool.
constexpr int kQuietMilliseconds = 100;
constexpr std::chrono::milliseconds kDrainLimit(2000);

int terminal = -1;

termios RawModeFrom(termios mode) {
  mode.c_iflag &=
      ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
  mode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  mode.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
  mode.c_cflag |= CS8;
  mode.c_cc[VMIN] = 1;
  mode.c_cc[VTIME] = 0;
  return mode;
}

// select, as macOS's poll reports POLLNVAL for a terminal at once; poll only
// for a descriptor past an fd_set's reach, as when the tool inherits many
// open files. A wait that fails is left for the read to report; one that
// cannot be made at all counts as quiet.
bool ByteArrivesWithin(int milliseconds) {
  if (terminal < FD_SETSIZE) {
    return RetryOnSignal([milliseconds] {
             fd_set readable;
             FD_ZERO(&readable);
             FD_SET(terminal, &readable);
             timeval gap{0, static_cast<suseconds_t>(milliseconds) * 1000};
             return ::select(terminal + 1, &readable, nullptr, nullptr, &gap);
           }) != 0;
  }
  pollfd readable{terminal, POLLIN, 0};
  const int ready =
      RetryOnSignal([&readable, milliseconds] { return ::poll(&readable, 1, milliseconds); });
  return ready != 0 && (readable.revents & POLLNVAL) == 0;
}

// Reads what has come, at least one byte; false when reading fails.
bool ReadSome(unsigned char* bytes, std::size_t size) {
  return RetryOnSignal([bytes, size] { return ::read(terminal, bytes, size); }) > 0;
}

void DropInputUntilQuiet() {
  const auto end = std::chrono::steady_clock::now() + kDrainLimit;
  unsigned char dropped[4096];
  while (std::chrono::steady_clock::now() < end && ByteArrivesWithin(kQuietMilliseconds) &&
         ReadSome(dropped, sizeof dropped)) {
  }
}

}  // namespace

void OpenConsoleInput() { terminal = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC); }

void CloseConsoleInput() {
  if (terminal >= 0) ::close(terminal);
  terminal = -1;
}

// The guard goes up before the mode changes and comes down after it is
// restored, so that no signal can find the terminal raw and unguarded.
bool EnterRawMode() {
  termios saved;
  if (terminal < 0 || !IsForegroundJob(terminal) || ::tcgetattr(terminal, &saved) != 0) {
    return false;
  }
  const termios raw = RawModeFrom(saved);
  GuardRawMode(terminal, saved, raw);
  if (SetTerminalMode(terminal, raw)) return true;
  RestoreAndStopGuarding();  // a failed switch may have changed part of the mode
  return false;
}

bool RestoreMode() { return RestoreAndStopGuarding(); }

bool ReadKeyPress() {
  TerminalKeyDecoder decoder;
  for (bool ended = false; !ended;) {
    unsigned char byte;
    if (decoder.InUnit() && !ByteArrivesWithin(kSequenceGapMilliseconds)) {
      ended = decoder.Quiet();
    } else if (!ReadSome(&byte, 1)) {
      return false;
    } else {
      ended = decoder.Feed(byte);
    }
  }
  DropInputUntilQuiet();
  return true;
}

unsigned long ProcessesOnConsole() { return 0; }

bool ConsoleHasWindow() { return false; }
