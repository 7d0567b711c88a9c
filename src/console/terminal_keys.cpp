// What the decoder accepts. CSI is ESC [, SS3 is ESC O; "quiet" is Timeout().
//
//   input    := { key | dropped }
//   key      := byte-key
//             | ESC byte-key                 the key with Alt
//             | ESC quiet                    Escape
//             | ESC ESC quiet                Alt+Escape
//             | ESC ESC <other byte>         Alt+Escape, then that byte anew
//             | csi-key | ESC csi-key        the latter with Alt (rxvt)
//             | ss3-key | ESC ss3-key
//   byte-key := 20-7E                 printable, US layout: a-z 0-9 space as
//                                     is, A-Z and !@#$%^&*() with Shift, each
//                                     punctuation pair on its key
//             | 00 01-1A 1C-1F 7F     Ctrl+2, Ctrl+A..Z (but 09 Tab, 0D Enter),
//                                     Ctrl+\ Ctrl+] Ctrl+6 Ctrl+-; the erase
//                                     byte of 08/7F is Backspace, the other
//                                     Ctrl+H / Ctrl+Backspace
//             | C0-DF cont | E0-EF cont cont | F0-F7 cont cont cont
//                                     a character (cont = 80-BF); overlong,
//                                     surrogate, past U+10FFFF, stray or cut
//                                     short: one U+FFFD, and a byte that broke
//                                     it starts afresh
//   mods     := m [ ":" e ]           m-1 bits: 1 Shift, 2 Alt, 4 Ctrl, 32 Meta
//                                     (as Alt), 64 CapsLock, 128 NumLock;
//                                     e: 1 press, 2 repeat, 3 release
//   csi-key  := CSI [ "1" ] [ ";" mods ] letter
//                                     A B C D Up Down Right Left, H Home,
//                                     F End, E Clear (keypad 5), P Q R S
//                                     F1-F4, Z Shift+Tab
//             | CSI a|b|c|d           Shift+Up/Down/Right/Left (rxvt)
//             | CSI n [ ";" mods ] "~"
//                                     n: 1 Home, 2 Insert, 3 Delete, 4 End,
//                                     5 PageUp, 6 PageDown, 7 Home, 8 End,
//                                     11-15 F1-F5, 17-21 F6-F10, 23 24 F11
//                                     F12, 25 26 28 29 31-34 Shift+F3-F10
//                                     (Linux console and rxvt; a PC
//                                     keyboard has no F13-F20)
//             | CSI n ( "$" | "^" | "@" )
//                                     the same n with Shift / Ctrl /
//                                     Ctrl+Shift (rxvt)
//             | CSI "[" A|B|C|D|E     F1-F5 (Linux console)
//             | CSI code [ ":" alternates ] [ ";" mods [ ";" text ] ] "u"
//             | CSI "27;" mods ";" code "~"
//                                     code: ASCII as its byte (127
//                                     Backspace), 57399-57408 keypad 0-9,
//                                     57409-57414 keypad . / * - + Enter,
//                                     57441-57443 and 57447-57449 Shift Ctrl
//                                     Alt, 57358 CapsLock, 57359 ScrollLock,
//                                     57360 NumLock, 57362 Pause, other
//                                     private use: no key, else a character
//   ss3-key  := SS3 [ [ "1;" ] mods ] ( letter but Z | a|b|c|d | keypad )
//                                     a-d Ctrl+arrow (rxvt); keypad: p-y 0-9,
//                                     j * k + l + m - n . o / M Enter X =
//                                     (l is the VT100 keypad comma, sent
//                                     for the PC keypad's plus)
//
//   dropped  := CSI with < = > ? in it     terminal replies, SGR mouse
//             | CSI r ";" c R, r > 1       cursor position report
//             | CSI I | CSI O              focus in / out
//             | CSI 200~ | CSI 201~        bracketed paste markers
//             | any other CSI or SS3 up to its final byte (40-7E)
//             | ( ESC ] | ESC P | ESC _ ) <any byte> ... ( BEL | ESC \ )
//                                          OSC, DCS, APC strings; an ESC
//                                          without \ ends one and starts a key
//             | a CSI or SS3 past 32 bytes, up to its final byte or quiet
//
// Quiet input or a byte that cannot continue an open sequence ends it early:
// ESC [ alone is Alt+[, ESC O Alt+Shift+O, ESC ] / ESC P / ESC _ Alt+that
// key, a character cut short U+FFFD; anything longer is dropped.

