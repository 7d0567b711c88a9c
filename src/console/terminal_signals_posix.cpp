// Everything a handler here calls is async-signal-safe: tcsetattr,
// tcgetpgrp, getpgrp, sigaction, sigprocmask and raise.
#include "terminal_signals_posix.hpp"

#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include <cstddef>

namespace {

int guardedTerminal = -1;
termios savedMode;
termios rawMode;

constexpr int kEndingSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};
constexpr int kGuardedSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGTSTP, SIGCONT};
constexpr std::size_t kGuardedCount = sizeof kGuardedSignals / sizeof kGuardedSignals[0];
struct sigaction previousActions[kGuardedCount];

void Install(int signal, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = flags;
  sigemptyset(&action.sa_mask);
  ::sigaction(signal, &action, nullptr);
}

void SetModeFromHandler(const termios& mode, int when) {
  const int savedErrno = errno;
  ::tcsetattr(guardedTerminal, when, &mode);
  errno = savedErrno;
}

// A job continued in the background leaves the terminal alone; its next
// read stops it until it is brought to the foreground.
void MakeRawIfForeground() {
  if (::tcgetpgrp(guardedTerminal) == ::getpgrp()) SetModeFromHandler(rawMode, TCSAFLUSH);
}

// SA_RESETHAND has given the signal its default action back; raised again,
// it is delivered when the handler returns and ends the process as it would
// have, so that the parent sees the real cause. A job stopped and sent to
// the background had its terminal restored when it stopped, and touching
// the terminal from there would only stop it again.
extern "C" void OnEndingSignal(int signal) {
  if (::tcgetpgrp(guardedTerminal) == ::getpgrp()) SetModeFromHandler(savedMode, TCSANOW);
  static_cast<void>(::raise(signal));
}

// The stop happens inside the handler, so that the process goes on right
// here when continued. The kernel discards the stop for an orphaned job;
// then the wait simply goes on.
extern "C" void OnStopSignal(int) {
  SetModeFromHandler(savedMode, TCSANOW);
  Install(SIGTSTP, SIG_DFL, 0);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTSTP);
  ::sigprocmask(SIG_UNBLOCK, &stop, nullptr);
  static_cast<void>(::raise(SIGTSTP));
  Install(SIGTSTP, OnStopSignal, SA_RESTART);
  MakeRawIfForeground();
}

// Also after a stop that could not be caught (SIGSTOP), during which the
// shell may have reset the terminal.
extern "C" void OnContinueSignal(int) { MakeRawIfForeground(); }

// A signal the tool was started with ignored (nohup) stays ignored.
bool WasIgnored(int signal) {
  for (std::size_t i = 0; i < kGuardedCount; ++i) {
    if (kGuardedSignals[i] == signal) return previousActions[i].sa_handler == SIG_IGN;
  }
  return false;
}

}  // namespace

void GuardRawMode(int terminal, const termios& saved, const termios& raw) {
  guardedTerminal = terminal;
  savedMode = saved;
  rawMode = raw;
  for (std::size_t i = 0; i < kGuardedCount; ++i) {
    ::sigaction(kGuardedSignals[i], nullptr, &previousActions[i]);
  }
  for (int signal : kEndingSignals) {
    if (!WasIgnored(signal)) Install(signal, OnEndingSignal, SA_RESETHAND);
  }
  if (!WasIgnored(SIGTSTP)) Install(SIGTSTP, OnStopSignal, SA_RESTART);
  Install(SIGCONT, OnContinueSignal, SA_RESTART);
}

void StopGuardingRawMode() {
  for (std::size_t i = 0; i < kGuardedCount; ++i) {
    ::sigaction(kGuardedSignals[i], &previousActions[i], nullptr);
  }
}

GuardedSignalsHeld::GuardedSignalsHeld() {
  sigset_t held;
  sigemptyset(&held);
  for (int signal : kGuardedSignals) sigaddset(&held, signal);
  ::sigprocmask(SIG_BLOCK, &held, &previous_);
}

GuardedSignalsHeld::~GuardedSignalsHeld() { ::sigprocmask(SIG_SETMASK, &previous_, nullptr); }
