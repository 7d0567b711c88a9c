// Any bytes, handed to the path reader in reads of any sizes. The reader's
// lines must be exactly the input's lines with carriage returns dropped, up
// to the first Ctrl+Z; over-long ones reported as such; and reading must end.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "dialogue/path_line.hpp"

namespace {

struct Line {
  LineStatus status;
  std::string text;
};

// What the reader must return, worked out the plain way.
std::vector<Line> ExpectedLines(const std::string& input) {
  const std::string ended = input.substr(0, input.find('\x1A'));
  std::vector<Line> lines;
  std::string text;
  bool open = false;
  for (char byte : ended) {
    if (byte == '\r') continue;
    open = true;
    if (byte != '\n') {
      text += byte;
      continue;
    }
    lines.push_back({LineStatus::Path, text});
    text.clear();
    open = false;
  }
  if (open) lines.push_back({LineStatus::Path, text});
  for (Line& line : lines) {
    if (line.text.size() > kMaxPathLength) line = {LineStatus::TooLong, ""};
  }
  return lines;
}

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first four bytes choose the sizes of the reads, in turn.
  if (size < 4) return 0;
  const std::uint8_t* sizes = data;
  const std::string input(reinterpret_cast<const char*>(data + 4), size - 4);

  std::size_t offset = 0;
  std::size_t reads = 0;
  PathLineReader reader([&](char* buffer, std::size_t capacity) -> std::ptrdiff_t {
    const std::size_t wanted = sizes[reads++ % 4] % 97 + 1;
    const std::size_t count = std::min({capacity, wanted, input.size() - offset});
    if (count == 0) return (sizes[0] & 0x80) ? -1 : 0;  // the end, or a failed read
    std::memcpy(buffer, input.data() + offset, count);
    offset += count;
    return static_cast<std::ptrdiff_t>(count);
  });

  const std::vector<Line> expected = ExpectedLines(input);
  std::string text;
  for (const Line& line : expected) {
    Check(reader.ReadLine(text) == line.status);
    Check(text == line.text);
  }
  Check(reader.ReadLine(text) == LineStatus::EndOfInput && text.empty());
  Check(reader.ReadLine(text) == LineStatus::EndOfInput);
  return 0;
}
