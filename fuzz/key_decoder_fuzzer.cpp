// Any byte stream from a terminal, with the input going quiet after any of
// its bytes, through the key decoder, which must keep its promises.
#include <cstddef>
#include <cstdint>

#include "key_decoder_check.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first half is what the terminal sent, and bit i of the second half
  // is a pause after byte i.
  const std::size_t length = size / 2;
  const std::uint8_t* pauses = data + length;
  const auto quietAfter = [pauses](std::size_t i) { return (pauses[i / 8] >> (i % 8)) & 1u; };
  if (!KeyDecoderKeepsItsPromises(data, length, quietAfter)) __builtin_trap();
  return 0;
}
