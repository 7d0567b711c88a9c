// The whole tool as a process, with standard input and output piped and no
// terminal, so that the closing key wait returns at once. The same cases run
// against the native build and against the Windows build under wine.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>

#include "temp_dir.hpp"
#include "tool_process.hpp"
#include "tool_under_test.hpp"

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

std::string WithToolNewlines(std::string text) {
  const std::string& newline = Tool().newline;
  for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos;) {
    text.replace(at, 1, newline);
    at += newline.size();
  }
  return text;
}

void ExpectRun(const ToolRun& run, const std::string& afterBanner, int exitStatus) {
  EXPECT_EQ(run.output, WithToolNewlines(kBanner + afterBanner));
  EXPECT_EQ(run.errors, "");
  EXPECT_EQ(run.exitStatus, exitStatus);
}

class DialogueProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!Tool().unavailable.empty()) GTEST_SKIP() << Tool().unavailable;
  }
};

class PosixDialogueProcessTest : public DialogueProcessTest {
 protected:
  void SetUp() override {
    if (Tool().isWindows) GTEST_SKIP() << "POSIX only";
    DialogueProcessTest::SetUp();
  }
};

class WindowsDialogueProcessTest : public DialogueProcessTest {
 protected:
  void SetUp() override {
    if (!Tool().isWindows) GTEST_SKIP() << "Windows only";
    DialogueProcessTest::SetUp();
  }
};

TEST_F(DialogueProcessTest, ConvertsMasterAndPlugin) {
  TempDir dir;
  const std::string master = dir.Write("master.esm", DataFile(0x01));
  ExpectRun(RunToolPiped(master + "\n"), Outcome("Master -> Plugin"), 0);
  EXPECT_EQ(ReadWholeFile(master), DataFile(0x00));

  const std::string plugin = dir.Write("plugin.esp", DataFile(0x00, 9));
  ExpectRun(RunToolPiped(plugin + "\r\n"), Outcome("Plugin -> Master"), 0);
  EXPECT_EQ(ReadWholeFile(plugin), DataFile(0x01, 9));
}

TEST_F(DialogueProcessTest, UnknownFilesAreReportedAndLeftAlone) {
  TempDir dir;
  for (const std::string& contents : {DataFile(0x81), DataFile(0xFF), std::string("short")}) {
    const std::string path = dir.Write("odd.esm", contents);
    ExpectRun(RunToolPiped(path + "\n"), Outcome("Unknown Filetyp"), 0);
    EXPECT_EQ(ReadWholeFile(path), contents);
  }
}

TEST_F(DialogueProcessTest, AsksAgainUntilAPathOpens) {
  TempDir dir;
  const std::string master = dir.Write("master.esm", DataFile(0x01));
  const std::string input =
      "\n" + dir.PathOf("missing.esm") + "\n" + dir.PathOf("") + "\n" + master + "\n";
  ExpectRun(RunToolPiped(input), kNotFound + kNotFound + kNotFound + Outcome("Master -> Plugin"),
            0);
}

TEST_F(DialogueProcessTest, NonAsciiPathOpens) {
  TempDir dir;
  const std::string master = dir.Write("J\xC3\xB6rg \xC3\x86sir.esm", DataFile(0x01));
  ExpectRun(RunToolPiped(master + "\n"), Outcome("Master -> Plugin"), 0);
  EXPECT_EQ(ReadWholeFile(master), DataFile(0x00));
  // Code page 1252 (wine keeps the name in UTF-8); in WTF-8 a lone surrogate.
  dir.Write(Tool().isWindows ? "\xC3\xAD\xC2\xA9\xC2\xAE.esp" : "\xED\xA9\xAE.esp", DataFile(0));
  ExpectRun(RunToolPiped(dir.PathOf("\xED\xA9\xAE.esp") + "\n"), Outcome("Plugin -> Master"), 0);
}

// A FIFO with no writer would block a plain open for good.
TEST_F(PosixDialogueProcessTest, FifoIsNoDataFile) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.PathOf("fifo").c_str(), 0600), 0);
  ExpectRun(RunToolPiped(dir.PathOf("fifo") + "\n"), kNotFound + kInputEnded, kFailed);
}

