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

#include "base/wtf8.hpp"

namespace {

constexpr unsigned char kBel = 0x07;
constexpr unsigned char kEsc = 0x1B;
constexpr std::uint32_t kNumberCap = 1000000;  // past every number a rule reads
constexpr std::uint32_t kReleaseEvent = 3;
constexpr std::uint32_t kModifyOtherKeys = 27;

bool IsFinal(unsigned char byte) { return byte >= 0x40 && byte <= 0x7E; }
bool IsParameter(unsigned char byte) { return byte >= 0x20 && byte <= 0x3F; }

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
    case State::EscapeEscape:  // rxvt sends Alt+arrow as ESC before the arrow's sequence
      if (byte == '[' || byte == 'O') return StartSequence(byte == '[' ? State::Csi : State::Ss3);
      return KeyThenAnew(byte);  // Alt+Escape
    case State::Csi:
    case State::Ss3: return FeedSequence(byte);
    case State::LinuxKey: return IsFinal(byte) ? EndUnit(true) : Anew(byte);
    case State::Mouse: return --bytesMissing_ == 0 && EndUnit(false);
    case State::Utf8:
      // A character cut short is a key all the same.
      if ((byte & 0xC0) != 0x80) return KeyThenAnew(byte);
      return --bytesMissing_ == 0 && EndUnit(true);
    case State::StringStart:  // whatever follows makes it a string: a reply nobody typed
    case State::String:
      state_ = byte == kBel ? State::Ground : byte == kEsc ? State::StringEscape : State::String;
      return false;
    case State::StringEscape:
      if (byte == '\\') return EndUnit(false);
      return FeedEscape(byte);
  }
  return false;
}

bool TerminalKeyDecoder::Quiet() {
  const bool key = state_ == State::Escape || state_ == State::EscapeEscape ||
                   state_ == State::StringStart || state_ == State::Utf8 ||
                   ((state_ == State::Csi || state_ == State::Ss3) && empty_);
  return EndUnit(key);
}

bool TerminalKeyDecoder::FeedGround(unsigned char byte) {
  if (byte == kEsc) return Begin(State::Escape);
  // A byte that starts no character is a key by itself.
  bytesMissing_ = std::max(Utf8Length(byte), 1) - 1;
  return bytesMissing_ == 0 || Begin(State::Utf8);
}

bool TerminalKeyDecoder::FeedEscape(unsigned char byte) {
  switch (byte) {
    case kEsc: return Begin(State::EscapeEscape);
    case '[': return StartSequence(State::Csi);
    case 'O': return StartSequence(State::Ss3);
    case ']':
    case 'P':
    case '_': return Begin(State::StringStart);
    default: return Anew(byte);
  }
}

// rxvt ends a key with $ (Shift), which elsewhere is an intermediate byte, as
// in a reply CSI 1;2$y; it only ever follows a lone number. A byte that
// cannot continue the sequence ends it, and starts anew: ESC [ and ESC O
// alone were Alt with that key.
bool TerminalKeyDecoder::FeedSequence(unsigned char byte) {
  if (state_ == State::Csi && empty_ && byte == '[') return Begin(State::LinuxKey);
  if (state_ == State::Csi && empty_ && byte == 'M') {
    bytesMissing_ = 3;
    return Begin(State::Mouse);
  }
  if (IsFinal(byte) || (byte == '$' && state_ == State::Csi && !empty_ && onlyDigits_)) {
    return EndUnit(IsKeySequence(byte));
  }
  if (!IsParameter(byte)) {
    const bool altKey = empty_;
    const bool byteIsKey = Anew(byte);
    return altKey || byteIsKey;
  }
  AddParameterByte(byte);
  return false;
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
    case 'R': return first <= 1;  // CSI 1;5R is Ctrl+F3, CSI 5;1R where the cursor is
    case 'u': return !IsModifierOrLockCode(first);
    case '~':
      if (parameter_ == 0 && (first == 200 || first == 201)) return false;
      return first != kModifyOtherKeys || !IsModifierOrLockCode(number_[2][0]);
    default: return true;
  }
}

void TerminalKeyDecoder::AddParameterByte(unsigned char byte) {
  empty_ = false;
  if (byte >= '0' && byte <= '9') {
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

bool TerminalKeyDecoder::StartSequence(State state) {
  *this = TerminalKeyDecoder();
  return Begin(state);
}
