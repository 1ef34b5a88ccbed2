#include "engine/date_time.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(DateTimeParse, PlainAndShortFields) {
  EXPECT_EQ(parsed("2024-01-05 03:04:05"), "2024-01-05 03:04:05");
  EXPECT_EQ(parsed("2024-1-5 3:4:5"), "2024-01-05 03:04:05");
  EXPECT_EQ(parsed("0-1-1 0:0:0"), "0000-01-01 00:00:00");
  EXPECT_EQ(parsed("24-01-05 00:00:00"), "0024-01-05 00:00:00");
  const auto t = DateTime::parse("2024-12-31 23:58:07");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->year, 2024);
  EXPECT_EQ(t->month, 12);
  EXPECT_EQ(t->day, 31);
  EXPECT_EQ(t->seconds, 23u * 3600 + 58 * 60 + 7);
  EXPECT_EQ(t->nanoseconds, 0u);
  EXPECT_EQ(t->hour(), 23u);
  EXPECT_EQ(t->minute(), 58u);
  EXPECT_EQ(t->second(), 7u);
}

TEST(DateTimeParse, WhiteSpaceBeforeEachNumberAndForTheBlank) {
  EXPECT_EQ(parsed(" 2024-01-05 03:04:05"), "2024-01-05 03:04:05");
  EXPECT_EQ(parsed("2024-01-0503:04:05"), "2024-01-05 03:04:05");
  EXPECT_EQ(parsed("2024- 1-\t5 \n 3: 4:  5"), "2024-01-05 03:04:05");
  // Unicode White_Space: no-break space, ideographic space, line separator, U+0085.
  EXPECT_EQ(parsed("\u00A02024-01-05\u300003:04:05"), "2024-01-05 03:04:05");
  EXPECT_EQ(parsed("2024-01-05\u2028\u008503:04:\u20095"), "2024-01-05 03:04:05");
  // Zero-width space and BOM are not white space.
  EXPECT_EQ(parsed("2024-01-05\u200B03:04:05"), "-");
  EXPECT_EQ(parsed("\uFEFF2024-01-05 03:04:05"), "-");
  // White space may only stand before a number, never before a separator or at the end.
  EXPECT_EQ(parsed("2024 -01-05 03:04:05"), "-");
  EXPECT_EQ(parsed("2024-01-05 03 :04:05"), "-");
  EXPECT_EQ(parsed("2024-01-05 03:04:05 "), "-");
  EXPECT_EQ(parsed("2024-01-05 03:04:05\u00A0"), "-");
}

TEST(DateTimeParse, NothingElseIsAccepted) {
  for (const char* t :
       {"", "2024-01-05", "2024-01-05 03:04", "2024-01-05 03:04:05.5", "2024-01-05T03:04:05",
        "2024/01/05 03:04:05", "2024-01-05 03:04:05Z", "2024-001-05 03:04:05",
        "2024-01-005 03:04:05", "2024-01-05 003:04:05", "2024-01-05 03:04:005",
        "20245-01-05 03:04:05", "2024--1-05 03:04:05", "2024-+1-05 03:04:05",
        "- 2024-01-05 03:04:05", "+-2024-01-05 03:04:05", "2024-01-05 03:04:\u0665",
        "\xFF" "2024-01-05 03:04:05"}) {
    SCOPED_TRACE(t);
    EXPECT_FALSE(DateTime::parse(t));
  }
}

TEST(DateTimeParse, SignedYearsTakeAnyNumberOfDigits) {
  EXPECT_EQ(parsed("+10000-01-01 00:00:00"), "+10000-01-01 00:00:00");
  EXPECT_EQ(parsed("-0001-01-01 00:00:00"), "-0001-01-01 00:00:00");
  EXPECT_EQ(parsed("-1-01-01 00:00:00"), "-0001-01-01 00:00:00");
  EXPECT_EQ(parsed("+2024-01-05 03:04:05"), "2024-01-05 03:04:05");
  EXPECT_EQ(parsed("-0-01-01 00:00:00"), "0000-01-01 00:00:00");
  EXPECT_EQ(parsed("+00000000000000000000000002024-01-05 03:04:05"), "2024-01-05 03:04:05");
  EXPECT_EQ(parsed(" -5-01-01 00:00:00"), "-0005-01-01 00:00:00");
  EXPECT_EQ(parsed("+99999999999999999999999999-01-01 00:00:00"), "-");
  EXPECT_EQ(parsed("-99999999999999999999999999-01-01 00:00:00"), "-");
}

TEST(DateTimeParse, YearRange) {
  EXPECT_EQ(parsed("+262142-12-31 23:59:59"), "+262142-12-31 23:59:59");
  EXPECT_EQ(parsed("-262143-01-01 00:00:00"), "-262143-01-01 00:00:00");
  EXPECT_EQ(parsed("+262143-01-01 00:00:00"), "-");
  EXPECT_EQ(parsed("-262144-12-31 23:59:59"), "-");
}