#include "terminal_keys.hpp"

#include <iterator>

namespace {

constexpr unsigned char kBel = 0x07;
constexpr unsigned char kEsc = 0x1B;
constexpr std::uint32_t kReplacementCharacter = 0xFFFD;

bool IsFinal(unsigned char byte) { return byte >= 0x40 && byte <= 0x7E; }

// Parameter and intermediate bytes of a CSI or SS3 sequence.
bool IsSequenceBody(unsigned char byte) { return byte >= 0x20 && byte <= 0x3F; }

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// How many bytes a UTF-8 character with this lead has; 0 when none.
int Utf8Length(unsigned char lead) {
  if (lead >= 0xC0 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF7) return 4;
  return 0;
}

KeyEvent Key(unsigned virtualKey, std::uint32_t controlKeys = 0, std::uint32_t character = 0) {
  return KeyEvent{true, static_cast<std::uint16_t>(virtualKey), controlKeys, character};
}

KeyEvent KeyForAscii(unsigned char byte, unsigned char eraseByte);
KeyEvent Replacement() { return Key(VkNone, 0, kReplacementCharacter); }
bool IsValidCodePoint(std::uint32_t codePoint, int utf8Length);
bool DecodeCsi(unsigned char finalByte, const unsigned char* body, std::size_t length,
               KeyEvent& key);
bool DecodeSs3(unsigned char finalByte, const unsigned char* body, std::size_t length,
               KeyEvent& key);

}  // namespace

// ---- The state machine ----------------------------------------------------

TerminalKeyDecoder::TerminalKeyDecoder(unsigned char eraseByte) : eraseByte_(eraseByte) {}

void TerminalKeyDecoder::Feed(unsigned char byte) {
  switch (state_) {
    case State::Ground: return FeedGround(byte);
    case State::Escape: return FeedEscape(byte);
    case State::EscapeEscape: return FeedEscapeEscape(byte);
    case State::Csi:
    case State::Ss3: return FeedSequence(byte);
    case State::LinuxFunction: return FeedLinuxFunction(byte);
    case State::Utf8: return FeedUtf8(byte);
    case State::StringStart: return FeedStringStart(byte);
    case State::String: return FeedString(byte);
    case State::StringEscape: return FeedStringEscape(byte);
    case State::Discard: return FeedDiscard(byte);
  }
}

void TerminalKeyDecoder::Timeout() { CutShort(); }

bool TerminalKeyDecoder::InSequence() const { return state_ != State::Ground; }

bool TerminalKeyDecoder::Next(KeyEvent& event) {
  if (queueCount_ == 0) return false;
  event = queue_[queueHead_];
  queueHead_ = (queueHead_ + 1) % kQueueSize;
  --queueCount_;
  return true;
}

void TerminalKeyDecoder::FeedGround(unsigned char byte) {
  if (byte == kEsc) {
    state_ = State::Escape;
  } else if (byte < 0x80) {
    Emit(KeyForAscii(byte, eraseByte_));
  } else if (const int length = Utf8Length(byte)) {
    StartUtf8(byte, length);
  } else {
    Emit(Replacement());
  }
}

void TerminalKeyDecoder::FeedEscape(unsigned char byte) {
  switch (byte) {
    case kEsc: state_ = State::EscapeEscape; return;
    case '[': return StartSequence(State::Csi);
    case 'O': return StartSequence(State::Ss3);
    case ']':
    case 'P':
    case '_':
      introducer_ = byte;
      state_ = State::StringStart;
      return;
    default:
      alt_ = true;
      state_ = State::Ground;
      return FeedGround(byte);
  }
}

