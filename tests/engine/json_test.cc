#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "engine/book.h"
#include "engine/cloned_cells.h"
#include "engine/json_export.h"
#include "engine/json_writer.h"
#include "engine/stop.h"

// Allocations of at least this many bytes are refused while it is non-zero, so that the
// writer's own failure can be provoked without exhausting the machine. Every plain form
// of new and delete is replaced, so that all of them agree on malloc and free; they are
// kept out of line, so that the compiler never pairs an inlined free() with a new.
static std::atomic<size_t> g_refuse_from{0};

__attribute__((noinline)) static void* allocate(std::size_t size) noexcept {
  const size_t limit = g_refuse_from.load(std::memory_order_relaxed);
  if (limit != 0 && size >= limit) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}
__attribute__((noinline)) static void release(void* p) noexcept { std::free(p); }

void* operator new(std::size_t size) {
  if (void* p = allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  if (void* p = allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size);
}
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }

namespace engine {
namespace {

// ---------------------------------------------------------------------------------------
// Numbers

std::string number_text(double v) {
  JsonWriter out;
  out.number(v);
  return out.take();
}

TEST(JsonNumber, FixedForms) {
  const std::pair<double, const char*> cases[] = {
      {20.0, "20.0"},
      {22.5, "22.5"},
      {3.0, "3.0"},
      {0.0, "0.0"},
      {-0.0, "-0.0"},
      {-1.5, "-1.5"},
      {2147483648.0, "2147483648.0"},
      {1e15, "1000000000000000.0"},
      {9007199254740992.0, "9007199254740992.0"},
      {1e16, "1e16"},
      {1.2345678901234568e16, "1.2345678901234568e16"},
      {123.456, "123.456"},
      {0.1 + 0.2, "0.30000000000000004"},
      {0.5, "0.5"},
      {0.0001, "0.0001"},
      {0.00001, "0.00001"},
      {0.000015, "0.000015"},
      {0.000001, "1e-6"},
      {1.5e-6, "1.5e-6"},
      {2.5e-7, "2.5e-7"},
      {1.5e300, "1.5e300"},
      {-1e22, "-1e22"},
      {std::numeric_limits<double>::max(), "1.7976931348623157e308"},
      {std::numeric_limits<double>::min(), "2.2250738585072014e-308"},
      {std::numeric_limits<double>::denorm_min(), "5e-324"},
      {-std::numeric_limits<double>::denorm_min(), "-5e-324"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(number_text(value), text) << value;
}

TEST(JsonNumber, NonFiniteIsNull) {
  EXPECT_EQ(number_text(std::numeric_limits<double>::quiet_NaN()), "null");
  EXPECT_EQ(number_text(-std::numeric_limits<double>::quiet_NaN()), "null");
  EXPECT_EQ(number_text(std::numeric_limits<double>::infinity()), "null");
  EXPECT_EQ(number_text(-std::numeric_limits<double>::infinity()), "null");
}

// A decimal as shortest digits D (no leading or trailing zeros) and p, with
// 10^(p-1) <= |value| < 10^p.
struct Decimal {
  std::string digits;
  int p = 0;
  bool operator==(const Decimal&) const = default;
};

// The shortest digits found the slow way: the fewest significant digits that printf,
// which rounds the exact value correctly, needs for the text to read back.
Decimal shortest_by_printf(double v) {
  char buf[64];
  for (int precision = 1; precision <= 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*e", precision - 1, std::fabs(v));
    if (std::strtod(buf, nullptr) == std::fabs(v)) break;
  }
  std::string mantissa(buf, std::strchr(buf, 'e'));
  Decimal d;
  for (char c : mantissa)
    if (c != '.') d.digits.push_back(c);
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  d.p = std::atoi(std::strchr(buf, 'e') + 1) + 1;
  return d;
}

// The digits and p that a written number denotes, whatever its layout.
Decimal decimal_of_text(std::string text) {
  if (!text.empty() && text[0] == '-') text.erase(0, 1);
  Decimal d;
  const size_t e = text.find('e');
  if (e != std::string::npos) {
    for (size_t i = 0; i < e; ++i)
      if (text[i] != '.') d.digits.push_back(text[i]);
    d.p = std::stoi(text.substr(e + 1)) + 1;
    return d;
  }
  const size_t point = text.find('.');
  const std::string all = text.substr(0, point) + text.substr(point + 1);
  const size_t first = all.find_first_not_of('0');
  d.digits = all.substr(first);
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  d.p = static_cast<int>(point) - static_cast<int>(first);
  return d;
}

enum class Layout { kWhole, kPoint, kSmall, kScientific, kMalformed };

bool all_digits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Which of the four layouts a number text has: "123.0", "1.25", "0.00125" or "1.25e-7"
// (no leading zeros, no trailing zeros after the point, no "+" in the exponent).
Layout layout_of(std::string_view t) {
  if (!t.empty() && t[0] == '-') t.remove_prefix(1);
  const size_t e = t.find('e');
  if (e != std::string_view::npos) {
    const std::string_view mantissa = t.substr(0, e);
    std::string_view exponent = t.substr(e + 1);
    if (!exponent.empty() && exponent[0] == '-') exponent.remove_prefix(1);
    if (!all_digits(exponent) || exponent[0] == '0') return Layout::kMalformed;
    if (mantissa.empty() || mantissa[0] < '1' || mantissa[0] > '9') return Layout::kMalformed;
    if (mantissa.size() == 1) return Layout::kScientific;
    if (mantissa[1] != '.' || !all_digits(mantissa.substr(2)) || mantissa.back() == '0')
      return Layout::kMalformed;
    return Layout::kScientific;
  }
  const size_t point = t.find('.');
  if (point == std::string_view::npos) return Layout::kMalformed;
  const std::string_view whole = t.substr(0, point);
  const std::string_view fraction = t.substr(point + 1);
  if (!all_digits(whole) || !all_digits(fraction)) return Layout::kMalformed;
  if (whole == "0") {
    if (fraction.find_first_not_of('0') == std::string_view::npos || fraction.back() == '0')
      return Layout::kMalformed;
    return Layout::kSmall;
  }
  if (whole[0] == '0') return Layout::kMalformed;
  if (fraction == "0") return Layout::kWhole;
  return fraction.back() == '0' ? Layout::kMalformed : Layout::kPoint;
}

void expect_number_rules(double v) {
  const std::string text = number_text(v);
  SCOPED_TRACE(text);
  ASSERT_EQ(std::strtod(text.c_str(), nullptr), v);
  ASSERT_EQ(text[0] == '-', std::signbit(v));

  const Decimal expected = shortest_by_printf(v);
  ASSERT_EQ(decimal_of_text(text), expected);

  const int p = expected.p;
  const int k = p - static_cast<int>(expected.digits.size());
  Layout rule = Layout::kScientific;
  if (k >= 0 && p <= 16) {
    rule = Layout::kWhole;
  } else if (p > 0 && p <= 16) {
    rule = Layout::kPoint;
  } else if (p > -5 && p <= 0) {
    rule = Layout::kSmall;
  }
  EXPECT_EQ(layout_of(text), rule);
}

TEST(JsonNumber, RandomBitPatternsReadBackInTheirLayout) {
  std::mt19937_64 random(20240131);
  for (int i = 0; i < 20000; ++i) {
    double v;
    const uint64_t bits = random();
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v) || v == 0) continue;
    expect_number_rules(v);
    if (HasFatalFailure()) return;
  }
}

// Magnitudes around the layout boundaries (p from -8 to 20), where the rule switches.
TEST(JsonNumber, RandomValuesNearLayoutBoundariesReadBackInTheirLayout) {
  std::mt19937_64 random(7);
  std::uniform_int_distribution<int> exponent(-8, 20);
  std::uniform_int_distribution<int> length(1, 17);
  for (int i = 0; i < 20000; ++i) {
    std::string digits;
    const int n = length(random);
    for (int j = 0; j < n; ++j) digits.push_back(static_cast<char>('0' + random() % 10));
    digits[0] = static_cast<char>('1' + random() % 9);
    const std::string text = digits + "e" + std::to_string(exponent(random) - n + 1);
    double v = std::strtod(text.c_str(), nullptr);
    if (random() % 2) v = -v;
    expect_number_rules(v);
    if (HasFatalFailure()) return;
  }
}

// Few decimals, as sheets mostly hold, take a shortcut past the general digit search;
// up to 2^48 it must agree with it, and beyond it the general search takes over.
TEST(JsonNumber, RandomShortDecimalsReadBackInTheirLayout) {
  std::mt19937_64 random(8);
  for (int i = 0; i < 40000; ++i) {
    const uint64_t digits = random() % (uint64_t{1} << (1 + random() % 52));
    const int decimals = static_cast<int>(random() % 11);
    const std::string text = std::to_string(digits) + "e-" + std::to_string(decimals);
    double v = std::strtod(text.c_str(), nullptr);
    if (v == 0) continue;
    if (random() % 2) v = -v;
    expect_number_rules(v);
    if (HasFatalFailure()) return;
  }
  for (const double v : {0x1p48, 0x1p48 - 1, 0x1p48 + 1, 281474976710655.5, 1e-5,
                         0.000010000000000000002, 9.999999999999999e-6, 0.1, 0.7, 1.1,
                         99999999.99999999, 123456.78901234})
    expect_number_rules(v);
}

TEST(JsonNumber, IntegersPlain) {
  JsonWriter out;
  out.integer(0);
  out.raw(',');
  out.integer(-5);
  out.raw(',');
  out.integer(std::numeric_limits<int32_t>::min());
  out.raw(',');
  out.integer(std::numeric_limits<int64_t>::min());
  out.raw(',');
  out.unsigned_integer(std::numeric_limits<uint64_t>::max());
  out.raw(',');
  out.unsigned_integer(100);
  EXPECT_EQ(out.take(),
            "0,-5,-2147483648,-9223372036854775808,18446744073709551615,100");
}

// ---------------------------------------------------------------------------------------
// Strings

std::string string_text(std::string_view text) {
  JsonWriter out;
  out.string(text);
  return out.take();
}

TEST(JsonString, EveryByteValue) {
  for (int b = 0; b < 256; ++b) {
    std::string expected;
    switch (b) {
      case '"': expected = "\\\""; break;
      case '\\': expected = "\\\\"; break;
      case 0x08: expected = "\\b"; break;
      case 0x09: expected = "\\t"; break;
      case 0x0A: expected = "\\n"; break;
      case 0x0C: expected = "\\f"; break;
      case 0x0D: expected = "\\r"; break;
      default:
        if (b < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", b);
          expected = buf;
        } else {
          expected = std::string(1, static_cast<char>(b));
        }
    }
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(string_text(one), "\"" + expected + "\"") << "byte " << b;
    // Between plain runs, so that the run copying around an escape is exercised too.
    EXPECT_EQ(string_text("ab" + one + "cd"), "\"ab" + expected + "cd\"") << "byte " << b;
  }
}

TEST(JsonString, MixedText) {
  EXPECT_EQ(string_text(""), "\"\"");
  EXPECT_EQ(string_text("a/b\x7f" "\xc3\xa9z"), "\"a/b\x7f\xc3\xa9z\"");
  EXPECT_EQ(string_text("\"\"\x1f\n"), R"("\"\"\u001f\n")");
  EXPECT_EQ(string_text("tab\there"), R"("tab\there")");
  // Bytes that are not valid UTF-8 pass through as they are.
  EXPECT_EQ(string_text("\xff\xfe"), "\"\xff\xfe\"");
  // A long text with escapes at both ends crosses several buffer growths.
  const std::string long_text = "\n" + std::string(5000, 'x') + "\\";
  EXPECT_EQ(string_text(long_text), "\"\\n" + std::string(5000, 'x') + "\\\\\"");
}

// Past a few kilobytes a text gets room for exactly its escaped size, not six bytes a
// byte: every byte needing the long escape is the case where that must still suffice.
TEST(JsonString, LongTextsOfEveryEscape) {
  for (const char b : {'\x01', '\n', '"', 'x'}) {
    const std::string text(9000, b);
    const std::string escaped = string_text(std::string(1, b));
    std::string expected = "\"";
    for (int i = 0; i < 9000; ++i) expected += escaped.substr(1, escaped.size() - 2);
    expected += "\"";
    EXPECT_EQ(string_text(text), expected) << int{b};
  }
}

// ---------------------------------------------------------------------------------------
// Date-times

std::string date_time_text(DateTime value) {
  JsonWriter out;
  out.date_time(value);
  return out.take();
}

TEST(JsonDateTime, Forms) {
  const uint32_t t = 13 * 3600 + 45 * 60;
  EXPECT_EQ(date_time_text({2024, 1, 31, t, 0}), "\"2024-01-31T13:45:00\"");
  EXPECT_EQ(date_time_text({2024, 1, 31, t, 500000000}), "\"2024-01-31T13:45:00.500\"");
  EXPECT_EQ(date_time_text({2024, 1, 31, t, 123000000}), "\"2024-01-31T13:45:00.123\"");
  EXPECT_EQ(date_time_text({2024, 1, 31, t, 123456000}), "\"2024-01-31T13:45:00.123456\"");
  EXPECT_EQ(date_time_text({2024, 1, 31, t, 123456789}), "\"2024-01-31T13:45:00.123456789\"");
  EXPECT_EQ(date_time_text({2024, 1, 31, t, 1}), "\"2024-01-31T13:45:00.000000001\"");
  EXPECT_EQ(date_time_text({0, 2, 3, 4, 0}), "\"0000-02-03T00:00:04\"");
  EXPECT_EQ(date_time_text({9999, 12, 31, 0, 0}), "\"9999-12-31T00:00:00\"");
  EXPECT_EQ(date_time_text({10000, 1, 1, 0, 0}), "\"+10000-01-01T00:00:00\"");
  EXPECT_EQ(date_time_text({-1, 1, 1, 0, 0}), "\"-0001-01-01T00:00:00\"");
  EXPECT_EQ(date_time_text({-262143, 1, 1, 0, 0}), "\"-262143-01-01T00:00:00\"");
}

// Fields beyond their ranges (no constructor makes them, but the record allows them)
// are written in full, each at least as wide as its form.
TEST(JsonDateTime, FieldsOutOfRangeWrittenInFull) {
  EXPECT_EQ(date_time_text({INT32_MIN, 255, 255, UINT32_MAX, UINT32_MAX}),
            "\"-2147483648-255-255T1193046:28:16.294967295\"");
  EXPECT_EQ(date_time_text({INT32_MAX, 0, 0, 0, 999999999}),
            "\"+2147483647-00-00T00:00:00.999999999\"");
}

TEST(JsonDateTime, LeapSecondIsSecondSixty) {
  const uint32_t last = 86399;
  EXPECT_EQ(date_time_text({2016, 12, 31, last, 1000000000}), "\"2016-12-31T23:59:60\"");
  EXPECT_EQ(date_time_text({2016, 12, 31, last, 1500000000}), "\"2016-12-31T23:59:60.500\"");
}

// ---------------------------------------------------------------------------------------
// Books and sheets

std::string json_of(const Book& book) {
  Result<std::string> text = to_json(book);
  EXPECT_TRUE(text.ok()) << (text.ok() ? "" : text.error().text());
  return text.ok() ? text.value() : std::string();
}

std::string json_of(const Sheet& sheet) {
  JsonWriter out;
  EXPECT_TRUE(serialize(sheet, out).ok());
  return out.take();
}

Shared<Cell> put_cell(Sheet& sheet, Coordinate key, Coordinate own, CellValue value,
                      char code) {
  auto cell = Shared<Cell>::make(own.row, own.column, std::nullopt);
  {
    auto w = cell.write();
    w->value = std::move(value);
    w->data_type = code;
  }
  sheet.cells.entries.insert_or_assign(key, cell);
  return cell;
}

Shared<Cell> put_cell(Sheet& sheet, uint32_t row, uint16_t column, CellValue value,
                      char code) {
  return put_cell(sheet, {row, column}, {row, column}, std::move(value), code);
}

// The text of a sheet named S, visible, holding exactly the given cell objects.
std::string sheet_with_cells(const std::string& cells) {
  return R"({"name":"S","sheet_state":"visible","merge_cells":[],"cells":[)" + cells +
         R"(],"row_dimensions":{"default_height":20.0},)"
         R"("column_dimensions":{"default_width":22.5},"comments":[]})";
}

TEST(JsonExport, EmptyBook) { EXPECT_EQ(json_of(Book{}), R"({"sheets":[]})"); }

TEST(JsonExport, EmptySheetInABook) {
  Book book;
  add_sheet(book, "S", "visible");
  EXPECT_EQ(json_of(book),
            R"({"sheets":[{"name":"S","sheet_state":"visible","merge_cells":[],"cells":[],)"
            R"("row_dimensions":{"default_height":20.0},)"
            R"("column_dimensions":{"default_width":22.5},"comments":[]}]})");
}

TEST(JsonExport, SheetsInBookOrder) {
  Book book;
  add_sheet(book, "b", "hidden");
  add_sheet(book, "a", "visible");
  add_sheet(book, "b", "");
  const std::string text = json_of(book);
  const size_t first = text.find(R"({"name":"b","sheet_state":"hidden")");
  const size_t second = text.find(R"(},{"name":"a","sheet_state":"visible")");
  const size_t third = text.find(R"(},{"name":"b","sheet_state":"")");
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(second, std::string::npos);
  ASSERT_NE(third, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_LT(second, third);
  EXPECT_EQ(text.substr(text.size() - 3), "}]}");
}

TEST(JsonExport, CellKeysPresentOnlyWhenSet) {
  Sheet sheet("S", "visible");
  auto cell = put_cell(sheet, 2, 3, CellValue::string("x"), 's');
  EXPECT_EQ(json_of(sheet),
            sheet_with_cells(R"({"row":2,"column":3,"value":"x","data_type":"s"})"));

  {
    auto w = cell.write();
    w->set_formula("=A1");
    w->data_type = 'f';
    w->set_style_id("bold");
    w->set_hidden_value("h");
  }
  EXPECT_EQ(json_of(sheet),
            sheet_with_cells(R"({"row":2,"column":3,"value":"x","formula":"=A1",)"
                             R"("data_type":"f","style_id":"bold","hidden_value":"h"})"));

  // Each optional key on its own, to pin its place among the others.
  {
    auto w = cell.write();
    w->set_formula(std::nullopt);
    w->set_hidden_value(std::nullopt);
  }
  EXPECT_EQ(json_of(sheet),
            sheet_with_cells(
                R"({"row":2,"column":3,"value":"x","data_type":"f","style_id":"bold"})"));
  {
    auto w = cell.write();
    w->set_style_id(std::nullopt);
    w->set_hidden_value("");
  }
  EXPECT_EQ(json_of(sheet),
            sheet_with_cells(
                R"({"row":2,"column":3,"value":"x","data_type":"f","hidden_value":""})"));
}

TEST(JsonExport, EachValueKind) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<CellValue, std::string> cases[] = {
      {CellValue(), R"(null,"data_type":"s")"},
      {CellValue::string("a\"b"), R"("a\"b","data_type":"s")"},
      {CellValue::string(""), R"("","data_type":"s")"},
      {CellValue::numeric(3.0), R"(3.0,"data_type":"n")"},
      {CellValue::numeric(nan), R"(null,"data_type":"n")"},
      {CellValue::numeric(inf), R"(null,"data_type":"n")"},
      {CellValue::numeric(-inf), R"(null,"data_type":"n")"},
      {CellValue::numeric(1e16), R"(1e16,"data_type":"n")"},
      {CellValue::numeric(0.000001), R"(1e-6,"data_type":"n")"},
      {CellValue::numeric(0.00001), R"(0.00001,"data_type":"n")"},
      {CellValue::numeric(-0.0), R"(-0.0,"data_type":"n")"},
      {CellValue::integer(-2147483648), R"(-2147483648,"data_type":"n")"},
      {CellValue::integer(7), R"(7,"data_type":"n")"},
      {CellValue::boolean(true), R"(true,"data_type":"b")"},
      {CellValue::boolean(false), R"(false,"data_type":"b")"},
      {CellValue::date_time({10000, 1, 1, 0, 123456000}),
       R"("+10000-01-01T00:00:00.123456","data_type":"d")"},
  };
  for (const auto& [value, text] : cases) {
    Sheet sheet("S", "visible");
    put_cell(sheet, 1, 1, value, value.data_type());
    EXPECT_EQ(json_of(sheet), sheet_with_cells(R"({"row":1,"column":1,"value":)" + text + "}"));
  }
}

TEST(JsonExport, DataTypeCodesEscapedLikeStrings) {
  const std::pair<char, std::string> cases[] = {
      {'f', R"("f")"}, {'"', R"("\"")"}, {'\\', R"("\\")"}, {'\t', R"("\t")"},
      {'\x01', R"("\u0001")"}, {'/', R"("/")"}, {'\xff', "\"\xff\""}};
  for (const auto& [code, text] : cases) {
    Sheet sheet("S", "visible");
    put_cell(sheet, 1, 1, CellValue::boolean(true), code);
    EXPECT_EQ(json_of(sheet),
              sheet_with_cells(R"({"row":1,"column":1,"value":true,"data_type":)" + text + "}"))
        << int{code};
  }
}

TEST(JsonExport, LongCellTexts) {
  const std::string long_text = std::string(6000, '\x02') + "end";
  std::string escaped;
  for (int i = 0; i < 6000; ++i) escaped += "\\u0002";
  escaped += "end";
  Sheet sheet("S", "visible");
  auto cell = put_cell(sheet, 1, 1, CellValue::string(long_text), 'f');
  cell.write()->set_formula(long_text);
  cell.write()->set_hidden_value(long_text);
  EXPECT_EQ(json_of(sheet), sheet_with_cells(R"({"row":1,"column":1,"value":")" + escaped +
                                              R"(","formula":")" + escaped +
                                              R"(","data_type":"f","hidden_value":")" +
                                              escaped + R"("})"));
}

TEST(JsonExport, InferredValuesKeepTheirKind) {
  const std::pair<const char*, std::string> cases[] = {
      {"2147483648", R"(2147483648.0,"data_type":"n")"},
      {"2147483647", R"(2147483647,"data_type":"n")"},
      {"3.0", R"(3.0,"data_type":"n")"},
      {"TRUE", R"(true,"data_type":"b")"},
      {"2024-01-31 13:45:00", R"("2024-01-31T13:45:00","data_type":"d")"},
      {"12 ", R"("12 ","data_type":"s")"},
  };
  for (const auto& [input, text] : cases) {
    Sheet sheet("S", "visible");
    sheet.cells.entries.emplace(Coordinate{4, 2}, Shared<Cell>::make(4, 2, input));
    EXPECT_EQ(json_of(sheet), sheet_with_cells(R"({"row":4,"column":2,"value":)" + text + "}"))
        << input;
  }
}

TEST(JsonExport, CellsSortedByTheirOwnCoordinates) {
  Sheet sheet("S", "visible");
  const Coordinate coords[] = {{3, 1}, {1, 2}, {2, 5}, {1, 1}, {70000, 1}, {2, 4}, {1, 65535}};
  for (const Coordinate& c : coords) put_cell(sheet, c.row, c.column, CellValue(), 's');
  // A cell stored under one key but carrying another coordinate is written and sorted
  // by its own fields.
  put_cell(sheet, {9, 9}, {2, 6}, CellValue::integer(1), 'n');

  const std::string expected = sheet_with_cells(
      R"({"row":1,"column":1,"value":null,"data_type":"s"},)"
      R"({"row":1,"column":2,"value":null,"data_type":"s"},)"
      R"({"row":1,"column":65535,"value":null,"data_type":"s"},)"
      R"({"row":2,"column":4,"value":null,"data_type":"s"},)"
      R"({"row":2,"column":5,"value":null,"data_type":"s"},)"
      R"({"row":2,"column":6,"value":1,"data_type":"n"},)"
      R"({"row":3,"column":1,"value":null,"data_type":"s"},)"
      R"({"row":70000,"column":1,"value":null,"data_type":"s"})");
  EXPECT_EQ(json_of(sheet), expected);
  // Another sheet with the same cells has its own map seed, hence another map order;
  // the text is the same.
  Sheet copy = sheet.clone();
  EXPECT_EQ(json_of(copy), expected);
}

TEST(JsonExport, EqualCoordinatesKeepCopyOrder) {
  Sheet sheet("S", "visible");
  for (int i = 0; i < 40; ++i)
    put_cell(sheet, {static_cast<uint32_t>(100 + i), 1}, {5, 5}, CellValue::integer(i), 'n');
  put_cell(sheet, 1, 1, CellValue::integer(-1), 'n');

  std::string expected = R"({"row":1,"column":1,"value":-1,"data_type":"n"})";
  const ClonedCells copies = cloned_cells(sheet.cells);
  for (const ClonedCells::Record& cell : copies.records()) {
    if (cell.row != 5) continue;
    expected += R"(,{"row":5,"column":5,"value":)" +
                std::to_string(std::get<int32_t>(copies.value(cell).storage())) +
                R"(,"data_type":"n"})";
  }
  EXPECT_EQ(json_of(sheet), sheet_with_cells(expected));
}

// The (row, column, value) triples in the order the text lists its cells; every test
// cell holds a distinct integer, so the value names the cell.
std::vector<std::tuple<uint32_t, uint32_t, int32_t>> written_cells(const std::string& text) {
  std::vector<std::tuple<uint32_t, uint32_t, int32_t>> out;
  const std::string row_key = R"({"row":)";
  for (size_t at = text.find(row_key); at != std::string::npos;
       at = text.find(row_key, at + 1)) {
    char* end;
    const unsigned long row = std::strtoul(text.c_str() + at + row_key.size(), &end, 10);
    EXPECT_EQ(std::string_view(end, 10), R"(,"column":)");
    const unsigned long column = std::strtoul(end + 10, &end, 10);
    EXPECT_EQ(std::string_view(end, 9), R"(,"value":)");
    const long value = std::strtol(end + 9, &end, 10);
    out.emplace_back(static_cast<uint32_t>(row), static_cast<uint32_t>(column),
                     static_cast<int32_t>(value));
  }
  return out;
}

// What the text must list: the copies in copy order, stably sorted by coordinate.
std::vector<std::tuple<uint32_t, uint32_t, int32_t>> expected_cells(const Sheet& sheet) {
  const ClonedCells copies = cloned_cells(sheet.cells);
  std::vector<ClonedCells::Record> records = copies.records();
  std::stable_sort(records.begin(), records.end(),
                   [](const ClonedCells::Record& a, const ClonedCells::Record& b) {
                     return ClonedCells::coord(a) < ClonedCells::coord(b);
                   });
  std::vector<std::tuple<uint32_t, uint32_t, int32_t>> out;
  for (const ClonedCells::Record& r : records)
    out.emplace_back(r.row, r.column, std::get<int32_t>(copies.value(r).storage()));
  return out;
}

// Rows and columns near each other, with repeated coordinates.
TEST(JsonExport, ManyCellsInNarrowRangeSortStably) {
  Sheet sheet("S", "visible");
  std::mt19937_64 random(11);
  for (int32_t i = 0; i < 5000; ++i) {
    const Coordinate own{static_cast<uint32_t>(3 + random() % 300),
                         static_cast<uint16_t>(1 + random() % 12)};
    put_cell(sheet, {static_cast<uint32_t>(i + 1), 1}, own, CellValue::integer(i), 'n');
  }
  const auto written = written_cells(json_of(sheet));
  ASSERT_EQ(written.size(), 5000u);
  EXPECT_EQ(written, expected_cells(sheet));
}

// Coordinates over the whole range of both fields, with enough cells that key and
// position no longer fit one machine word together.
TEST(JsonExport, ManyCellsOverTheWholeRangeSortStably) {
  Sheet sheet("S", "visible");
  std::mt19937_64 random(12);
  const Coordinate corners[] = {{0, 0}, {UINT32_MAX, UINT16_MAX}, {0, UINT16_MAX},
                                {UINT32_MAX, 0}};
  int32_t value = 0;
  for (const Coordinate& c : corners) {
    for (int twice = 0; twice < 2; ++twice, ++value)
      put_cell(sheet, {static_cast<uint32_t>(value + 1), 2}, c, CellValue::integer(value), 'n');
  }
  for (; value < 70000; ++value) {
    // Some coordinates repeat: rows drawn from a small set half of the time.
    const uint32_t row = random() % 2 ? static_cast<uint32_t>(random())
                                      : static_cast<uint32_t>(random() % 50);
    const Coordinate own{row, static_cast<uint16_t>(random() % 4 ? random() : 7)};
    put_cell(sheet, {static_cast<uint32_t>(value + 1), 1}, own, CellValue::integer(value),
             'n');
  }
  const auto written = written_cells(json_of(sheet));
  ASSERT_EQ(written.size(), 70000u);
  EXPECT_EQ(written, expected_cells(sheet));
}

TEST(JsonExport, ClonedCellsAreIndependentCopies) {
  Sheet sheet("S", "visible");
  auto a = put_cell(sheet, 1, 1, CellValue::string("before"), 's');
  a.write()->set_style_id("s1");
  put_cell(sheet, 2, 1, CellValue::numeric(1.5), 'n');

  const ClonedCells copies = cloned_cells(sheet.cells);
  ASSERT_EQ(copies.size(), 2u);
  {
    auto w = a.write();
    w->value = CellValue::string("after");
    w->set_style_id(std::nullopt);
    w->coord = {8, 8};
  }
  bool seen = false;
  for (const ClonedCells::Record& c : copies.records()) {
    if (ClonedCells::coord(c) != Coordinate{1, 1}) continue;
    seen = true;
    EXPECT_EQ(copies.value(c), CellValue::string("before"));
    const ClonedCells::Texts texts = copies.texts(c);
    ASSERT_TRUE(texts.style_id.has_value());
    EXPECT_EQ(*texts.style_id, "s1");
    EXPECT_EQ(c.data_type, 's');
  }
  EXPECT_TRUE(seen);
}

TEST(JsonExport, MergedRangesAsArraysInStoredOrder) {
  Sheet sheet("S", "visible");
  sheet.merge_cells.push_back({5, 1, 4, 2});
  sheet.merge_cells.push_back({1, 2, 3, 65535});
  sheet.merge_cells.push_back({5, 1, 4, 2});
  const std::string text = json_of(sheet);
  EXPECT_NE(text.find(R"("merge_cells":[[5,1,4,2],[1,2,3,65535],[5,1,4,2]],"cells")"),
            std::string::npos)
      << text;
}

TEST(JsonExport, DimensionRecords) {
  Sheet sheet("S", "visible");
  sheet.row_dimensions.rows[3] = RowDimension{3, std::numeric_limits<double>::quiet_NaN(),
                                              true, false, 0};
  // The member key is the map key, the record's number its own field.
  sheet.column_dimensions.columns[7] = ColumnDimension{8, 10.0, false, false, 0};
  EXPECT_EQ(json_of(sheet),
            R"({"name":"S","sheet_state":"visible","merge_cells":[],"cells":[],)"
            R"("row_dimensions":{"rows":{"3":{"row_num":3,"height":null,"hidden":true,)"
            R"("collapsed":false,"level":0}},"default_height":20.0},)"
            R"("column_dimensions":{"columns":{"7":{"col_num":8,"width":10.0,)"
            R"("hidden":false,"collapsed":false,"level":0}},"default_width":22.5},)"
            R"("comments":[]})");
}

TEST(JsonExport, ManyRowRecordsEachWrittenOnce) {
  Sheet sheet("S", "visible");
  for (uint32_t r = 1; r <= 30; ++r) sheet.row_dimensions.rows[r] = RowDimension{r, r + 0.5};
  const std::string text = json_of(sheet);
  const size_t open = text.find(R"("row_dimensions":{"rows":{)");
  const size_t close = text.find(R"(},"default_height":20.0},"column_dimensions")");
  ASSERT_NE(open, std::string::npos);
  ASSERT_NE(close, std::string::npos);
  for (uint32_t r = 1; r <= 30; ++r) {
    const std::string member = "\"" + std::to_string(r) + R"(":{"row_num":)" +
                               std::to_string(r) + R"(,"height":)" + std::to_string(r) +
                               R"(.5,"hidden":false,"collapsed":false,"level":0})";
    const size_t at = text.find(member);
    ASSERT_NE(at, std::string::npos) << member;
    EXPECT_GT(at, open);
    EXPECT_LT(at, close);
    EXPECT_EQ(text.find(member, at + 1), std::string::npos);
    // Members are separated by exactly one comma.
    const char before = text[at - 1];
    EXPECT_TRUE(before == '{' || before == ',') << before;
  }
}

TEST(JsonExport, CommentsInListOrderAndEscapedTexts) {
  Sheet sheet("S\t\"\\\x01\xc3\xa9", "visible");
  sheet.comments.push_back(Shared<Comment>::make(Comment{{9, 1}, "me", "last?"}));
  sheet.comments.push_back(Shared<Comment>::make(Comment{{1, 1}, "you", "line\nbreak"}));
  EXPECT_EQ(json_of(sheet),
            R"({"name":"S\t\"\\\u0001)"
            "\xc3\xa9"
            R"(","sheet_state":"visible","merge_cells":[],"cells":[],)"
            R"("row_dimensions":{"default_height":20.0},)"
            R"("column_dimensions":{"default_width":22.5},)"
            R"("comments":[{"row":9,"column":1,"author":"me","text":"last?"},)"
            R"({"row":1,"column":1,"author":"you","text":"line\nbreak"}]})");
}

