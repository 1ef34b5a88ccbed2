#include "engine/model/date_time.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace engine {
namespace {

std::string text_of(const DateTime& t, char separator = ' ') {
  std::string out;
  t.append_text(out, separator);
  return out;
}

// The value text of a parse, or "-" when the text is refused.
std::string parsed(std::string_view text) {
  const auto t = DateTime::parse(text);
  return t ? text_of(*t) : "-";
}

// White space (Unicode White_Space, not U+200B or U+FEFF) may stand before each number
// and for the blank; a signed year takes any number of digits; fields must lie in range,
// and any minute may end in second 60.
TEST(DateTimeParse, AcceptedTexts) {
  for (const char* t : {"2024-1-5 3:4:5", " 2024-01-05 03:04:05", "2024-01-0503:04:05",
                        "2024- 1-\t5 \n 3: 4:  5", "\u00A02024-01-05\u300003:04:05",
                        "2024-01-05\u2028\u008503:04:\u20095", "+2024-01-05 03:04:05",
                        "+00000000000000000000000002024-01-05 03:04:05"})
    EXPECT_EQ(parsed(t), "2024-01-05 03:04:05") << t;
  for (const char* t : {"+10000-01-01 00:00:00", "+262142-12-31 23:59:59",
                        "-262143-01-01 00:00:00", "2024-02-29 00:00:00", "2000-02-29 00:00:00",
                        "2024-06-30 23:59:59", "2024-01-05 00:00:60"})
    EXPECT_EQ(parsed(t), t);
  const std::pair<const char*, const char*> cases[] = {
      {"0-1-1 0:0:0", "0000-01-01 00:00:00"}, {"24-01-05 00:00:00", "0024-01-05 00:00:00"},
      {"-1-01-01 00:00:00", "-0001-01-01 00:00:00"}, {"-0-01-01 00:00:00", "0000-01-01 00:00:00"},
      {" -5-01-01 00:00:00", "-0005-01-01 00:00:00"}, {"-4-02-29 00:00:00", "-0004-02-29 00:00:00"},
      {"0-02-29 00:00:00", "0000-02-29 00:00:00"}};
  for (const auto& [input, text] : cases) EXPECT_EQ(parsed(input), text) << input;
  const auto leap = *DateTime::parse("2024-01-05 23:59:60");
  EXPECT_EQ(leap, (DateTime{2024, 1, 5, 86399, 1000000000}));
  EXPECT_EQ(leap.second(), 60u);
  EXPECT_EQ(leap.fraction(), 0u);
}

TEST(DateTimeParse, RefusedTexts) {
  for (const char* t :
       {"", "2024-01-05", "2024-01-05 03:04", "2024-01-05 03:04:05.5", "2024-01-05T03:04:05",
        "2024/01/05 03:04:05", "2024-01-05 03:04:05Z", "2024-001-05 03:04:05",
        "2024-01-005 03:04:05", "2024-01-05 003:04:05", "2024-01-05 03:04:005",
        "20245-01-05 03:04:05", "2024--1-05 03:04:05", "2024-+1-05 03:04:05",
        "- 2024-01-05 03:04:05", "+-2024-01-05 03:04:05", "2024-01-05 03:04:\u0665",
        "\xFF" "2024-01-05 03:04:05",
        // White space in the wrong place, or characters that only look like it.
        "2024-01-05\u200B03:04:05", "\uFEFF2024-01-05 03:04:05", "2024 -01-05 03:04:05",
        "2024-01-05 03 :04:05", "2024-01-05 03:04:05 ", "2024-01-05 03:04:05\u00A0",
        // Years and fields out of range.
        "+99999999999999999999999999-01-01 00:00:00",
        "-99999999999999999999999999-01-01 00:00:00", "+262143-01-01 00:00:00",
        "-262144-12-31 23:59:59", "2023-02-29 00:00:00", "1900-02-29 00:00:00",
        "-100-02-29 00:00:00", "2024-04-31 00:00:00", "2024-01-32 00:00:00",
        "2024-01-00 00:00:00", "2024-00-01 00:00:00", "2024-13-01 00:00:00",
        "2024-01-05 24:00:00", "2024-01-05 23:60:00", "2024-01-05 23:59:61",
        "2024-01-05 23:59:99"})
    EXPECT_EQ(parsed(t), "-") << t;
}

TEST(DateTimeFromParts, RangesAndLeapSecond) {
  // Year, second and nanosecond past their ranges (the parser never gives a fraction).
  const std::tuple<int64_t, uint32_t, uint32_t, bool> cases[] = {
      {262142, 0, 0, true},          {262143, 0, 0, false},          {-262144, 0, 0, false},
      {2024, 0, 1000000000, false},  {2024, 60, 1000000000, false}, {2024, 59, 1999999999, true},
      {2024, 59, 2000000000, false}};
  for (const auto& [year, second, nanos, valid] : cases)
    EXPECT_EQ(DateTime::from_parts(year, 1, 1, 12, 30, second, nanos).has_value(), valid) << year;
  // Second 60 and second 59 with a fraction of a second or more are the same instant.
  const auto sixty = DateTime::from_parts(2024, 1, 1, 12, 30, 60, 250000000);
  const auto stretched = DateTime::from_parts(2024, 1, 1, 12, 30, 59, 1250000000);
  ASSERT_TRUE(sixty && stretched);
  EXPECT_EQ(*sixty, *stretched);
  EXPECT_EQ(text_of(*sixty), "2024-01-01 12:30:60.250");
}

// The fraction in the fewest of 3, 6 or 9 digits that are exact; years outside 0..9999
// with their sign; fields beyond their ranges (which the record allows) in full.
TEST(DateTimeText, FractionsYearsAndFieldsOutOfRange) {
  const std::pair<uint32_t, std::string> fractions[] = {
      {0, ""}, {500000000, ".500"}, {1000000, ".001"}, {123456000, ".123456"}, {1000, ".000001"},
      {1, ".000000001"}, {100, ".000000100"}, {999999999, ".999999999"}};
  for (const auto& [nanos, fraction] : fractions) {
    EXPECT_EQ(text_of(*DateTime::from_parts(2024, 1, 5, 3, 4, 5, nanos)),
              "2024-01-05 03:04:05" + fraction);
  }
  const std::pair<int64_t, std::string> years[] = {{0, "0000"}, {9999, "9999"}, {10000, "+10000"},
                                                   {-1, "-0001"}, {-10000, "-10000"},
                                                   {-262143, "-262143"}};
  for (const auto& [year, text] : years)
    EXPECT_EQ(text_of(*DateTime::from_parts(year, 1, 5, 3, 4, 5, 0)), text + "-01-05 03:04:05");
  EXPECT_EQ(text_of({INT32_MIN, 255, 255, UINT32_MAX, UINT32_MAX}),
            "-2147483648-255-255 1193046:28:16.294967295");
  EXPECT_EQ(text_of({INT32_MAX, 0, 0, 0, 999999999}), "+2147483647-00-00 00:00:00.999999999");
  std::string out = "at ";
  DateTime::from_parts(2024, 1, 5, 3, 4, 5, 500000000)->append_text(out, 'T');
  EXPECT_EQ(out, "at 2024-01-05T03:04:05.500");
}

}  // namespace
}  // namespace engine
