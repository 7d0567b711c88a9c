// Everything a handler here calls is async-signal-safe: tcsetattr,
// tcgetpgrp, getpgrp, sigaction, sigprocmask and raise.
#include "terminal_signals_posix.hpp"

#include <errno.h>
#include <signal.h>
#include <unistd.h>

namespace {

int guardedTerminal = -1;
termios savedMode;
termios rawMode;
// Each has a handler while the terminal is raw, and the others are held
// back while one of those runs.
sigset_t guardedSignals;
struct sigaction previousActions[NSIG];

// The signals whose default action ends the process and that can be
// caught, the real-time ones among them.
constexpr int kEndingSignals[] = {
    SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS, SIGFPE,  SIGUSR1,   SIGSEGV,
    SIGUSR2,   SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ, SIGSYS, SIGPROF, SIGVTALRM,
#ifdef SIGPOLL  // SIGIO where that ends the process; elsewhere SIGIO is ignored
    SIGPOLL,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGEMT
    SIGEMT,
#endif
};

bool EndsTheProcess(int signal) {
#ifdef SIGRTMIN
  if (signal >= SIGRTMIN && signal <= SIGRTMAX) return true;
#endif
  for (int ending : kEndingSignals) {
    if (ending == signal) return true;
  }
  return false;
}

bool IsGuarded(int signal) {
  return signal == SIGTSTP || signal == SIGCONT || EndsTheProcess(signal);
}

void Install(int signal, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = flags;
  action.sa_mask = guardedSignals;
  sigaction(signal, &action, nullptr);
}

void SetModeFromHandler(const termios& mode, int when) {
  const int savedErrno = errno;
  ::tcsetattr(guardedTerminal, when, &mode);
  errno = savedErrno;
}

bool IsForeground() { return ::tcgetpgrp(guardedTerminal) == ::getpgrp(); }

// Delivered before this returns, with the action it has now.
void RaiseNow(int signal) {
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  static_cast<void>(::raise(signal));
}

// A job continued in the background leaves the terminal alone; its next
// read stops it until it is brought to the foreground.
void MakeRawIfForeground() {
  if (IsForeground()) SetModeFromHandler(rawMode, TCSAFLUSH);
}

// SA_RESETHAND has given the signal its default action back; raised again,
// it ends the process here, as it would have, so that the parent sees the
// real cause; a continue held back meanwhile never runs its handler. A job
// stopped and sent to the background had its terminal restored when it
// stopped, and touching the terminal from there would only stop it again.
extern "C" void OnEndingSignal(int signal) {
  if (IsForeground()) SetModeFromHandler(savedMode, TCSANOW);
  RaiseNow(signal);
}

// The stop happens inside the handler, so that the process goes on right
// here when continued. The kernel discards the stop for an orphaned job;
// then the wait simply goes on.
extern "C" void OnStopSignal(int) {
  SetModeFromHandler(savedMode, TCSANOW);
  Install(SIGTSTP, SIG_DFL, 0);
  RaiseNow(SIGTSTP);
  Install(SIGTSTP, OnStopSignal, SA_RESTART);
  MakeRawIfForeground();
}

// Also after a stop that could not be caught (SIGSTOP), during which the
// shell may have reset the terminal.
extern "C" void OnContinueSignal(int) { MakeRawIfForeground(); }

}  // namespace

// A signal the tool was started with ignored (nohup) stays ignored.
void GuardRawMode(int terminal, const termios& saved, const termios& raw) {
  guardedTerminal = terminal;
  savedMode = saved;
  rawMode = raw;
  sigemptyset(&guardedSignals);
  for (int signal = 1; signal < NSIG; ++signal) {
    if (!IsGuarded(signal)) continue;
    sigaction(signal, nullptr, &previousActions[signal]);
    sigaddset(&guardedSignals, signal);
  }
  for (int signal = 1; signal < NSIG; ++signal) {
    if (!IsGuarded(signal)) continue;
    if (signal == SIGCONT) {
      Install(signal, OnContinueSignal, SA_RESTART);
    } else if (previousActions[signal].sa_handler != SIG_IGN) {
      Install(signal, signal == SIGTSTP ? OnStopSignal : OnEndingSignal,
              signal == SIGTSTP ? SA_RESTART : SA_RESETHAND);
    }
  }
}

bool RestoreAndStopGuarding() {
  sigset_t previousMask;
  sigprocmask(SIG_BLOCK, &guardedSignals, &previousMask);
  int result;
  do {
    result = ::tcsetattr(guardedTerminal, TCSAFLUSH, &savedMode);
  } while (result != 0 && errno == EINTR);
  for (int signal = 1; signal < NSIG; ++signal) {
    if (IsGuarded(signal)) sigaction(signal, &previousActions[signal], nullptr);
  }
  sigprocmask(SIG_SETMASK, &previousMask, nullptr);
  return result == 0;
}
