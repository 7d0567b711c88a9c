#include "terminal_keys.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <random>
#include <string>
#include <vector>

// At file scope for argument-dependent lookup, static to keep them this file's.
static bool operator==(const KeyEvent& a, const KeyEvent& b) {
  return a.keyDown == b.keyDown && a.virtualKey == b.virtualKey && a.controlKeys == b.controlKeys &&
         a.character == b.character;
}

static void PrintTo(const KeyEvent& e, std::ostream* out) {
  char text[80];
  std::snprintf(text, sizeof text, "{%s vk=0x%02X keys=0x%03X char=U+%04X}",
                e.keyDown ? "down" : "up", static_cast<unsigned>(e.virtualKey),
                static_cast<unsigned>(e.controlKeys), static_cast<unsigned>(e.character));
  *out << text;
}

namespace {

using Events = std::vector<KeyEvent>;

constexpr std::uint32_t kShift = ShiftPressed;
constexpr std::uint32_t kCtrl = LeftCtrlPressed;
constexpr std::uint32_t kAlt = LeftAltPressed;
constexpr std::uint32_t kGrey = EnhancedKey;

KeyEvent Key(int virtualKey, std::uint32_t controlKeys = 0, std::uint32_t character = 0) {
  return KeyEvent{true, static_cast<std::uint16_t>(virtualKey), controlKeys, character};
}

KeyEvent Released(KeyEvent event) {
  event.keyDown = false;
  return event;
}

void Drain(TerminalKeyDecoder& decoder, Events& events) {
  KeyEvent event;
  while (decoder.Next(event)) events.push_back(event);
}

Events Decode(const std::string& bytes, bool timeoutAtEnd = false, unsigned char eraseByte = 0x7F) {
  TerminalKeyDecoder decoder(eraseByte);
  Events events;
  for (char byte : bytes) {
    decoder.Feed(static_cast<unsigned char>(byte));
    Drain(decoder, events);
  }
  if (timeoutAtEnd) decoder.Timeout();
  Drain(decoder, events);
  return events;
}

struct Case {
  std::string bytes;
  Events expected;
};

void ExpectDecoded(const std::vector<Case>& cases, bool timeoutAtEnd = false) {
  for (const Case& c : cases) {
    EXPECT_EQ(Decode(c.bytes, timeoutAtEnd), c.expected) << testing::PrintToString(c.bytes);
  }
}

// ---- Printable and control bytes -------------------------------------------

TEST(TerminalKeysBytes, PrintableOnAUsLayout) {
  ExpectDecoded({
      {"a", {Key('A', 0, 'a')}},
      {"z", {Key('Z', 0, 'z')}},
      {"Q", {Key('Q', kShift, 'Q')}},
      {"0", {Key('0', 0, '0')}},
      {"9", {Key('9', 0, '9')}},
      {"!", {Key('1', kShift, '!')}},
      {")", {Key('0', kShift, ')')}},
      {"(", {Key('9', kShift, '(')}},
      {"^", {Key('6', kShift, '^')}},
      {" ", {Key(VkSpace, 0, ' ')}},
      {"\\", {Key(VkBackslash, 0, '\\')}},
      {"|", {Key(VkBackslash, kShift, '|')}},
      {"?", {Key(VkSlash, kShift, '?')}},
      {"_", {Key(VkMinus, kShift, '_')}},
      {"+", {Key(VkEquals, kShift, '+')}},
      {"{", {Key(VkLeftBracket, kShift, '{')}},
      {"]", {Key(VkRightBracket, 0, ']')}},
      {":", {Key(VkSemicolon, kShift, ':')}},
      {"'", {Key(VkApostrophe, 0, '\'')}},
      {"\"", {Key(VkApostrophe, kShift, '"')}},
      {"<", {Key(VkComma, kShift, '<')}},
      {".", {Key(VkPeriod, 0, '.')}},
      {"`", {Key(VkGrave, 0, '`')}},
      {"~", {Key(VkGrave, kShift, '~')}},
  });
}

TEST(TerminalKeysBytes, EveryPrintableByteNamesAKeyAndTypesItself) {
  for (int byte = 0x20; byte <= 0x7E; ++byte) {
    const Events events = Decode(std::string(1, static_cast<char>(byte)));
    ASSERT_EQ(events.size(), 1u) << byte;
    EXPECT_NE(events[0].virtualKey, VkNone) << byte;
    EXPECT_EQ(events[0].character, static_cast<std::uint32_t>(byte));
    EXPECT_EQ(events[0].controlKeys & ~kShift, 0u) << byte;
  }
}

TEST(TerminalKeysBytes, ControlBytes) {
  ExpectDecoded({
      {std::string(1, '\0'), {Key('2', kCtrl, 0)}},
      {"\x01", {Key('A', kCtrl, 0x01)}},
      {"\x03", {Key('C', kCtrl, 0x03)}},
      {"\t", {Key(VkTab, 0, '\t')}},
      {"\n", {Key('J', kCtrl, '\n')}},
      {"\r", {Key(VkEnter, 0, '\r')}},
      {"\x1A", {Key('Z', kCtrl, 0x1A)}},
      {"\x1C", {Key(VkBackslash, kCtrl, 0x1C)}},
      {"\x1D", {Key(VkRightBracket, kCtrl, 0x1D)}},
      {"\x1E", {Key('6', kCtrl, 0x1E)}},
      {"\x1F", {Key(VkMinus, kCtrl, 0x1F)}},
  });
}

TEST(TerminalKeysBytes, TheEraseByteIsBackspace) {
  const KeyEvent backspace = Key(VkBackspace, 0, 0x08);
  const struct {
    unsigned char erase;
    KeyEvent del, ctrlH;
  } cases[] = {
      {0x7F, backspace, Key('H', kCtrl, 0x08)},
      {0x08, Key(VkBackspace, kCtrl, 0x7F), backspace},
      {0x00, backspace, Key('H', kCtrl, 0x08)},  // erase disabled
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Decode("\x7F", false, c.erase), Events{c.del}) << int{c.erase};
    EXPECT_EQ(Decode("\x08", false, c.erase), Events{c.ctrlH}) << int{c.erase};
  }
}

