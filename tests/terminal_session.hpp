// The built tool running in a real pseudo-terminal, as its controlling
// terminal, typed at and read from like a terminal window.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <chrono>
#include <string>
#include <vector>

struct SessionOptions {
  std::vector<std::string> arguments;
  // Standard output goes through a pipe to a program that copies it to the
  // terminal, so that the tool buffers it as any redirected output.
  bool outputThroughPipe = false;
  // The tool starts with this many descriptors open, as when a parent
  // leaves it many, so that the terminal it opens gets a high number.
  int openDescriptors = 0;
  // The tool runs as a background job, with these bytes piped to it.
  bool background = false;
  std::string pipedInput;
  // The tool starts with this signal ignored, as under nohup.
  int ignoredSignal = 0;
  // A shell runs the tool and then prints "shell reads" and how many lines
  // it read before a line "end".
  bool shellReadsAfter = false;
};

class TerminalSession {
 public:
  using Duration = std::chrono::milliseconds;

  explicit TerminalSession(const SessionOptions& options = SessionOptions());  // starts the tool
  ~TerminalSession();
  TerminalSession(const TerminalSession&) = delete;
  TerminalSession& operator=(const TerminalSession&) = delete;

  void Type(const std::string& bytes);
  // Reads the screen until it holds `text` (false when the deadline passes).
  bool WaitForOutput(const std::string& text, Duration deadline = Duration(5000));
  // Waits until line input and echo are switched off.
  bool WaitForRawMode(Duration deadline = Duration(5000));
  // The exit status, or -1 when the tool did not exit normally in time.
  // Once the tool has exited, its status stays on record.
  int WaitForExit(Duration deadline = Duration(5000));

  // The signal that ended the tool, once it has ended; 0 when it exited.
  int EndingSignal() const { return endingSignal_; }
  // Waits until the tool is stopped by job control.
  bool WaitForStop(Duration deadline = Duration(5000));
  // To the terminal's foreground group. SIGCONT goes on with a stopped tool
  // as a shell's fg does, in the foreground.
  void Signal(int signal);
  // Goes on with a stopped tool as a shell's bg does.
  void ContinueInBackground();
  void SetMode(const termios& mode);

  termios Mode() const;
  const std::string& Output() const { return output_; }

 private:
  bool ReadAvailable(Duration timeout);

  int terminal_ = -1;
  pid_t child_ = -1;
  int exitStatus_ = -1;
  int endingSignal_ = 0;
  std::string output_;
};

bool SameMode(const termios& a, const termios& b);