// rxvt sends Alt+arrow as ESC before the arrow's own sequence.
void TerminalKeyDecoder::FeedEscapeEscape(unsigned char byte) {
  if (byte == '[' || byte == 'O') {
    alt_ = true;
    return StartSequence(byte == '[' ? State::Csi : State::Ss3);
  }
  CutShort();
  FeedGround(byte);
}

void TerminalKeyDecoder::FeedSequence(unsigned char byte) {
  if (state_ == State::Csi && bodyLength_ == 0 && byte == '[') {
    state_ = State::LinuxFunction;
  } else if (EndsSequence(byte)) {
    FinishSequence(byte);
  } else if (!IsSequenceBody(byte)) {
    CutShort();
    FeedGround(byte);
  } else if (bodyLength_ == kMaxBody) {
    Reset();
    state_ = State::Discard;
  } else {
    body_[bodyLength_++] = byte;
  }
}

void TerminalKeyDecoder::FeedLinuxFunction(unsigned char byte) {
  if (!IsFinal(byte)) {
    CutShort();
    return FeedGround(byte);
  }
  if (byte >= 'A' && byte <= 'E') Emit(Key(VkF1 + (byte - 'A')));
  Reset();
}

void TerminalKeyDecoder::FeedUtf8(unsigned char byte) {
  if (!IsContinuation(byte)) {
    CutShort();
    return FeedGround(byte);
  }
  codePoint_ = (codePoint_ << 6) | (byte & 0x3Fu);
  if (--utf8Missing_ > 0) return;
  const bool valid = IsValidCodePoint(codePoint_, utf8Length_);
  Emit(valid ? Key(VkNone, 0, codePoint_) : Replacement());
  Reset();
}

// Whatever follows the introducer makes it a string: a reply to some query,
// which nobody typed.
void TerminalKeyDecoder::FeedStringStart(unsigned char byte) {
  state_ = State::String;
  FeedString(byte);
}

void TerminalKeyDecoder::FeedString(unsigned char byte) {
  if (byte == kBel) {
    Reset();
  } else if (byte == kEsc) {
    state_ = State::StringEscape;
  }
}

void TerminalKeyDecoder::FeedStringEscape(unsigned char byte) {
  Reset();
  if (byte == '\\') return;
  state_ = State::Escape;
  FeedEscape(byte);
}

void TerminalKeyDecoder::FeedDiscard(unsigned char byte) {
  if (IsSequenceBody(byte)) return;
  Reset();
  if (!IsFinal(byte)) FeedGround(byte);
}

void TerminalKeyDecoder::StartSequence(State state) {
  state_ = state;
  bodyLength_ = 0;
}

void TerminalKeyDecoder::StartUtf8(unsigned char lead, int length) {
  state_ = State::Utf8;
  utf8Length_ = length;
  utf8Missing_ = length - 1;
  codePoint_ = lead & (0x7Fu >> length);
}

// rxvt ends a key with $ (Shift), which elsewhere is an intermediate byte, as
// in the reply CSI 1;2$y; it only ever follows a lone number.
bool TerminalKeyDecoder::EndsSequence(unsigned char byte) const {
  if (IsFinal(byte)) return true;
  if (byte != '$' || state_ != State::Csi || bodyLength_ == 0) return false;
  for (std::size_t i = 0; i < bodyLength_; ++i) {
    if (body_[i] < '0' || body_[i] > '9') return false;
  }
  return true;
}

void TerminalKeyDecoder::FinishSequence(unsigned char finalByte) {
  KeyEvent key;
  const bool isKey = state_ == State::Csi ? DecodeCsi(finalByte, body_, bodyLength_, key)
                                          : DecodeSs3(finalByte, body_, bodyLength_, key);
  if (isKey) Emit(key);
  Reset();
}

