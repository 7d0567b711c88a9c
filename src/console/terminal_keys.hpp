// Tells when the bytes a terminal sends have made up one whole key press,
// and nothing more: which key it was does not matter. Knows nothing of file
// descriptors or time: the caller feeds the bytes one at a time and reports
// when the input has gone quiet in the middle of a unit.
#pragma once

#include <cstdint>

class TerminalKeyDecoder {
 public:
  // Takes the next byte; true when it completes a key press.
  bool Feed(unsigned char byte);

  // The input stayed quiet while a unit was open: true when what came so
  // far is a key press of its own (a lone Escape, Alt+[ ...); the rest is
  // dropped.
  bool Quiet();

  // True while a unit is open, so that the caller knows to wait only a
  // short while for its next byte before calling Quiet().
  bool InUnit() const { return state_ != State::Ground; }

 private:
  enum class State : std::uint8_t {
    Ground,        // between units
    Escape,        // ESC: Alt for the next key, or a sequence starting
    EscapeEscape,  // ESC ESC: Alt+Escape, or Alt before a sequence
    Csi,           // ESC [ and its parameter bytes so far
    Ss3,           // ESC O and its parameter bytes so far
    LinuxKey,      // ESC [ [, an F key on the Linux console
    Mouse,         // the three bytes after ESC [ M
    Utf8,          // the first bytes of a character
    StringStart,   // ESC ] / ESC P / ESC _: Alt+that key, or a string
    String,        // inside such a string, up to its end
    StringEscape,  // ESC inside a string: its end, or the next unit
  };

  // Whether a whole key press has come: as a unit begins, not yet; as it
  // ends, as told; anew, as the byte says; after a key, yes.
  bool Begin(State state) {
    state_ = state;
    return false;
  }
  bool EndUnit(bool keyPressed) {
    state_ = State::Ground;
    return keyPressed;
  }
  bool Anew(unsigned char byte) {
    state_ = State::Ground;
    return FeedGround(byte);
  }
  bool KeyThenAnew(unsigned char byte) {
    Anew(byte);
    return true;
  }
  bool FeedGround(unsigned char byte);
  bool FeedEscape(unsigned char byte);
  bool FeedSequence(unsigned char byte);
  bool IsKeySequence(unsigned char finalByte) const;
  void AddParameterByte(unsigned char byte);
  bool StartSequence(State state);

  State state_ = State::Ground;
  int bytesMissing_ = 0;  // of a character, or of a mouse report
  // Of a sequence's parameters: the numbers at [parameter][sub-parameter],
  // as far as a rule reads them, and what else was seen.
  std::uint32_t number_[3][2] = {};
  unsigned parameter_ = 0;
  unsigned subParameter_ = 0;
  bool empty_ = true;       // no parameter byte yet
  bool onlyDigits_ = true;  // no byte but 0-9 yet
  bool marker_ = false;     // one of < = > ?
};
