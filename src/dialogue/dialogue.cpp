#include "dialogue.hpp"

#include <cstdio>
#include <string>

#include "banner.hpp"
#include "key_wait.hpp"
#include "path_line.hpp"
#include "standard_streams.hpp"
#include "type_byte.hpp"

namespace {

const char kPrompt[] = "Path to File [x:/<pathtofile>/file.<esm/esp>]: ";
const char kNoSuchFile[] = "File does not exist!";
const char kMasterToPlugin[] = "Master -> Plugin";
const char kPluginToMaster[] = "Plugin -> Master";
const char kUnknownKind[] = "Unknown Filetyp";
const char kCannotOpenForWriting[] = "File could not be opened for writing!";
const char kCannotWrite[] = "File could not be written!";

constexpr int kFailure = -1;

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

// Asks until a typed path opens; nullptr when input ends first.
std::FILE* AskForFile(PathLineReader& reader, std::string& path) {
  for (;;) {
    Print(kPrompt);
    const LineStatus status = reader.ReadLine(path);
    if (status == LineStatus::EndOfInput) return nullptr;
    if (status == LineStatus::Path) {
      if (std::FILE* stream = OpenForReading(path)) return stream;
    }
    LineBreak();
    Print(kNoSuchFile);
    LineBreak();
  }
}

const char* OutcomeMessage(FileKind kind) {
  switch (kind) {
    case FileKind::Master: return kMasterToPlugin;
    case FileKind::Plugin: return kPluginToMaster;
    case FileKind::Unknown: break;
  }
  return kUnknownKind;
}

// The outcome is reported only once the new byte is on disk, and the key
// wait follows whatever happened, so that the message can be read.
int ConvertAndReport(const std::string& path, FileKind kind) {
  std::FILE* update = OpenForUpdate(path);
  LineBreak();
  LineBreak();
  if (update == nullptr) {
    const bool wasToBeWritten = kind != FileKind::Unknown;
    Print(wasToBeWritten ? kCannotOpenForWriting : kUnknownKind);
    WaitForKey();
    return wasToBeWritten ? kFailure : 0;
  }
  const bool written = WriteFileKind(update, kind);
  Print(written ? OutcomeMessage(kind) : kCannotWrite);
  WaitForKey();
  const int closeResult = CloseUpdated(update);
  return written ? closeResult : kFailure;
}

}  // namespace

int RunDialogue() {
  PrintBanner();
  PathLineReader reader(ReadStandardInput);
  std::string path;
  std::FILE* stream = AskForFile(reader, path);
  if (stream == nullptr) {
    LineBreak();
    return kFailure;
  }
  return ConvertAndReport(path, ReadFileKind(stream));
}
