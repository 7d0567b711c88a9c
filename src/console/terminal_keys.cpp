// What the decoder accepts, unit by unit. CSI is ESC [, SS3 is ESC O;
// "quiet" is Quiet(). A unit that is a key press ends the wait on its last
// byte; any unit not listed as no key press is one, known or not.
//
//   unit     := 00-7F but ESC               a key
//             | 80-BF | F8-FF              a stray byte: a key
//             | lead { cont }              a character: C0-DF with one cont,
//                                          E0-EF two, F0-F7 three (cont is
//                                          80-BF); cut short by quiet or by
//                                          another byte, a key all the same
//             | ESC quiet | ESC ESC quiet  Escape, Alt+Escape
//             | ESC ESC <other>            Alt+Escape, then that byte anew
//             | ESC unit                   a byte or character with Alt
//             | [ ESC ] CSI params final   the ESC before: Alt (rxvt)
//             | [ ESC ] SS3 params final
//             | CSI "[" final              F1-F5 (Linux console: A-E)
//             | CSI digits "$"             Shift+key (rxvt; its Ctrl ^ and
//                                          Ctrl+Shift @ are final bytes)
//             | CSI M byte byte byte       a mouse report (X10)
//             | ( ESC ] | ESC P | ESC _ ) { byte } ( BEL | ESC \ )
//                                          OSC, DCS, APC strings; an ESC
//                                          without \ ends one, and the unit
//                                          it starts counts
//   params   := { 20-3F }                  numbers split by ; and then by :
//   final    := 40-7E
//
// No key press, though complete:
//   CSI with < = > ? in params             terminal replies, SGR mouse reports
//   CSI r ; c R with r > 1                 cursor position report
//   CSI M ... and CSI params M             mouse reports (X10, urxvt)
//   CSI I | CSI O                          focus in, focus out
//   CSI 200 ~ | CSI 201 ~                  bracketed paste markers
//   CSI or SS3 k ; m:3 final               a key release (event type 3)
//   CSI k ... u | CSI 27 ; m ; k ~         k a modifier or lock key alone:
//                                          57441-57454 (Shift, Ctrl, Alt,
//                                          Super, Hyper, Meta, AltGr...),
//                                          57358-57360 (the three locks)
//
// Quiet input or a byte that cannot continue an open sequence ends it
// early: ESC [ alone is Alt+[, ESC O Alt+O, ESC ] / ESC P / ESC _ Alt+that
// key; anything longer is dropped, and that byte starts anew.

#include "terminal_keys.hpp"

#include <algorithm>

namespace {

constexpr unsigned char kBel = 0x07;
constexpr unsigned char kEsc = 0x1B;
constexpr std::uint32_t kNumberCap = 1000000;  // past every number a rule reads
constexpr std::uint32_t kReleaseEvent = 3;
constexpr std::uint32_t kModifyOtherKeys = 27;

bool IsFinal(unsigned char byte) { return byte >= 0x40 && byte <= 0x7E; }
bool IsParameter(unsigned char byte) { return byte >= 0x20 && byte <= 0x3F; }
bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }
bool IsDigit(unsigned char byte) { return byte >= '0' && byte <= '9'; }

// How many bytes a UTF-8 character with this lead has; 1 for any byte that
// is a unit by itself.
int Utf8Length(unsigned char lead) {
  if (lead >= 0xC0 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF7) return 4;
  return 1;
}

// The private-use codes of keys that are pressed with another key, or
// switch a mode, and type nothing of their own.
bool IsModifierOrLockCode(std::uint32_t code) {
  return (code >= 57441 && code <= 57454) || (code >= 57358 && code <= 57360);
}

}  // namespace

bool TerminalKeyDecoder::Feed(unsigned char byte) {
  switch (state_) {
    case State::Ground: return FeedGround(byte);
    case State::Escape: return FeedEscape(byte);
    case State::EscapeEscape:
      // rxvt sends Alt+arrow as ESC before the arrow's own sequence.
      if (byte == '[' || byte == 'O') {
        StartSequence(byte == '[' ? State::Csi : State::Ss3);
        return false;
      }
      state_ = State::Ground;
      FeedGround(byte);
      return true;
    case State::Csi:
    case State::Ss3: return FeedSequence(byte);
    case State::LinuxKey: state_ = State::Ground; return IsFinal(byte) || FeedGround(byte);
    case State::Mouse:
      if (--bytesMissing_ == 0) state_ = State::Ground;
      return false;
    case State::Utf8:
      if (!IsContinuation(byte)) {
        state_ = State::Ground;
        FeedGround(byte);
        return true;
      }
      if (--bytesMissing_ > 0) return false;
      state_ = State::Ground;
      return true;
    default: return FeedString(byte);
  }
}

