// Turns the bytes a terminal sends for key presses into KeyEvents. Knows
// nothing of file descriptors or time: the caller feeds bytes one at a time
// and reports when the input has gone quiet in the middle of a sequence.
#pragma once

#include <cstddef>
#include <cstdint>

#include "key_event.hpp"

class TerminalKeyDecoder {
 public:
  // eraseByte is the terminal's erase character (VERASE): whichever of 0x7F
  // and 0x08 it is, that byte is the Backspace key.
  explicit TerminalKeyDecoder(unsigned char eraseByte);

  // Consumes one byte; finished events are then taken with Next().
  void Feed(unsigned char byte);

  // The input stayed quiet while a sequence was open: finish it as what it
  // is so far (a lone Escape, Alt+[ ...) or drop it.
  void Timeout();

  // True while a sequence is open, so that the caller knows to wait only a
  // short while for its next byte before calling Timeout().
  bool InSequence() const;

  // Takes the oldest finished event; false when there is none.
  bool Next(KeyEvent& event);

 private:
  enum class State : std::uint8_t {
    Ground,         // between keys
    Escape,         // ESC: Alt for the next key, or a sequence starting
    EscapeEscape,   // ESC ESC: Alt+Escape, or Alt before a sequence
    Csi,            // ESC [ and its parameter bytes so far
    Ss3,            // ESC O and its parameter bytes so far
    LinuxFunction,  // ESC [ [, an F key on the Linux console
    Utf8,           // the first bytes of a character
    StringStart,    // ESC ] / ESC P / ESC _: Alt+key or a terminal's string
    String,         // inside such a string, dropped up to its end
    StringEscape,   // ESC inside a string: its end, or the next key
    Discard,        // the rest of a sequence that outgrew the buffer
  };

  // A sequence longer than this, from ESC to its final byte, is nobody's key.
  static constexpr std::size_t kMaxSequence = 32;
  static constexpr std::size_t kMaxBody = kMaxSequence - 3;
  static constexpr std::size_t kQueueSize = 8;

  void FeedGround(unsigned char byte);
  void FeedEscape(unsigned char byte);
  void FeedEscapeEscape(unsigned char byte);
  void FeedSequence(unsigned char byte);
  void FeedLinuxFunction(unsigned char byte);
  void FeedUtf8(unsigned char byte);
  void FeedStringStart(unsigned char byte);
  void FeedString(unsigned char byte);
  void FeedStringEscape(unsigned char byte);
  void FeedDiscard(unsigned char byte);

  void StartSequence(State state);
  void StartUtf8(unsigned char lead, int length);
  bool EndsSequence(unsigned char byte) const;
  void FinishSequence(unsigned char finalByte);
  void CutShort();
  void Reset();
  void Emit(KeyEvent event);

  unsigned char eraseByte_;
  State state_ = State::Ground;
  bool alt_ = false;  // an ESC came first: the next key gets Alt
  unsigned char introducer_ = 0;
  unsigned char body_[kMaxBody] = {};
  std::size_t bodyLength_ = 0;
  std::uint32_t codePoint_ = 0;
  int utf8Length_ = 0;
  int utf8Missing_ = 0;
  KeyEvent queue_[kQueueSize];
  std::size_t queueHead_ = 0;
  std::size_t queueCount_ = 0;
};
