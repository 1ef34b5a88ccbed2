#include "engine/upper_case.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/utf8.h"

namespace engine {
namespace {

std::string utf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
  return out;
}

const std::string kX(1, kNonAscii);

TEST(UpperCaseView, AsciiAndExpansions) {
  EXPECT_EQ(upper_case_ascii_view("b7 $x-z{}"), "B7 $X-Z{}");
  EXPECT_EQ(upper_case_ascii_view(""), "");
  EXPECT_EQ(upper_case_ascii_view("stra\u00DFe"), "STRASSE");
  EXPECT_EQ(upper_case_ascii_view("\uFB03x"), "FFIX");
  EXPECT_EQ(upper_case_ascii_view("fal\u017Fe"), "FALSE");
  EXPECT_EQ(upper_case_ascii_view("\u0131"), "I");
  // Mixed forms keep their non-ASCII part.
  EXPECT_EQ(upper_case_ascii_view("\u01F0"), "J\u030C");
  EXPECT_EQ(upper_case_ascii_view("\u0149"), "\u02BCN");
}

TEST(UpperCaseView, OneBytePlaceholderPerOtherCharacter) {
  EXPECT_EQ(upper_case_ascii_view("caf\u00E9"), "CAF" + kX);
  EXPECT_EQ(upper_case_ascii_view("\u00E9\u2603\U0001F600a"), kX + kX + kX + "A");
  EXPECT_EQ(upper_case_ascii_view("\uFF21"), kX);  // fullwidth A
  // Malformed UTF-8: stray continuation, truncated sequence, overlong form, encoded
  // surrogate, beyond U+10FFFF: each byte stands for itself.
  EXPECT_EQ(upper_case_ascii_view("\x80"), kX);
  EXPECT_EQ(upper_case_ascii_view("a\xC3"), "A" + kX);
  EXPECT_EQ(upper_case_ascii_view("\xC3" "a"), kX + "A");
  EXPECT_EQ(upper_case_ascii_view("\xC0\xA1"), kX + kX);
  EXPECT_EQ(upper_case_ascii_view("\xED\xA0\x80"), kX + kX + kX);
  EXPECT_EQ(upper_case_ascii_view("\xF4\x90\x80\x80"), kX + kX + kX + kX);
}

TEST(UpperCaseEquals, WholeTextMustMatch) {
  EXPECT_TRUE(upper_case_equals("tRuE", "TRUE"));
  EXPECT_TRUE(upper_case_equals("fal\u017Fe", "FALSE"));
  EXPECT_TRUE(upper_case_equals("\u00DF", "SS"));
  EXPECT_TRUE(upper_case_equals("s\u00DF", "SSS"));
  EXPECT_TRUE(upper_case_equals("\uFB05", "ST"));
  EXPECT_TRUE(upper_case_equals("", ""));
  EXPECT_FALSE(upper_case_equals("tru", "TRUE"));
  EXPECT_FALSE(upper_case_equals("truee", "TRUE"));
  EXPECT_FALSE(upper_case_equals("\u00DF", "S"));
  EXPECT_FALSE(upper_case_equals("\u00DF", "SSS"));
  EXPECT_FALSE(upper_case_equals("tru\u00E9", "TRUE"));
  EXPECT_FALSE(upper_case_equals("\u01F0", "J"));
  EXPECT_FALSE(upper_case_equals("TRUE\xFF", "TRUE"));
}

TEST(UpperCaseWithAscii, ForOneCodePoint) {
  EXPECT_EQ(upper_case_with_ascii(U'q'), "Q");
  EXPECT_EQ(upper_case_with_ascii(U'Q'), "Q");
  EXPECT_EQ(upper_case_with_ascii(U'7'), "7");
  EXPECT_EQ(upper_case_with_ascii(U'$'), "$");
  EXPECT_EQ(upper_case_with_ascii(U'\u00DF'), "SS");
  EXPECT_EQ(upper_case_with_ascii(U'\uFB06'), "ST");
  EXPECT_EQ(upper_case_with_ascii(U'\u00E9'), "");
  EXPECT_EQ(upper_case_with_ascii(U'\u1E9E'), "");  // capital sharp s stays itself
  EXPECT_EQ(upper_case_with_ascii(U'\u212A'), "");  // Kelvin sign stays itself
}

// The decoder and the two text functions agree with the per-code-point mapping for
// every scalar value, at every UTF-8 length.
TEST(UpperCaseView, EveryCodePointAgreesWithItsMapping) {
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::string text = utf8(c);
    const Utf8Char ch = decode_utf8(text);
    ASSERT_EQ(ch.code_point, c);
    ASSERT_EQ(ch.size, text.size());
    const std::string_view form = upper_case_with_ascii(c);
    const std::string expected = form.empty() ? kX : std::string(form);
    ASSERT_EQ(upper_case_ascii_view(text + "z"), expected + "Z") << std::hex << uint32_t(c);
    if (!form.empty()) {
      ASSERT_TRUE(upper_case_equals(text, form));
    }
  }
}

}  // namespace
}  // namespace engine