bool TerminalKeyDecoder::Quiet() {
  const bool key = state_ == State::Escape || state_ == State::EscapeEscape ||
                   state_ == State::StringStart || state_ == State::Utf8 ||
                   ((state_ == State::Csi || state_ == State::Ss3) && empty_);
  state_ = State::Ground;
  return key;
}

bool TerminalKeyDecoder::FeedGround(unsigned char byte) {
  if (byte == kEsc) {
    state_ = State::Escape;
    return false;
  }
  bytesMissing_ = Utf8Length(byte) - 1;
  if (bytesMissing_ == 0) return true;
  state_ = State::Utf8;
  return false;
}

bool TerminalKeyDecoder::FeedEscape(unsigned char byte) {
  switch (byte) {
    case kEsc: state_ = State::EscapeEscape; return false;
    case '[': StartSequence(State::Csi); return false;
    case 'O': StartSequence(State::Ss3); return false;
    case ']':
    case 'P':
    case '_': state_ = State::StringStart; return false;
    default: state_ = State::Ground; return FeedGround(byte);
  }
}

// Whatever follows the introducer makes it a string: a reply to some query,
// which nobody typed.
bool TerminalKeyDecoder::FeedString(unsigned char byte) {
  if (state_ == State::StringEscape) {
    state_ = State::Ground;
    return byte != '\\' && FeedEscape(byte);
  }
  state_ = State::String;
  if (byte == kBel) state_ = State::Ground;
  if (byte == kEsc) state_ = State::StringEscape;
  return false;
}

// rxvt ends a key with $ (Shift), which elsewhere is an intermediate byte, as
// in a reply CSI 1;2$y; it only ever follows a lone number.
bool TerminalKeyDecoder::FeedSequence(unsigned char byte) {
  if (state_ == State::Csi && empty_ && byte == '[') {
    state_ = State::LinuxKey;
    return false;
  }
  if (IsFinal(byte) || (byte == '$' && state_ == State::Csi && !empty_ && onlyDigits_)) {
    return FinishSequence(byte);
  }
  if (!IsParameter(byte)) return BreakSequence(byte);
  AddParameterByte(byte);
  return false;
}

bool TerminalKeyDecoder::FinishSequence(unsigned char finalByte) {
  if (state_ == State::Csi && empty_ && finalByte == 'M') {
    state_ = State::Mouse;
    bytesMissing_ = 3;
    return false;
  }
  const bool key = IsKeySequence(finalByte);
  state_ = State::Ground;
  return key;
}

bool TerminalKeyDecoder::IsKeySequence(unsigned char finalByte) const {
  if (number_[1][1] == kReleaseEvent) return false;
  if (state_ == State::Ss3) return true;
  if (marker_) return false;
  const std::uint32_t first = number_[0][0];
  switch (finalByte) {
    case 'M': return false;
    case 'I':
    case 'O': return !empty_;
    // CSI 1;5R is Ctrl+F3; a row past the first is where the cursor is.
    case 'R': return first <= 1;
    case 'u': return !IsModifierOrLockCode(first);
    case '~':
      if (parameter_ == 0 && (first == 200 || first == 201)) return false;
      return first != kModifyOtherKeys || !IsModifierOrLockCode(number_[2][0]);
    default: return true;
  }
}

// A byte that cannot continue the sequence ends it: alone, ESC [ and ESC O
// were Alt with that key. The byte then starts anew.
bool TerminalKeyDecoder::BreakSequence(unsigned char byte) {
  const bool altKey = empty_;
  state_ = State::Ground;
  const bool key = FeedGround(byte);
  return altKey || key;
}

void TerminalKeyDecoder::AddParameterByte(unsigned char byte) {
  empty_ = false;
  if (IsDigit(byte)) {
    if (parameter_ < 3 && subParameter_ < 2) {
      std::uint32_t& number = number_[parameter_][subParameter_];
      number = std::min(number * 10 + (byte - '0'), kNumberCap);
    }
    return;
  }
  onlyDigits_ = false;
  if (byte == ';') {
    parameter_ = std::min(parameter_ + 1, 3u);
    subParameter_ = 0;
  } else if (byte == ':') {
    subParameter_ = std::min(subParameter_ + 1, 2u);
  } else if (byte >= '<' && byte <= '?') {
    marker_ = true;
  }
}

void TerminalKeyDecoder::StartSequence(State state) {
  *this = TerminalKeyDecoder();
  state_ = state;
}
