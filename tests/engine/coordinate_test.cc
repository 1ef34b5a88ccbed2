#include "engine/coordinate.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <gtest/gtest.h>
#include <pcre2.h>

#include <optional>
#include <string>

#include "engine/letters.h"
#include "engine/stop.h"
#include "engine/upper_case.h"

namespace engine {
namespace {

TEST(CoordinateDebugText, NamesBothFields) {
  EXPECT_EQ((Coordinate{1, 1}).debug_text(), "Coordinate { row: 1, column: 1 }");
  EXPECT_EQ((Coordinate{12, 3}).debug_text(), "Coordinate { row: 12, column: 3 }");
  EXPECT_EQ((Coordinate{4294967295u, 65535}).debug_text(),
            "Coordinate { row: 4294967295, column: 65535 }");
  EXPECT_EQ((Coordinate{0, 0}).debug_text(), "Coordinate { row: 0, column: 0 }");
}

TEST(CoordinateOrder, RowThenColumn) {
  EXPECT_LT((Coordinate{1, 9}), (Coordinate{2, 1}));
  EXPECT_LT((Coordinate{2, 1}), (Coordinate{2, 3}));
  EXPECT_EQ((Coordinate{2, 3}), (Coordinate{2, 3}));
}

TEST(ColumnLetters, BijectiveBase26) {
  const std::pair<uint16_t, const char*> cases[] = {
      {0, ""},       {1, "A"},      {26, "Z"},       {27, "AA"},     {52, "AZ"},
      {53, "BA"},    {702, "ZZ"},   {703, "AAA"},    {16384, "XFD"}, {18278, "ZZZ"},
      {18279, "AAAA"}, {65535, "CRXO"}};
  for (const auto& [column, letters] : cases) EXPECT_EQ(column_number_to_letter(column), letters);
}

void expect_parse(std::string_view text, uint32_t row, uint16_t column) {
  SCOPED_TRACE(std::string("text \"") + std::string(text) + "\"");
  const Coordinate c = Coordinate::from_letter(text);
  EXPECT_EQ(c.row, row);
  EXPECT_EQ(c.column, column);
}

void expect_stop(std::string_view text) {
  SCOPED_TRACE(std::string("text \"") + std::string(text) + "\"");
  try {
    Coordinate::from_letter(text);
    ADD_FAILURE() << "parsed without stopping";
  } catch (const Stop& stop) {
    EXPECT_STREQ(stop.what(), kUnwrapNone);
  }
}

TEST(CoordinateFromLetter, LettersThenDigitsWithOptionalDollars) {
  for (const char* t : {"A1", "a1", "$A$1", "$a1", "A$1", "$A1"}) expect_parse(t, 1, 1);
  expect_parse("XFD1048576", 1048576, 16384);
  expect_parse("ZZZ1", 1, 18278);
  expect_parse("az52", 52, 52);
  expect_parse("A007", 7, 1);
  expect_parse("A0", 0, 1);
  expect_parse("A4294967295", 4294967295u, 1);
  expect_parse("A00000000000000000000004294967295", 4294967295u, 1);
}

TEST(CoordinateFromLetter, TextAfterTheMatchIsIgnored) {
  expect_parse("A1B2", 1, 1);
  expect_parse("B7 extra", 7, 2);
  expect_parse("C3$", 3, 3);
  expect_parse("C3:D4", 3, 3);
  expect_parse("C3\u00E9", 3, 3);
}

TEST(CoordinateFromLetter, FullUpperCaseMappingFirst) {
  expect_parse("\u00DF1", 1, 19 * 26 + 19);           // sharp s: SS
  expect_parse("\uFB017", 7, 6 * 26 + 9);             // ligature fi: FI
  expect_parse("\uFB031", 1, 6 * 676 + 6 * 26 + 9);   // ligature ffi: FFI
  expect_parse("\u01311", 1, 9);                      // dotless i: I
  expect_parse("\u017F$2", 2, 19);                    // long s: S
  expect_parse("a\u00DF3", 3, 1 * 676 + 19 * 26 + 19); // ASS
  expect_stop("\u00DF\u00DF1");                       // SSSS: four letters
  expect_stop("\u01F01");                             // J and a combining caron
  expect_stop("\u01491");                             // a modifier apostrophe, then N
  expect_stop("\uFF211");                             // fullwidth A stays non-ASCII
}

TEST(CoordinateFromLetter, NoRowOrNoColumnStops) {
  for (const char* t : {"AB", "12", "", "1A", "ABCD1", "A$", "A$$1", "$1", "$$A1", "$A$",
                        "$", " A1", "#A1", "A 1", "A-1", "A4294967296",
                        "A99999999999999999999999999", "\u00E91"})
    expect_stop(t);
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
class PatternReader {
 public:
  PatternReader() {
    int error;
    PCRE2_SIZE offset;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(kPattern), PCRE2_ZERO_TERMINATED, 0,
                          &error, &offset, nullptr);
    match_ = pcre2_match_data_create_from_pattern(code_, nullptr);
  }
  ~PatternReader() {
    pcre2_match_data_free(match_);
    pcre2_code_free(code_);
  }
  bool ready() const { return code_ && match_; }

  std::optional<Coordinate> read(const std::string& upper) {
    const int rc = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(upper.data()), upper.size(), 0,
                               0, match_, nullptr);
    if (rc < 0) return std::nullopt;
    const PCRE2_SIZE* v = pcre2_get_ovector_pointer(match_);
    const auto group = [&](int g) -> std::optional<std::string> {
      if (g >= rc || v[2 * g] == PCRE2_UNSET) return std::nullopt;
      return upper.substr(v[2 * g], v[2 * g + 1] - v[2 * g]);
    };
    const auto letters = group(3);
    const auto digits = group(6);
    if (!letters || !digits) return std::nullopt;
    uint64_t row = 0;
    for (char d : *digits) {
      row = row * 10 + static_cast<uint64_t>(d - '0');
      if (row > UINT32_MAX) return std::nullopt;
    }
    uint32_t column = 0;
    for (char l : *letters) column = column * 26 + static_cast<uint32_t>(l - 'A' + 1);
    return Coordinate{static_cast<uint32_t>(row), static_cast<uint16_t>(column)};
  }

 private:
  static constexpr const char* kPattern = "((\\$)?([A-Z]{1,3}))?((\\$)?([0-9]+))?";
  pcre2_code* code_ = nullptr;
  pcre2_match_data* match_ = nullptr;
};

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
  PatternReader pattern;
  ASSERT_TRUE(pattern.ready());
  const std::string alphabet = "AZb$09-";
  std::string text;
  size_t checked = 0;
  const auto walk = [&](auto&& self, size_t depth) -> void {
    const auto ours = parse_or_nothing(text);
    const auto theirs = pattern.read(upper_case_ascii_view(text));
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