TEST(DateTimeParse, FieldRanges) {
  EXPECT_EQ(parsed("2024-02-29 00:00:00"), "2024-02-29 00:00:00");
  EXPECT_EQ(parsed("2000-02-29 00:00:00"), "2000-02-29 00:00:00");
  EXPECT_EQ(parsed("-4-02-29 00:00:00"), "-0004-02-29 00:00:00");
  EXPECT_EQ(parsed("0-02-29 00:00:00"), "0000-02-29 00:00:00");
  for (const char* t : {"2023-02-29 00:00:00", "1900-02-29 00:00:00", "-100-02-29 00:00:00",
                        "2024-04-31 00:00:00", "2024-01-32 00:00:00", "2024-01-00 00:00:00",
                        "2024-00-01 00:00:00", "2024-13-01 00:00:00", "2024-01-05 24:00:00",
                        "2024-01-05 23:60:00", "2024-01-05 23:59:61", "2024-01-05 23:59:99"}) {
    SCOPED_TRACE(t);
    EXPECT_FALSE(DateTime::parse(t));
  }
  EXPECT_EQ(parsed("2024-06-30 23:59:59"), "2024-06-30 23:59:59");
}

TEST(DateTimeParse, SecondSixtyIsALeapSecond) {
  const auto t = DateTime::parse("2024-01-05 23:59:60");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->seconds, 86399u);
  EXPECT_EQ(t->nanoseconds, 1000000000u);
  EXPECT_EQ(t->second(), 60u);
  EXPECT_EQ(t->fraction(), 0u);
  EXPECT_EQ(text_of(*t), "2024-01-05 23:59:60");
  // Any minute may carry one.
  EXPECT_EQ(parsed("2024-01-05 00:00:60"), "2024-01-05 00:00:60");
}

TEST(DateTimeFromParts, RangesAndLeapSecond) {
  EXPECT_TRUE(DateTime::from_parts(2024, 2, 29, 0, 0, 0, 0));
  EXPECT_FALSE(DateTime::from_parts(2023, 2, 29, 0, 0, 0, 0));
  EXPECT_FALSE(DateTime::from_parts(262143, 1, 1, 0, 0, 0, 0));
  EXPECT_FALSE(DateTime::from_parts(-262144, 1, 1, 0, 0, 0, 0));
  EXPECT_FALSE(DateTime::from_parts(2024, 1, 1, 0, 0, 0, 1000000000));
  EXPECT_FALSE(DateTime::from_parts(2024, 1, 1, 0, 0, 60, 1000000000));
  // Second 60 and second 59 with a fraction of a second or more are the same instant.
  const auto sixty = DateTime::from_parts(2024, 1, 1, 12, 30, 60, 250000000);
  const auto stretched = DateTime::from_parts(2024, 1, 1, 12, 30, 59, 1250000000);
  ASSERT_TRUE(sixty && stretched);
  EXPECT_EQ(*sixty, *stretched);
  EXPECT_EQ(text_of(*sixty), "2024-01-01 12:30:60.250");
  EXPECT_FALSE(DateTime::from_parts(2024, 1, 1, 12, 30, 59, 2000000000));
}

TEST(DateTimeText, FractionInThreeSixOrNineDigits) {
  const auto at = [](uint32_t nanos) {
    return text_of(*DateTime::from_parts(2024, 1, 5, 3, 4, 5, nanos));
  };
  EXPECT_EQ(at(0), "2024-01-05 03:04:05");
  EXPECT_EQ(at(500000000), "2024-01-05 03:04:05.500");
  EXPECT_EQ(at(1000000), "2024-01-05 03:04:05.001");
  EXPECT_EQ(at(123456000), "2024-01-05 03:04:05.123456");
  EXPECT_EQ(at(1000), "2024-01-05 03:04:05.000001");
  EXPECT_EQ(at(1), "2024-01-05 03:04:05.000000001");
  EXPECT_EQ(at(100), "2024-01-05 03:04:05.000000100");
  EXPECT_EQ(at(999999999), "2024-01-05 03:04:05.999999999");
}

TEST(DateTimeText, YearsAndSeparator) {
  const auto year = [](int64_t y) { return text_of(*DateTime::from_parts(y, 7, 8, 9, 10, 11, 0)); };
  EXPECT_EQ(year(0), "0000-07-08 09:10:11");
  EXPECT_EQ(year(9999), "9999-07-08 09:10:11");
  EXPECT_EQ(year(10000), "+10000-07-08 09:10:11");
  EXPECT_EQ(year(-1), "-0001-07-08 09:10:11");
  EXPECT_EQ(year(-9999), "-9999-07-08 09:10:11");
  EXPECT_EQ(year(-10000), "-10000-07-08 09:10:11");
  EXPECT_EQ(year(-262143), "-262143-07-08 09:10:11");
  const auto t = *DateTime::from_parts(2024, 1, 5, 3, 4, 5, 500000000);
  EXPECT_EQ(text_of(t, 'T'), "2024-01-05T03:04:05.500");
  std::string out = "at ";
  t.append_text(out, ' ');
  EXPECT_EQ(out, "at 2024-01-05 03:04:05.500");
}

}  // namespace
}  // namespace engine
