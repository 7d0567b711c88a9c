// The whole tool as a process, with standard input and output piped and no
// terminal, so that the closing key wait returns at once.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "temp_dir.hpp"
#include "tool_process.hpp"

namespace {

const std::string kBanner =
    "*****************************************************************************\n"
    "*\tThis is not a official Programm!! Please Backup our Files!! \n"
    "*\t!!! NO WARRENTY, but tested - if you found a Bug - please \n"
    "*\trefer it to https://tamsworth.example/forum\n"
    "*   \n"
    "*\tDescription:\n"
    "*\tThis Programm changes your Varnholt Files:  ESP <-> ESM \n"
    "*\tYou have to rename the Fileextension by our self.\t\n"
    "*\t=> Backup of your File!\n"
    "*                                       \n"
    "*\tThis Little Programm was created by Tamsworth.  \n"
    "*\tPlease Visit my Mod \"Brindlemere\" on:    \n"
    "*\thttps://tamsworth.example                        \n"
    "*                                      \n"
    "*****************************************************************************\n"
    "\n\n\n";
const std::string kPrompt = "Path to File [x:/<pathtofile>/file.<esm/esp>]: ";
const std::string kNotFound = kPrompt + "\nFile does not exist!\n";
const std::string kInputEnded = kPrompt + "\n";

std::string Outcome(const std::string& message) { return kPrompt + "\n\n" + message; }

constexpr int kFailed = 255;

void ExpectRun(const ToolRun& run, const std::string& afterBanner, int exitStatus) {
  EXPECT_EQ(run.output, kBanner + afterBanner);
  EXPECT_EQ(run.errors, "");
  EXPECT_EQ(run.exitStatus, exitStatus);
}

TEST(DialogueProcessTest, ConvertsMasterAndPlugin) {
  TempDir dir;
  const std::string master = dir.Write("master.esm", DataFile(0x01));
  ExpectRun(RunToolPiped(master + "\n"), Outcome("Master -> Plugin"), 0);
  EXPECT_EQ(ReadWholeFile(master), DataFile(0x00));

  const std::string plugin = dir.Write("plugin.esp", DataFile(0x00, 9));
  ExpectRun(RunToolPiped(plugin + "\r\n"), Outcome("Plugin -> Master"), 0);
  EXPECT_EQ(ReadWholeFile(plugin), DataFile(0x01, 9));
}

TEST(DialogueProcessTest, UnknownFilesAreReportedAndLeftAlone) {
  TempDir dir;
  for (const std::string& contents : {DataFile(0x81), DataFile(0xFF), std::string("short")}) {
    const std::string path = dir.Write("odd.esm", contents);
    ExpectRun(RunToolPiped(path + "\n"), Outcome("Unknown Filetyp"), 0);
    EXPECT_EQ(ReadWholeFile(path), contents);
  }
}

TEST(DialogueProcessTest, AsksAgainUntilAPathOpens) {
  TempDir dir;
  const std::string master = dir.Write("master.esm", DataFile(0x01));
  ::mkfifo(dir.PathOf("fifo").c_str(), 0600);
  const std::string input = "\n" + dir.PathOf("missing.esm") + "\n" + dir.PathOf("") + "\n" +
                            dir.PathOf("fifo") + "\n" + master + "\n";
  ExpectRun(RunToolPiped(input),
            kNotFound + kNotFound + kNotFound + kNotFound + Outcome("Master -> Plugin"), 0);
}

TEST(DialogueProcessTest, EndOfInputBeforeAFileOpenedFails) {
  ExpectRun(RunToolPiped(""), kInputEnded, kFailed);
  ExpectRun(RunToolPiped("nowhere.esm\n"), kNotFound + kInputEnded, kFailed);
  ExpectRun(RunToolPiped("\x1A/etc/hostname\n"), kInputEnded, kFailed);
}

TEST(DialogueProcessTest, LastLineWithoutNewlineIsUsed) {
  TempDir dir;
  const std::string master = dir.Write("master.esm", DataFile(0x01));
  ExpectRun(RunToolPiped(master), Outcome("Master -> Plugin"), 0);
  dir.Write("master.esm", DataFile(0x01));
  ExpectRun(RunToolPiped(master + "\x1A" "ignored\n"), Outcome("Master -> Plugin"), 0);
}

TEST(DialogueProcessTest, PathIsUsedExactlyAsTyped) {
  TempDir dir;
  const std::string spaced = dir.Write("my mod.esm", DataFile(0x01));
  const std::string quoted = "\"" + spaced + "\"";
  ExpectRun(RunToolPiped(quoted + "\n " + spaced + "\n" + spaced + " \n" + spaced + "\n"),
            kNotFound + kNotFound + kNotFound + Outcome("Master -> Plugin"), 0);
}

// A path cut short could name another file that would then be rewritten.
TEST(DialogueProcessTest, LongPathIsNeverCutShort) {
  TempDir dir;
  const std::size_t padding = 49 - dir.PathOf("").size() - 4;
  const std::string cutShort = dir.Write(std::string(padding, 'm') + ".esm", DataFile(0x01));
  ASSERT_EQ(cutShort.size(), 49u);
  const std::string whole = dir.Write(std::string(padding, 'm') + ".esm.bak", DataFile(0x00));
  ExpectRun(RunToolPiped(whole + "\n"), Outcome("Plugin -> Master"), 0);
  EXPECT_EQ(ReadWholeFile(cutShort), DataFile(0x01));
  EXPECT_EQ(ReadWholeFile(whole), DataFile(0x01));
}

TEST(DialogueProcessTest, OverlongLineIsOneFailedAttempt) {
  ExpectRun(RunToolPiped(std::string(4097, 'a') + "\n"), kNotFound + kInputEnded, kFailed);
  ExpectRun(RunToolPiped(std::string(100000, '/') + "\n"), kNotFound + kInputEnded, kFailed);
}

TEST(DialogueProcessTest, NulByteNamesNoFile) {
  TempDir dir;
  const std::string master = dir.Write("master.esm", DataFile(0x01));
  ExpectRun(RunToolPiped(master + std::string(1, '\0') + ".bak\n"), kNotFound + kInputEnded,
            kFailed);
  EXPECT_EQ(ReadWholeFile(master), DataFile(0x01));
}

TEST(DialogueProcessTest, ReadOnlyFileIsNotConverted) {
  TempDir dir;
  ::chmod(dir.PathOf("").c_str(), 0755);  // reachable by the unprivileged user
  const std::string master = dir.Write("master.esm", DataFile(0x01));
  ::chmod(master.c_str(), 0444);
  ExpectRun(RunToolPiped(master + "\n", true), Outcome("File could not be opened for writing!"),
            kFailed);
  EXPECT_EQ(ReadWholeFile(master), DataFile(0x01));

  // Nothing was to be written to an unknown file, so nothing failed.
  const std::string odd = dir.Write("odd.esm", DataFile(0x42));
  ::chmod(odd.c_str(), 0444);
  ExpectRun(RunToolPiped(odd + "\n", true), Outcome("Unknown Filetyp"), 0);
}

}  // namespace
