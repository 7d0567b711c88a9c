#include "path_line.hpp"

constexpr char kEndOfInput = 0x1A;  // Ctrl+Z

bool PathLineReader::NextByte(char& byte) {
  if (begin_ == end_) {
    if (ended_) return false;
    const std::ptrdiff_t count = source_(buffer_, sizeof buffer_);
    if (count <= 0) {
      ended_ = true;  // a failed read is as final as the end of input
      return false;
    }
    begin_ = 0;
    end_ = static_cast<std::size_t>(count);
  }
  byte = buffer_[begin_++];
  if (byte == kEndOfInput) {
    ended_ = true;
    begin_ = end_;
    return false;
  }
  return true;
}

LineStatus PathLineReader::ReadLine(std::string& path) {
  path.clear();
  bool readAnything = false;
  char byte;
  while (NextByte(byte)) {
    if (byte == '\r') continue;
    readAnything = true;
    if (byte == '\n') break;
    // One byte past the longest path marks the line as over-long; the rest
    // is read and dropped, so that it cannot come back as further paths, and
    // memory stays bounded.
    if (path.size() <= kMaxPathLength) path.push_back(byte);
  }
  if (!readAnything) return LineStatus::EndOfInput;
  if (path.size() <= kMaxPathLength) return LineStatus::Path;
  path.clear();
  return LineStatus::TooLong;
}