// ---- UTF-8 -----------------------------------------------------------------

TEST(TerminalKeysUtf8, Characters) {
  ExpectDecoded({
      {"\xC2\x80", {Key(VkNone, 0, 0x80)}},
      {"\xC3\xA9", {Key(VkNone, 0, 0xE9)}},
      {"\xE2\x82\xAC", {Key(VkNone, 0, 0x20AC)}},
      {"\xF0\x9F\x98\x80", {Key(VkNone, 0, 0x1F600)}},
      {"\xF4\x8F\xBF\xBF", {Key(VkNone, 0, 0x10FFFF)}},
  });
}

TEST(TerminalKeysUtf8, MalformedIsOneReplacementAndTheBreakingByteCounts) {
  const KeyEvent bad = Key(VkNone, 0, 0xFFFD);
  ExpectDecoded({
      {"\xC3"
       "a",
       {bad, Key('A', 0, 'a')}},  // bad continuation
      {"\xE2\x82\r", {bad, Key(VkEnter, 0, '\r')}},
      {"\xC0\x80", {bad}},  // overlong
      {"\xE0\x80\x80", {bad}},
      {"\xF0\x8F\xBF\xBF", {bad}},
      {"\xED\xA0\x80", {bad}},      // surrogate
      {"\xF4\x90\x80\x80", {bad}},  // past U+10FFFF
      {"\x80", {bad}},              // stray continuation
      {"\xF8", {bad}},
      {"\xFF"
       "a",
       {bad, Key('A', 0, 'a')}},
  });
  EXPECT_EQ(Decode("\xF0\x9F\x98", true), Events{bad});  // cut short
  EXPECT_EQ(Decode("\xC3\x1B", true), (Events{bad, Key(VkEscape, 0, 0x1B)}));
}