// The tool never reads past byte 8, so size costs it nothing. The size is
// past 4 GiB, where a 32-bit size would wrap to 3 bytes.
TEST_F(DialogueProcessTest, HugeSparseFileConvertsLikeASmallOne) {
  TempDir dir;
  const std::string small = dir.Write("small.esm", DataFile(0x01));
  const std::string huge = dir.Write("huge.esm", DataFile(0x01));
  // Reading it all would take seconds, even from holes.
  const off_t hugeSize = (off_t{64} << 30) + 3;
  ASSERT_EQ(::truncate(huge.c_str(), hugeSize), 0);
  struct stat before;
  ASSERT_EQ(::stat(huge.c_str(), &before), 0);

  const auto timed = [](const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    ExpectRun(RunToolPiped(path + "\n"), Outcome("Master -> Plugin"), 0);
    return std::chrono::steady_clock::now() - start;
  };
  const auto smallTime = timed(small);
  const auto hugeTime = timed(huge);
  // Under an emulator a wine run of either takes a minute.
  EXPECT_LT(hugeTime, smallTime * 2 + std::chrono::seconds(2));

  struct stat after;
  ASSERT_EQ(::stat(huge.c_str(), &after), 0);
  EXPECT_EQ(after.st_size, hugeSize);
  EXPECT_EQ(after.st_blocks, before.st_blocks) << "no longer sparse";
  EXPECT_EQ(ReadWholeFile(small), DataFile(0x00));
  std::ifstream in(huge, std::ios::binary);
  char head[64];
  in.read(head, sizeof head);
  EXPECT_EQ(std::string(head, sizeof head), DataFile(0x00));
}

TEST_F(WindowsDialogueProcessTest, DevicesAreNoDataFiles) {
  ExpectRun(RunToolPiped("NUL\nCON\nCOM1\n"), kNotFound + kNotFound + kNotFound + kInputEnded,
            kFailed);
}

TEST_F(DialogueProcessTest, EndOfInputBeforeAFileOpenedFails) {
  ExpectRun(RunToolPiped(""), kInputEnded, kFailed);
  ExpectRun(RunToolPiped("nowhere.esm\n"), kNotFound + kInputEnded, kFailed);
  ExpectRun(RunToolPiped("\x1A/etc/hostname\n"), kInputEnded, kFailed);
}

TEST_F(DialogueProcessTest, LastLineWithoutNewlineIsUsed) {
  TempDir dir;
  const std::string master = dir.Write("master.esm", DataFile(0x01));
  ExpectRun(RunToolPiped(master), Outcome("Master -> Plugin"), 0);
  dir.Write("master.esm", DataFile(0x01));
  ExpectRun(RunToolPiped(master + "\x1A"
                                  "ignored\n"),
            Outcome("Master -> Plugin"), 0);
}

TEST_F(DialogueProcessTest, LeadingBlanksArePartOfThePath) {
  TempDir dir;
  const std::string spaced = dir.Write("my mod.esm", DataFile(0x01));
  ExpectRun(RunToolPiped(" " + spaced + "\n" + spaced + "\n"),
            kNotFound + Outcome("Master -> Plugin"), 0);
}

// A list saved by a Windows editor starts with a byte order mark, which is
// taken off the first line only, where the line as it stands names no file.
TEST_F(DialogueProcessTest, ByteOrderMarkBeforeTheFirstPathIsNoPartOfIt) {
  TempDir dir;
  const std::string bom = "\xEF\xBB\xBF";
  const std::string master = dir.Write("master.esm", DataFile(0x01));
  ExpectRun(RunToolPiped(bom + master + "\r\n" + master + "\n"), Outcome("Master -> Plugin"), 0);
  ExpectRun(RunToolPiped("\n" + bom + master + "\n"), kNotFound + kNotFound + kInputEnded, kFailed);
  const std::string marked = dir.Write(bom + "master.esm", DataFile(0x00));
  ToolOptions inDir;
  inDir.workingDirectory = dir.PathOf("");
  ExpectRun(RunToolPiped(bom + "master.esm\n", inDir), Outcome("Plugin -> Master"), 0);
  EXPECT_EQ(ReadWholeFile(marked), DataFile(0x01));
  EXPECT_EQ(ReadWholeFile(master), DataFile(0x00));
}

