#include "dialogue/path_line.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "dialogue/dropped_path.hpp"

namespace {

// Hands the input out in pieces of at most chunkSize bytes, as a pipe or a
// terminal would, then reports the end (or a read error).
PathLineReader::ByteSource Source(std::string input, std::size_t chunkSize = 7,
                                  std::ptrdiff_t atEnd = 0) {
  auto offset = std::make_shared<std::size_t>(0);
  return [input, chunkSize, atEnd, offset](char* buffer, std::size_t size) -> std::ptrdiff_t {
    const std::size_t count = std::min({size, chunkSize, input.size() - *offset});
    if (count == 0) return atEnd;
    input.copy(buffer, count, *offset);
    *offset += count;
    return static_cast<std::ptrdiff_t>(count);
  };
}

struct Line {
  LineStatus status;
  std::string path;
  bool operator==(const Line& other) const { return status == other.status && path == other.path; }
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
  return out << static_cast<int>(line.status) << ":'" << line.path << "'";
}

// Every line until the reader reports the end, and that end once.
std::vector<Line> ReadAll(PathLineReader::ByteSource source) {
  PathLineReader reader(std::move(source));
  std::vector<Line> lines;
  for (int guard = 0; guard < 100; ++guard) {
    Line line{LineStatus::Path, ""};
    line.status = reader.ReadLine(line.path);
    lines.push_back(line);
    if (line.status == LineStatus::EndOfInput) break;
  }
  return lines;
}

constexpr LineStatus kPath = LineStatus::Path;
constexpr LineStatus kEnd = LineStatus::EndOfInput;
constexpr LineStatus kTooLong = LineStatus::TooLong;

TEST(PathLineReaderTest, TakesWholeLinesExactlyAsTyped) {
  const std::string longPath(300, 'p');
  EXPECT_EQ(ReadAll(Source(" \"C:/a b/Mod.esm\"\t \n\n" + longPath + "\n")),
            (std::vector<Line>{
                {kPath, " \"C:/a b/Mod.esm\"\t "}, {kPath, ""}, {kPath, longPath}, {kEnd, ""}}));
}

TEST(PathLineReaderTest, DropsEveryCarriageReturn) {
  EXPECT_EQ(ReadAll(Source("a.esm\r\nb\rc.esp\r\n\r")),
            (std::vector<Line>{{kPath, "a.esm"}, {kPath, "bc.esp"}, {kEnd, ""}}));
}

TEST(PathLineReaderTest, LastLineWithoutNewlineIsStillALine) {
  EXPECT_EQ(ReadAll(Source("a\nb")), (std::vector<Line>{{kPath, "a"}, {kPath, "b"}, {kEnd, ""}}));
  EXPECT_EQ(ReadAll(Source("")), (std::vector<Line>{{kEnd, ""}}));
}

TEST(PathLineReaderTest, CtrlZEndsTheInputForGood) {
  EXPECT_EQ(ReadAll(Source("a\nb\x1A"
                           "c\nd\n")),
            (std::vector<Line>{{kPath, "a"}, {kPath, "b"}, {kEnd, ""}}));
  EXPECT_EQ(ReadAll(Source("\x1A\n")), (std::vector<Line>{{kEnd, ""}}));
}

TEST(PathLineReaderTest, ReadErrorEndsTheInputLikeTheEnd) {
  EXPECT_EQ(ReadAll(Source("a\nb", 7, -1)),
            (std::vector<Line>{{kPath, "a"}, {kPath, "b"}, {kEnd, ""}}));
}

TEST(PathLineReaderTest, KeepsNulBytesForTheOpenToRefuse) {
  EXPECT_EQ(ReadAll(Source(std::string("a\0b\n", 4))),
            (std::vector<Line>{{kPath, std::string("a\0b", 3)}, {kEnd, ""}}));
}

TEST(PathLineReaderTest, OverlongLineIsConsumedWholeAsOneLine) {
  const std::string longest(kMaxPathLength, 'x');
  const std::string tooLong(kMaxPathLength + 1, 'y');
  EXPECT_EQ(ReadAll(Source(longest + "\n" + tooLong + "\nnext\n", 1000)),
            (std::vector<Line>{{kPath, longest}, {kTooLong, ""}, {kPath, "next"}, {kEnd, ""}}));
  // Carriage returns are not counted against the limit.
  EXPECT_EQ(ReadAll(Source(longest + "\r\r\n")), (std::vector<Line>{{kPath, longest}, {kEnd, ""}}));
}

TEST(PathLineReaderTest, MemoryStaysBoundedOnEndlessLine) {
  std::size_t served = 0;
  PathLineReader reader([&served](char* buffer, std::size_t size) -> std::ptrdiff_t {
    if (served >= 5'000'000) return 0;
    std::fill(buffer, buffer + size, 'z');
    served += size;
    return static_cast<std::ptrdiff_t>(size);
  });
  std::string path;
  EXPECT_EQ(reader.ReadLine(path), kTooLong);
  EXPECT_LE(path.capacity(), 2 * kMaxPathLength);
  EXPECT_EQ(reader.ReadLine(path), kEnd);
}

// A file dropped into a terminal, or a path as a shell user writes it.
TEST(DroppedPathTest, OneBlankAndOneLevelOfShellQuotingComeOff) {
  ::setenv("HOME", "/home/me", 1);
  const struct {
    std::string line, meant;
  } cases[] = {{"'/m/My Mods/a.esm' ", "/m/My Mods/a.esm"},
               {"'/m/it'\\''s.esm'", "/m/it's.esm"},
               {"'/m/a'\\'''", "/m/a'"},
               {"/m/My\\ Mods/it\\'s.esm ", "/m/My Mods/it's.esm"},
               {"/m/a.esm  ", "/m/a.esm "},
               {"\"/m/a \\\"b\\\" \\\\ \\x.esm\"", "/m/a \"b\" \\ \\x.esm"},
               {"'~/a.esm'", "~/a.esm"},
               {"~/Mods/a.esm", "/home/me/Mods/a.esm"}};
  for (const auto& c : cases) EXPECT_EQ(PathMeantByDrop(c.line).value_or(""), c.meant) << c.line;
  // Lines that mean only themselves: plain, or with a quote left open.
  for (const char* line : {"/m/a.esm", "'/m/a.esm", "'/m/a'b.esm'", "\"/m/a\\\"", "/m/a\\"}) {
    EXPECT_FALSE(PathMeantByDrop(line)) << line;
  }
  ::setenv("HOME", "", 1);
  EXPECT_FALSE(PathMeantByDrop("~/a.esm"));
}

}  // namespace
