#include "command_line.hpp"

#include <cstdio>

#include "console.hpp"
#include "conversion.hpp"
#include "dialogue.hpp"
#include "key_wait.hpp"
#include "messages.hpp"
#include "standard_streams.hpp"

namespace {

constexpr int kUsageError = 2;

const char kUsage[] =
    "Usage: masterswitch                  ask for a file, convert it, wait for a key\n"
    "       masterswitch [--check] [--] PATH...\n"
    "       masterswitch --help | --version\n"
    "\n"
    "Switches each game data file between master and plugin by flipping its\n"
    "byte 8 (0x01 master, 0x00 plugin); nothing else in the file changes.\n"
    "Prints one line per PATH: \"PATH: Master -> Plugin\", \"PATH: Plugin -> Master\",\n"
    "or why the file was left alone.\n"
    "\n"
    "  --check     only say whether each file is a Master or a Plugin\n"
    "  --          every argument after it is a PATH, even one that starts with -\n"
    "  -h, --help  show this help;  --version  show the version\n"
    "\n"
    "Exit status: 0 when every file was done or is of unknown type, -1 (255)\n"
    "when one did not open or could not be written, 2 for a usage error.\n";

enum class Action { Convert, Check, Help, Version, UsageError };

struct CommandLine {
  Action action = Action::Convert;
  std::vector<std::string> paths;
  std::string error;  // for a usage error, what was wrong
};

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

// A name on a terminal must not drive it: control bytes are shown as '?'.
std::string Shown(std::string text, bool onTerminal) {
  if (onTerminal) {
    for (char& c : text) {
      if (IsControl(c)) c = '?';
    }
  }
  return text;
}

// Options may stand anywhere before "--"; everything is looked at before a
// file is touched, so that a mistyped option changes nothing.
CommandLine Parse(const std::vector<std::string>& arguments) {
  CommandLine line;
  bool help = false, version = false, check = false, optionsEnded = false;
  for (const std::string& argument : arguments) {
    if (optionsEnded || argument == "-" || argument.empty() || argument[0] != '-') {
      line.paths.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--check") {
      check = true;
    } else if (argument == "--help" || argument == "-h") {
      help = true;
    } else if (argument == "--version") {
      version = true;
    } else if (line.error.empty()) {
      line.error = "unknown option '" + Shown(argument, true) + "'";
    }
  }
  if (!line.error.empty()) {
    line.action = Action::UsageError;
  } else if (help) {
    line.action = Action::Help;
  } else if (version) {
    line.action = Action::Version;
  } else if (line.paths.empty()) {
    line.action = Action::UsageError;
    line.error = check ? "--check needs a PATH" : "no PATH given";
  } else {
    line.action = check ? Action::Check : Action::Convert;
  }
  return line;
}

// A console window that closes with the tool would take the lines with it
// before they could be read. Output sent elsewhere is not in that window:
// a program that starts the tool with its output piped back, and maybe its
// console hidden, must not be kept waiting for a key nobody can press.
void WaitIfConsoleCloses(bool outputOnConsole) {
  if (!outputOnConsole || !ConsoleClosesWithTool(ProcessesOnConsole())) return;
  OpenConsoleInput();
  WaitForKey();
  CloseConsoleInput();
}

int ReportEachPath(const std::vector<std::string>& paths, bool checkOnly) {
  const bool onTerminal = OutputIsTerminal();
  int status = 0;
  for (const std::string& path : paths) {
    const Outcome outcome = checkOnly ? CheckPath(path) : ConvertPath(path);
    WriteText(Shown(path, onTerminal) + ": " + outcome.message + "\n");
    static_cast<void>(std::fflush(stdout));
    if (outcome.status != 0) status = kFailure;
  }
  WaitIfConsoleCloses(onTerminal);
  return status;
}

int RunDialogueOnConsole() {
  OpenConsoleInput();
  const int status = RunDialogue();
  CloseConsoleInput();
  return status;
}

}  // namespace

int RunProgram(const std::vector<std::string>& arguments) {
  SetUpStandardStreams();
  if (arguments.empty()) return RunDialogueOnConsole();
  const CommandLine line = Parse(arguments);
  switch (line.action) {
    case Action::Convert: return ReportEachPath(line.paths, false);
    case Action::Check: return ReportEachPath(line.paths, true);
    case Action::Help: WriteText(kUsage); return 0;
    case Action::Version: WriteText("masterswitch " MASTERSWITCH_VERSION "\n"); return 0;
    case Action::UsageError: break;
  }
  static_cast<void>(std::fprintf(stderr, "masterswitch: %s (try --help)\n", line.error.c_str()));
  return kUsageError;
}
