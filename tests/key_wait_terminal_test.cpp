// The closing key wait in a real pseudo-terminal: what ends it, what does
// not, and that the terminal is given back exactly as it was found.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>
#include <thread>

#include "temp_dir.hpp"
#include "terminal_session.hpp"

namespace {

const std::string kOutcome = "Master -> Plugin";

// Converts a master file and leaves the tool waiting for its key.
class KeyWaitTest : public testing::Test {
 protected:
  explicit KeyWaitTest(const SessionOptions& options = SessionOptions()) : tool_(options) {}

  void SetUp() override {
    path_ = dir_.Write("mod.esm", DataFile(0x01));
    before_ = tool_.Mode();
    ASSERT_TRUE(tool_.WaitForOutput("file.<esm/esp>]: ")) << tool_.Output();
    tool_.Type(path_ + "\r");
    ASSERT_TRUE(tool_.WaitForOutput(kOutcome)) << tool_.Output();
    ASSERT_TRUE(tool_.WaitForRawMode());
  }

  // Everything the tool printed after the outcome message.
  std::string AfterOutcome() const {
    return tool_.Output().substr(tool_.Output().find(kOutcome) + kOutcome.size());
  }

  void ExpectEndedCleanly() {
    EXPECT_EQ(tool_.WaitForExit(), 0);
    EXPECT_TRUE(SameMode(tool_.Mode(), before_));
    EXPECT_EQ(AfterOutcome(), "") << "echoed or leaked";
    EXPECT_EQ(ReadWholeFile(path_), DataFile(0x00));
  }

  void ExpectStillWaiting() { EXPECT_EQ(tool_.WaitForExit(TerminalSession::Duration(300)), -1); }