// ---------------------------------------------------------------------------------------
// Caller-supplied buffers

// A block in a vector that counts its growths and refuses to grow past a limit.
class LimitedBuffer final : public JsonBuffer {
 public:
  explicit LimitedBuffer(size_t limit) : limit_(limit) {}
  char* resize(size_t used, size_t capacity) override {
    if (capacity > limit_) return nullptr;
    EXPECT_LE(used, block_.size());
    block_.resize(capacity);
    ++growths_;
    return block_.data();
  }
  size_t max_size() const override { return SIZE_MAX / 2; }
  std::string text(size_t size) const { return std::string(block_.data(), size); }
  int growths() const { return growths_; }

 private:
  size_t limit_;
  std::vector<char> block_;
  int growths_ = 0;
};

Book book_with_text_at(int place, const std::string& text) {
  Book book;
  auto sheet = add_sheet(book, place == 0 ? text : "S", place == 1 ? text : "visible");
  auto s = sheet.write();
  for (uint32_t row = 1; row <= 600; ++row)
    put_cell(*s, row, 1, CellValue::string(row == 300 && place == 2 ? text : "v"), 's');
  auto cell = s->cells.entries.at({7, 1});
  if (place == 3) cell.write()->set_formula(text);
  if (place == 4) cell.write()->set_style_id(text);
  if (place == 5) cell.write()->set_hidden_value(text);
  s->comments.push_back(Shared<Comment>::make(
      Comment{{1, 1}, place == 6 ? text : "me", place == 7 ? text : "note"}));
  return book;
}

