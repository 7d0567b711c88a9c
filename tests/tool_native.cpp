#include "tool_under_test.hpp"

const ToolUnderTest& Tool() {
  static const ToolUnderTest tool{{MASTERSWITCH_BINARY}, "\n", false, ""};
  return tool;
}