// A terminal types a dropped file's path in shell quoting, with a blank
// after it; a name that exists as typed is still taken as it is.
TEST_F(PosixDialogueProcessTest, DroppedPathOpensOnceItsQuotingIsTakenOff) {
  TempDir dir;
  const std::string spaced = dir.Write("my mod.esm", DataFile(0x01));
  ExpectRun(RunToolPiped(spaced + "  \n'" + spaced + "' \n"),
            kNotFound + Outcome("Master -> Plugin"), 0);
  ExpectRun(RunToolPiped("\"" + spaced + "\"\n"), Outcome("Plugin -> Master"), 0);
  dir.Write("'a.esm'", DataFile(0x00));
  const std::string unquoted = dir.Write("a.esm", DataFile(0x01));
  ToolOptions inDir;
  inDir.workingDirectory = dir.PathOf("");
  ExpectRun(RunToolPiped("'a.esm'\n", inDir), Outcome("Plugin -> Master"), 0);
  ASSERT_EQ(::mkdir(dir.PathOf("'a.esm' ").c_str(), 0700), 0);       // exists, but does not open
  ASSERT_EQ(::symlink("nowhere", dir.PathOf("a.esm ").c_str()), 0);  // exists, dangling
  ExpectRun(RunToolPiped("'a.esm' \na.esm \n", inDir), kNotFound + kNotFound + kInputEnded,
            kFailed);
  EXPECT_EQ(ReadWholeFile(unquoted), DataFile(0x01));
}

// The console quotes a dropped file's path when it holds a blank; a Windows
// file name cannot hold a quote, so one pair around the line is taken off.
TEST_F(WindowsDialogueProcessTest, OnePairOfQuotesAroundThePathIsRemoved) {
  TempDir dir;
  const std::string spaced = dir.Write("my mod.esm", DataFile(0x01));
  ExpectRun(RunToolPiped("\"\"" + spaced + "\"\"\n\"" + spaced + "\n\"" + spaced + "\"\n"),
            kNotFound + kNotFound + Outcome("Master -> Plugin"), 0);
}

// A path cut short could name another file that would then be rewritten:
// here the first 49 characters of the path name a master beside it.
TEST_F(DialogueProcessTest, LongPathIsNeverCutShort) {
  TempDir dir;
  const std::string cutShort = std::string(45, 'm') + ".esm";
  dir.Write(cutShort, DataFile(0x01));
  const std::string whole = dir.Write(cutShort + ".bak", DataFile(0x00));
  ToolOptions inDir;
  inDir.workingDirectory = dir.PathOf("");
  ExpectRun(RunToolPiped(cutShort + ".bak\n", inDir), Outcome("Plugin -> Master"), 0);
  EXPECT_EQ(ReadWholeFile(dir.PathOf(cutShort)), DataFile(0x01));
  EXPECT_EQ(ReadWholeFile(whole), DataFile(0x01));
}

TEST_F(DialogueProcessTest, OverlongLineIsOneFailedAttempt) {
  ExpectRun(RunToolPiped(std::string(4097, 'a') + "\n"), kNotFound + kInputEnded, kFailed);
  ExpectRun(RunToolPiped(std::string(100000, '/') + "\n"), kNotFound + kInputEnded, kFailed);
}

TEST_F(DialogueProcessTest, NulByteNamesNoFile) {
  TempDir dir;
  const std::string master = dir.Write("master.esm", DataFile(0x01));
  ExpectRun(RunToolPiped(master + std::string(1, '\0') + ".bak\n"), kNotFound + kInputEnded,
            kFailed);
  EXPECT_EQ(ReadWholeFile(master), DataFile(0x01));
}

// The tool runs in the test's folder, with the file's name piped in, so
// that the folders above need not be open to the unprivileged user.
TEST_F(PosixDialogueProcessTest, ReadOnlyFileIsNotConverted) {
  TempDir dir;
  ::chmod(dir.PathOf("").c_str(), 0755);
  ToolOptions unprivileged;
  unprivileged.workingDirectory = dir.PathOf("");
  unprivileged.unprivileged = true;
  const std::string master = dir.Write("master.esm", DataFile(0x01));
  ::chmod(master.c_str(), 0444);
  const ToolRun run = RunToolPiped("master.esm\n", unprivileged);
  if (!run.notRun.empty()) GTEST_SKIP() << run.notRun;
  ExpectRun(run, Outcome("File could not be opened for writing!"), kFailed);
  EXPECT_EQ(ReadWholeFile(master), DataFile(0x01));

  // Nothing was to be written to an unknown file, so nothing failed.
  const std::string odd = dir.Write("odd.esm", DataFile(0x42));
  ::chmod(odd.c_str(), 0444);
  ExpectRun(RunToolPiped("odd.esm\n", unprivileged), Outcome("Unknown Filetyp"), 0);
}

}  // namespace