// ---- ESC, Alt and quiet input -----------------------------------------------

TEST(TerminalKeysEscape, EscapeBeforeAKeyIsAlt) {
  ExpectDecoded({
      {"\x1B"
       "ab",
       {Key('A', kAlt, 'a'), Key('B', 0, 'b')}},
      {"\x1B"
       "A",
       {Key('A', kAlt | kShift, 'A')}},
      {"\x1B\r", {Key(VkEnter, kAlt, '\r')}},
      {"\x1B\x7F", {Key(VkBackspace, kAlt, 0x08)}},
      {"\x1B\x03", {Key('C', kAlt | kCtrl, 0x03)}},
      {"\x1B\xC3\xA9", {Key(VkNone, kAlt, 0xE9)}},
      {"\x1B\x80", {Key(VkNone, kAlt, 0xFFFD)}},
      {"\x1B\x1B"
       "a",
       {Key(VkEscape, kAlt, 0x1B), Key('A', 0, 'a')}},
      {"\x1B\x1B[A", {Key(VkUp, kGrey | kAlt)}},
      {"\x1B\x1BOB", {Key(VkDown, kGrey | kAlt)}},
      {"\x1B\x1B[1;5C", {Key(VkRight, kGrey | kAlt | kCtrl)}},
      {"\x1B\x1B\x1B[D", {Key(VkEscape, kAlt, 0x1B), Key(VkLeft, kGrey)}},
  });
}

TEST(TerminalKeysEscape, QuietInputFinishesWhatWasTyped) {
  ExpectDecoded(
      {
          {"", {}},
          {"\x1B", {Key(VkEscape, 0, 0x1B)}},
          {"\x1B\x1B", {Key(VkEscape, kAlt, 0x1B)}},
          {"\x1B[", {Key(VkLeftBracket, kAlt, '[')}},
          {"\x1B\x1B[", {Key(VkLeftBracket, kAlt, '[')}},
          {"\x1BO", {Key('O', kAlt | kShift, 'O')}},
          {"\x1B]", {Key(VkRightBracket, kAlt, ']')}},
          {"\x1BP", {Key('P', kAlt | kShift, 'P')}},
          {"\x1B_", {Key(VkMinus, kAlt | kShift, '_')}},
          {"\x1B[1;", {}},
          {"\x1BO5", {}},
          {"\x1B[[", {}},
          {"\x1B]11;?", {}},
      },
      true);
}

TEST(TerminalKeysEscape, AKeyThatCannotContinueASequenceEndsItAndCounts) {
  ExpectDecoded({
      {"\x1B[\x03", {Key(VkLeftBracket, kAlt, '['), Key('C', kCtrl, 0x03)}},
      {"\x1BO\r", {Key('O', kAlt | kShift, 'O'), Key(VkEnter, 0, '\r')}},
      {"\x1B[1;\x03", {Key('C', kCtrl, 0x03)}},
      {"\x1B[1\xC3\xA9", {Key(VkNone, 0, 0xE9)}},
  });
  EXPECT_EQ(Decode("\x1B[1\x1B", true), Events{Key(VkEscape, 0, 0x1B)});
}

TEST(TerminalKeysEscape, EscapeNeverSwallowsTheNextKey) {
  TerminalKeyDecoder decoder(0x7F);
  KeyEvent event;
  decoder.Feed(0x1B);
  EXPECT_TRUE(decoder.InSequence());
  EXPECT_FALSE(decoder.Next(event));
  decoder.Timeout();
  EXPECT_FALSE(decoder.InSequence());
  decoder.Feed('a');
  decoder.Timeout();  // not in a sequence: nothing to do
  Events events;
  Drain(decoder, events);
  EXPECT_EQ(events, (Events{Key(VkEscape, 0, 0x1B), Key('A', 0, 'a')}));
}

// ---- CSI and SS3, per terminal family ---------------------------------------

