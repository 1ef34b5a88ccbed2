// The four readers of loose values over every variant and bound, the surrogate
// replacement of lenient text, and merged ranges read from a loose value.
#include "binding/python_free/loose_value.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "binding/python_free/merge_ranges.h"
#include "gtest/gtest.h"

namespace binding {
namespace {

using List = PyValue::List;
constexpr std::monostate kNone;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

PyValue str(std::string text) { return {std::move(text)}; }
PyValue integer(int64_t n) { return {n}; }

TEST(LooseValue, ReadersOfEveryVariant) {
  // value, its text (nullopt: none), value_to_u32, value_to_u16
  const std::tuple<PyValue, std::optional<std::string>, uint32_t, uint16_t> cases[] = {
      {str("+0012"), "+0012", 12, 12}, {str("4294967295"), "4294967295", 4294967295u, 0},
      {str("4294967296"), "4294967296", 0, 0}, {str("65535"), "65535", 65535, 65535},
      {str("65536"), "65536", 65536, 0},
      {str("99999999999999999999"), "99999999999999999999", 0, 0},
      {str(""), "", 0, 0}, {str("+"), "+", 0, 0}, {str("-0"), "-0", 0, 0}, {str(" 1"), " 1", 0, 0},
      {str("12.0"), "12.0", 0, 0}, {str("++1"), "++1", 0, 0},
      {str("\xd9\xa1"), "\xd9\xa1", 0, 0},  // ARABIC-INDIC DIGIT ONE is no digit here
      {integer(0), "0", 0, 0}, {integer(-1), "-1", 4294967295u, 65535},
      {integer(4294967296), "4294967296", 0, 0}, {integer(70000), "70000", 70000, 4464},
      {integer(INT64_MAX), "9223372036854775807", 4294967295u, 65535},
      {integer(INT64_MIN), "-9223372036854775808", 0, 0},
      {{12.7}, "12.7", 12, 12}, {{-0.5}, "-0.5", 0, 0}, {{-0.0}, "-0", 0, 0}, {{-3.0}, "-3", 0, 0},
      {{1e20}, "100000000000000000000", 4294967295u, 65535}, {{1e-7}, "0.0000001", 0, 0},
      {{70000.5}, "70000.5", 70000, 65535}, {{4294967294.9}, "4294967294.9", 4294967294u, 65535},
      {{kNaN}, "NaN", 0, 0}, {{kInf}, "inf", 4294967295u, 65535}, {{-kInf}, "-inf", 0, 0},
      {{true}, "true", 1, 1}, {{false}, "false", 0, 0}, {{List{}}, "[]", 0, 0},
      {{List{str("7")}}, "[7]", 0, 0},
      {{List{integer(1), {kNone}, str("a"), {List{{2.5}, {false}}}}}, "[1, , a, [2.5, false]]", 0,
       0},
      {{kNone}, std::nullopt, 0, 0}};
  for (const auto& [value, text, u32, u16] : cases) {
    SCOPED_TRACE(text.value_or("<none>"));
    EXPECT_EQ(value_to_opt_string(value), text);
    EXPECT_EQ(value_to_string(value), text.value_or(""));
    EXPECT_EQ(value_to_u32(value), u32);
    EXPECT_EQ(value_to_u16(value), u16);
  }
}

TEST(LooseValue, SurrogatesBecomeThreeReplacementCharacters) {
  const std::string r = "\xEF\xBF\xBD";
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "plain"}, {"", ""}, {"\xED\xA0\x80", r + r + r},  // U+D800
      {"a\xED\xBF\xBFz", "a" + r + r + r + "z"},                   // U+DFFF
      {"\xED\x9F\xBF", "\xED\x9F\xBF"},                             // U+D7FF is a character
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},                     // U+1F600 stays whole
      {"\xED\xA0\x80\xED\xB0\x80", r + r + r + r + r + r},
      {"\xED\xA0", "\xED\xA0"}};                                     // a cut form is not one
  for (const auto& [in, out] : cases) EXPECT_EQ(replace_surrogates(in), out);
}

TEST(MergeRanges, ReadLeniently) {
  using Range = std::tuple<uint32_t, uint32_t, uint16_t, uint16_t>;
  using Ranges = std::vector<Range>;
  const std::pair<PyValue, Ranges> cases[] = {
      {{kNone}, {}},
      {str("[[1, 2, 3, 4]]"), {}},
      {integer(5), {}},
      {{List{}}, {}},
      {{List{{List{integer(1), integer(2), integer(3), integer(4)}},
             {List{integer(5)}},
             integer(7),
             str("x"),
             {List{}}}},
       {{1, 2, 3, 4}, {5, 0, 0, 0}, {7, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}},
      // Columns keep the low 16 bits of their 32-bit number; a fifth item is ignored.
      {{List{{List{str("9"), {2.5}, integer(70000), {70000.0}, integer(1)}}}},
       {{9, 2, 4464, 4464}}},
      // A tuple arrives as its text, which is no number; duplicates stay.
      {{List{str("(1, 2, 3, 4)"), str("(1, 2, 3, 4)")}}, {{0, 0, 0, 0}, {0, 0, 0, 0}}}};
  for (const auto& [value, expected] : cases) {
    Ranges got;
    for (const engine::MergeCell& m : merge_ranges_from_value(value)) {
      got.emplace_back(m.start_row, m.end_row, m.start_col, m.end_col);
    }
    EXPECT_EQ(got, expected) << value_to_string(value);
  }
}

// A million levels would take far more than a thread's stack to walk by recursion.
TEST(LooseValue, DeepListsRenderAndDieWithoutRecursion) {
  constexpr size_t kDepth = 1'000'000;
  PyValue value{List{}};
  for (size_t i = 1; i < kDepth; ++i) {
    List outer;
    outer.push_back(std::move(value));
    outer.push_back(integer(static_cast<int64_t>(i % 10)));
    value = PyValue{std::move(outer)};
  }
  const std::string text = value_to_string(value);
  ASSERT_EQ(text.size(), 2 * kDepth + 3 * (kDepth - 1));
  EXPECT_EQ(text.find("[]"), kDepth - 1);
  EXPECT_EQ(text.substr(kDepth - 1, 14), "[], 1], 2], 3]");
  EXPECT_EQ(text.substr(text.size() - 13), "], 7], 8], 9]");
  EXPECT_EQ(value_to_u32(value), 0u);
}

}  // namespace
}  // namespace binding
