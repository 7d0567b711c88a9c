#include "terminal_session.hpp"

#include <poll.h>
#if defined(__APPLE__)
#include <util.h>
#else
#include <pty.h>
#endif
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Leaves descriptors 3 up to count open and inherited, all on the terminal.
void OpenDescriptors(int count) {
  rlimit limit{};
  ::getrlimit(RLIMIT_NOFILE, &limit);
  if (limit.rlim_cur < static_cast<rlim_t>(count) + 16) {
    limit.rlim_cur = static_cast<rlim_t>(count) + 16;
    ::setrlimit(RLIMIT_NOFILE, &limit);
  }
  for (int fd = 3; fd < count; ++fd) ::dup2(STDIN_FILENO, fd);
}

void GiveTerminalTo(pid_t group) {
  ::signal(SIGTTOU, SIG_IGN);  // a background group may not take the terminal otherwise
  ::tcsetpgrp(STDIN_FILENO, group);
  ::signal(SIGTTOU, SIG_DFL);
}

[[noreturn]] void ExecToolAsJob(const SessionOptions& options) {
  ::setpgid(0, 0);
  if (!options.background) GiveTerminalTo(::getpgrp());
  if (options.ignoredSignal != 0) ::signal(options.ignoredSignal, SIG_IGN);
  OpenDescriptors(options.openDescriptors);
  std::vector<std::string> words = {MASTERSWITCH_BINARY};
  // The shell runs the pipeline in its own process group, the foreground.
  if (options.outputThroughPipe)
    words = {"/bin/sh", "-c", "\"$0\" \"$@\" | cat", MASTERSWITCH_BINARY};
  if (options.background) {
    words = {"/bin/sh", "-c", "printf %s \"$1\" | \"$0\"", MASTERSWITCH_BINARY, options.pipedInput};
  }
  if (options.shellReadsAfter) {
    words = {"/bin/sh", "-c",
             "\"$0\"; s=$?; echo shell reads; n=0; while read -r l && [ \"$l\" != end ]; do "
             "n=$((n+1)); done; echo \"$n lines\"; exit $s",
             MASTERSWITCH_BINARY};
  }
  words.insert(words.end(), options.arguments.begin(), options.arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

// Runs the tool as a shell runs a foreground job: in a process group of its
// own, with its parent in the same session, so that job control stops it
// (an orphaned group is never stopped). When the tool stops, this process
// takes the terminal back, as a shell does, and stops too, for the test to
// see; continued, it goes on with the tool, in the foreground unless a
// SIGUSR2 came first. It ends as the tool ended.
[[noreturn]] void RunToolAsJob(const SessionOptions& options) {
  const rlimit noCoreFiles{0, 0};  // SIGQUIT would leave core files behind
  ::setrlimit(RLIMIT_CORE, &noCoreFiles);
  const pid_t tool = ::fork();
  if (tool == 0) ExecToolAsJob(options);
  ::setpgid(tool, tool);
  sigset_t background;
  sigemptyset(&background);
  sigaddset(&background, SIGUSR2);
  ::sigprocmask(SIG_BLOCK, &background, nullptr);
  for (;;) {
    int status = 0;
    if (::waitpid(tool, &status, WUNTRACED) < 0) ::_exit(126);
    if (WIFSTOPPED(status)) {
      GiveTerminalTo(::getpgrp());
      ::raise(SIGSTOP);
      sigset_t pending;
      ::sigpending(&pending);
      int taken = 0;
      if (sigismember(&pending, SIGUSR2)) {
        ::sigwait(&background, &taken);
      } else {
        GiveTerminalTo(tool);
      }
      ::kill(-tool, SIGCONT);
    } else if (WIFEXITED(status)) {
      ::_exit(WEXITSTATUS(status));
    } else {
      ::signal(WTERMSIG(status), SIG_DFL);
      ::raise(WTERMSIG(status));
      ::_exit(125);
    }
  }
}

}  // namespace

TerminalSession::TerminalSession(const SessionOptions& options) {
  winsize size{40, 120, 0, 0};
  child_ = ::forkpty(&terminal_, nullptr, nullptr, &size);
  if (child_ == 0) RunToolAsJob(options);
}

TerminalSession::~TerminalSession() {
  if (child_ > 0) {
    Signal(SIGKILL);
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
      endingSignal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
      return exitStatus_;
    }
    if (Clock::now() >= end) return -1;
    ReadAvailable(Duration(10));
  }
}

bool TerminalSession::WaitForStop(Duration deadline) {
  const auto end = Clock::now() + deadline;
  for (;;) {
    int status = 0;
    if (::waitpid(child_, &status, WNOHANG | WUNTRACED) == child_ && WIFSTOPPED(status)) {
      return true;
    }
    if (Clock::now() >= end) return false;
    ReadAvailable(Duration(10));
  }
}

// A stopped tool's stand-in parent stopped with it, and goes on with it.
void TerminalSession::Signal(int signal) {
  const pid_t group = ::tcgetpgrp(terminal_);
  if (signal == SIGCONT) {
    ::kill(child_, SIGCONT);
  } else if (group > 1 && group != ::getpgrp()) {
    ::kill(-group, signal);
  }
}

void TerminalSession::ContinueInBackground() {
  ::kill(child_, SIGUSR2);
  ::kill(child_, SIGCONT);
}

// On the pseudo-terminal's other side, as the shell would.
void TerminalSession::SetMode(const termios& mode) { ::tcsetattr(terminal_, TCSANOW, &mode); }

termios TerminalSession::Mode() const {
  termios mode{};
  ::tcgetattr(terminal_, &mode);
  return mode;
}

bool SameMode(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}
