// The parts of standard input and output that differ between platforms.
#pragma once

#include <cstddef>
#include <string>

// Sets standard output's buffering: every write shown at once on a terminal,
// otherwise a 512-byte buffer that the dialogue flushes at each line break.
void SetUpStandardStreams();

// Standard input as a PathLineReader::ByteSource, which flushes standard
// output first so that a prompt is always visible before input is read.
std::ptrdiff_t ReadStandardInput(char* buffer, std::size_t size);

// A line read from standard input as a path in the tool's own bytes (WTF-8
// on Windows). Where the line was piped in on Windows, that is its UTF-8,
// or, where it is not valid UTF-8, its text in the ANSI code page, as the
// programs of the system write it.
std::string PathFromInputLine(const std::string& line);

// True when standard output is a terminal or console window.
bool OutputIsTerminal();

// Writes UTF-8 text to standard output, after whatever is already there,
// and sends it out at once. A Windows console gets it as UTF-16, so that
// every letter shows; anything else gets the bytes. False when it could not
// be written (a full disk, an I/O error, a closed output); errno says why.
bool WriteText(const std::string& text);

// Writes a line of UTF-8 text to standard error, as WriteText does to
// standard output; there is nowhere to report a failure to write it.
void WriteErrorLine(const std::string& text);