TEST(JsonBuffers, CallersBufferHoldsTheSameTextAndKnowsIfItIsAscii) {
  for (int place = 0; place < 8; ++place) {
    for (const std::string text : {"plain", "caf\xc3\xa9"}) {
      const Book book = book_with_text_at(place, text);
      LimitedBuffer buffer(SIZE_MAX);
      const Result<JsonText> written = to_json(book, buffer);
      ASSERT_TRUE(written.ok());
      EXPECT_EQ(buffer.text(written.value().size), json_of(book)) << place;
      EXPECT_EQ(written.value().ascii, text == "plain") << place;
    }
  }
}

TEST(JsonBuffers, RoomForTheCellsMadeOnceAfterASample) {
  Book book;
  auto sheet = add_sheet(book, "S", "visible");
  for (uint32_t row = 1; row <= 20000; ++row)
    put_cell(*sheet.write(), row, 1, CellValue::numeric(row + 0.25), 'n');
  LimitedBuffer buffer(SIZE_MAX);
  const Result<JsonText> written = to_json(book, buffer);
  ASSERT_TRUE(written.ok());
  ASSERT_GT(written.value().size, 1u << 20);
  // Doubling from 128 bytes to a megabyte takes 14 growths; doubling up to the sample
  // of 512 cells (about 30 kB) takes 8, and one more makes room for the rest.
  EXPECT_LE(buffer.growths(), 10);
}

