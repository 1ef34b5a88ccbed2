#include "engine/model/coordinate.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <gtest/gtest.h>
#include <pcre2.h>

#include <optional>
#include <string>
#include <tuple>

#include "engine/model/letters.h"
#include "engine/base/stop.h"
#include "engine/text/upper_case.h"

namespace engine {
namespace {

TEST(ColumnLetters, BijectiveBase26) {
  const std::pair<uint16_t, const char*> cases[] = {
      {0, ""},       {1, "A"},      {26, "Z"},       {27, "AA"},     {52, "AZ"},
      {53, "BA"},    {702, "ZZ"},   {703, "AAA"},    {16384, "XFD"}, {18278, "ZZZ"},
      {18279, "AAAA"}, {65535, "CRXO"}};
  for (const auto& [column, letters] : cases) EXPECT_EQ(column_number_to_letter(column), letters);
}

// Short ASCII texts are compared with a backtracking engine below; these are the long
// rows and the full upper-case mapping, which comes first.
TEST(CoordinateFromLetter, Parses) {
  const std::tuple<const char*, uint32_t, uint16_t> cases[] = {
      {"XFD1048576", 1048576, 16384}, {"A4294967295", 4294967295u, 1},
      {"A00000000000000000000004294967295", 4294967295u, 1}, {"C3\u00E9", 3, 3},
      {"\u00DF1", 1, 19 * 26 + 19},            // sharp s: SS
      {"\uFB017", 7, 6 * 26 + 9},              // ligature fi: FI
      {"\uFB031", 1, 6 * 676 + 6 * 26 + 9},    // ligature ffi: FFI
      {"\u01311", 1, 9},                       // dotless i: I
      {"\u017F$2", 2, 19},                     // long s: S
      {"a\u00DF3", 3, 1 * 676 + 19 * 26 + 19}  // ASS
  };
  for (const auto& [text, row, column] : cases)
    EXPECT_EQ(Coordinate::from_letter(text), (Coordinate{row, column})) << text;
}

TEST(CoordinateFromLetter, NoRowOrNoColumnStops) {
  for (const char* t : {"", "12", "$1", "ABCD1", "A 1", "A4294967296",
                        "A99999999999999999999999999", "\u00E91",
                        "\u00DF\u00DF1",  // SSSS: four letters
                        "\u01F01",         // J and a combining caron
                        "\u01491",         // a modifier apostrophe, then N
                        "\uFF211"}) {      // fullwidth A stays non-ASCII
    try {
      Coordinate::from_letter(t);
      ADD_FAILURE() << "parsed without stopping: " << t;
    } catch (const Stop& stop) {
      EXPECT_STREQ(stop.what(), kUnwrapNone) << t;
    }
  }
}

TEST(CoordinateFromLetter, EveryThreeLetterColumnRoundTrips) {
  for (uint32_t column = 1; column <= 18278; ++column) {
    const std::string letters = column_number_to_letter(static_cast<uint16_t>(column));
    const Coordinate c = Coordinate::from_letter(letters + "5");
    ASSERT_EQ(c.column, column) << letters;
    ASSERT_EQ(c.row, 5u);
  }
}

// A backtracking engine's reading of the coordinate pattern, for comparison: the row and
// column it finds, or nullopt where the parse must stop.
std::optional<Coordinate> pattern_read(const std::string& upper) {
  static pcre2_code* const code = [] {
    int error;
    PCRE2_SIZE offset;
    return pcre2_compile(reinterpret_cast<PCRE2_SPTR>("((\\$)?([A-Z]{1,3}))?((\\$)?([0-9]+))?"),
                         PCRE2_ZERO_TERMINATED, 0, &error, &offset, nullptr);
  }();
  static pcre2_match_data* const match = pcre2_match_data_create_from_pattern(code, nullptr);
  const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(upper.data()), upper.size(), 0,
                             0, match, nullptr);
  const PCRE2_SIZE* v = pcre2_get_ovector_pointer(match);
  const auto group = [&](int g) -> std::optional<std::string> {
    if (g >= rc || v[2 * g] == PCRE2_UNSET) return std::nullopt;
    return upper.substr(v[2 * g], v[2 * g + 1] - v[2 * g]);
  };
  const auto letters = group(3);
  const auto digits = group(6);
  if (rc < 0 || !letters || !digits) return std::nullopt;
  uint64_t row = 0;
  for (char d : *digits) {
    row = row * 10 + static_cast<uint64_t>(d - '0');
    if (row > UINT32_MAX) return std::nullopt;
  }
  uint32_t column = 0;
  for (char l : *letters) column = column * 26 + static_cast<uint32_t>(l - 'A' + 1);
  return Coordinate{static_cast<uint32_t>(row), static_cast<uint16_t>(column)};
}

std::optional<Coordinate> parse_or_nothing(const std::string& text) {
  try {
    return Coordinate::from_letter(text);
  } catch (const Stop&) {
    return std::nullopt;
  }
}

// Every text of up to six characters over an alphabet that exercises each branch of the
// pattern: letters at both ends of the range, "$", digits, a character that is none of
// them, and a lower-case letter.
TEST(CoordinateFromLetter, AgreesWithABacktrackingEngineOnEveryShortText) {
  const std::string alphabet = "AZb$09-";
  std::string text;
  size_t checked = 0;
  const auto walk = [&](auto&& self, size_t depth) -> void {
    const auto ours = parse_or_nothing(text);
    const auto theirs = pattern_read(upper_case_for_ascii_compare(text));
    ASSERT_EQ(ours.has_value(), theirs.has_value()) << '"' << text << '"';
    if (ours) {
      ASSERT_EQ(*ours, *theirs) << '"' << text << '"';
    }
    ++checked;
    if (depth == 6) return;
    for (char c : alphabet) {
      text.push_back(c);
      self(self, depth + 1);
      text.pop_back();
      if (::testing::Test::HasFatalFailure()) return;
    }
  };
  walk(walk, 0);
  EXPECT_EQ(checked, 137257u);  // 1 + 7 + 7^2 + ... + 7^6
}

}  // namespace
}  // namespace engine
