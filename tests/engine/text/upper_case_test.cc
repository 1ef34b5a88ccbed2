#include "engine/text/upper_case.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/text/utf8.h"
#include "tests/engine/test_cells.h"

namespace engine {
namespace {

const std::string kX(1, kNonAscii);

// Full mappings, expansions included; a form mixing ASCII and other characters is kept
// whole; every other character, and every byte of malformed UTF-8 (stray continuation,
// truncated sequence, overlong form, encoded surrogate, beyond U+10FFFF), is one kX.
TEST(UpperCaseView, Texts) {
  const std::pair<const char*, std::string> cases[] = {
      {"", ""}, {"b7 $x-z{}", "B7 $X-Z{}"}, {"stra\u00DFe", "STRASSE"}, {"\uFB03x", "FFIX"},
      {"fal\u017Fe", "FALSE"}, {"\u0131", "I"}, {"\u01F0", "J\u030C"}, {"\u0149", "\u02BCN"},
      {"caf\u00E9", "CAF" + kX}, {"\u00E9\u2603\U0001F600a", kX + kX + kX + "A"},
      {"\uFF21", kX}, {"\x80", kX}, {"a\xC3", "A" + kX}, {"\xC3" "a", kX + "A"},
      {"\xC0\xA1", kX + kX}, {"\xED\xA0\x80", kX + kX + kX},
      {"\xF4\x90\x80\x80", kX + kX + kX + kX}};
  for (const auto& [text, upper] : cases) EXPECT_EQ(upper_case_for_ascii_compare(text), upper) << text;
}

TEST(UpperCaseEquals, WholeTextMustMatch) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"tRuE", "TRUE", true},       {"fal\u017Fe", "FALSE", true}, {"\u00DF", "SS", true},
      {"s\u00DF", "SSS", true},     {"\uFB05", "ST", true},        {"", "", true},
      {"tru", "TRUE", false},       {"truee", "TRUE", false},      {"\u00DF", "S", false},
      {"\u00DF", "SSS", false},     {"tru\u00E9", "TRUE", false},  {"\u01F0", "J", false},
      {"TRUE\xFF", "TRUE", false}};
  for (const auto& [text, upper, equal] : cases)
    EXPECT_EQ(upper_case_equals(text, upper), equal) << text << " " << upper;
}

TEST(UpperCaseWithAscii, ForOneCodePoint) {
  const std::pair<char32_t, const char*> cases[] = {
      {U'q', "Q"}, {U'Q', "Q"}, {U'7', "7"}, {U'$', "$"}, {U'\u00DF', "SS"}, {U'\uFB06', "ST"},
      {U'\u00E9', ""},
      {U'\u1E9E', ""},   // capital sharp s stays itself
      {U'\u212A', ""}};  // Kelvin sign stays itself
  for (const auto& [c, form] : cases) EXPECT_EQ(upper_case_with_ascii(c), form) << uint32_t(c);
}

// The decoder and the two text functions agree with the per-code-point mapping for
// every scalar value, at every UTF-8 length.
TEST(UpperCaseView, EveryCodePointAgreesWithItsMapping) {
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::string text = testing::utf8(c);
    const Utf8Char ch = decode_utf8(text);
    ASSERT_EQ(ch.code_point, c);
    ASSERT_EQ(ch.size, text.size());
    const std::string_view form = upper_case_with_ascii(c);
    const std::string expected = form.empty() ? kX : std::string(form);
    ASSERT_EQ(upper_case_for_ascii_compare(text + "z"), expected + "Z") << std::hex << uint32_t(c);
    if (!form.empty()) {
      ASSERT_TRUE(upper_case_equals(text, form));
    }
  }
}

}  // namespace
}  // namespace engine