TEST(JsonBuffers, BufferThatCannotGrowFailsTheExport) {
  const Book book = book_with_text_at(0, "S");
  LimitedBuffer buffer(4096);
  const Result<JsonText> written = to_json(book, buffer);
  ASSERT_FALSE(written.ok());
  EXPECT_EQ(written.error().text(), "Failed to convert in JSON: memory allocation failed");
}

TEST(JsonBuffers, OnlyAWriterOfItsOwnStringHandsItOver) {
  LimitedBuffer buffer(SIZE_MAX);
  JsonWriter out(buffer);
  out.raw("[]");
  EXPECT_THROW(out.take(), Stop);
  EXPECT_EQ(buffer.text(out.size()), "[]");
}

// ---------------------------------------------------------------------------------------
// The writer's own failure

class RefuseLargeAllocations {
 public:
  explicit RefuseLargeAllocations(size_t from) { g_refuse_from = from; }
  ~RefuseLargeAllocations() { g_refuse_from = 0; }
};

TEST(JsonWriterFailure, StaysFailedAndIgnoresLaterWrites) {
  JsonWriter out;
  out.raw("[1,");
  const std::string big(1 << 20, 'x');
  {
    RefuseLargeAllocations refuse(1 << 19);
    out.string(big);
  }
  const WriteStatus status = out.status();
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.message(), "memory allocation failed");
  const size_t size = out.size();
  out.raw("2]");
  out.number(1.5);
  EXPECT_EQ(out.size(), size);
  EXPECT_FALSE(out.status().ok());
}

TEST(JsonWriterFailure, BookExportReturnsTheEngineError) {
  Book book;
  add_sheet(book, std::string(1 << 20, 'n'), "visible");
  add_sheet(book, "after", "visible");
  Result<std::string> text = [&] {
    RefuseLargeAllocations refuse(1 << 19);
    return to_json(book);
  }();
  ASSERT_FALSE(text.ok());
  EXPECT_EQ(text.error().text(), "Failed to convert in JSON: memory allocation failed");
  // Every lock was released on the error path: the sheets can be written again.
  for (const auto& sheet : book.sheets) sheet.write()->sheet_state = "hidden";
  EXPECT_TRUE(to_json(book).ok());
}

}  // namespace
}  // namespace engine