  TempDir dir_;
  TerminalSession tool_;
  std::string path_;
  termios before_{};
};

TEST_F(KeyWaitTest, ScreenShowsTheConversionAndTheByteIsAlreadyOnDisk) {
  std::string screen = tool_.Output();
  for (std::size_t at; (at = screen.find("\r\n")) != std::string::npos;) screen.erase(at, 1);
  EXPECT_EQ(
      screen.substr(screen.find("\n\n\n\nPath to File")),
      "\n\n\n\nPath to File [x:/<pathtofile>/file.<esm/esp>]: " + path_ + "\n\n\n" + kOutcome);
  const termios raw = tool_.Mode();
  EXPECT_EQ(raw.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(raw.c_iflag & (ICRNL | IXON), 0u);
  EXPECT_NE(raw.c_oflag & OPOST, 0u) << "output processing must stay on";
  EXPECT_EQ(ReadWholeFile(path_), DataFile(0x00));
  tool_.Type("x");
  ExpectEndedCleanly();
}

// A key as the terminal sends it, and a name for it that can stand in a
// test's name.
struct Key {
  const char* name;
  const char* bytes;
};

void PrintTo(const Key& key, std::ostream* out) { *out << key.name; }

class KeyEndsWaitTest : public KeyWaitTest, public testing::WithParamInterface<Key> {};

TEST_P(KeyEndsWaitTest, EndsTheWaitAndRestoresTheTerminal) {
  tool_.Type(GetParam().bytes);
  ExpectEndedCleanly();
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyEndsWaitTest,
                         testing::Values(Key{"letter", "x"}, Key{"Enter", "\r"},
                                         Key{"CtrlC", "\x03"}, Key{"F1Ss3", "\x1bOP"},
                                         Key{"F1Csi", "\x1b[11~"}, Key{"Up", "\x1b[A"},
                                         Key{"CtrlUp", "\x1b[1;5A"}, Key{"AltA", "\033a"},
                                         Key{"Utf8", "\xc3\xa9"}, Key{"CsiU", "\x1b[97u"}),
                         [](const testing::TestParamInfo<Key>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(KeyWaitTest, LoneEscapeEndsTheWaitAfterAShortPause) {
  tool_.Type("\x1b");
  ExpectEndedCleanly();
}

TEST_F(KeyWaitTest, ReportsAndReleasesDoNotEndTheWait) {
  // Focus out, its tail well within the pause after Escape.
  tool_.Type("\x1b");
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  tool_.Type("[O");
  // Focus in, a key release, Shift alone, a cursor report, paste markers.
  tool_.Type("\x1b[I\x1b[97;1:3u\x1b[57441u\x1b[12;40R\x1b[200~");
  ExpectStillWaiting();
  tool_.Type("\x1b[201~");
  ExpectStillWaiting();
  tool_.Type("q");
  ExpectEndedCleanly();
}

TEST_F(KeyWaitTest, CutShortSequenceIsDroppedWithoutLeaking) {
  tool_.Type("\x1b[1;5");
  ExpectStillWaiting();
  tool_.Type("z");
  ExpectEndedCleanly();
}

TEST(KeyWaitTypeAheadTest, KeysTypedBeforeTheWaitDoNotEndIt) {
  TempDir dir;
  const std::string path = dir.Write("mod.esp", DataFile(0x00));
  TerminalSession tool;
  ASSERT_TRUE(tool.WaitForOutput("file.<esm/esp>]: "));
  tool.Type(path + "\rxyz");
  ASSERT_TRUE(tool.WaitForOutput("Plugin -> Master"));
  ASSERT_TRUE(tool.WaitForRawMode());
  EXPECT_EQ(tool.WaitForExit(TerminalSession::Duration(300)), -1);
  tool.Type("k");
  EXPECT_EQ(tool.WaitForExit(), 0);
}

}  // namespace

namespace {

struct NamedSignal {
  const char* name;
  int number;
};

void PrintTo(const NamedSignal& signal, std::ostream* out) { *out << signal.name; }

std::string NameOf(const testing::TestParamInfo<NamedSignal>& info) { return info.param.name; }

// Signals from outside during the wait: the terminal gets its mode back,
// and the tool ends by the same signal, so its parent sees how it died.
class KeyWaitSignalTest : public KeyWaitTest, public testing::WithParamInterface<NamedSignal> {};

TEST_P(KeyWaitSignalTest, RestoresTheTerminalAndDiesByTheSignal) {
  tool_.Signal(GetParam().number);
  EXPECT_EQ(tool_.WaitForExit(), -1);
  EXPECT_EQ(tool_.EndingSignal(), GetParam().number);
  EXPECT_TRUE(SameMode(tool_.Mode(), before_));
  EXPECT_EQ(ReadWholeFile(path_), DataFile(0x00)) << "the conversion was committed before";
}

INSTANTIATE_TEST_SUITE_P(Signals, KeyWaitSignalTest,
                         testing::Values(NamedSignal{"TERM", SIGTERM}, NamedSignal{"HUP", SIGHUP},
                                         NamedSignal{"INT", SIGINT}, NamedSignal{"QUIT", SIGQUIT},
                                         NamedSignal{"USR1", SIGUSR1}, NamedSignal{"ALRM", SIGALRM},
                                         NamedSignal{"PIPE", SIGPIPE},
                                         NamedSignal{"XCPU", SIGXCPU}),
                         NameOf);
#ifdef SIGRTMAX
INSTANTIATE_TEST_SUITE_P(RealTime, KeyWaitSignalTest,
                         testing::Values(NamedSignal{"RTMIN", SIGRTMIN},
                                         NamedSignal{"RTMAX", SIGRTMAX}),
                         NameOf);
#endif

SessionOptions Ignoring(int signal) {
  SessionOptions options;
  options.ignoredSignal = signal;
  return options;
}

// Started with a signal ignored, as under nohup, the tool leaves it so.
class KeyWaitIgnoredSignalTest : public KeyWaitTest,
                                 public testing::WithParamInterface<NamedSignal> {
 protected:
  KeyWaitIgnoredSignalTest() : KeyWaitTest(Ignoring(GetParam().number)) {}
};

TEST_P(KeyWaitIgnoredSignalTest, StaysIgnored) {
  tool_.Signal(GetParam().number);
  tool_.Type("x");
  ExpectEndedCleanly();
}

INSTANTIATE_TEST_SUITE_P(Signals, KeyWaitIgnoredSignalTest,
                         testing::Values(NamedSignal{"HUP", SIGHUP}, NamedSignal{"PIPE", SIGPIPE}),
                         NameOf);

// Stopped by SIGTSTP, SIGTTIN or SIGTTOU, the tool restores the terminal
// itself; by SIGSTOP, which it cannot catch, the shell does. Continued, it
// makes it raw again; and so again at a second stop.
class KeyWaitStopTest : public KeyWaitTest, public testing::WithParamInterface<NamedSignal> {};

TEST_P(KeyWaitStopTest, ContinueMakesTheTerminalRawAgain) {
  for (int stop = 1; stop <= 2; ++stop) {
    tool_.Signal(GetParam().number);
    ASSERT_TRUE(tool_.WaitForStop());
    if (GetParam().number == SIGSTOP) tool_.SetMode(before_);
    EXPECT_TRUE(SameMode(tool_.Mode(), before_)) << "stop " << stop;
    tool_.Signal(SIGCONT);
    ASSERT_TRUE(tool_.WaitForRawMode());
  }
  tool_.Type("x");
  ExpectEndedCleanly();
}

INSTANTIATE_TEST_SUITE_P(Signals, KeyWaitStopTest,
                         testing::Values(NamedSignal{"TSTP", SIGTSTP}, NamedSignal{"TTIN", SIGTTIN},
                                         NamedSignal{"TTOU", SIGTTOU},
                                         NamedSignal{"STOP", SIGSTOP}),
                         NameOf);

// Input that never stops, as a key held down, is dropped for 2 s at most.
TEST_F(KeyWaitTest, InputThatNeverStopsCannotHoldTheTool) {
  tool_.Type("x");
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  int status = -1;
  while (status == -1 && std::chrono::steady_clock::now() < giveUp) {
    tool_.Type("y");
    status = tool_.WaitForExit(TerminalSession::Duration(20));
  }
  EXPECT_EQ(status, 0);
}

// Continued in the background, the tool is stopped again by its next read,
// and has left the mode alone until it is in the foreground once more.
TEST_F(KeyWaitTest, ContinuedInTheBackgroundLeavesTheModeAloneUntilInTheForeground) {
  tool_.Signal(SIGTSTP);
  ASSERT_TRUE(tool_.WaitForStop());
  tool_.ContinueInBackground();
  ASSERT_TRUE(tool_.WaitForStop());
  EXPECT_TRUE(SameMode(tool_.Mode(), before_));
  tool_.Signal(SIGCONT);
  ASSERT_TRUE(tool_.WaitForRawMode());
  tool_.Type("x");
  ExpectEndedCleanly();
}

// More than the terminal's input buffer holds, pasted into the wait or at
// the prompt, so that its tail ends the wait: the shell reads none of it.
class KeyWaitPasteTest : public testing::TestWithParam<bool> {};

TEST_P(KeyWaitPasteTest, LeavesNothingForTheShell) {
  TempDir dir;
  const std::string path = dir.Write("mod.esm", DataFile(0x01));
  SessionOptions shell;
  shell.shellReadsAfter = true;
  TerminalSession tool(shell);
  ASSERT_TRUE(tool.WaitForOutput("file.<esm/esp>]: ")) << tool.Output();
  std::string paste;
  for (int line = 0; line < 600; ++line) paste += "echo pasted " + std::to_string(line) + "\r";
  if (GetParam()) {
    tool.Type(path + "\r");
    ASSERT_TRUE(tool.WaitForOutput(kOutcome)) << tool.Output();
    ASSERT_TRUE(tool.WaitForRawMode());
    paste.insert(0, 1, 'x');
  } else {
    paste.insert(0, path + "\r");
  }
  tool.Type(paste);
  // The rest of it in parts, each well within the quiet gap of the last.
  for (int part = 0; part < 4; ++part) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    tool.Type("echo part " + std::to_string(part) + "\r");
  }
  ASSERT_TRUE(tool.WaitForOutput("shell reads")) << tool.Output();
  tool.Type("end\r");
  ASSERT_TRUE(tool.WaitForOutput(" lines\r\n"));
  EXPECT_NE(tool.Output().find("\n0 lines"), std::string::npos) << tool.Output();
  EXPECT_EQ(tool.WaitForExit(), 0);
  EXPECT_EQ(ReadWholeFile(path), DataFile(0x00));
}

INSTANTIATE_TEST_SUITE_P(Paste, KeyWaitPasteTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "IntoTheWait" : "AtThePrompt";
                         });

// A background job that changed the terminal's mode would be stopped: it
// converts, reports and does not wait, leaving the terminal alone.
TEST(KeyWaitBackgroundTest, NeitherWaitsNorTouchesTheTerminal) {
  TempDir dir;
  const std::string path = dir.Write("mod.esm", DataFile(0x01));
  SessionOptions background;
  background.background = true;
  background.pipedInput = path + "\n";
  TerminalSession tool(background);
  EXPECT_EQ(tool.WaitForExit(), 0) << "stopped, or waiting: " << tool.Output();
  EXPECT_EQ(tool.Mode().c_lflag & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));
  EXPECT_NE(tool.Output().find(kOutcome), std::string::npos) << tool.Output();
  EXPECT_EQ(ReadWholeFile(path), DataFile(0x00));
}

// Whether any process holds the file open, as /proc tells on Linux; where
// there is no /proc, none is found.
bool AnyProcessHolds(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code failed;
  for (fs::directory_iterator process("/proc", failed), end; !failed && process != end;
       process.increment(failed)) {
    std::error_code ignored;
    for (fs::directory_iterator fd(process->path() / "fd", ignored); !ignored && fd != end;
         fd.increment(ignored)) {
      if (fs::read_symlink(fd->path(), ignored) == path) return true;
    }
  }
  return false;
}

// Redirected output is buffered; the outcome must show all the same while
// the tool waits, and the file must be closed by then, free to rename.
TEST(KeyWaitPipedOutputTest, OutcomeShowsAndTheFileIsClosedDuringTheWait) {
  TempDir dir;
  const std::string path = dir.Write("mod.esm", DataFile(0x01));
  SessionOptions piped;
  piped.outputThroughPipe = true;
  TerminalSession tool(piped);
  ASSERT_TRUE(tool.WaitForOutput("file.<esm/esp>]: ")) << tool.Output();
  tool.Type(path + "\r");
  ASSERT_TRUE(tool.WaitForRawMode());
  EXPECT_TRUE(tool.WaitForOutput(kOutcome)) << tool.Output();
  EXPECT_FALSE(AnyProcessHolds(path));
  EXPECT_EQ(tool.WaitForExit(TerminalSession::Duration(300)), -1) << "did not wait";
  tool.Type("x");
  EXPECT_EQ(tool.WaitForExit(), 0);
}

// A terminal past what an fd_set holds, as when a parent leaves the tool
// many descriptors: the pause after a lone Escape must still be timed.
TEST(KeyWaitHighDescriptorTest, LoneEscapeEndsTheWait) {
  SessionOptions crowded;
  crowded.openDescriptors = 1100;
  rlimit limit{};
  ::getrlimit(RLIMIT_NOFILE, &limit);
  if (limit.rlim_max < static_cast<rlim_t>(crowded.openDescriptors) + 16) {
    GTEST_SKIP() << "no more than " << limit.rlim_max << " descriptors allowed here";
  }
  TempDir dir;
  const std::string path = dir.Write("mod.esm", DataFile(0x01));
  TerminalSession tool(crowded);
  ASSERT_TRUE(tool.WaitForOutput("file.<esm/esp>]: ")) << tool.Output();
  tool.Type(path + "\r");
  ASSERT_TRUE(tool.WaitForOutput(kOutcome));
  ASSERT_TRUE(tool.WaitForRawMode());
  tool.Type("\x1B");
  EXPECT_EQ(tool.WaitForExit(), 0);
  EXPECT_EQ(ReadWholeFile(path), DataFile(0x00));
}

// With paths, the tool reports and returns: the terminal is not kept
// waiting, and a name printed to it cannot drive it.
// C1 controls too, as UTF-8 (U+009B is CSI on the Linux console) or as a
// raw byte, and any byte that is not part of valid UTF-8.
TEST(CommandLineTerminalTest, ControlCharactersShowAsQuestionMarksAndNoKeyIsAwaited) {
  TempDir dir;
  const std::string path =
      dir.Write("a\x1B[31mb\x07\x7F\xC2\x9B\x9B \xC2\x9F\xED\xA0\x80\xC3\xA9.esm", DataFile(0x01));
  SessionOptions withPath;
  withPath.arguments = {path};
  TerminalSession tool(withPath);
  EXPECT_EQ(tool.WaitForExit(), 0);
  EXPECT_EQ(tool.Output(), dir.PathOf("a?[31mb???? ????\xC3\xA9.esm: Master -> Plugin\r\n"));
  EXPECT_EQ(ReadWholeFile(path), DataFile(0x00));
}

}  // namespace
