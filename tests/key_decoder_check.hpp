// What the terminal's key decoder promises over any input, checked alike by
// the property test and by the fuzz target.
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/terminal_keys.hpp"

// Feeds the bytes, the input going quiet after byte i where quietAfter(i)
// says so. False where a promise is broken: a pause closes every unit, and
// after one, whatever came before, a lone Escape is one key press, ended by
// the pause and not by its byte, and a letter is one at once.
template <typename QuietAfter>
bool KeyDecoderKeepsItsPromises(const std::uint8_t* bytes, std::size_t length,
                                QuietAfter quietAfter) {
  TerminalKeyDecoder decoder;
  for (std::size_t i = 0; i < length; ++i) {
    decoder.Feed(bytes[i]);
    if (!quietAfter(i) || !decoder.InUnit()) continue;
    decoder.Quiet();
    if (decoder.InUnit()) return false;
  }
  decoder.Quiet();
  return !decoder.InUnit() && !decoder.Feed(0x1B) && decoder.Quiet() && decoder.Feed('q') &&
         !decoder.InUnit();
}
