// The tool given paths on its command line, through pipes and with no
// terminal; standard input stays open and unread throughout, so a tool that
// read it would hang. The same cases run against the Windows builds under
// wine.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "temp_dir.hpp"
#include "tool_process.hpp"
#include "tool_under_test.hpp"

namespace {

constexpr int kFailed = 255;
constexpr int kUsageError = 2;
constexpr int kNotOfKindAsked = 1;

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + Tool().newline;
  return text;
}

class CommandLineTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!Tool().unavailable.empty()) GTEST_SKIP() << Tool().unavailable;
  }

  // Runs the tool in the test's folder, so that the paths are the names.
  ToolRun Run(const std::vector<std::string>& arguments, ToolOptions options = ToolOptions()) {
    options.workingDirectory = dir_.PathOf("");
    options.arguments = arguments;
    options.inputStaysOpen = true;
    return RunToolPiped("", options);
  }

  void ExpectRun(const ToolRun& run, const std::string& output, int exitStatus) {
    EXPECT_EQ(run.output, output);
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(run.exitStatus, exitStatus);
  }

  TempDir dir_;
};

class PosixCommandLineTest : public CommandLineTest {
 protected:
  void SetUp() override {
    if (Tool().isWindows) GTEST_SKIP() << "POSIX only";
    CommandLineTest::SetUp();
  }
};

TEST_F(CommandLineTest, EachPathInTurnWithMixedOutcomes) {
  dir_.Write("master.esm", DataFile(0x01));
  dir_.Write("my plugin.esp", DataFile(0x00, 9));
  dir_.Write("J\xC3\xB6rg \xCE\xA9.esm", DataFile(0x01));
  dir_.Write("odd.esm", DataFile(0x81));
  ExpectRun(Run({"master.esm", "my plugin.esp", "J\xC3\xB6rg \xCE\xA9.esm", "odd.esm",
                 "missing.esm", "master.esm"}),
            Lines({"master.esm: Master -> Plugin", "my plugin.esp: Plugin -> Master",
                   "J\xC3\xB6rg \xCE\xA9.esm: Master -> Plugin", "odd.esm: Unknown Filetyp",
                   "missing.esm: File does not exist!", "master.esm: Plugin -> Master"}),
            kFailed);
  EXPECT_EQ(ReadWholeFile(dir_.PathOf("master.esm")), DataFile(0x01)) << "converted twice";
  EXPECT_EQ(ReadWholeFile(dir_.PathOf("my plugin.esp")), DataFile(0x01, 9));
  EXPECT_EQ(ReadWholeFile(dir_.PathOf("J\xC3\xB6rg \xCE\xA9.esm")), DataFile(0x00));
  EXPECT_EQ(ReadWholeFile(dir_.PathOf("odd.esm")), DataFile(0x81));

  ExpectRun(Run({"odd.esm", "master.esm"}),
            Lines({"odd.esm: Unknown Filetyp", "master.esm: Master -> Plugin"}), 0);
}

// Run again, or with a path twice, a set mode changes nothing.
TEST_F(CommandLineTest, SetModesSwitchOnlyFilesOfTheOtherKind) {
  dir_.Write("a.esp", DataFile(0x00));
  dir_.Write("b.esm", DataFile(0x01));
  dir_.Write("odd.esm", DataFile(0x02));
  ExpectRun(Run({"--to-master", "a.esp", "b.esm", "odd.esm", "a.esp"}),
            Lines({"a.esp: Plugin -> Master", "b.esm: Master", "odd.esm: Unknown Filetyp",
                   "a.esp: Master"}),
            kNotOfKindAsked);
  ExpectRun(Run({"a.esp", "b.esm", "--to-master"}), Lines({"a.esp: Master", "b.esm: Master"}), 0);
  ExpectRun(Run({"--to-plugin", "odd.esm"}), Lines({"odd.esm: Unknown Filetyp"}), kNotOfKindAsked);
  // The worst status wins, whatever the order.
  ExpectRun(Run({"--to-plugin", "b.esm", "odd.esm", "a.esp", "missing.esm"}),
            Lines({"b.esm: Master -> Plugin", "odd.esm: Unknown Filetyp", "a.esp: Master -> Plugin",
                   "missing.esm: File does not exist!"}),
            kFailed);
  EXPECT_EQ(ReadWholeFile(dir_.PathOf("a.esp")), DataFile(0x00));
  EXPECT_EQ(ReadWholeFile(dir_.PathOf("odd.esm")), DataFile(0x02));
}

