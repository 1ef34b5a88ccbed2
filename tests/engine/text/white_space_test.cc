#include "engine/text/white_space.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/engine/test_cells.h"

namespace engine {
namespace {

TEST(TrimWhiteSpace, EveryListedCharacterIsTrimmedFromBothEnds) {
  for (const char32_t c : {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x20, 0x85, 0xA0, 0x1680, 0x2000,
                           0x2001, 0x2002, 0x2003, 0x2004, 0x2005, 0x2006, 0x2007, 0x2008,
                           0x2009, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000}) {
    SCOPED_TRACE(::testing::Message() << std::hex << static_cast<uint32_t>(c));
    EXPECT_TRUE(is_white_space(c));
    const std::string w = testing::utf8(c);
    EXPECT_EQ(trim_white_space(w + w + "a" + w + "b" + w + w), "a" + w + "b");
    EXPECT_EQ(trim_white_space(w), "");
  }
}

TEST(TrimWhiteSpace, LookAlikesNeighboursAndBrokenSequencesStay) {
  // U+200B zero-width space, U+FEFF, U+180E (no longer White_Space), U+200C, U+2030,
  // U+1681, U+0084, U+00A1, U+3001.
  for (std::string_view s : {"\u200B", "\uFEFF", "\u180E", "\u200C", "\u2030", "\u1681",
                             "\u0084", "\u00A1", "\u3001"}) {
    const std::string text = std::string(s) + "x" + std::string(s);
    EXPECT_EQ(trim_white_space(text), text);
  }
  // Last bytes that look like white space (U+0100 is C4 80, U+E280 is EE 8A 80), and
  // broken sequences, are kept, not read past.
  for (std::string_view s : {"x\u0100", "\xEE\x8A\x80", "\xC2", "\xE2\x80", "\xE3\x80@"})
    EXPECT_EQ(trim_white_space(s), s);
  EXPECT_EQ(trim_white_space("\xE2\x80 "), "\xE2\x80");
}

}  // namespace
}  // namespace engine