TEST(TerminalKeysSequences, XtermCursorAndFunctionKeys) {
  ExpectDecoded({
      {"\x1B[A", {Key(VkUp, kGrey)}},
      {"\x1B[B", {Key(VkDown, kGrey)}},
      {"\x1B[C", {Key(VkRight, kGrey)}},
      {"\x1B[D", {Key(VkLeft, kGrey)}},
      {"\x1B[H", {Key(VkHome, kGrey)}},
      {"\x1B[F", {Key(VkEnd, kGrey)}},
      {"\x1BOA", {Key(VkUp, kGrey)}},
      {"\x1BOH", {Key(VkHome, kGrey)}},
      {"\x1BOF", {Key(VkEnd, kGrey)}},
      {"\x1B[E", {Key(VkClear)}},
      {"\x1BOE", {Key(VkClear)}},
      {"\x1BOP", {Key(VkF1)}},
      {"\x1BOS", {Key(VkF1 + 3)}},
      {"\x1B[Z", {Key(VkTab, kShift, '\t')}},
      {"\x1B[1;2P", {Key(VkF1, kShift)}},
      {"\x1B[1;5R", {Key(VkF1 + 2, kCtrl)}},
      {"\x1B[1;1R", {Key(VkF1 + 2)}},
      {"\x1B[1A", {Key(VkUp, kGrey)}},
  });
}

TEST(TerminalKeysSequences, XtermTildeNumbers) {
  const struct {
    const char* number;
    int key;
    std::uint32_t keys;
  } cases[] = {
      {"1", VkHome, kGrey},     {"2", VkInsert, kGrey},   {"3", VkDelete, kGrey},
      {"4", VkEnd, kGrey},      {"5", VkPageUp, kGrey},   {"6", VkPageDown, kGrey},
      {"7", VkHome, kGrey},     {"8", VkEnd, kGrey},      {"11", VkF1, 0},
      {"15", VkF1 + 4, 0},      {"17", VkF1 + 5, 0},      {"21", VkF1 + 9, 0},
      {"23", VkF1 + 10, 0},     {"24", VkF12, 0},         {"25", VkF1 + 2, kShift},
      {"26", VkF1 + 3, kShift}, {"28", VkF1 + 4, kShift}, {"29", VkF1 + 5, kShift},
      {"31", VkF1 + 6, kShift}, {"34", VkF1 + 9, kShift},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Decode(std::string("\x1B[") + c.number + "~"), Events{Key(c.key, c.keys)})
        << c.number;
  }
  for (const char* unknown : {"0", "9", "10", "16", "22", "27", "30", "35", "4294967297"}) {
    EXPECT_EQ(Decode(std::string("\x1B[") + unknown + "~x"), Events{Key('X', 0, 'x')}) << unknown;
  }
}

TEST(TerminalKeysSequences, XtermModifierParameter) {
  ExpectDecoded({
      {"\x1B[1;2A", {Key(VkUp, kGrey | kShift)}},
      {"\x1B[1;3A", {Key(VkUp, kGrey | kAlt)}},
      {"\x1B[1;5A", {Key(VkUp, kGrey | kCtrl)}},
      {"\x1B[1;8A", {Key(VkUp, kGrey | kShift | kAlt | kCtrl)}},
      {"\x1B[;5A", {Key(VkUp, kGrey | kCtrl)}},
      {"\x1B[1;33A", {Key(VkUp, kGrey | kAlt)}},  // Meta
      {"\x1B[1;9A", {Key(VkUp, kGrey)}},          // Super
      {"\x1B[1;65A", {Key(VkUp, kGrey | CapsLockOn)}},
      {"\x1B[1;129A", {Key(VkUp, kGrey | NumLockOn)}},
      {"\x1B[5;5~", {Key(VkPageUp, kGrey | kCtrl)}},
      {"\x1BO5A", {Key(VkUp, kGrey | kCtrl)}},
      {"\x1BO1;2P", {Key(VkF1, kShift)}},
      {"\x1B[1;1:3A", {Released(Key(VkUp, kGrey))}},
      {"\x1B[1;5:2A", {Key(VkUp, kGrey | kCtrl)}},
      {"\x1B[3;1:3~", {Released(Key(VkDelete, kGrey))}},
  });
}

