#include "command_line.hpp"

#include <cerrno>
#include <cstring>

#include "console/console.hpp"
#include "console/key_wait.hpp"
#include "conversion.hpp"
#include "dialogue.hpp"
#include "messages.hpp"
#include "standard_streams.hpp"
#include "terminal_text.hpp"

namespace {

constexpr int kUsageError = 2;

const char kUsage[] =
    "Usage: masterswitch                  ask for a file, convert it, wait for a key\n"
    "       masterswitch [--check | --to-master | --to-plugin] [--] PATH...\n"
    "       masterswitch --help | -h\n"
    "       masterswitch --version\n"
    "\n"
    "Switches each game data file between master and plugin by flipping its\n"
    "byte 8 (0x01 master, 0x00 plugin); nothing else in the file changes.\n"
    "Prints one line per PATH: \"PATH: Master -> Plugin\", \"PATH: Plugin -> Master\",\n"
    "the file's kind, or why the file was left alone.\n"
    "\n"
    "  --check      only say whether each file is a Master or a Plugin\n"
    "  --to-master  make each file a Master: only plugins are switched, so that\n"
    "               running it again changes nothing\n"
    "  --to-plugin  make each file a Plugin, likewise\n"
    "  --           every argument after it is a PATH, even one that starts with -\n"
    "  -h, --help   show this help;  --version  show the version\n"
    "Options may also stand after the PATHs; only -- ends them.\n"
    "\n"
    "Exit status: 0 every file done, one of unknown type left alone included\n"
    "(with --to-master and --to-plugin: every file now is of the kind asked for);\n"
    "1 --to-master or --to-plugin left a file of unknown type as it was, and\n"
    "nothing failed; 2 a usage error, and no file touched; 141 output to a closed\n"
    "pipe (SIGPIPE, not on Windows); 255 (-1) a file did not open or could not be\n"
    "read or written, or the output could not be written, or the dialogue's\n"
    "input ended before a file opened.\n"
    "\n"
    "Manual: man masterswitch once installed, or\n"
    "  man -l man/masterswitch.1                in the source\n"
    "  man -l share/man/man1/masterswitch.1.gz  in the folder the .tar.gz made\n"
    "  MANUAL.txt beside masterswitch.exe       on Windows\n"
    "Report a bug on the issue tracker of the site you got masterswitch from.\n";

enum class Action { Convert, Check, ToMaster, ToPlugin, Help, Version, UsageError };

struct CommandLine {
  Action action = Action::Convert;
  std::vector<Argument> paths;
  std::string error;  // for a usage error, what was wrong
};

// A name on a terminal must not drive it.
std::string Shown(const std::string& text, bool onTerminal) {
  return onTerminal ? ShownOnTerminal(text) : text;
}

// The options that say what is done to each PATH; at most one may be given.
Action ModeOption(const std::string& argument) {
  if (argument == "--check") return Action::Check;
  if (argument == "--to-master") return Action::ToMaster;
  if (argument == "--to-plugin") return Action::ToPlugin;
  return Action::Convert;
}

// A found name is a path even when it starts with '-'; "-" alone is one too.
bool IsPath(const Argument& argument) {
  const std::string& text = argument.text;
  return !argument.foundPath.empty() || text == "-" || text.empty() || text[0] != '-';
}

const std::string& PathToOpen(const Argument& argument) {
  return argument.foundPath.empty() ? argument.text : argument.foundPath;
}

// Options may stand anywhere before "--"; everything is looked at before a
// file is touched, so that a mistyped option changes nothing.
CommandLine Parse(const std::vector<Argument>& arguments) {
  CommandLine line;
  bool help = false, version = false, optionsEnded = false;
  std::string modeArgument;  // the one of --check, --to-master, --to-plugin given
  for (const Argument& given : arguments) {
    const std::string& argument = given.text;
    if (optionsEnded || IsPath(given)) {
      line.paths.push_back(given);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (ModeOption(argument) != Action::Convert) {
      if (!modeArgument.empty() && argument != modeArgument && line.error.empty()) {
        line.error = argument;
        line.error += " cannot be combined with " + modeArgument;
      }
      modeArgument = argument;
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
    line.error = modeArgument.empty() ? "no PATH given" : modeArgument + " needs a PATH";
  } else {
    line.action = ModeOption(modeArgument);
  }
  return line;
}

// A console window that closes with the tool would take the lines with it
// before they could be read. Output sent elsewhere is not in that window:
// a program that starts the tool with its output piped back, and maybe its
// console hidden, must not be kept waiting for a key nobody can press.
void WaitIfConsoleCloses(bool outputOnConsole) {
  if (!outputOnConsole || !ConsoleClosesWithTool(ProcessesOnConsole(), ConsoleHasWindow())) {
    return;
  }
  OpenConsoleInput();
  WaitForKey();
  CloseConsoleInput();
}

Outcome HandlePath(Action action, const std::string& path) {
  switch (action) {
    case Action::Check: return CheckPath(path);
    case Action::ToMaster: return SetKindOfPath(path, FileKind::Master);
    case Action::ToPlugin: return SetKindOfPath(path, FileKind::Plugin);
    default: return ConvertPath(path);
  }
}

// Lost output must not pass for success. errno still says why.
int ReportOutputFailure() {
  WriteErrorLine(std::string("masterswitch: cannot write standard output: ") +
                 std::strerror(errno));
  return kFailure;
}

// Stops at the first line that cannot be written: a file is only done when
// the caller can learn what became of it.
int ReportEachPath(Action action, const std::vector<Argument>& paths) {
  const bool onTerminal = OutputIsTerminal();
  int status = 0;
  for (const Argument& path : paths) {
    const Outcome outcome = HandlePath(action, PathToOpen(path));
    if (!WriteText(Shown(path.text, onTerminal) + ": " + outcome.message + "\n")) {
      return ReportOutputFailure();
    }
    // A failure outweighs a file left of another kind.
    if (status != kFailure && outcome.status != 0) status = outcome.status;
  }
  WaitIfConsoleCloses(onTerminal);
  return status;
}

int Print(const std::string& text) { return WriteText(text) ? 0 : ReportOutputFailure(); }

int RunDialogueOnConsole() {
  OpenConsoleInput();
  const int status = RunDialogue();
  CloseConsoleInput();
  return status;
}

}  // namespace

int RunProgram(const std::vector<Argument>& arguments) {
  SetUpStandardStreams();
  if (arguments.empty()) return RunDialogueOnConsole();
  const CommandLine line = Parse(arguments);
  switch (line.action) {
    case Action::Help: return Print(kUsage);
    case Action::Version: return Print("masterswitch " MASTERSWITCH_VERSION "\n");
    case Action::UsageError: break;
    default: return ReportEachPath(line.action, line.paths);
  }
  WriteErrorLine("masterswitch: " + line.error + " (try --help)");
  return kUsageError;
}
