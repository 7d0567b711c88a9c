// Text from outside, such as a file name, made safe to print on a terminal
// or console, where a control character could move the cursor, clear the
// screen or retitle the window.
#pragma once

#include <string>

// Every control character (C0, DEL and C1, also when written as UTF-8) and
// every byte that is not part of valid UTF-8 becomes '?'; the rest stays.
// The Linux console takes U+009B as CSI even in UTF-8 mode, and an 8-bit
// terminal the raw byte 0x9B.
std::string ShownOnTerminal(const std::string& text);