TEST(TerminalKeysSequences, RxvtFinals) {
  ExpectDecoded({
      {"\x1B[3$", {Key(VkDelete, kGrey | kShift)}},
      {"\x1B[11^", {Key(VkF1, kCtrl)}},
      {"\x1B[5@", {Key(VkPageUp, kGrey | kCtrl | kShift)}},
      {"\x1B[25$", {Key(VkF1 + 2, kShift)}},
      {"\x1B[34^", {Key(VkF1 + 9, kShift | kCtrl)}},
      {"\x1B[a", {Key(VkUp, kGrey | kShift)}},
      {"\x1B[d", {Key(VkLeft, kGrey | kShift)}},
      {"\x1BOb", {Key(VkDown, kGrey | kCtrl)}},
      {"\x1BOc", {Key(VkRight, kGrey | kCtrl)}},
  });
}

TEST(TerminalKeysSequences, LinuxConsoleFunctionKeys) {
  ExpectDecoded({
      {"\x1B[[A", {Key(VkF1)}},
      {"\x1B[[E", {Key(VkF1 + 4)}},
      {"\x1B[[Fx", {Key('X', 0, 'x')}},
  });
}

TEST(TerminalKeysSequences, KeypadApplicationMode) {
  const std::string finals = "pqrstuvwxyjkmnoMXl";
  const KeyEvent keys[] = {
      Key(VkNumpad0, 0, '0'),     Key(VkNumpad0 + 1, 0, '1'), Key(VkNumpad0 + 2, 0, '2'),
      Key(VkNumpad0 + 3, 0, '3'), Key(VkNumpad0 + 4, 0, '4'), Key(VkNumpad0 + 5, 0, '5'),
      Key(VkNumpad0 + 6, 0, '6'), Key(VkNumpad0 + 7, 0, '7'), Key(VkNumpad0 + 8, 0, '8'),
      Key(VkNumpad0 + 9, 0, '9'), Key(VkMultiply, 0, '*'),    Key(VkAdd, 0, '+'),
      Key(VkSubtract, 0, '-'),    Key(VkDecimal, 0, '.'),     Key(VkDivide, 0, '/'),
      Key(VkEnter, 0, '\r'),      Key(VkEquals, 0, '='),      Key(VkAdd, 0, '+'),
  };
  for (std::size_t i = 0; i < finals.size(); ++i) {
    EXPECT_EQ(Decode(std::string("\x1BO") + finals[i]), Events{keys[i]}) << finals[i];
  }
}

// ---- Extended key reporting --------------------------------------------------

TEST(TerminalKeysExtended, CsiU) {
  ExpectDecoded({
      {"\x1B[97u", {Key('A', 0, 'a')}},
      {"\x1B[97;2u", {Key('A', kShift, 'A')}},
      {"\x1B[97;3u", {Key('A', kAlt, 'a')}},
      {"\x1B[97;5u", {Key('A', kCtrl, 0x01)}},
      {"\x1B[97;6u", {Key('A', kCtrl | kShift, 0x01)}},
      {"\x1B[97:65;2u", {Key('A', kShift, 'A')}},
      {"\x1B[97;2;65u", {Key('A', kShift, 'A')}},
      {"\x1B[49;5u", {Key('1', kCtrl, '1')}},
      {"\x1B[9;2u", {Key(VkTab, kShift, '\t')}},
      {"\x1B[13u", {Key(VkEnter, 0, '\r')}},
      {"\x1B[27u", {Key(VkEscape, 0, 0x1B)}},
      {"\x1B[127u", {Key(VkBackspace, 0, 0x08)}},
      {"\x1B[127;5u", {Key(VkBackspace, kCtrl, 0x7F)}},
      {"\x1B[233u", {Key(VkNone, 0, 0xE9)}},
      {"\x1B[97;1:2u", {Key('A', 0, 'a')}},
      {"\x1B[97;1:3u", {Released(Key('A', 0, 'a'))}},
  });
}