// The input went quiet, or a byte came that cannot continue the sequence:
// what was typed so far is a key of its own only while it is short.
void TerminalKeyDecoder::CutShort() {
  switch (state_) {
    case State::Escape: Emit(KeyForAscii(kEsc, eraseByte_)); break;
    case State::EscapeEscape:
      alt_ = true;
      Emit(KeyForAscii(kEsc, eraseByte_));
      break;
    case State::Csi:
    case State::Ss3:
      if (bodyLength_ > 0) break;
      alt_ = true;
      Emit(KeyForAscii(state_ == State::Csi ? '[' : 'O', eraseByte_));
      break;
    case State::StringStart:
      alt_ = true;
      Emit(KeyForAscii(introducer_, eraseByte_));
      break;
    case State::Utf8: Emit(Replacement()); break;
    default: break;
  }
  Reset();
}

void TerminalKeyDecoder::Reset() {
  state_ = State::Ground;
  alt_ = false;
  bodyLength_ = 0;
}

// When the caller falls behind, the keys it has yet to take matter more than
// the ones still arriving.
void TerminalKeyDecoder::Emit(KeyEvent event) {
  if (alt_) event.controlKeys |= LeftAltPressed;
  alt_ = false;
  if (queueCount_ == kQueueSize) return;
  queue_[(queueHead_ + queueCount_) % kQueueSize] = event;
  ++queueCount_;
}

// ---- Keys of single bytes -------------------------------------------------

