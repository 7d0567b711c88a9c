// Reads the typed path, one whole line at a time, from a source of raw bytes.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>

// The longest line taken as a path; anything longer names no file.
constexpr std::size_t kMaxPathLength = 4096;

enum class LineStatus {
  Path,        // a line (possibly empty) was read
  TooLong,     // a line longer than kMaxPathLength was read and discarded
  EndOfInput,  // input had already ended: nothing was read
};

class PathLineReader {
 public:
  // Reads up to size bytes into buffer: the count, 0 at the end, -1 on error.
  using ByteSource = std::function<std::ptrdiff_t(char* buffer, std::size_t size)>;

  explicit PathLineReader(ByteSource source) : source_(std::move(source)) {}

  // Reads up to and including the next newline, or to the end of input. The
  // newline is not stored, carriage returns are dropped and nothing else is
  // changed. A Ctrl+Z (0x1A) ends the input for good.
  LineStatus ReadLine(std::string& path);

 private:
  bool NextByte(char& byte);

  ByteSource source_;
  char buffer_[512];
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool ended_ = false;
};