TEST(TerminalKeysExtended, FunctionalKeysInThePrivateUseArea) {
  ExpectDecoded({
      {"\x1B[57399u", {Key(VkNumpad0, 0, '0')}},
      {"\x1B[57408u", {Key(VkNumpad0 + 9, 0, '9')}},
      {"\x1B[57409u", {Key(VkDecimal, 0, '.')}},
      {"\x1B[57410u", {Key(VkDivide, 0, '/')}},
      {"\x1B[57411u", {Key(VkMultiply, 0, '*')}},
      {"\x1B[57412u", {Key(VkSubtract, 0, '-')}},
      {"\x1B[57413u", {Key(VkAdd, 0, '+')}},
      {"\x1B[57414u", {Key(VkEnter, 0, '\r')}},
      {"\x1B[57441;2u", {Key(VkShift, kShift)}},
      {"\x1B[57447;2:3u", {Released(Key(VkShift, kShift))}},
      {"\x1B[57442;5u", {Key(VkControl, kCtrl)}},
      {"\x1B[57448u", {Key(VkControl)}},
      {"\x1B[57443;3u", {Key(VkAlt, kAlt)}},
      {"\x1B[57449u", {Key(VkAlt)}},
      {"\x1B[57358u", {Key(VkCapsLock)}},
      {"\x1B[57359u", {Key(VkScrollLock)}},
      {"\x1B[57360u", {Key(VkNumLock)}},
      {"\x1B[57362u", {Key(VkPause)}},
      {"\x1B[57376u", {Key(VkNone)}},
      {"\x1B[57415u", {Key(VkNone)}},
  });
}

TEST(TerminalKeysExtended, ModifyOtherKeys) {
  ExpectDecoded({
      {"\x1B[27;5;13~", {Key(VkEnter, kCtrl, '\r')}},
      {"\x1B[27;2;33~", {Key('1', kShift, '!')}},
      {"\x1B[27;5;97~", {Key('A', kCtrl, 0x01)}},
      {"\x1B[27;1:3;97~", {Released(Key('A', 0, 'a'))}},
  });
}

TEST(TerminalKeysExtended, MalformedIsDropped) {
  for (const char* bytes : {"\x1B[u", "\x1B[55296u", "\x1B[1114112u", "\x1B[97;1:4u",
                            "\x1B[97;258u", "\x1B[97;1;2;3u", "\x1B[97;1;2;3;4u", "\x1B[27;5~"}) {
    EXPECT_EQ(Decode(std::string(bytes) + "x"), Events{Key('X', 0, 'x')})
        << testing::PrintToString(std::string(bytes));
  }
}

// ---- What nobody typed ---------------------------------------------------------

TEST(TerminalKeysDropped, RepliesFocusPasteAndUnknownSequences) {
  const char* dropped[] = {
      "\x1B[?1;2c",
      "\x1B[?62c",
      "\x1B[>41;390;0c",
      "\x1B[<0;12;3M",
      "\x1B[<0;12;3m",
      "\x1B[12;40R",
      "\x1B[2;1R",
      "\x1B[I",
      "\x1B[O",
      "\x1B[200~",
      "\x1B[201~",
      "\x1B[5A",
      "\x1B[1;2;3A",
      "\x1B[2 q",
      "\x1B[1;2$y",
      "\x1B[?2026;2$y",
      "\x1BOZ",
      "\x1B\x1B[I",
      "\x1B\x1B[?1;2c",
      "\x1B]11;rgb:0000/0000/0000\x07",
      "\x1B]11;rgb:ffff/ffff/ffff\x1B\\",
      "\x1BP1$r0m\x1B\\",
      "\x1B_Gi=1;OK\x1B\\",
  };
  for (const char* bytes : dropped) {
    const std::string sequence(bytes);
    const std::string shown = testing::PrintToString(sequence);
    EXPECT_EQ(Decode(sequence + "x"), Events{Key('X', 0, 'x')}) << shown;
    EXPECT_EQ(Decode(sequence, true), Events{}) << shown;
  }
  // A string cut by ESC and a key: the key is typed.
  EXPECT_EQ(Decode("\x1B]11;\x1Bx"), Events{Key('X', kAlt, 'x')});
}

