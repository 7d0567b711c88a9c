// The parts of standard input and output that differ between platforms.
#pragma once

#include <cstddef>
#include <string>

// Sets standard output's buffering: every write shown at once on a terminal,
// otherwise a 512-byte buffer that the dialogue flushes at each line break.
void SetUpStandardStreams();

// Reads whatever standard input has, up to size bytes, after flushing
// standard output so that a prompt is always visible before input is read.
// Returns the count read, 0 at the end of input, -1 when reading fails.
std::ptrdiff_t ReadStandardInput(char* buffer, std::size_t size);

// True when standard output is a terminal or console window, where a
// control byte in a printed name could drive it.
bool OutputIsTerminal();

// Writes UTF-8 text to standard output, after whatever is already there. A
// Windows console gets it as UTF-16, so that every letter shows; anything
// else gets the bytes.
void WriteText(const std::string& text);
