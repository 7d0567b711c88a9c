// The framed banner the tool opens with.
#pragma once

#include <cstddef>

constexpr std::size_t kBannerLineCount = 15;

// The banner's lines, without their line breaks. Tabs and trailing blanks
// are part of the text.
extern const char* const kBannerLines[kBannerLineCount];
