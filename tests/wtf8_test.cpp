#include "base/wtf8.hpp"

#include <gtest/gtest.h>

namespace {

// NTFS names may hold unpaired surrogates; each must come back as itself,
// never as U+FFFD, which could name another file.
TEST(Wtf8Test, EveryUtf16NameComesBackAsItself) {
  std::u16string back;
  for (const char16_t* name :
       {u"J\u00f6rg \u20ac\U0001F600.esm", u"a\xD800.esm", u"\xDC00\xD800"}) {
    EXPECT_TRUE(Utf16FromWtf8(Wtf8FromUtf16(name), back));
    EXPECT_EQ(back, name);
  }
  // A stray continuation byte, an overlong slash, a surrogate pair in halves.
  for (const char* bytes : {"\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\xBD\xED\xB8\x80"}) {
    EXPECT_FALSE(Utf16FromWtf8(bytes, back)) << bytes;
  }
}

}  // namespace