TEST_F(CommandLineTest, CheckChangesNeitherBytesNorTimes) {
  const std::vector<std::string> names = {"master.esm", "plugin.esp", "odd.esm", "locked.esm"};
  const std::vector<std::string> contents = {DataFile(0x01), DataFile(0x00), DataFile(0x02),
                                             DataFile(0x01)};
  const timespec longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string path = dir_.Write(names[i], contents[i]);
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), longAgo, 0), 0);
  }
  ::chmod(dir_.PathOf("locked.esm").c_str(), 0444);
  // As root a read-only file opens for writing all the same; as nobody, an
  // open for writing would fail and show.
  ::chmod(dir_.PathOf("").c_str(), 0755);
  ToolOptions asNobody;
  asNobody.unprivileged = !Tool().isWindows;
  const ToolRun check =
      Run({"--check", "master.esm", "plugin.esp", "odd.esm", "locked.esm"}, asNobody);
  if (!check.notRun.empty()) GTEST_SKIP() << check.notRun;
  ExpectRun(check,
            Lines({"master.esm: Master", "plugin.esp: Plugin", "odd.esm: Unknown Filetyp",
                   "locked.esm: Master"}),
            0);
  // Nor does setting a kind that each file already has, or cannot have.
  ExpectRun(Run({"--to-master", "master.esm", "odd.esm", "locked.esm"}, asNobody),
            Lines({"master.esm: Master", "odd.esm: Unknown Filetyp", "locked.esm: Master"}),
            kNotOfKindAsked);
  ExpectRun(Run({"--to-plugin", "plugin.esp"}, asNobody), Lines({"plugin.esp: Plugin"}), 0);
  for (std::size_t i = 0; i < names.size(); ++i) {
    struct stat after {};
    ASSERT_EQ(::stat(dir_.PathOf(names[i]).c_str(), &after), 0);
    EXPECT_EQ(after.st_mtime, longAgo[1].tv_sec) << names[i];
    EXPECT_EQ(ReadWholeFile(dir_.PathOf(names[i])), contents[i]) << names[i];
  }
  ExpectRun(Run({"--check", "missing.esm"}), Lines({"missing.esm: File does not exist!"}), kFailed);
}

// Another run's turn is a lock on a byte past 2^32, which a 32-bit build
// must pass whole: while one is held, a run waits and then gives up.
TEST_F(CommandLineTest, AnotherRunsTurnHoldsTheFileOff) {
  const std::string plugin = dir_.Write("a.esp", DataFile(0x00));
  const int other = ::open(plugin.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(other, 0);
  struct flock turn {};
  turn.l_type = F_WRLCK;
  turn.l_whence = SEEK_SET;
  turn.l_start = off_t{1} << 62;
  turn.l_len = 1;
  ASSERT_EQ(::fcntl(other, F_SETLK, &turn), 0);
  ExpectRun(Run({"--to-master", "a.esp"}), Lines({"a.esp: File could not be written!"}), kFailed);
  ::close(other);
  EXPECT_EQ(ReadWholeFile(plugin), DataFile(0x00));
}

TEST_F(CommandLineTest, OptionsAndUsageErrors) {
  const std::string master = dir_.Write("master.esm", DataFile(0x01));
  const std::string dashed = dir_.Write("-odd.esm", DataFile(0x01));
  // Wherever a wrong option stands, the run stops before any file.
  const struct {
    std::vector<std::string> arguments;
    std::string error;
  } errors[] = {
      {{"--bogus", "master.esm"}, "masterswitch: unknown option '--bogus' (try --help)"},
      {{"master.esm", "-odd.esm"}, "masterswitch: unknown option '-odd.esm' (try --help)"},
      {{"--check"}, "masterswitch: --check needs a PATH (try --help)"},
      {{"--to-plugin"}, "masterswitch: --to-plugin needs a PATH (try --help)"},
      {{"--to-master", "master.esm", "--to-plugin"},
       "masterswitch: --to-plugin cannot be combined with --to-master (try --help)"},
      {{"--check", "--to-master", "master.esm"},
       "masterswitch: --to-master cannot be combined with --check (try --help)"},
      {{"--"}, "masterswitch: no PATH given (try --help)"},
      {{"--backup", "--check", "master.esm"},
       "masterswitch: --backup cannot be combined with --check (try --help)"},
      {{"--check", "master.esm", "--rename"},
       "masterswitch: --rename cannot be combined with --check (try --help)"},
      {{"--bogus", "--help"}, "masterswitch: unknown option '--bogus' (try --help)"},
  };
  for (const auto& e : errors) {
    const ToolRun run = Run(e.arguments);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.errors, Lines({e.error}));
    EXPECT_EQ(run.exitStatus, kUsageError);
  }
  // Help and version say only that, whatever paths stand beside them.
  ExpectRun(Run({"master.esm", "--version", "--", "-odd.esm"}),
            Lines({"masterswitch " MASTERSWITCH_VERSION}), 0);
  EXPECT_EQ(Run({"--to-plugin", "master.esm", "--help"}).output.rfind("Usage: masterswitch", 0),
            0u);
  EXPECT_EQ(ReadWholeFile(master), DataFile(0x01));
  EXPECT_EQ(ReadWholeFile(dashed), DataFile(0x01));

  ExpectRun(Run({"-", "--", "-odd.esm"}),
            Lines({"-: File does not exist!", "-odd.esm: Master -> Plugin"}), kFailed);
  ExpectRun(Run({"--check", "master.esm", "--check"}), Lines({"master.esm: Master"}), 0);
  ExpectRun(Run({"--version"}), Lines({"masterswitch " MASTERSWITCH_VERSION}), 0);
  const ToolRun help = Run({"-h"});
  EXPECT_EQ(help.output.rfind("Usage: masterswitch", 0), 0u);
  // Where to read more and where to report: the help is all a zip's user may see first.
  EXPECT_NE(help.output.find("MANUAL.txt beside masterswitch.exe"), std::string::npos);
  EXPECT_NE(help.output.find("Report a bug at https://masterswitch.example/issues"),
            std::string::npos);
  EXPECT_EQ(help.exitStatus, 0);
}

