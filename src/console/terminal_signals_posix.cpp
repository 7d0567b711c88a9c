// Everything a handler here calls is async-signal-safe: tcsetattr,
// tcgetpgrp, getpgrp, sigaction, sigprocmask and raise.
#include "terminal_signals_posix.hpp"

#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include "base/retry_posix.hpp"

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

// Sent by kill, SIGTTIN and SIGTTOU stop the process just as SIGTSTP does.
bool StopsTheProcess(int signal) {
  return signal == SIGTSTP || signal == SIGTTIN || signal == SIGTTOU;
}

bool IsGuarded(int signal) {
  return StopsTheProcess(signal) || signal == SIGCONT || EndsTheProcess(signal);
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

// A job continued in the background leaves the terminal alone; its next
// read stops it until it is brought to the foreground.
void MakeRawIfForeground() {
  if (IsForegroundJob(guardedTerminal)) SetModeFromHandler(rawMode, TCSAFLUSH);
}

// The terminal gets its saved mode back, unless the job is in the
// background, where it was restored as the job left the foreground and
// touching it would only stop the job again. Then the signal, with its
// default action given back (here, since BSD keeps the handler of SIGILL
// and SIGTRAP even with SA_RESETHAND), is delivered before this returns.
void ActAsByDefault(int signal) {
  if (IsForegroundJob(guardedTerminal)) SetModeFromHandler(savedMode, TCSANOW);
  Install(signal, SIG_DFL, 0);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  static_cast<void>(::raise(signal));
}

// The process ends here, as it would have, so that the parent sees the
// real cause; a continue held back meanwhile never runs its handler.
extern "C" void OnEndingSignal(int signal) { ActAsByDefault(signal); }

// The stop happens inside the handler, so that the process goes on right
// here when continued, with the handler back for the next stop. The kernel
// discards the stop for an orphaned job; then the wait simply goes on.
extern "C" void OnStopSignal(int signal) {
  ActAsByDefault(signal);
  Install(signal, OnStopSignal, SA_RESTART);
  MakeRawIfForeground();  // also where the kernel discarded the stop
}

// Also after a stop that could not be caught (SIGSTOP), during which the
// shell may have reset the terminal.
extern "C" void OnContinueSignal(int) { MakeRawIfForeground(); }

// A signal the tool was started with ignored (nohup) stays ignored, and one
// that has a handler of the tool's own (a sanitizer's, a profiler's) keeps
// it. Handlers do not outlive exec, so nothing else can be there.
bool HasDefaultAction(const struct sigaction& action) {
  return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == SIG_DFL;
}

}  // namespace

bool IsForegroundJob(int terminal) { return ::tcgetpgrp(terminal) == ::getpgrp(); }

bool SetTerminalMode(int terminal, const termios& mode) {
  return RetryOnSignal([terminal, &mode] { return ::tcsetattr(terminal, TCSAFLUSH, &mode); }) == 0;
}

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
    } else if (HasDefaultAction(previousActions[signal])) {
      const bool stops = StopsTheProcess(signal);
      Install(signal, stops ? OnStopSignal : OnEndingSignal, stops ? SA_RESTART : 0);
    }
  }
}

bool RestoreAndStopGuarding() {
  sigset_t previousMask;
  sigprocmask(SIG_BLOCK, &guardedSignals, &previousMask);
  const bool restored = SetTerminalMode(guardedTerminal, savedMode);
  for (int signal = 1; signal < NSIG; ++signal) {
    if (IsGuarded(signal)) sigaction(signal, &previousActions[signal], nullptr);
  }
  sigprocmask(SIG_SETMASK, &previousMask, nullptr);
  return restored;
}
