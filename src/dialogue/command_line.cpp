#include "command_line.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <utility>

#include "console/console.hpp"
#include "conversion.hpp"
#include "dialogue.hpp"
#include "messages.hpp"
#include "standard_streams.hpp"
#include "terminal_text.hpp"

namespace {

constexpr int kUsageError = 2;

const char kUsage[] =
    "Usage: masterswitch                  ask for a file, convert it, wait for a key\n"
    "       masterswitch [--check | --to-master | --to-plugin] [--backup] [--rename]\n"
    "                    [--] PATH...\n"
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
    "  --backup     before a file is switched, copy it to PATH.bak, which must not\n"
    "               exist: \"PATH: Plugin -> Master, backed up as PATH.bak\"\n"
    "  --rename     give each file of a kind the extension of its kind, .esm or\n"
    "               .esp, never replacing a file: \"..., renamed NEWPATH\"\n"
    "  --           every argument after it is a PATH, even one that starts with -\n"
    "  -h, --help   show this help;  --version  show the version\n"
    "Options may also stand after the PATHs; only -- ends them.\n"
    "\n"
    "Exit status: 0 every file done, one of unknown type left alone included\n"
    "(with --to-master and --to-plugin: every file now is of the kind asked for);\n"
    "1 --to-master or --to-plugin left a file of unknown type as it was, and\n"
    "nothing failed; 2 a usage error, and no file touched; 141 output to a closed\n"
    "pipe (SIGPIPE, not on Windows); 255 (-1) a file did not open or could not be\n"
    "read or written, a backup or rename was refused, or the output could not be\n"
    "written, or the dialogue's input ended before a file opened.\n"
    "\n"
    "Manual: man masterswitch once installed, or\n"
    "  man -l man/masterswitch.1                in the source\n"
    "  man -l share/man/man1/masterswitch.1.gz  in the folder the .tar.gz made\n"
    "  MANUAL.txt beside masterswitch.exe       on Windows\n"
    "Report a bug at https://masterswitch.example/issues with the version line\n"
    "(masterswitch --version), your system, the command and what it printed.\n";

// What the command line asks for; with paths, also what is done to each.
struct CommandLine {
  bool help = false;
  bool version = false;
  Mode mode = Mode::Convert;
  FileSteps steps;
  std::vector<Argument> paths;
  std::string error;  // for a usage error, what was wrong
};

// The options that say what is done to each PATH; at most one may be given.
constexpr std::pair<const char*, Mode> kModeOptions[] = {
    {"--check", Mode::Check}, {"--to-master", Mode::ToMaster}, {"--to-plugin", Mode::ToPlugin}};

// A found name is a path even when it starts with '-'; "-" alone is one too.
bool IsPath(const Argument& argument) {
  const std::string& text = argument.text;
  return !argument.foundPath.empty() || text == "-" || text.empty() || text[0] != '-';
}

// Options may stand anywhere before "--"; everything is looked at before a
// file is touched, so that a mistyped option changes nothing.
CommandLine Parse(const std::vector<Argument>& arguments) {
  CommandLine line;
  bool optionsEnded = false;
  const char* given = nullptr;  // the mode option
  for (const Argument& argument : arguments) {
    const std::string& text = argument.text;
    const auto option = std::find_if(std::begin(kModeOptions), std::end(kModeOptions),
                                     [&text](const auto& mode) { return text == mode.first; });
    if (optionsEnded || IsPath(argument)) {
      line.paths.push_back(argument);
    } else if (text == "--") {
      optionsEnded = true;
    } else if (option != std::end(kModeOptions)) {
      if (given != nullptr && text != given && line.error.empty()) {
        line.error = text + " cannot be combined with " + given;
      }
      given = option->first;
      line.mode = option->second;
    } else if (text == "--backup") {
      line.steps.backup = true;
    } else if (text == "--rename") {
      line.steps.rename = true;
    } else if (text == "--help" || text == "-h") {
      line.help = true;
    } else if (text == "--version") {
      line.version = true;
    } else if (line.error.empty()) {
      line.error = "unknown option '" + ShownOnTerminal(text) + "'";
    }
  }
  // Only a file that is written is backed up, and --check writes none.
  if (line.mode == Mode::Check && (line.steps.backup || line.steps.rename) && line.error.empty()) {
    line.error = std::string(line.steps.backup ? "--backup" : "--rename") +
                 " cannot be combined with --check";
  }
  if (line.error.empty() && !line.help && !line.version && line.paths.empty()) {
    line.error = given == nullptr ? "no PATH given" : std::string(given) + " needs a PATH";
  }
  return line;
}

// A console window closes with the tool when the tool is alone on it
// (started by a double-click or with files dropped on it), taking the lines
// with it unread. Output sent elsewhere is not in that window, and a program
// reading it must not be kept waiting for a key nobody can press; a console
// without a window takes no key at all.
void WaitIfConsoleCloses(bool outputOnConsole) {
  if (!outputOnConsole || ProcessesOnConsole() != 1 || !ConsoleHasWindow()) return;
  OpenConsoleInput();
  WaitForKey();
  CloseConsoleInput();
}

// Lost output must not pass for success. errno still says why.
int ReportOutputFailure() {
  WriteErrorLine(std::string("masterswitch: cannot write standard output: ") +
                 std::strerror(errno));
  return kFailure;
}

// After the outcome, what --backup and --rename did, naming the copy kept
// and the new name for a script to use, or why they were refused.
std::string StepsTaken(const std::string& path, const Outcome& outcome) {
  std::string text;
  switch (outcome.backup) {
    case BackupStep::None: break;
    case BackupStep::Made: text = kBackedUpAs + BackupPath(path); break;
    case BackupStep::Exists: text = kNotSwitched + BackupPath(path) + kExists; break;
    case BackupStep::Failed: text = kNotSwitched + BackupPath(path) + kCannotBeMade; break;
  }
  const std::string renamed = PathOfKind(path, outcome.kindNow).value_or(path);
  switch (outcome.rename) {
    case RenameStep::None: break;
    case RenameStep::Renamed: text += kRenamed + renamed; break;
    case RenameStep::Exists: text += kNotRenamed + renamed + kExists; break;
    case RenameStep::Failed: text += kNotRenamed + renamed + kCannotBeMade; break;
    case RenameStep::NoDataName: text += std::string(kNotRenamed) + kNoDataName; break;
    case RenameStep::Moved: text += kNotRenamed + path + kIsAnotherFile; break;
  }
  return text;
}

// Stops at the first line that cannot be written: a file is only done when
// the caller can learn what became of it.
int ReportEachPath(Mode mode, const FileSteps& steps, const std::vector<Argument>& paths) {
  const bool onTerminal = OutputIsTerminal();
  int status = 0;
  for (const Argument& path : paths) {
    const std::string& opens = path.foundPath.empty() ? path.text : path.foundPath;
    const Outcome outcome = ApplyMode(mode, opens, OpenForReading(opens), steps);
    const std::string line = path.text + ": " + outcome.message + StepsTaken(path.text, outcome);
    if (!WriteText((onTerminal ? ShownOnTerminal(line) : line) + "\n")) {
      return ReportOutputFailure();
    }
    // A failure outweighs a file left of another kind.
    if (status != kFailure && outcome.status != 0) status = outcome.status;
  }
  WaitIfConsoleCloses(onTerminal);
  return status;
}

int Print(const std::string& text) { return WriteText(text) ? 0 : ReportOutputFailure(); }

}  // namespace

int RunProgram(const std::vector<Argument>& arguments) {
  SetUpStandardStreams();
  if (arguments.empty()) {
    OpenConsoleInput();
    const int status = RunDialogue();
    CloseConsoleInput();
    return status;
  }
  const CommandLine line = Parse(arguments);
  if (!line.error.empty()) {
    WriteErrorLine("masterswitch: " + line.error + " (try --help)");
    return kUsageError;
  }
  if (line.help) return Print(kUsage);
  if (line.version) return Print("masterswitch " MASTERSWITCH_VERSION "\n");
  return ReportEachPath(line.mode, line.steps, line.paths);
}