// A copy of the file as it was before its switch, and the extension of its
// kind, in the case of the old one; never a name that exists, in any form.
TEST_F(CommandLineTest, BackupAndRenameTakeNoNameThatExists) {
  const std::string taken = DataFile(0x07);
  for (const char* name : {"a.esp", "b.ESP", "d.txt", "e.esp", "f.esp", "g.esp", "h.esp"})
    dir_.Write(name, DataFile(0x00));
  for (const char* name : {"c.esm", "k.esp"}) dir_.Write(name, DataFile(0x01));
  for (const char* name : {"e.esp.bak", "h.esm", "victim"}) dir_.Write(name, taken);
  dir_.Write("u.esp", DataFile(0x02));
  std::filesystem::create_directory(dir_.PathOf("f.esp.bak"));
  std::filesystem::create_symlink("victim", dir_.PathOf("g.esp.bak"));
  ::chmod(dir_.PathOf("a.esp").c_str(), 0640);
  ExpectRun(Run({"--to-master", "--backup", "--rename", "a.esp", "b.ESP", "c.esm", "k.esp", "u.esp",
                 "d.txt", "e.esp", "f.esp", "g.esp", "h.esp"}),
            Lines({"a.esp: Plugin -> Master, backed up as a.esp.bak, renamed a.esm",
                   "b.ESP: Plugin -> Master, backed up as b.ESP.bak, renamed b.ESM",
                   "c.esm: Master", "k.esp: Master, renamed k.esm", "u.esp: Unknown Filetyp",
                   "d.txt: Plugin -> Master, backed up as d.txt.bak, not renamed: no .esp or .esm "
                   "extension",
                   "e.esp: Plugin, not switched: e.esp.bak exists",
                   "f.esp: Plugin, not switched: f.esp.bak exists",
                   "g.esp: Plugin, not switched: g.esp.bak exists",
                   "h.esp: Plugin -> Master, backed up as h.esp.bak, not renamed: h.esm exists"}),
            kFailed);
  ExpectRun(
      Run({"--rename", "a.esm", "b.ESM"}),
      Lines({"a.esm: Master -> Plugin, renamed a.esp", "b.ESM: Master -> Plugin, renamed b.ESP"}),
      0);
  const std::pair<const char*, std::string> files[] = {{"a.esp.bak", DataFile(0x00)},
                                                       {"a.esp", DataFile(0x00)},
                                                       {"a.esm", ""},
                                                       {"b.ESP.bak", DataFile(0x00)},
                                                       {"b.ESP", DataFile(0x00)},
                                                       {"c.esm.bak", ""},
                                                       {"k.esm", DataFile(0x01)},
                                                       {"u.esp.bak", ""},
                                                       {"e.esp", DataFile(0x00)},
                                                       {"e.esp.bak", taken},
                                                       {"f.esp", DataFile(0x00)},
                                                       {"g.esp", DataFile(0x00)},
                                                       {"victim", taken},
                                                       {"h.esp", DataFile(0x01)},
                                                       {"h.esm", taken}};
  for (const auto& file : files)
    EXPECT_EQ(ReadWholeFile(dir_.PathOf(file.first)), file.second) << file.first;
  struct stat backup {};
  EXPECT_TRUE(Tool().isWindows || (::stat(dir_.PathOf("a.esp.bak").c_str(), &backup) == 0 &&
                                   (backup.st_mode & 0777) == 0640));
}

// Scripts get the name back as it is; only a terminal is shielded from it.
TEST_F(PosixCommandLineTest, ControlCharactersPassThroughAPipe) {
  const std::string name = "a\x1B[31mb\x07\x7F\xC2\x9B\x9B.esm";
  dir_.Write(name, DataFile(0x01));
  ExpectRun(Run({name}), Lines({name + ": Master -> Plugin"}), 0);
}