TEST(TerminalKeysDropped, SequencesPastThirtyTwoBytes) {
  const std::string padded = "\x1B[" + std::string(26, '0') + "1;5A";  // 32 bytes
  ASSERT_EQ(padded.size(), 32u);
  EXPECT_EQ(Decode(padded), Events{Key(VkUp, kGrey | kCtrl)});

  const std::string tooLong = "\x1B[" + std::string(27, '0') + "1;5A";
  EXPECT_EQ(Decode(tooLong + "x"), Events{Key('X', 0, 'x')});
  EXPECT_EQ(Decode("\x1BO" + std::string(40, '1') + "Px"), Events{Key('X', 0, 'x')});
  EXPECT_EQ(Decode("\x1B[" + std::string(5000, ';') + "~x"), Events{Key('X', 0, 'x')});

  EXPECT_EQ(Decode("\x1B[" + std::string(40, '1'), true), Events{});
  EXPECT_EQ(Decode("\x1B[" + std::string(40, '1') + "\x03"), Events{Key('C', kCtrl, 0x03)});
}

// ---- The queue and the invariants over any input ------------------------------

TEST(TerminalKeysQueue, KeepsTheOldestWhenNotTakenInTime) {
  TerminalKeyDecoder decoder(0x7F);
  for (int round = 0; round < 3; ++round) {
    for (char byte : std::string("abcdefghijklmnop")) {
      decoder.Feed(static_cast<unsigned char>(byte));
    }
    Events events;
    Drain(decoder, events);
    ASSERT_GE(events.size(), 4u);
    for (std::size_t i = 0; i < events.size(); ++i) {
      EXPECT_EQ(events[i], Key('A' + static_cast<int>(i), 0, 'a' + static_cast<std::uint32_t>(i)));
    }
  }
}

bool IsValidCharacter(std::uint32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

// Bytes that steer the decoder into its states more often than chance would.
unsigned char RandomByte(std::mt19937& random) {
  static const std::string kInteresting = "\x1B\x1B\x1B[[O]P_;;:0123456789~$^@uAZa\x07\\?<\r\x7F";
  const unsigned pick = random() % 4;
  if (pick == 0) return static_cast<unsigned char>(random() % 256);
  if (pick == 1) return static_cast<unsigned char>(0x80 + random() % 0x78);
  return static_cast<unsigned char>(kInteresting[random() % kInteresting.size()]);
}

TEST(TerminalKeysProperty, RandomStreamsKeepTheInvariants) {
  std::mt19937 random(20240611);
  for (int stream = 0; stream < 4000; ++stream) {
    TerminalKeyDecoder decoder(stream % 2 == 0 ? 0x7F : 0x08);
    Events events;
    const unsigned length = random() % 80;
    for (unsigned i = 0; i < length; ++i) {
      decoder.Feed(RandomByte(random));
      if (random() % 8 == 0) decoder.Timeout();
      Drain(decoder, events);
    }
    decoder.Timeout();
    Drain(decoder, events);
    ASSERT_FALSE(decoder.InSequence()) << "stream " << stream;
    for (const KeyEvent& e : events) {
      ASSERT_LE(e.virtualKey, 0xFF) << "stream " << stream;
      ASSERT_TRUE(IsValidCharacter(e.character)) << "stream " << stream;
    }
    // Whatever came before, Escape and a key after it come out as typed.
    events.clear();
    decoder.Feed(0x1B);
    decoder.Timeout();
    decoder.Feed('q');
    Drain(decoder, events);
    ASSERT_EQ(events, (Events{Key(VkEscape, 0, 0x1B), Key('Q', 0, 'q')})) << "stream " << stream;
  }
}

}  // namespace
