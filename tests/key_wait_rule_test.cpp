#include <gtest/gtest.h>

#include "key_wait.hpp"

namespace {

// Files dropped on the exe, or a double-click, give the tool a console of
// its own; started from a shell, it shares the shell's.
TEST(KeyWaitRule, WaitsAfterTheLinesOnlyWhenAloneOnTheConsole) {
  EXPECT_FALSE(ConsoleClosesWithTool(0));  // no console, or a POSIX terminal
  EXPECT_TRUE(ConsoleClosesWithTool(1));
  EXPECT_FALSE(ConsoleClosesWithTool(2));
  EXPECT_FALSE(ConsoleClosesWithTool(3));
}

}  // namespace
