#include "engine/model/cell_value.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <tuple>

#include "engine/model/cell.h"

namespace engine {
namespace {

using Kind = CellValue::Kind;
constexpr Kind S = Kind::String, N = Kind::Numeric, I = Kind::Integer, B = Kind::Bool,
               D = Kind::DateTime;

// Inference takes the first test that succeeds: empty, boolean, integer, float,
// date-time, text. The value text is appended by fmt(); the code letter follows the kind.
TEST(Inference, KindValueTextAndCode) {
  const struct {
    const char* input;
    Kind kind;
    const char* text;
  } cases[] = {
      {"", Kind::Empty, ""},
      // Booleans by their full upper-case form, untrimmed; the long s upper-cases to S.
      {"true", B, "true"}, {"tRuE", B, "true"}, {"FALSE", B, "false"}, {"fal\u017Fe", B, "false"},
      // Signed 32-bit integers, up to their limits, with any leading zeros.
      {"+5", I, "5"}, {"007", I, "7"}, {"-0", I, "0"}, {"2147483647", I, "2147483647"},
      {"-2147483648", I, "-2147483648"}, {"00000000000000000000000042", I, "42"},
      {"-00000000002147483648", I, "-2147483648"},
      // Just outside the range the float test takes over.
      {"2147483648", N, "2147483648"}, {"-2147483649", N, "-2147483649"},
      {"99999999999999999999", N, "100000000000000000000"},
      // The float grammar.
      {"1e3", N, "1000"}, {"1E+3", N, "1000"}, {"1.", N, "1"}, {".5", N, "0.5"},
      {"+1.5", N, "1.5"}, {"-.5e-1", N, "-0.05"}, {"1.e3", N, "1000"}, {"-0.0", N, "-0"},
      {"0e99999999999999999999", N, "0"},
      {"123456789012345678901234567890", N, "123456789012345680000000000000"},
      {"inf", N, "inf"}, {"+Infinity", N, "inf"}, {"iNfInItY", N, "inf"}, {"-INF", N, "-inf"},
      {"NaN", N, "NaN"}, {"-nan", N, "NaN"}, {"+NAN", N, "NaN"},
      // Out of range: infinity or zero; half the smallest subnormal rounds to even.
      {"1e400", N, "inf"}, {"-1e400", N, "-inf"}, {"1e99999999999999999999999", N, "inf"},
      {"1.7976931348623159e308", N, "inf"}, {"1e-400", N, "0"}, {"-1e-400", N, "-0"},
      {"0.000000000000000000000000000000001e-300", N, "0"},
      {"1000000000000000000000e-345", N, "0"}, {"0.0001e313", N, "inf"},
      {"2.4703282292062327e-324", N, "0"},
      // Date-times after numbers (their grammar is date_time_test's); a leading blank is
      // skipped and lost.
      {" 2024-1-5 3:04:05", D, "2024-01-05 03:04:05"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("input \"") + c.input + "\"");
    const CellValue v = CellValue::from_text(c.input);
    EXPECT_EQ(v.kind(), c.kind);
    std::string out = "x";
    v.fmt(out);
    EXPECT_EQ(out, std::string("x") + c.text);
    EXPECT_EQ(v.data_type(), "ssnnbd"[static_cast<int>(c.kind)]);
  }
  const CellValue up = CellValue::from_text("2.4703282292062328e-324");
  EXPECT_EQ(up.as_numeric(), std::numeric_limits<double>::denorm_min());
  // Too small, though the exponent is positive: the side is the leading digit's.
  EXPECT_EQ(CellValue::from_text("0." + std::string(400, '0') + "1e10"), CellValue::numeric(0));
}

TEST(Inference, OtherTextIsKeptUnchanged) {
  for (const char* t :
       {" ", "\t", "hello", "caf\u00E9 \u2603", "\xFF\xFE",
        // Not booleans: blanks, other letters, e with acute, a Cyrillic look-alike.
        "TRUE ", " true", "tru", "truee", "t rue", "yes", "tru\u00E9", "tru\u0435",
        // Not numbers.
        "+", "-", "+-5", "--5", "5 ", " 5", "1_000", "1,5", "\u0663", "0x10", "0X1p3", ".",
        "-.", ".e1", "e1", "1e", "1e+", "1.5.", "1e5.5", "1e5e5", "infin", "infinityy",
        "nan(1)", "in f", "++1", "1..2", "\u0661.5", "2024-01-05 03:04:05 "}) {
    SCOPED_TRACE(std::string("input \"") + t + "\"");
    const CellValue v = CellValue::from_text(t);
    EXPECT_EQ(v.kind(), S);
    EXPECT_EQ(v.text(), t);
    EXPECT_EQ(v.data_type(), 's');
  }
}

// Texts in place and on the heap, around the boundary between the two: copies and
// moves keep every byte, equality compares texts, and a moved-from value is Empty.
TEST(Storage, TextsAroundTheInPlaceLimitSurviveCopiesAndMoves) {
  for (size_t n : {size_t{0}, size_t{1}, CellValue::kInPlace - 1, CellValue::kInPlace,
                   CellValue::kInPlace + 1, size_t{1000}}) {
    std::string text;
    for (size_t i = 0; i < n; ++i) text += static_cast<char>('a' + i % 26);
    SCOPED_TRACE(n);
    CellValue v = CellValue::string(text);
    CellValue copy = v;
    EXPECT_EQ(copy.as_string(), text);
    EXPECT_EQ(copy, v);
    CellValue moved = std::move(v);
    EXPECT_EQ(moved.as_string(), text);
    EXPECT_EQ(v.kind(), Kind::Empty);  // NOLINT(bugprone-use-after-move)
    copy = CellValue::numeric(2.5);
    EXPECT_NE(copy, moved);
    copy = moved;
    EXPECT_EQ(copy.as_string(), text);
    moved = CellValue::string(text + "x");
    EXPECT_EQ(moved.as_string(), text + "x");
    EXPECT_NE(moved, copy);
  }
  const DateTime when{-262143, 12, 31, 86399, 1999999999};
  EXPECT_EQ(CellValue::date_time(when).as_date_time(), when);
  EXPECT_EQ(CellValue::integer(-7).as_integer(), -7);
  EXPECT_TRUE(CellValue::boolean(true).as_bool());
  EXPECT_NE(CellValue::integer(1), CellValue::numeric(1.0));
}

std::string numeric_text(double v) {
  std::string out;
  append_numeric_text(out, v);
  return out;
}

TEST(NumericText, ExactTexts) {
  constexpr double kMax = std::numeric_limits<double>::max();
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const std::pair<double, std::string> cases[] = {
      {1e21, "1000000000000000000000"}, {-1e-5, "-0.00001"}, {123.456, "123.456"},
      {0.0, "0"}, {-0.0, "-0"},
      {kMax, "17976931348623157" + std::string(292, '0')},
      {-kMax, "-17976931348623157" + std::string(292, '0')},
      {std::numeric_limits<double>::denorm_min(), "0." + std::string(323, '0') + "5"},
      {std::numeric_limits<double>::min(), "0." + std::string(307, '0') + "22250738585072014"},
      {kInf, "inf"}, {-kInf, "-inf"}, {kNaN, "NaN"}, {std::copysign(kNaN, -1.0), "NaN"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(numeric_text(value), text) << value;
}

// Count of significant digits in a positional value text.
int significant_digits(const std::string& text) {
  std::string digits;
  for (char c : text)
    if (c >= '0' && c <= '9') digits.push_back(c);
  const size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return 1;
  return static_cast<int>(digits.find_last_not_of('0') - first + 1);
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
  if (text.find('.') != std::string::npos) {
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
  for (int i = 0; i < 100000 && !HasFatalFailure(); ++i) {
    // Every bit pattern, so all exponents and subnormals are reached.
    uint64_t bits = rng();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (std::isfinite(v)) check_numeric_text(v);
    check_numeric_text(everyday(rng));
    check_numeric_text(static_cast<double>(integral(rng)));
  }
}

// A copy owns its optional texts: changing one side leaves the other.
TEST(CellRecord, CopiesOwnTheirOptionalTexts) {
  Cell a(1, 1, "x");
  a.set_formula("=B1");
  a.set_style_id("s1");
  Cell b = a;
  b.set_formula(std::nullopt);
  b.set_hidden_value("h");
  using T = std::optional<std::string>;
  EXPECT_EQ(std::tuple(a.formula(), a.hidden_value(), b.formula(), b.style_id(), b.value.text()),
            std::tuple(T("=B1"), T(), T(), T("s1"), "x"));
  a = b;
  EXPECT_EQ(std::pair(a.formula(), a.hidden_value()), std::pair(T(), T("h")));
}

// Any code is kept as given; only a one-byte one stays inline, and only "f" makes a
// formula cell. A one-byte code written straight into the record wins over a longer one.
TEST(CellRecord, DataTypeOfAnyLength) {
  using namespace std::string_literals;
  const std::tuple<std::string, bool, bool> cases[] = {
      {"f", true, false}, {"s", false, false}, {"z", false, false}, {"", false, true},
      {"ff", false, true}, {"xyz", false, true}, {"\0"s, false, true}};
  for (const auto& [code, formula, out_of_line] : cases) {
    Cell cell(1, 1, "x");
    cell.set_formula("=A1");
    cell.set_data_type(code);
    EXPECT_EQ(cell.data_type_text(), code);
    EXPECT_EQ(cell.is_formula(), formula) << code;
    EXPECT_EQ(cell.data_type == Cell::kDataTypeOutOfLine, out_of_line) << code;
    cell.set_formula(std::nullopt);
    EXPECT_EQ(cell.has_optional_texts(), out_of_line) << code;
    const Cell copy = cell;
    EXPECT_EQ(copy.data_type_text(), code);
    cell.data_type = 'n';
    EXPECT_EQ(cell.data_type_text(), "n");
    cell.set_data_type("b");
    EXPECT_EQ(cell.data_type_text(), "b");
    EXPECT_FALSE(cell.has_optional_texts()) << code;
  }
}

}  // namespace
}  // namespace engine
