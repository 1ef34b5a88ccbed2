#include "engine/text/upper_case.h"

#include <gtest/gtest.h>

#include <algorithm>
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
      {"\uFF21", kX}, {"\uFB06", "ST"},
      {"\u1E9E\u212A", kX + kX},  // capital sharp s and Kelvin sign stay themselves
      {"\x80", kX}, {"a\xC3", "A" + kX}, {"\xC3" "a", kX + "A"}, {"\xC0\xA1", kX + kX},
      {"\xED\xA0\x80", kX + kX + kX},
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

// Every scalar value decodes at its UTF-8 length and maps on its own, so that what
// follows it is read from the right place; a form is the placeholder alone or holds ASCII,
// and the allocation-free comparison agrees with it.
TEST(UpperCaseView, EveryCodePointMapsOnItsOwn) {
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::string text = testing::utf8(c);
    const Utf8Char ch = decode_utf8(text);
    ASSERT_EQ(ch.code_point, c);
    ASSERT_EQ(ch.size, text.size());
    const std::string form = upper_case_for_ascii_compare(text);
    ASSERT_EQ(upper_case_for_ascii_compare(text + "z"), form + "Z") << std::hex << uint32_t(c);
    if (c < 0x80) {
      ASSERT_EQ(form, std::string(1, static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c)));
    } else if (form != kX) {
      ASSERT_TRUE(std::any_of(form.begin(), form.end(), [](char b) { return b > 0; }));
      ASSERT_TRUE(upper_case_equals(text, form)) << std::hex << uint32_t(c);
    }
  }
}

}  // namespace
}  // namespace engine