using WindowsCommandLineTest = CommandLineTest;  // registered under wine only

// As Windows programs start it: cmd hands wildcards on unexpanded, for the
// exe to expand in name order; a launcher that hides the console leaves no
// window where a key could end a wait.
TEST_F(WindowsCommandLineTest, RunsAsWindowsProgramsStartIt) {
  if (!Tool().isWindows) GTEST_SKIP() << "Windows only";
  dir_.Write("b.esp", DataFile(0x00));
  dir_.Write("a.esm", DataFile(0x01));
  dir_.Write("b.esp_old", DataFile(0x00));  // whose 8.3 short name matches *.es?
  std::filesystem::create_directory(dir_.PathOf("sub"));
  dir_.Write("sub/x.esp", DataFile(0x00));
  dir_.Write("sub/x", DataFile(0x00));
  std::filesystem::copy_file(Tool().command.back(), dir_.PathOf("masterswitch.exe"));
  ToolOptions cmd;
  cmd.command = {"env", "LC_ALL=C.UTF-8", "wine", "cmd", "/c", "masterswitch.exe"};
  ExpectRun(Run({"--check", "*.ES?", "sub/*.*", "sub\\x*", "none*.esp"}, cmd),
            Lines({"a.esm: Master", "b.esp: Plugin", "sub/x: Plugin", "sub/x.esp: Plugin",
                   "sub\\x: Plugin", "sub\\x.esp: Plugin", "none*.esp: File does not exist!"}),
            kFailed);
  ToolOptions via;
  via.command = {"env", "LC_ALL=C.UTF-8", "wine", NO_WINDOW_LAUNCHER, "masterswitch.exe"};
  ExpectRun(Run({"b.esp", "no-window"}, via), Lines({"exit status 0"}), 0);
  ExpectRun(Run({"--check", "b.esp", "hidden"}, via), Lines({"still running after 2 s"}), 1);
  ExpectRun(Run({"--check", "b.esp", "piped"}, via), Lines({"b.esp: Master", "exit status 0"}), 0);
  EXPECT_EQ(ReadWholeFile(dir_.PathOf("b.esp")), DataFile(0x01));
  ExpectRun(
      Run({"--to-master", "--backup", "--rename", "sub\\*.esp"}, cmd),
      Lines({"sub\\x.esp: Plugin -> Master, backed up as sub\\x.esp.bak, renamed sub\\x.esm"}), 0);
  EXPECT_EQ(ReadWholeFile(dir_.PathOf("sub/x.esp.bak")) + ReadWholeFile(dir_.PathOf("sub/x.esm")),
            DataFile(0x00) + DataFile(0x01));
}

// "b.esp " is no "b.esp", "-x.esp" no option; hidden and system files,
// folders left out, after a set mode too. A device path (\\.\Z:\...)
// finds as the literal folder does, where a pattern that ends in a blank
// or a dot could lose it.
TEST_F(WindowsCommandLineTest, WildcardsFindEachShownFileAsItself) {
  if (!Tool().isWindows) GTEST_SKIP() << "Windows only";
  const std::pair<const char*, int> files[] = {{"b.esp", 1},  {"b.esp ", 1}, {"c.esp", 1},
                                               {"c.esp.", 1}, {".h.esp", 0}, {"-x.esp", 1},
                                               {"s.esp", 0}};
  for (const auto& file : files) dir_.Write(file.first, DataFile(0x00));
  std::filesystem::create_directory(dir_.PathOf("old.esp"));
  ToolOptions attrib;
  attrib.command = {"wine", "cmd", "/c", "attrib"};
  ExpectRun(Run({"+s", "s.esp"}, attrib), "", 0);
  const std::string switched =
      Lines({"-x.esp: Plugin -> Master", "b.esp: Plugin -> Master", "b.esp : Plugin -> Master",
             "c.esp: Plugin -> Master", "c.esp.: Plugin -> Master"});
  ExpectRun(Run({"--to-master", "*.esp*"}), switched, 0);
  for (const auto& file : files)
    EXPECT_EQ(ReadWholeFile(dir_.PathOf(file.first)), DataFile(file.second)) << file.first;
  std::string device = "\\\\.\\Z:" + dir_.PathOf("");
  std::replace(device.begin(), device.end(), '/', '\\');
  ExpectRun(Run({device + "*.esp ", device + "*."}),
            Lines({device + "b.esp : Master -> Plugin", device + "c.esp.: Master -> Plugin"}), 0);
  EXPECT_EQ(ReadWholeFile(dir_.PathOf("b.esp ")), DataFile(0x00));
  EXPECT_EQ(ReadWholeFile(dir_.PathOf("c.esp.")), DataFile(0x00));
  EXPECT_EQ(ReadWholeFile(dir_.PathOf("c.esp")), DataFile(0x01));
}

}  // namespace
