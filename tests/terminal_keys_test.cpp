#include "terminal_keys.hpp"

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

// Counts a step for each byte and each pause: the step on which the wait
// ends, or 0 when it goes on.
int WhereTheWaitEnds(const Input& input) {
  TerminalKeyDecoder decoder;
  int step = 0;
  for (std::size_t i = 0; i < input.size(); ++i) {
    if (i > 0 && (++step, decoder.InUnit()) && decoder.Quiet()) return step;
    for (char byte : input[i]) {
      if (++step, decoder.Feed(static_cast<unsigned char>(byte))) return step;
    }
  }
  return 0;
}

int Steps(const Input& input) {
  int steps = static_cast<int>(input.size()) - 1;
  for (const std::string& piece : input) steps += static_cast<int>(piece.size());
  return steps;
}

// A key press ends the wait on the last byte or pause and not before it;
// the rest are no key presses, or not yet whole.
enum Expected { kWaits, kEnds };
struct Row {
  Input input;
  Expected expected;
};

const std::string k40 = std::string(40, '1');

const Row kRows[] = {
    // Bytes and characters; Escape before one is Alt.
    {{"a"}, kEnds},
    {{"\r"}, kEnds},
    {{"\x7F"}, kEnds},
    {{std::string(1, '\0')}, kEnds},
    {{"\xC3\xA9"}, kEnds},
    {{"\xE2\x82\xAC"}, kEnds},
    {{"\xF0\x9F\x98\x80"}, kEnds},
    {{"\xF0\x9F\x98"}, kWaits},
    {{"\xF0\x9F\x98", ""}, kEnds},
    {{"\xC3"
      "a"},
     kEnds},
    {{"\xC3\x1B"}, kEnds},
    {{"\x80"}, kEnds},
    {{"\xFF"}, kEnds},
    {{"\x1B"
      "a"},
     kEnds},
    {{"\x1B\r"}, kEnds},
    {{"\x1B\xC3"}, kWaits},
    {{"\x1B\xC3\xA9"}, kEnds},

    // Escape, and what a pause makes of a sequence begun.
    {{"\x1B"}, kWaits},
    {{"\x1B", ""}, kEnds},
    {{"\x1B\x1B"}, kWaits},
    {{"\x1B\x1B", ""}, kEnds},
    {{"\x1B\x1B"
      "a"},
     kEnds},
    {{"\x1B[", ""}, kEnds},
    {{"\x1BO", ""}, kEnds},
    {{"\x1B]", ""}, kEnds},
    {{"\x1BP", ""}, kEnds},
    {{"\x1B_", ""}, kEnds},
    {{"\x1B\x1B[", ""}, kEnds},
    {{"\x1B[\x03"}, kEnds},
    {{"\x1B[1;5"}, kWaits},
    {{"\x1B[1;5", "", "z"}, kEnds},
    {{"\x1B[1;5\x03"}, kEnds},
    {{"\x1B[1;5\x1B", ""}, kEnds},
    {{"\x1B[[", "", "z"}, kEnds},
    {{"\x1BO5", "", "z"}, kEnds},

    // Cursor, editing, function and keypad keys, as each family sends them.
    {{"\x1B[A"}, kEnds},
    {{"\x1BOA"}, kEnds},
    {{"\x1B[1;5A"}, kEnds},
    {{"\x1B[;5A"}, kEnds},
    {{"\x1B[1A"}, kEnds},
    {{"\x1BO5A"}, kEnds},
    {{"\x1B[H"}, kEnds},
    {{"\x1B[E"}, kEnds},
    {{"\x1B[Z"}, kEnds},
    {{"\x1BOP"}, kEnds},
    {{"\x1B[1;2P"}, kEnds},
    {{"\x1B[1;5R"}, kEnds},
    {{"\x1B[11~"}, kEnds},
    {{"\x1B[24;2~"}, kEnds},
    {{"\x1B[3~"}, kEnds},
    {{"\x1BOp"}, kEnds},
    {{"\x1BOM"}, kEnds},
    {{"\x1BOl"}, kEnds},
    {{"\x1B[3$"}, kEnds},
    {{"\x1B[11^"}, kEnds},
    {{"\x1B[5@"}, kEnds},  // rxvt
    {{"\x1B[a"}, kEnds},
    {{"\x1BOb"}, kEnds},
    {{"\x1B\x1B[A"}, kEnds},
    {{"\x1B\x1BOB"}, kEnds},
    {{"\x1B[[A"}, kEnds},
    {{"\x1B[[E"}, kEnds},  // Linux console

    // Extended key reporting: presses and repeats, ends.
    {{"\x1B[97u"}, kEnds},
    {{"\x1B[97;5u"}, kEnds},
    {{"\x1B[97:65;2u"}, kEnds},
    {{"\x1B[97;2;65u"}, kEnds},
    {{"\x1B[97;1:1u"}, kEnds},
    {{"\x1B[97;1:2u"}, kEnds},
    {{"\x1B[1;5:2A"}, kEnds},
    {{"\x1B[57399u"}, kEnds},
    {{"\x1B[27;5;13~"}, kEnds},
    {{"\x1B[57362u"}, kEnds},
    {{"\x1B[57440u"}, kEnds},
    {{"\x1B[57455u"}, kEnds},
    {{"\x1B[57357u"}, kEnds},
    {{"\x1B[57361u"}, kEnds},
    {{"\x1B[27;2;57440~"}, kEnds},

    // Well formed, but known to nobody: a key of some terminal all the same.
    {{"\x1B[5A"}, kEnds},
    {{"\x1B[0~"}, kEnds},
    {{"\x1B[16~"}, kEnds},
    {{"\x1B[u"}, kEnds},
    {{"\x1B[57376u"}, kEnds},
    {{"\x1BOZ"}, kEnds},
    {{"\x1B[[F"}, kEnds},
    {{"\x1B[2 q"}, kEnds},
    {{"\x1B[1I"}, kEnds},

    // No key presses: each is followed by one that ends the wait.
    {{"\x1B[?1;2cx"}, kEnds},
    {{"\x1B[>41;390;0cx"}, kEnds},
    {{"\x1B[=1cx"}, kEnds},  // replies
    {{"\x1B[12;40Rx"}, kEnds},
    {{"\x1B[2;1Rx"}, kEnds},
    {{"\x1B\x1B[?1;2cx"}, kEnds},
    {{"\x1B[<0;12;3Mx"}, kEnds},
    {{"\x1B[<0;12;3mx"}, kEnds},
    {{"\x1B[32;12;3Mx"}, kEnds},
    {{"\x1B[M !!x"}, kEnds},
    {{"\x1B[M\xE0\xFF\x1Bx"}, kEnds},
    {{"\x1B[M !"}, kWaits},
    {{"\x1B[M", "", "x"}, kEnds},  // mouse reports
    {{"\x1B[Ix"}, kEnds},
    {{"\x1B[Ox"}, kEnds},
    {{"\x1B\x1B[Ix"}, kEnds},  // focus
    {{"\x1B[200~x"}, kEnds},
    {{"\x1B[201~x"}, kEnds},  // paste markers
    {{"\x1B[97;1:3ux"}, kEnds},
    {{"\x1B[97:65;2:3ux"}, kEnds},  // releases
    {{"\x1B[1;1:3Ax"}, kEnds},
    {{"\x1B[3;5:3~x"}, kEnds},
    {{"\x1BO1;1:3Px"}, kEnds},
    {{"\x1B[57441ux"}, kEnds},
    {{"\x1B[57441;2ux"}, kEnds},
    {{"\x1B[57448ux"}, kEnds},
    {{"\x1B[57454ux"}, kEnds},
    {{"\x1B[57358ux"}, kEnds},
    {{"\x1B[57360;129ux"}, kEnds},
    {{"\x1B[27;2;57441~x"}, kEnds},
    {{"\x1B[27;5;57360~x"}, kEnds},  // modifiers, locks
    {{"\x1B]11;rgb:0000/0000/0000\x07x"}, kEnds},
    {{"\x1B]11;rgb:ffff/ffff/ffff\x1B\\x"}, kEnds},
    {{"\x1BP1$r0m\x1B\\x"}, kEnds},
    {{"\x1B_Gi=1;OK\x1B\\x"}, kEnds},  // strings
    {{"\x1B]11;\x1Bx"}, kEnds},
    {{"\x1B]0;title", "", "x"}, kEnds},
    {{"\x1B]0;title"}, kWaits},

    // Long sequences and strings end on their last byte, whatever came.
    {{"\x1B[" + k40 + ";5A"}, kEnds},
    {{"\x1B[" + std::string(5000, ';') + "~"}, kEnds},
    {{"\x1BO" + k40 + "P"}, kEnds},
    {{"\x1B[" + k40}, kWaits},
    {{"\x1B[" + k40, "", "x"}, kEnds},
    {{"\x1B[?" + k40 + ";" + k40 + "cx"}, kEnds},
    {{"\x1B[" + k40 + ";1:3Ax"}, kEnds},
    {{"\x1B]" + std::string(5000, 'a') + "\x07x"}, kEnds},
};

TEST(TerminalKeysTest, EachRowEndsTheWaitWhereItShould) {
  for (const Row& row : kRows) {
    EXPECT_EQ(WhereTheWaitEnds(row.input), row.expected == kEnds ? Steps(row.input) : 0)
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
    EXPECT_EQ(WhereTheWaitEnds({byte}), value == 0x1B || lead ? 0 : 1) << value;
    if (introducers.find(byte) != std::string::npos) continue;
    EXPECT_EQ(WhereTheWaitEnds({"\x1B" + byte}), lead ? 0 : 2) << value;
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
      } else if (text[i] >= '0' && text[i] <= '7') {
        key += static_cast<char>(std::stoi(text.substr(i, 3), nullptr, 8));
        i += 2;
      } else {
        const std::string from = "nrtbfs", to = "\n\r\t\b\f ";
        const std::size_t at = from.find(text[i]);
        key += at == std::string::npos ? text[i] : to[at];
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
      EXPECT_EQ(WhereTheWaitEnds({key}), static_cast<int>(key.size()))
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
