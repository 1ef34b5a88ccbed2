#include "engine/cell_value.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "engine/cell.h"

namespace engine {
namespace {

using Kind = CellValue::Kind;

struct Case {
  const char* input;
  Kind kind;
  const char* text;  // the value text
};

void expect_inferred(const Case& c) {
  SCOPED_TRACE(std::string("input \"") + c.input + "\"");
  const CellValue v = CellValue::from_text(c.input);
  EXPECT_EQ(v.kind(), c.kind);
  EXPECT_EQ(v.text(), c.text);
}

void expect_string(const char* input) { expect_inferred({input, Kind::String, input}); }

TEST(Inference, EmptyOnlyForNoCharacters) {
  expect_inferred({"", Kind::Empty, ""});
  expect_string(" ");
  expect_string("\t");
}

TEST(Inference, BooleanUsesFullUpperCaseWithoutTrimming) {
  for (const char* t : {"true", "True", "tRuE", "TRUE"}) expect_inferred({t, Kind::Bool, "true"});
  for (const char* t : {"false", "FALSE", "fAlSe"}) expect_inferred({t, Kind::Bool, "false"});
  // The long s upper-cases to S.
  expect_inferred({"fal\u017Fe", Kind::Bool, "false"});
  for (const char* t : {"TRUE ", " true", "tru", "truee", "t rue", "yes",
                        "tru\u00E9",  // e with acute upper-cases to a non-ASCII letter
                        "tru\u0435"})  // Cyrillic ie looks like e
    expect_string(t);
}

TEST(Inference, SignedThirtyTwoBitIntegers) {
  expect_inferred({"+5", Kind::Integer, "5"});
  expect_inferred({"007", Kind::Integer, "7"});
  expect_inferred({"-0", Kind::Integer, "0"});
  expect_inferred({"0", Kind::Integer, "0"});
  expect_inferred({"2147483647", Kind::Integer, "2147483647"});
  expect_inferred({"-2147483648", Kind::Integer, "-2147483648"});
  expect_inferred({"00000000000000000000000042", Kind::Integer, "42"});
  expect_inferred({"-00000000002147483648", Kind::Integer, "-2147483648"});
  // Just outside the range the float test takes over.
  expect_inferred({"2147483648", Kind::Numeric, "2147483648"});
  expect_inferred({"-2147483649", Kind::Numeric, "-2147483649"});
  expect_inferred({"99999999999999999999", Kind::Numeric, "100000000000000000000"});
  for (const char* t : {"+", "-", "+-5", "--5", "5 ", " 5", "1_000", "1,5", "\u0663"})
    expect_string(t);
}

TEST(Inference, FloatGrammar) {
  expect_inferred({"1e3", Kind::Numeric, "1000"});
  expect_inferred({"1E3", Kind::Numeric, "1000"});
  expect_inferred({"1e+3", Kind::Numeric, "1000"});
  expect_inferred({"1.", Kind::Numeric, "1"});
  expect_inferred({".5", Kind::Numeric, "0.5"});
  expect_inferred({"+1.5", Kind::Numeric, "1.5"});
  expect_inferred({"-.5e-1", Kind::Numeric, "-0.05"});
  expect_inferred({"1.e3", Kind::Numeric, "1000"});
  expect_inferred({"-0.0", Kind::Numeric, "-0"});
  expect_inferred({"0e99999999999999999999", Kind::Numeric, "0"});
  expect_inferred({"123456789012345678901234567890", Kind::Numeric,
                   "123456789012345680000000000000"});
  for (const char* t : {"inf", "Infinity", "+inf", "iNfInItY"})
    expect_inferred({t, Kind::Numeric, "inf"});
  expect_inferred({"-INF", Kind::Numeric, "-inf"});
  for (const char* t : {"NaN", "nan", "-nan", "+NAN"}) expect_inferred({t, Kind::Numeric, "NaN"});
  for (const char* t : {"0x10", "0X1p3", "1_000", "1,5", " 12", "12 ", ".", "-", "-.", ".e1",
                        "e1", "1e", "1e+", "1.5.", "1e5.5", "1e5e5", "infin", "infinityy",
                        "nan(1)", "in f", "++1", "1..2", "\u0661.5"})
    expect_string(t);
}

TEST(Inference, FloatOutOfRangeRoundsToInfinityOrZero) {
  expect_inferred({"1e400", Kind::Numeric, "inf"});
  expect_inferred({"-1e400", Kind::Numeric, "-inf"});
  expect_inferred({"1e99999999999999999999999", Kind::Numeric, "inf"});
  expect_inferred({"1.7976931348623159e308", Kind::Numeric, "inf"});
  expect_inferred({"1e-400", Kind::Numeric, "0"});
  expect_inferred({"-1e-400", Kind::Numeric, "-0"});
  expect_inferred({"0.000000000000000000000000000000001e-300", Kind::Numeric, "0"});
  expect_inferred({"1000000000000000000000e-345", Kind::Numeric, "0"});
  expect_inferred({"0.0001e313", Kind::Numeric, "inf"});
  // Half the smallest subnormal rounds to even (zero); a hair more rounds up.
  expect_inferred({"2.4703282292062327e-324", Kind::Numeric, "0"});
  const CellValue up = CellValue::from_text("2.4703282292062328e-324");
  EXPECT_EQ(std::get<double>(up.storage()), std::numeric_limits<double>::denorm_min());
}

TEST(Inference, DateTimeAfterNumbers) {
  expect_inferred({"2024-01-05 03:04:05", Kind::DateTime, "2024-01-05 03:04:05"});
  expect_inferred({"2024-1-5 3:04:05", Kind::DateTime, "2024-01-05 03:04:05"});
  // The leading blank is skipped and lost.
  expect_inferred({" 2024-01-05 03:04:05", Kind::DateTime, "2024-01-05 03:04:05"});
  expect_inferred({"2024-01-05 23:59:60", Kind::DateTime, "2024-01-05 23:59:60"});
  expect_inferred({"+10000-01-01 00:00:00", Kind::DateTime, "+10000-01-01 00:00:00"});
  expect_inferred({"24-01-05 00:00:00", Kind::DateTime, "0024-01-05 00:00:00"});
  for (const char* t : {"2024-01-05 03:04:05.5", "2024-01-05T03:04:05", "2024-01-05",
                        "2024-01-05 03:04:05 ", "2023-02-29 00:00:00", "2024-01-05 24:00:00"})
    expect_string(t);
}

TEST(Inference, OtherTextIsKeptUnchanged) {
  expect_string("hello");
  expect_string("caf\u00E9 \u2603");
  expect_string("\xFF\xFE");  // not UTF-8 at all: still kept byte for byte
}

TEST(DataType, OneLetterPerKind) {
  EXPECT_EQ(CellValue().data_type(), 's');
  EXPECT_EQ(CellValue::from_text("x").data_type(), 's');
  EXPECT_EQ(CellValue::from_text("1.5").data_type(), 'n');
  EXPECT_EQ(CellValue::from_text("15").data_type(), 'n');
  EXPECT_EQ(CellValue::from_text("true").data_type(), 'b');
  EXPECT_EQ(CellValue::from_text("2024-01-05 03:04:05").data_type(), 'd');
}

TEST(StringView, OnlyStringsHaveText) {
  EXPECT_EQ(CellValue::from_text("abc").string_view(), "abc");
  EXPECT_EQ(CellValue::from_text("12").string_view(), "");
  EXPECT_EQ(CellValue().string_view(), "");
}

TEST(ValueText, FmtAppends) {
  std::string out = "x=";
  CellValue::from_text("-2147483648").fmt(out);
  EXPECT_EQ(out, "x=-2147483648");
  CellValue().fmt(out);
  EXPECT_EQ(out, "x=-2147483648");
}

std::string numeric_text(double v) {
  std::string out;
  append_numeric_text(out, v);
  return out;
}

TEST(NumericText, PositionalShortestDigits) {
  EXPECT_EQ(numeric_text(3.0), "3");
  EXPECT_EQ(numeric_text(1.5), "1.5");
  EXPECT_EQ(numeric_text(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(numeric_text(1e20), "100000000000000000000");
  EXPECT_EQ(numeric_text(1e21), "1000000000000000000000");
  EXPECT_EQ(numeric_text(1e-7), "0.0000001");
  EXPECT_EQ(numeric_text(-1e-5), "-0.00001");
  EXPECT_EQ(numeric_text(0.001), "0.001");
  EXPECT_EQ(numeric_text(1234.5), "1234.5");
  EXPECT_EQ(numeric_text(123.456), "123.456");
  EXPECT_EQ(numeric_text(1e16), "10000000000000000");
  EXPECT_EQ(numeric_text(9007199254740993.0), "9007199254740992");
  EXPECT_EQ(numeric_text(0.0), "0");
  EXPECT_EQ(numeric_text(-0.0), "-0");
}

TEST(NumericText, ExtremesAndNonFinite) {
  EXPECT_EQ(numeric_text(std::numeric_limits<double>::max()),
            "17976931348623157" + std::string(292, '0'));
  EXPECT_EQ(numeric_text(-std::numeric_limits<double>::max()),
            "-17976931348623157" + std::string(292, '0'));
  EXPECT_EQ(numeric_text(std::numeric_limits<double>::denorm_min()),
            "0." + std::string(323, '0') + "5");
  EXPECT_EQ(numeric_text(std::numeric_limits<double>::min()),
            "0." + std::string(307, '0') + "22250738585072014");
  EXPECT_EQ(numeric_text(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(numeric_text(-std::numeric_limits<double>::infinity()), "-inf");
  EXPECT_EQ(numeric_text(std::numeric_limits<double>::quiet_NaN()), "NaN");
  EXPECT_EQ(numeric_text(std::copysign(std::numeric_limits<double>::quiet_NaN(), -1.0)), "NaN");
}

// Count of significant digits in a positional value text.
int significant_digits(const std::string& text) {
  std::string digits;
  for (char c : text)
    if (c >= '0' && c <= '9') digits.push_back(c);
  const size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return 1;
  const size_t last = digits.find_last_not_of('0');
  return static_cast<int>(last - first + 1);
}

void check_numeric_text(double v) {
  const std::string text = numeric_text(v);
  SCOPED_TRACE(text);
  ASSERT_EQ(text.find_first_of("eE"), std::string::npos);
  // Reads back as the same double.
  double back = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), back);
  ASSERT_EQ(ec, std::errc());
  ASSERT_EQ(ptr, text.data() + text.size());
  ASSERT_EQ(std::memcmp(&back, &v, sizeof v), 0);
  // No padding: no trailing zeros after a point, no point without digits after it, no
  // leading zero before another digit.
  const size_t point = text.find('.');
  if (point != std::string::npos) {
    ASSERT_NE(text.back(), '0');
    ASSERT_NE(text.back(), '.');
  }
  const size_t lead = text[0] == '-' ? 1 : 0;
  if (text[lead] == '0') {
    ASSERT_TRUE(text.size() == lead + 1 || text[lead + 1] == '.');
  }
  // Shortest: one significant digit fewer, correctly rounded, no longer reads back.
  const int n = significant_digits(text);
  ASSERT_LE(n, 17);
  if (n > 1) {
    char shorter[64];
    std::snprintf(shorter, sizeof shorter, "%.*e", n - 2, v);
    ASSERT_NE(std::strtod(shorter, nullptr), v) << shorter;
  }
  // Integral values within 2^53 are their plain integer digits.
  if (std::fabs(v) < 9007199254740992.0 && v == std::trunc(v) && !(v == 0 && std::signbit(v))) {
    ASSERT_EQ(text, std::to_string(static_cast<int64_t>(v)));
  }
}

TEST(NumericText, RandomDoublesReadBackWithoutExponent) {
  std::mt19937_64 rng(20240105);
  std::uniform_real_distribution<double> everyday(-1e6, 1e6);
  std::uniform_int_distribution<int64_t> integral(-(int64_t{1} << 53), int64_t{1} << 53);
  for (int i = 0; i < 100000; ++i) {
    // Every bit pattern, so all exponents and subnormals are reached.
    uint64_t bits = rng();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (std::isfinite(v)) check_numeric_text(v);
    check_numeric_text(everyday(rng));
    check_numeric_text(static_cast<double>(integral(rng)));
    if (HasFatalFailure()) return;
  }
}

TEST(CellRecord, NewCellInfersValueAndCode) {
  const Cell empty(1, 2, std::nullopt);
  EXPECT_EQ(empty.coord, (Coordinate{1, 2}));
  EXPECT_EQ(empty.value.kind(), Kind::Empty);
  EXPECT_EQ(empty.data_type, 's');
  EXPECT_FALSE(empty.formula() || empty.style_id() || empty.hidden_value());

  const Cell numeric(3, 4, "3.5");
  EXPECT_EQ(numeric.value.kind(), Kind::Numeric);
  EXPECT_EQ(numeric.data_type, 'n');
  EXPECT_EQ(Cell(1, 1, "").value.kind(), Kind::Empty);
  EXPECT_EQ(Cell(1, 1, "FALSE").data_type, 'b');
  EXPECT_EQ(Cell(1, 1, "2024-01-05 03:04:05").data_type, 'd');
}

TEST(CellRecord, SetValueTextLeavesDataType) {
  Cell cell(1, 1, "abc");
  cell.set_value_text("42");
  EXPECT_EQ(cell.value, CellValue::integer(42));
  EXPECT_EQ(cell.data_type, 's');
}

TEST(CellRecord, FormulaCellNeedsFormulaAndCodeF) {
  Cell cell(1, 1, "1");
  cell.data_type = 'f';
  EXPECT_FALSE(cell.is_formula());
  cell.set_formula("=A2");
  EXPECT_TRUE(cell.is_formula());
  cell.data_type = 'n';
  EXPECT_FALSE(cell.is_formula());
}

TEST(CellRecord, CopiesOwnTheirOptionalTexts) {
  Cell a(1, 1, "x");
  a.set_formula("=B1");
  a.set_style_id("s1");
  Cell b = a;
  b.set_formula(std::nullopt);
  b.set_hidden_value("h");
  EXPECT_EQ(a.formula(), "=B1");
  EXPECT_FALSE(a.hidden_value());
  EXPECT_FALSE(b.formula());
  EXPECT_EQ(b.style_id(), "s1");
  EXPECT_EQ(b.value.text(), "x");
  a = b;
  EXPECT_FALSE(a.formula());
  EXPECT_EQ(a.hidden_value(), "h");
}

}  // namespace
}  // namespace engine
