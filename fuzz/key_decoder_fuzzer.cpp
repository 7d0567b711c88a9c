// Any byte stream from a terminal, with the input going quiet after any of
// its bytes, through the key decoder and the rules that choose a key's code.
// Every event must be one the key table can take, every choice must be a
// code the wait can return, and a pause must always close a sequence.
#include <cstddef>
#include <cstdint>

#include "key_table.hpp"
#include "terminal_keys.hpp"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

std::size_t TakeEvents(TerminalKeyDecoder& decoder) {
  std::size_t count = 0;
  KeyEvent event;
  while (decoder.Next(event)) {
    ++count;
    Check(event.virtualKey <= 0xFF);
    Check(event.character <= 0x10FFFF);
    const KeyChoice choice = ChooseKey(event);
    if (!choice.endsWait) continue;
    Check(choice.code >= 0 && choice.code <= 0x10FFFF);
    Check(choice.pendingCode >= -1 && choice.pendingCode <= 0xFF);
    Check(choice.pendingCode == -1 || choice.code == 0);
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks the erase byte; of the rest, the first half is what
  // the terminal sent, and bit i of the second half is a pause after byte i.
  if (size < 1) return 0;
  const unsigned char erase = (data[0] & 1) ? 0x7F : 0x08;
  const std::uint8_t* bytes = data + 1;
  const std::size_t length = (size - 1) / 2;
  const std::uint8_t* pauses = bytes + length;

  TerminalKeyDecoder decoder(erase);
  std::size_t events = 0;
  std::size_t timeouts = 0;
  for (std::size_t i = 0; i < length; ++i) {
    decoder.Feed(bytes[i]);
    events += TakeEvents(decoder);
    if (pauses[i / 8] & (1u << (i % 8))) {
      decoder.Timeout();
      ++timeouts;
      Check(!decoder.InSequence());
      events += TakeEvents(decoder);
    }
  }
  decoder.Timeout();
  Check(!decoder.InSequence());
  events += TakeEvents(decoder);
  // A byte finishes at most the sequence it broke and itself.
  Check(events <= 2 * length + timeouts + 1);
  return 0;
}
