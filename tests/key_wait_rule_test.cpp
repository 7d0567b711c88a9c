#include <gtest/gtest.h>

#include "console/key_wait.hpp"

namespace {

// Files dropped on the exe, or a double-click, give the tool a console of
// its own; started from a shell, it shares the shell's; started with
// CREATE_NO_WINDOW, it has one of its own that nobody sees.
TEST(KeyWaitRule, WaitsAfterTheLinesOnlyWhenAloneOnAConsoleWindow) {
  EXPECT_FALSE(ConsoleClosesWithTool(0, false));  // no console, or a POSIX terminal
  EXPECT_TRUE(ConsoleClosesWithTool(1, true));
  EXPECT_FALSE(ConsoleClosesWithTool(1, false));
  EXPECT_FALSE(ConsoleClosesWithTool(2, true));
  EXPECT_FALSE(ConsoleClosesWithTool(3, true));
}

}  // namespace
