#include "terminal_session.hpp"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
using Clock = std::chrono::steady_clock;
}

TerminalSession::TerminalSession() {
  winsize size{40, 120, 0, 0};
  child_ = ::forkpty(&terminal_, nullptr, nullptr, &size);
  if (child_ == 0) {
    ::execl(MASTERSWITCH_BINARY, "masterswitch", static_cast<char*>(nullptr));
    ::_exit(127);
  }
}

TerminalSession::~TerminalSession() {
  if (child_ > 0) {
    ::kill(child_, SIGKILL);
    ::waitpid(child_, nullptr, 0);
  }
  if (terminal_ >= 0) ::close(terminal_);
}

void TerminalSession::Type(const std::string& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count = ::write(terminal_, bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno != EINTR) return;
    if (count > 0) written += static_cast<std::size_t>(count);
  }
}

bool TerminalSession::ReadAvailable(Duration timeout) {
  pollfd fd{terminal_, POLLIN, 0};
  if (::poll(&fd, 1, static_cast<int>(timeout.count())) <= 0) return false;
  char buffer[4096];
  const ssize_t count = ::read(terminal_, buffer, sizeof buffer);
  if (count <= 0) return false;  // EIO once the tool has closed its side
  output_.append(buffer, static_cast<std::size_t>(count));
  return true;
}

bool TerminalSession::WaitForOutput(const std::string& text, Duration deadline) {
  const auto end = Clock::now() + deadline;
  while (output_.find(text) == std::string::npos) {
    if (Clock::now() >= end) return false;
    ReadAvailable(Duration(20));
  }
  return true;
}

bool TerminalSession::WaitForRawMode(Duration deadline) {
  const auto end = Clock::now() + deadline;
  while (Mode().c_lflag & (ICANON | ECHO)) {
    if (Clock::now() >= end) return false;
    ReadAvailable(Duration(10));
  }
  return true;
}

int TerminalSession::WaitForExit(Duration deadline) {
  if (child_ < 0) return exitStatus_;
  const auto end = Clock::now() + deadline;
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(child_, &status, WNOHANG);
    if (done == child_) {
      child_ = -1;
      while (ReadAvailable(Duration(0))) {
      }
      exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return exitStatus_;
    }
    if (Clock::now() >= end) return -1;
    ReadAvailable(Duration(10));
  }
}

termios TerminalSession::Mode() const {
  termios mode{};
  ::tcgetattr(terminal_, &mode);
  return mode;
}

bool SameMode(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}
