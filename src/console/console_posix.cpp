// The console on POSIX is the controlling terminal, /dev/tty, so that the
// key comes from the keyboard even when standard input is a pipe.
//
// Raw mode is termios with line input, echo, signal keys, extended input
// processing and input translation off, 8-bit characters, and reads that
// return each byte as it arrives. Output processing stays on, so text
// printed meanwhile still starts new lines where it should. Both switches
// use TCSAFLUSH: keys typed ahead of the wait cannot end it, and bytes left
// unread when it ends never reach the shell. Signals that end or stop the
// process during the wait restore the terminal first.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <optional>

#include "console.hpp"
#include "terminal_keys.hpp"
#include "terminal_signals_posix.hpp"

namespace {

// How long the bytes of one key's sequence may lie apart; a longer gap
// after Escape means the Escape key itself was pressed.
constexpr int kSequenceGapMilliseconds = 100;

int terminal = -1;
termios savedMode;
std::optional<TerminalKeyDecoder> decoder;

bool SetMode(const termios& mode) {
  int result;
  do {
    result = ::tcsetattr(terminal, TCSAFLUSH, &mode);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

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

// A background job must not touch the terminal's mode: it would be stopped.
bool IsForegroundJob() { return ::tcgetpgrp(terminal) == ::getpgrp(); }

// macOS's poll does not take terminal devices: it reports POLLNVAL for
// /dev/tty at once. So select waits, where the descriptor fits an fd_set,
// and poll only past that, where select cannot go, as when the tool
// inherits many open files. A wait that fails is left for the read to
// report; one that cannot be made at all ends the sequence.
bool ByteArrivesWithinGap() {
  int ready;
  if (terminal < FD_SETSIZE) {
    do {
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(terminal, &readable);
      timeval gap{0, static_cast<suseconds_t>(kSequenceGapMilliseconds) * 1000};
      ready = ::select(terminal + 1, &readable, nullptr, nullptr, &gap);
    } while (ready < 0 && errno == EINTR);
    return ready != 0;
  }
  pollfd readable{terminal, POLLIN, 0};
  do {
    ready = ::poll(&readable, 1, kSequenceGapMilliseconds);
  } while (ready < 0 && errno == EINTR);
  return ready != 0 && (readable.revents & POLLNVAL) == 0;
}

bool ReadByte(unsigned char& byte) {
  ssize_t count;
  do {
    count = ::read(terminal, &byte, 1);
  } while (count < 0 && errno == EINTR);
  return count == 1;
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
  if (terminal < 0 || !IsForegroundJob()) return false;
  if (::tcgetattr(terminal, &savedMode) != 0) return false;
  const termios raw = RawModeFrom(savedMode);
  GuardRawMode(terminal, savedMode, raw);
  if (!SetMode(raw)) {
    const GuardedSignalsHeld held;
    SetMode(savedMode);  // a failed switch may have changed part of the mode
    StopGuardingRawMode();
    return false;
  }
  decoder.emplace(savedMode.c_cc[VERASE]);
  return true;
}

bool RestoreMode() {
  const GuardedSignalsHeld held;
  const bool restored = SetMode(savedMode);
  StopGuardingRawMode();
  return restored;
}

bool ReadKeyEvent(KeyEvent& event) {
  while (!decoder->Next(event)) {
    if (decoder->InSequence() && !ByteArrivesWithinGap()) {
      decoder->Timeout();
      continue;
    }
    unsigned char byte;
    if (!ReadByte(byte)) return false;
    decoder->Feed(byte);
  }
  return true;
}

unsigned long ProcessesOnConsole() { return 0; }

bool ConsoleHasWindow() { return false; }
