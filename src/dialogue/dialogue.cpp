#include "dialogue.hpp"

#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "console/console.hpp"
#include "conversion.hpp"
#include "dropped_path.hpp"
#include "messages.hpp"
#include "path_line.hpp"
#include "standard_streams.hpp"
#include "typebyte/type_byte.hpp"

namespace {

// Output that cannot be written has nowhere else to go; the outcome is in
// the file and in the exit status all the same.
void Print(const char* text) { static_cast<void>(std::fputs(text, stdout)); }

// Flushed at once, so that a redirected output file is as current as the
// screen would be.
void LineBreak() {
  static_cast<void>(std::fputc('\n', stdout));
  static_cast<void>(std::fflush(stdout));
}

void PrintBanner() {
  for (const char* line : kBannerLines) {
    Print(line);
    LineBreak();
  }
  for (int i = 0; i < 3; ++i) LineBreak();
}

// The line as typed first; only when that names no file, the path a
// terminal meant by it, as when a file is dropped into it. path is then the
// one that opened.
FileHandle OpenTypedPath(std::string& path) {
  FileHandle read = OpenForReading(path);
  const std::optional<std::string> meant = read.IsOpen() ? std::nullopt : PathMeantByDrop(path);
  if (!meant) return read;
  read = OpenForReading(*meant);
  if (read.IsOpen()) path = *meant;
  return read;
}

// The file the line names, from the line as typed; for the first line of
// the input only, and only where that names no file, from the line without
// a byte order mark, with which Windows editors and PowerShell 5 start a
// UTF-8 list. path is then the one that opened.
FileHandle OpenLine(const std::string& line, bool first, std::string& path) {
  constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
  path = PathFromInputLine(line);
  FileHandle read = OpenTypedPath(path);
  if (read.IsOpen() || !first || line.rfind(kByteOrderMark, 0) != 0) return read;
  path = PathFromInputLine(line.substr(sizeof kByteOrderMark - 1));
  return OpenTypedPath(path);
}

// Asks until a typed path opens; not open when input ends first.
FileHandle AskForFile(PathLineReader& reader, std::string& path) {
  std::string line;
  for (bool first = true;; first = false) {
    Print(kPrompt);
    const LineStatus status = reader.ReadLine(line);
    if (status == LineStatus::EndOfInput) return {};
    if (status == LineStatus::Path) {
      if (FileHandle read = OpenLine(line, first, path); read.IsOpen()) return read;
    }
    LineBreak();
    Print(kNoSuchFile);
    LineBreak();
  }
}

}  // namespace

int RunDialogue() {
  PrintBanner();
  PathLineReader reader(ReadStandardInput);
  std::string path;
  FileHandle read = AskForFile(reader, path);
  if (!read.IsOpen()) {
    LineBreak();
    return kFailure;
  }
  const Outcome outcome = ApplyMode(Mode::Convert, path, std::move(read));
  LineBreak();
  LineBreak();
  Print(outcome.message);
  // A redirected output shows the outcome while the tool waits.
  static_cast<void>(std::fflush(stdout));
  WaitForKey();
  return outcome.status;
}
