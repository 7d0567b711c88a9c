#include "console/terminal_keys.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "key_decoder_check.hpp"

namespace {

// The bytes as they come, with a pause of the gap between pieces; a last
// piece that is empty is a pause at the end.
using Input = std::vector<std::string>;

// The steps, a byte or a pause each, still to come when the wait ends: 0
// when it ends on the last, -1 when it goes on.
int StepsLeftWhenTheWaitEnds(const Input& input) {
  TerminalKeyDecoder decoder;
  int left = static_cast<int>(input.size()) - 1;
  for (const std::string& piece : input) left += static_cast<int>(piece.size());
  for (std::size_t i = 0; i < input.size(); ++i) {
    if (i > 0 && (--left, decoder.InUnit()) && decoder.Quiet()) return left;
    for (char byte : input[i]) {
      if (--left, decoder.Feed(static_cast<unsigned char>(byte))) return left;
    }
  }
  return -1;
}

// A key press ends the wait on the last byte or pause and not before it;
// the rest are no key presses, or not yet whole.
enum Expected { kWaits = -1, kEnds = 0 };
struct Row {
  Input input;
  Expected expected;
};

const std::string k40(40, '1');
const Expected E = kEnds, W = kWaits;

// clang-format off
const Row kRows[] = {
    // Bytes and characters; Escape before one is Alt.
    {{"a"}, E}, {{"\r"}, E}, {{"\x7F"}, E}, {{std::string(1, '\0')}, E}, {{"\x80"}, E},
    {{"\xFF"}, E}, {{"\xC3\xA9"}, E}, {{"\xE2\x82\xAC"}, E}, {{"\xF0\x9F\x98\x80"}, E},
    {{"\xF0\x9F\x98"}, W}, {{"\xF0\x9F\x98", ""}, E}, {{"\xC3" "a"}, E}, {{"\xC3\x1B"}, E},
    {{"\x1B" "a"}, E}, {{"\x1B\r"}, E}, {{"\x1B\xC3"}, W}, {{"\x1B\xC3\xA9"}, E},

    // Escape, and what a pause makes of a sequence begun.
    {{"\x1B"}, W}, {{"\x1B", ""}, E}, {{"\x1B\x1B"}, W}, {{"\x1B\x1B", ""}, E},
    {{"\x1B\x1B" "a"}, E}, {{"\x1B[", ""}, E}, {{"\x1BO", ""}, E}, {{"\x1B]", ""}, E},
    {{"\x1BP", ""}, E}, {{"\x1B_", ""}, E}, {{"\x1B\x1B[", ""}, E}, {{"\x1B[\x03"}, E},
    {{"\x1B[1;5"}, W}, {{"\x1B[1;5", "", "z"}, E}, {{"\x1B[1;5\x03"}, E},
    {{"\x1B[1;5\x1B", ""}, E}, {{"\x1B[[", "", "z"}, E}, {{"\x1BO5", "", "z"}, E},

    // Cursor, editing, function and keypad keys, as each family sends them;
    // rxvt's own, and the Linux console's F1 to F5.
    {{"\x1B[A"}, E}, {{"\x1BOA"}, E}, {{"\x1B[1;5A"}, E}, {{"\x1B[;5A"}, E}, {{"\x1B[1A"}, E},
    {{"\x1BO5A"}, E}, {{"\x1B[H"}, E}, {{"\x1B[E"}, E}, {{"\x1B[Z"}, E}, {{"\x1BOP"}, E},
    {{"\x1B[1;2P"}, E}, {{"\x1B[1;5R"}, E}, {{"\x1B[11~"}, E}, {{"\x1B[24;2~"}, E},
    {{"\x1B[3~"}, E}, {{"\x1BOp"}, E}, {{"\x1BOM"}, E}, {{"\x1BOl"}, E},
    {{"\x1B[3$"}, E}, {{"\x1B[11^"}, E}, {{"\x1B[5@"}, E}, {{"\x1B[a"}, E}, {{"\x1BOb"}, E},
    {{"\x1B\x1B[A"}, E}, {{"\x1B\x1BOB"}, E}, {{"\x1B[[A"}, E}, {{"\x1B[[E"}, E},

    // Extended key reporting: presses and repeats; keys just past the
    // modifiers and locks.
    {{"\x1B[97u"}, E}, {{"\x1B[97;5u"}, E}, {{"\x1B[97:65;2u"}, E}, {{"\x1B[97;2;65u"}, E},
    {{"\x1B[97;1:1u"}, E}, {{"\x1B[97;1:2u"}, E}, {{"\x1B[1;5:2A"}, E}, {{"\x1B[57399u"}, E},
    {{"\x1B[27;5;13~"}, E}, {{"\x1B[57362u"}, E}, {{"\x1B[57440u"}, E}, {{"\x1B[57455u"}, E},
    {{"\x1B[57357u"}, E}, {{"\x1B[57361u"}, E}, {{"\x1B[27;2;57440~"}, E},

    // Well formed, but known to nobody: a key of some terminal all the same.
    {{"\x1B[5A"}, E}, {{"\x1B[0~"}, E}, {{"\x1B[16~"}, E}, {{"\x1B[u"}, E}, {{"\x1B[57376u"}, E},
    {{"\x1BOZ"}, E}, {{"\x1B[[F"}, E}, {{"\x1B[2 q"}, E}, {{"\x1B[1I"}, E},

    // No key presses, each followed by one that ends the wait: replies,
    // mouse reports, focus, paste markers, releases, modifiers and locks
    // alone, strings.
    {{"\x1B[?1;2cx"}, E}, {{"\x1B[>41;390;0cx"}, E}, {{"\x1B[=1cx"}, E}, {{"\x1B[12;40Rx"}, E},
    {{"\x1B[2;1Rx"}, E}, {{"\x1B\x1B[?1;2cx"}, E},
    {{"\x1B[<0;12;3Mx"}, E}, {{"\x1B[<0;12;3mx"}, E}, {{"\x1B[32;12;3Mx"}, E},
    {{"\x1B[M !!x"}, E}, {{"\x1B[M\xE0\xFF\x1Bx"}, E}, {{"\x1B[M !"}, W}, {{"\x1B[M", "", "x"}, E},
    {{"\x1B[Ix"}, E}, {{"\x1B[Ox"}, E}, {{"\x1B\x1B[Ix"}, E}, {{"\x1B[200~x"}, E},
    {{"\x1B[201~x"}, E}, {{"\x1B[97;1:3ux"}, E}, {{"\x1B[97:65;2:3ux"}, E},
    {{"\x1B[1;1:3Ax"}, E}, {{"\x1B[3;5:3~x"}, E}, {{"\x1BO1;1:3Px"}, E}, {{"\x1B[1;1:3@x"}, E},
    {{"\x1B[57441ux"}, E}, {{"\x1B[57441;2ux"}, E}, {{"\x1B[57448ux"}, E}, {{"\x1B[57454ux"}, E},
    {{"\x1B[57358ux"}, E}, {{"\x1B[57360;129ux"}, E}, {{"\x1B[27;2;57441~x"}, E},
    {{"\x1B[27;5;57360~x"}, E},
    {{"\x1B]11;rgb:0000/0000/0000\x07x"}, E}, {{"\x1B]11;rgb:ffff/ffff/ffff\x1B\\x"}, E},
    {{"\x1BP1$r0m\x1B\\x"}, E}, {{"\x1B_Gi=1;OK\x1B\\x"}, E}, {{"\x1B]11;\x1Bx"}, E},
    {{"\x1B]0;title", "", "x"}, E}, {{"\x1B]0;title"}, W},

    // Long sequences and strings end on their last byte, whatever came.
    {{"\x1B[" + k40 + ";5A"}, E}, {{"\x1B[" + std::string(5000, ';') + "~"}, E},
    {{"\x1BO" + k40 + "P"}, E}, {{"\x1B[" + k40}, W}, {{"\x1B[" + k40, "", "x"}, E},
    {{"\x1B[?" + k40 + ";" + k40 + "cx"}, E}, {{"\x1B[" + k40 + ";1:3Ax"}, E},
    {{"\x1B]" + std::string(5000, 'a') + "\x07x"}, E},
};
// clang-format on

TEST(TerminalKeysTest, EachRowEndsTheWaitWhereItShould) {
  for (const Row& row : kRows) {
    EXPECT_EQ(StepsLeftWhenTheWaitEnds(row.input), row.expected)
        << testing::PrintToString(row.input);
  }
}

// Every byte but ESC is a key, alone or with Alt, unless it begins a
// character or, after ESC, a sequence.
TEST(TerminalKeysTest, EveryByteAloneOrWithAlt) {
  const std::string introducers = "\x1B[O]P_";
  for (int value = 0; value < 256; ++value) {
    const std::string byte(1, static_cast<char>(value));
    const bool lead = value >= 0xC0 && value <= 0xF7;
    EXPECT_EQ(StepsLeftWhenTheWaitEnds({byte}), value == 0x1B || lead ? kWaits : kEnds) << value;
    if (introducers.find(byte) != std::string::npos) continue;
    EXPECT_EQ(StepsLeftWhenTheWaitEnds({"\x1B" + byte}), lead ? kWaits : kEnds) << value;
  }
}

// The key strings of a terminal's terminfo entry, as infocmp writes them,
// unescaped; the mouse and focus entries start reports, not keys.
std::vector<std::string> TerminfoKeys(const std::string& terminal) {
  std::vector<std::string> keys;
  std::FILE* entry = ::popen(("infocmp -1 -x -q " + terminal + " 2>/dev/null").c_str(), "r");
  if (entry == nullptr) return keys;
  char line[512];
  while (std::fgets(line, sizeof line, entry) != nullptr) {
    const std::string text(line);
    const std::size_t equals = text.find('=');
    if (text.rfind("\tk", 0) != 0 || equals == std::string::npos) continue;
    const std::string name = text.substr(1, equals - 1);
    if (name == "kmous" || name == "kxIN" || name == "kxOUT") continue;
    std::string key;
    for (std::size_t i = equals + 1; i + 2 < text.size(); ++i) {  // up to ",\n"
      const char c = text[i];
      if (c == '^') {
        key += static_cast<char>(text[++i] == '?' ? 0x7F : text[i] & 0x1F);
      } else if (c != '\\') {
        key += c;
      } else if (text[++i] == 'E' || text[i] == 'e') {
        key += '\x1B';
      } else {
        key += text[i];  // \^ \\ \, \:
      }
    }
    keys.push_back(key);
  }
  ::pclose(entry);
  return keys;
}

TEST(TerminalKeysTest, EveryKeyOfTheCommonTerminalsEndsTheWaitOnItsLastByte) {
  int terminals = 0;
  for (const char* terminal :
       {"xterm-256color", "tmux-256color",  "screen-256color", "linux",          "rxvt",
        "rxvt-unicode",   "Eterm",          "vte-256color",    "gnome-256color", "konsole-256color",
        "kitty",          "putty-256color", "st-256color",     "alacritty",      "foot",
        "iterm2",         "mintty",         "mlterm",          "xterm-direct",   "terminology",
        "ms-terminal",    "Apple_Terminal", "cygwin"}) {
    const std::vector<std::string> keys = TerminfoKeys(terminal);
    terminals += keys.empty() ? 0 : 1;
    for (const std::string& key : keys) {
      EXPECT_EQ(StepsLeftWhenTheWaitEnds({key}), kEnds)
          << terminal << " " << testing::PrintToString(key);
    }
  }
  if (terminals == 0) GTEST_SKIP() << "no terminfo entries here, or no infocmp";
}

TEST(TerminalKeysTest, RandomStreamsKeepThePromises) {
  static const std::string kInteresting = "\x1B\x1B\x1B[[O]P_;;:0123456789~$^@uAMRZa\x07\\?<\r";
  std::mt19937 random(20240611);
  for (int stream = 0; stream < 4000; ++stream) {
    std::vector<std::uint8_t> bytes(random() % 80);
    std::vector<bool> pauses(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const unsigned pick = random() % 4;
      bytes[i] =
          static_cast<std::uint8_t>(pick == 0   ? random() % 256
                                    : pick == 1 ? 0x80 + random() % 0x78
                                                : kInteresting[random() % kInteresting.size()]);
      pauses[i] = random() % 8 == 0;
    }
    ASSERT_TRUE(KeyDecoderKeepsItsPromises(bytes.data(), bytes.size(),
                                           [&pauses](std::size_t i) { return pauses[i]; }))
        << "stream " << stream;
  }
}

}  // namespace