namespace {

KeyEvent Backspace() { return Key(VkBackspace, 0, 0x08); }

// A byte read and the terminal's erase byte are of one type by nature.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
KeyEvent KeyForControl(unsigned char byte, unsigned char eraseByte) {
  switch (byte) {
    case 0x00: return Key(VkDigit0 + 2, LeftCtrlPressed, 0);
    case '\t': return Key(VkTab, 0, byte);
    case '\r': return Key(VkEnter, 0, byte);
    case kEsc: return Key(VkEscape, 0, byte);
    case 0x1C: return Key(VkBackslash, LeftCtrlPressed, byte);
    case 0x1D: return Key(VkRightBracket, LeftCtrlPressed, byte);
    case 0x1E: return Key(VkDigit0 + 6, LeftCtrlPressed, byte);
    case 0x1F: return Key(VkMinus, LeftCtrlPressed, byte);
    case 0x7F:
      if (eraseByte == 0x08) return Key(VkBackspace, LeftCtrlPressed, byte);
      return Backspace();
    case 0x08:
      if (eraseByte == 0x08) return Backspace();
      break;
    default: break;
  }
  return Key(VkA + (byte - 1), LeftCtrlPressed, byte);
}

struct PunctuationKey {
  unsigned char plain;
  unsigned char shifted;
  VirtualKey virtualKey;
};

constexpr PunctuationKey kPunctuationKeys[] = {
    {'\\', '|', VkBackslash}, {'/', '?', VkSlash},       {'-', '_', VkMinus},
    {'=', '+', VkEquals},     {'[', '{', VkLeftBracket}, {']', '}', VkRightBracket},
    {';', ':', VkSemicolon},  {'\'', '"', VkApostrophe}, {',', '<', VkComma},
    {'.', '>', VkPeriod},     {'`', '~', VkGrave},
};

constexpr unsigned char kShiftedDigits[] = ")!@#$%^&*(";

KeyEvent KeyForPunctuation(unsigned char byte) {
  for (const PunctuationKey& key : kPunctuationKeys) {
    if (byte == key.plain) return Key(key.virtualKey, 0, byte);
    if (byte == key.shifted) return Key(key.virtualKey, ShiftPressed, byte);
  }
  for (unsigned digit = 0; digit < 10; ++digit) {
    if (byte == kShiftedDigits[digit]) {
      return Key(VkDigit0 + digit, ShiftPressed, byte);
    }
  }
  return Key(VkNone, 0, byte);
}

KeyEvent KeyForPrintable(unsigned char byte) {
  if (byte >= 'a' && byte <= 'z') return Key(VkA + (byte - 'a'), 0, byte);
  if (byte >= 'A' && byte <= 'Z') {
    return Key(VkA + (byte - 'A'), ShiftPressed, byte);
  }
  if (byte >= '0' && byte <= '9') return Key(VkDigit0 + (byte - '0'), 0, byte);
  if (byte == ' ') return Key(VkSpace, 0, byte);
  return KeyForPunctuation(byte);
}

KeyEvent KeyForAscii(unsigned char byte, unsigned char eraseByte) {
  if (byte < 0x20 || byte == 0x7F) return KeyForControl(byte, eraseByte);
  return KeyForPrintable(byte);
}

bool IsSurrogate(std::uint32_t codePoint) { return codePoint >= 0xD800 && codePoint <= 0xDFFF; }

bool IsValidCodePoint(std::uint32_t codePoint, int utf8Length) {
  static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  return codePoint >= kSmallest[utf8Length] && codePoint <= 0x10FFFF && !IsSurrogate(codePoint);
}

// ---- Keys of code points (CSI u, modifyOtherKeys) -------------------------

struct KeypadKey {
  unsigned char ss3Final;
  char character;
  VirtualKey virtualKey;
};

// In the order of the private-use codes 57399.. for the first 16.
constexpr KeypadKey kKeypadKeys[] = {
    {'p', '0', VkNumpad0},  {'q', '1', VkNumpad0},  {'r', '2', VkNumpad0}, {'s', '3', VkNumpad0},
    {'t', '4', VkNumpad0},  {'u', '5', VkNumpad0},  {'v', '6', VkNumpad0}, {'w', '7', VkNumpad0},
    {'x', '8', VkNumpad0},  {'y', '9', VkNumpad0},  {'n', '.', VkDecimal}, {'o', '/', VkDivide},
    {'j', '*', VkMultiply}, {'m', '-', VkSubtract}, {'k', '+', VkAdd},     {'M', '\r', VkEnter},
    {'X', '=', VkEquals},   {'l', '+', VkAdd},
};
constexpr std::uint32_t kFirstKeypadCode = 57399;
constexpr std::size_t kCodedKeypadKeys = 16;

KeyEvent KeyForKeypad(const KeypadKey& key) {
  const unsigned digit = key.virtualKey == VkNumpad0 ? key.character - '0' : 0;
  return Key(key.virtualKey + digit, 0, static_cast<unsigned char>(key.character));
}

struct CodedKey {
  std::uint32_t code;
  VirtualKey virtualKey;
};

constexpr CodedKey kCodedKeys[] = {
    {57441, VkShift},   {57447, VkShift}, {57442, VkControl},  {57448, VkControl},
    {57443, VkAlt},     {57449, VkAlt},   {57358, VkCapsLock}, {57359, VkScrollLock},
    {57360, VkNumLock}, {57362, VkPause},
};

bool IsPrivateUse(std::uint32_t codePoint) {
  return (codePoint >= 0xE000 && codePoint <= 0xF8FF) || codePoint >= 0xF0000;
}

KeyEvent KeyForPrivateUse(std::uint32_t code) {
  if (code >= kFirstKeypadCode && code < kFirstKeypadCode + kCodedKeypadKeys) {
    return KeyForKeypad(kKeypadKeys[code - kFirstKeypadCode]);
  }
  for (const CodedKey& key : kCodedKeys) {
    if (key.code == code) return Key(key.virtualKey);
  }
  return Key(VkNone);
}

// Such terminals send 127 for Backspace whatever the erase byte is.
bool KeyForCodePoint(std::uint32_t code, KeyEvent& key) {
  if (code > 0x10FFFF || IsSurrogate(code)) return false;
  if (code < 0x80) {
    key = KeyForAscii(static_cast<unsigned char>(code), 0x7F);
  } else if (IsPrivateUse(code)) {
    key = KeyForPrivateUse(code);
  } else {
    key = Key(VkNone, 0, code);
  }
  return true;
}

bool IsAsciiLetter(std::uint32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The code names the key, not what it typed: Shift and Ctrl change that.
std::uint32_t CharacterTyped(const KeyEvent& key) {
  std::uint32_t c = key.character;
  if ((key.controlKeys & ShiftPressed) && c >= 'a' && c <= 'z') c -= 'a' - 'A';
  if (!(key.controlKeys & LeftCtrlPressed)) return c;
  if (IsAsciiLetter(c)) return c & 0x1F;
  return key.virtualKey == VkBackspace ? 0x7F : c;
}

// ---- Parameters of CSI and SS3 sequences -----------------------------------

constexpr std::size_t kMaxParams = 4;
constexpr std::size_t kMaxSubParams = 3;
constexpr std::uint32_t kNumberCap = 0x110000;  // past every valid value

// "1;5:3" is two parameters, the second with a sub-parameter; empty ones are
// 0. Private markers and intermediate bytes make it no key's.
struct Params {
  std::size_t count = 0;
  std::uint32_t field[kMaxParams][kMaxSubParams] = {};
};

bool ParseParams(const unsigned char* body, std::size_t length, Params& params) {
  std::size_t param = 0;
  std::size_t sub = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned char byte = body[i];
    if (byte == ';') {
      if (++param == kMaxParams) return false;
      sub = 0;
    } else if (byte == ':') {
      ++sub;
    } else if (byte < '0' || byte > '9') {
      return false;
    } else if (sub < kMaxSubParams) {
      std::uint32_t& value = params.field[param][sub];
      value = value * 10 + (byte - '0');
      if (value > kNumberCap) value = kNumberCap;
    }
  }
  params.count = length == 0 ? 0 : param + 1;
  return true;
}

struct ModifierBit {
  std::uint32_t bit;
  std::uint32_t controlKey;
};

// Super and Hyper have no place in a Windows key record.
constexpr ModifierBit kModifierBits[] = {
    {1, ShiftPressed},    {2, LeftAltPressed}, {4, LeftCtrlPressed},
    {32, LeftAltPressed}, {64, CapsLockOn},    {128, NumLockOn},
};

constexpr std::uint32_t kReleaseEvent = 3;

// The modifier parameter at index, if present, with its event sub-parameter.
bool AddModifiers(const Params& params, std::size_t index, KeyEvent& key) {
  if (index >= params.count) return true;
  const std::uint32_t modifiers = params.field[index][0];
  const std::uint32_t event = params.field[index][1];
  if (modifiers > 256 || event > kReleaseEvent) return false;
  const std::uint32_t bits = modifiers == 0 ? 0 : modifiers - 1;
  for (const ModifierBit& modifier : kModifierBits) {
    if (bits & modifier.bit) key.controlKeys |= modifier.controlKey;
  }
  key.keyDown = event != kReleaseEvent;
  return true;
}

// ---- Keys of CSI and SS3 sequences -----------------------------------------

KeyEvent GreyKey(VirtualKey virtualKey) { return Key(virtualKey, EnhancedKey); }

constexpr VirtualKey kArrows[] = {VkUp, VkDown, VkRight, VkLeft};

bool KeyForKeypadFinal(unsigned char finalByte, KeyEvent& key) {
  for (const KeypadKey& keypad : kKeypadKeys) {
    if (keypad.ss3Final == finalByte) {
      key = KeyForKeypad(keypad);
      return true;
    }
  }
  return false;
}

bool KeyForLetter(unsigned char finalByte, bool ss3, KeyEvent& key) {
  if (finalByte >= 'A' && finalByte <= 'D') {
    key = GreyKey(kArrows[finalByte - 'A']);
  } else if (finalByte >= 'a' && finalByte <= 'd') {
    key = GreyKey(kArrows[finalByte - 'a']);
    key.controlKeys |= ss3 ? LeftCtrlPressed : ShiftPressed;
  } else if (finalByte == 'H' || finalByte == 'F') {
    key = GreyKey(finalByte == 'H' ? VkHome : VkEnd);
  } else if (finalByte == 'E') {
    key = Key(VkClear);
  } else if (finalByte >= 'P' && finalByte <= 'S') {
    key = Key(VkF1 + (finalByte - 'P'));
  } else if (finalByte == 'Z' && !ss3) {
    key = Key(VkTab, ShiftPressed, '\t');
  } else {
    return ss3 && KeyForKeypadFinal(finalByte, key);
  }
  return true;
}

// CSI 1;m A: the leading 1 holds a place, and any other number makes it
// something else (CSI 5;7R is where the cursor is). SS3 may carry m alone.
bool DecodeLetter(const Params& params, unsigned char finalByte, bool ss3, KeyEvent& key) {
  if (!KeyForLetter(finalByte, ss3, key)) return false;
  if (ss3 && params.count == 1) return AddModifiers(params, 0, key);
  if (params.count > 2 || params.field[0][0] > 1) return false;
  return AddModifiers(params, 1, key);
}

constexpr VirtualKey kEditingKeys[] = {VkHome,   VkInsert,   VkDelete, VkEnd,
                                       VkPageUp, VkPageDown, VkHome,   VkEnd};
constexpr std::uint32_t kFunctionKeyNumbers[] = {11, 12, 13, 14, 15, 17, 18, 19, 20, 21, 23, 24};
// What xterm would call F13 to F20 are F3 to F10 with Shift elsewhere.
constexpr std::uint32_t kShiftedFunctionKeyNumbers[] = {25, 26, 28, 29, 31, 32, 33, 34};
constexpr unsigned kFirstShiftedFunctionKey = 2;  // F3

bool KeyForNumber(std::uint32_t number, KeyEvent& key) {
  if (number >= 1 && number <= 8) {
    key = GreyKey(kEditingKeys[number - 1]);
    return true;
  }
  for (std::size_t i = 0; i < std::size(kFunctionKeyNumbers); ++i) {
    if (kFunctionKeyNumbers[i] == number) {
      key = Key(VkF1 + static_cast<unsigned>(i));
      return true;
    }
  }
  for (std::size_t i = 0; i < std::size(kShiftedFunctionKeyNumbers); ++i) {
    if (kShiftedFunctionKeyNumbers[i] == number) {
      key = Key(VkF1 + kFirstShiftedFunctionKey + static_cast<unsigned>(i), ShiftPressed);
      return true;
    }
  }
  return false;
}

bool DecodeCodePoint(const Params& params, std::size_t codeIndex, KeyEvent& key) {
  if (!KeyForCodePoint(params.field[codeIndex][0], key) || !AddModifiers(params, 1, key)) {
    return false;
  }
  key.character = CharacterTyped(key);
  return true;
}

constexpr std::uint32_t kModifyOtherKeys = 27;

bool DecodeTilde(const Params& params, KeyEvent& key) {
  if (params.count == 3 && params.field[0][0] == kModifyOtherKeys) {
    return DecodeCodePoint(params, 2, key);
  }
  return params.count <= 2 && KeyForNumber(params.field[0][0], key) && AddModifiers(params, 1, key);
}

bool DecodeRxvtTilde(const Params& params, std::uint32_t controlKeys, KeyEvent& key) {
  if (params.count != 1 || !KeyForNumber(params.field[0][0], key)) return false;
  key.controlKeys |= controlKeys;
  return true;
}

bool DecodeCsi(unsigned char finalByte, const unsigned char* body, std::size_t length,
               KeyEvent& key) {
  Params params;
  if (!ParseParams(body, length, params)) return false;
  switch (finalByte) {
    case '~': return DecodeTilde(params, key);
    case '$': return DecodeRxvtTilde(params, ShiftPressed, key);
    case '^': return DecodeRxvtTilde(params, LeftCtrlPressed, key);
    case '@': return DecodeRxvtTilde(params, LeftCtrlPressed | ShiftPressed, key);
    case 'u': return params.count >= 1 && params.count <= 3 && DecodeCodePoint(params, 0, key);
    default: return DecodeLetter(params, finalByte, false, key);
  }
}

bool DecodeSs3(unsigned char finalByte, const unsigned char* body, std::size_t length,
               KeyEvent& key) {
  Params params;
  return ParseParams(body, length, params) && DecodeLetter(params, finalByte, true, key);
}

}  // namespace
