#include "engine/json/export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "engine/json/cell_snapshots.h"
#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::put_value;

std::string written(auto write) {
  StringBuffer buffer;
  JsonWriter out(buffer);
  write(out);
  return buffer.take(out.size());
}
std::string number_text(double v) { return written([&](JsonWriter& o) { o.number(v); }); }
std::string string_text(std::string_view t) { return written([&](JsonWriter& o) { o.string(t); }); }

// Zeros and non-finite values, then one of each layout; the rules for all others are
// checked below.
TEST(JsonNumber, ExactTexts) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  const std::pair<double, const char*> cases[] = {
      {0.0, "0.0"}, {-0.0, "-0.0"}, {kNaN, "null"}, {-kNaN, "null"}, {kInf, "null"},
      {-kInf, "null"}, {9007199254740992.0, "9007199254740992.0"}, {-1.5, "-1.5"},
      {0.000015, "0.000015"}, {1e16, "1e16"},
      {-std::numeric_limits<double>::denorm_min(), "-5e-324"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(number_text(value), text) << value;
}

// The text the rules give for `v`: the fewest significant digits D that read back (found
// the slow way, through printf's correctly rounded forms), 10^(p-1) <= |v| < 10^p, laid
// out as "123.0", "1.25", "0.00125" or "1.25e-7".
std::string expected_number_text(double v) {
  char buf[64];
  for (int precision = 1; precision <= 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*e", precision - 1, std::fabs(v));
    if (std::strtod(buf, nullptr) == std::fabs(v)) break;
  }
  char* e = std::strchr(buf, 'e');
  const int p = std::atoi(e + 1) + 1;
  std::string d(buf, e);
  d.erase(std::remove(d.begin(), d.end(), '.'), d.end());
  while (d.size() > 1 && d.back() == '0') d.pop_back();
  const int n = static_cast<int>(d.size());
  std::string out = std::signbit(v) ? "-" : "";
  if (n <= p && p <= 16) return out + d + std::string(p - n, '0') + ".0";
  if (0 < p && p <= 16) return out + d.substr(0, p) + "." + d.substr(p);
  if (-5 < p && p <= 0) return out + "0." + std::string(-p, '0') + d;
  return out + d.substr(0, 1) + (n > 1 ? "." + d.substr(1) : "") + "e" + std::to_string(p - 1);
}

// Random bit patterns; magnitudes around the layout switches (p from -8 to 20); and few
// decimals, which take a shortcut past the general digit search up to 2^48.
TEST(JsonNumber, RandomValuesFollowTheRules) {
  std::mt19937_64 random(20240131);
  const auto check = [&](double v) {
    if (random() % 2) v = -v;
    if (!std::isfinite(v) || v == 0) return;
    ASSERT_EQ(number_text(v), expected_number_text(v)) << std::hexfloat << v;
  };
  for (int i = 0; i < 20000 && !HasFatalFailure(); ++i) {
    const uint64_t bits = random();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    check(v);
    std::string digits = std::to_string(1 + random() % 9);
    const int n = 1 + static_cast<int>(random() % 17);
    while (static_cast<int>(digits.size()) < n) digits += static_cast<char>('0' + random() % 10);
    const int exponent = static_cast<int>(random() % 29) - 8 - n + 1;
    check(std::strtod((digits + "e" + std::to_string(exponent)).c_str(), nullptr));
    const uint64_t whole = random() % (uint64_t{1} << (1 + random() % 52));
    check(std::strtod((std::to_string(whole) + "e-" + std::to_string(random() % 11)).c_str(),
                      nullptr));
  }
  for (const double v : {0x1p48, 0x1p48 - 1, 0x1p48 + 1, 281474976710655.5, 1e-5,
                         0.000010000000000000002, 9.999999999999999e-6, 0.1, 0.7, 1.1,
                         99999999.99999999, 123456.78901234})
    check(v);
}

// Every byte alone, between plain runs (so that the copying of runs around an escape is
// exercised too), and in long runs: past a few kilobytes a text gets room for exactly its
// escaped size, not six bytes a byte, and 6553 long escapes overflow a doubled block
// unless that size is counted right.
TEST(JsonString, EveryByteValue) {
  const char* named[] = {"b", "t", "n", nullptr, "f", "r"};
  for (int b = 0; b < 256; ++b) {
    char escaped[8];
    if (b == '"' || b == '\\')
      std::snprintf(escaped, sizeof escaped, "\\%c", b);
    else if (b >= 8 && b <= 13 && named[b - 8])
      std::snprintf(escaped, sizeof escaped, "\\%s", named[b - 8]);
    else
      std::snprintf(escaped, sizeof escaped, b < 0x20 ? "\\u%04x" : "%c", b);
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(string_text("ab" + one + "cd"), "\"ab" + std::string(escaped) + "cd\"") << b;
    for (const int length : {0, 1, 4097, 6553}) {
      std::string expected = "\"";
      for (int i = 0; i < length; ++i) expected += escaped;
      ASSERT_EQ(string_text(std::string(length, one[0])), expected + "\"") << b << " " << length;
    }
  }
}

// ---------------------------------------------------------------------------------------
// Books and sheets

std::string json_of(const Book& book) {
  StringBuffer buffer;
  const Result<JsonText> text = to_json(book, buffer);
  EXPECT_TRUE(text.ok()) << (text.ok() ? "" : text.error().text());
  return buffer.take(text.ok() ? text.value().size : 0);
}

std::string json_of(const Sheet& sheet) {
  return written([&](JsonWriter& out) { EXPECT_TRUE(serialize(sheet, out).ok()); });
}

// The text of a sheet with no merged ranges, dimensions or comments.
std::string sheet_json(const std::string& cells, const std::string& name = "S",
                       const std::string& state = "visible") {
  return R"({"name":")" + name + R"(","sheet_state":")" + state +
         R"(","merge_cells":[],"cells":[)" + cells +
         R"(],"row_dimensions":{"default_height":20.0},)"
         R"("column_dimensions":{"default_width":22.5},"comments":[]})";
}

TEST(JsonExport, SheetsInBookOrder) {
  EXPECT_EQ(json_of(Book{}), R"({"sheets":[]})");
  Book book;
  add_sheet(book, "b", "hidden");
  add_sheet(book, "a", "visible");
  EXPECT_EQ(json_of(book),
            R"({"sheets":[)" + sheet_json("", "b", "hidden") + "," + sheet_json("", "a") + "]}");
}

// Every value kind; data type codes of any length, escaped like strings (those that are
// not one byte are kept out of line and written whole); each optional key only when set
// (an empty text is set), in fixed places.
TEST(JsonExport, ValueDataTypeAndOptionalKeys) {
  using namespace std::string_literals;
  using Text = std::optional<std::string>;
  std::string escaped_ones;
  for (int i = 0; i < 300; ++i) escaped_ones += "\\u0001";
  const struct {
    CellValue value;
    std::string code;
    Text formula, style, hidden;
    std::string text;
  } cases[] = {
      {CellValue(), "s", {}, {}, {}, R"(null,"data_type":"s")"},
      {CellValue::string("a\"b"), "s", {}, {}, {}, R"("a\"b","data_type":"s")"},
      {CellValue::string(""), "f", "=A1", "bold", "h",
       R"("","formula":"=A1","data_type":"f","style_id":"bold","hidden_value":"h")"},
      {CellValue::numeric(3.0), "n", {}, "bold", {}, R"(3.0,"data_type":"n","style_id":"bold")"},
      {CellValue::numeric(1e-6), "n", {}, {}, "", R"(1e-6,"data_type":"n","hidden_value":"")"},
      {CellValue::numeric(-INFINITY), "n", "", {}, {}, R"(null,"formula":"","data_type":"n")"},
      {CellValue::integer(INT32_MIN), "n", {}, {}, {}, R"(-2147483648,"data_type":"n")"},
      {CellValue::boolean(false), "b", {}, {}, {}, R"(false,"data_type":"b")"},
      {CellValue::date_time({10000, 1, 1, 0, 123456000}), "d", {}, {}, {},
       R"("+10000-01-01T00:00:00.123456","data_type":"d")"},
      {CellValue::boolean(true), "\"", {}, {}, {}, R"(true,"data_type":"\"")"},
      {CellValue::boolean(true), "\xff", {}, {}, {}, "true,\"data_type\":\"\xff\""},
      {CellValue::integer(1), "", {}, {}, {}, R"(1,"data_type":"")"},
      {CellValue::integer(1), "xyz", "=1", {}, {}, R"(1,"formula":"=1","data_type":"xyz")"},
      {CellValue::integer(1), "\0"s, {}, {}, {}, R"(1,"data_type":"\u0000")"},
      {CellValue::integer(1), std::string(300, '\x01'), {}, {}, {},
       R"(1,"data_type":")" + escaped_ones + "\""}};
  for (const auto& c : cases) {
    Sheet sheet("S", "visible");
    {
      auto w = put_value(sheet, {2, 3}, {2, 3}, c.value, c.code).write();
      w->set_formula(c.formula);
      w->set_style_id(c.style);
      w->set_hidden_value(c.hidden);
    }
    EXPECT_EQ(json_of(sheet), sheet_json(R"({"row":2,"column":3,"value":)" + c.text + "}"));
  }
}

// Merged ranges in stored order, dimension members keyed by the map key, comments in list
// order, every text escaped. Dimension members follow the map's own order.
TEST(JsonExport, MergedRangesDimensionsAndComments) {
  Sheet sheet("S\t\"\\\x01\xc3\xa9", "visible");
  sheet.merge_cells = {{5, 1, 4, 2}, {1, 2, 3, 65535}, {5, 1, 4, 2}};
  sheet.row_dimensions.rows[3] = {3, std::numeric_limits<double>::quiet_NaN(), true, false, 0};
  sheet.row_dimensions.rows[1] = {1, 1.5, false, true, 7};
  sheet.column_dimensions.columns[7] = {8, 10.0, false, false, 0};
  sheet.comments.push_back(Shared<Comment>::make(Comment{{9, 1}, "me", "last?"}));
  sheet.comments.push_back(Shared<Comment>::make(Comment{{1, 1}, "you", "line\nbreak"}));
  const std::string row3 =
      R"("3":{"row_num":3,"height":null,"hidden":true,"collapsed":false,"level":0})";
  const std::string row1 =
      R"("1":{"row_num":1,"height":1.5,"hidden":false,"collapsed":true,"level":7})";
  const bool row3_first = sheet.row_dimensions.rows.begin()->first == 3;
  EXPECT_EQ(json_of(sheet),
            "{\"name\":\"S\\t\\\"\\\\\\u0001\xc3\xa9\",\"sheet_state\":\"visible\","
            R"("merge_cells":[[5,1,4,2],[1,2,3,65535],[5,1,4,2]],"cells":[],)"
            R"("row_dimensions":{"rows":{)" + (row3_first ? row3 + "," + row1 : row1 + "," + row3) +
            R"(},"default_height":20.0},"column_dimensions":{"columns":{"7":{"col_num":8,)"
            R"("width":10.0,"hidden":false,"collapsed":false,"level":0}},"default_width":22.5},)"
            R"("comments":[{"row":9,"column":1,"author":"me","text":"last?"},)"
            R"({"row":1,"column":1,"author":"you","text":"line\nbreak"}]})");
}

// ---------------------------------------------------------------------------------------
// Caller-supplied buffers and failures

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

// A caller's buffer holds the same text, and to_json knows whether it is ASCII (a
// non-ASCII text in each place a text can stand is noticed; the cells' other texts are
// CellSnapshots' business). Room for the cells is made once, after a sample.
TEST(JsonBuffers, CallersBufferHoldsTheSameTextAndKnowsIfItIsAscii) {
  for (int place = 0; place < 6; ++place) {
    const std::string text = place < 5 ? "caf\xc3\xa9" : "plain";
    Book book;
    {
      auto s = add_sheet(book, place == 0 ? text : "S", place == 1 ? text : "visible").write();
      for (uint32_t row = 1; row <= 600; ++row)
        put_value(*s, {row, 1}, CellValue::string(row == 300 && place == 2 ? text : "v"));
      s->comments.push_back(Shared<Comment>::make(
          Comment{{1, 1}, place == 3 ? text : "me", place == 4 ? text : "note"}));
    }
    LimitedBuffer buffer(SIZE_MAX);
    const Result<JsonText> written = to_json(book, buffer);
    ASSERT_TRUE(written.ok());
    EXPECT_EQ(buffer.text(written.value().size), json_of(book)) << place;
    EXPECT_EQ(written.value().ascii, place == 5) << place;
  }
}

TEST(JsonBuffers, RoomForTheCellsMadeOnceAfterASample) {
  Book book;
  auto sheet = add_sheet(book, "S", "visible");
  for (uint32_t row = 1; row <= 20000; ++row)
    put_value(*sheet.write(), {row, 1}, CellValue::numeric(row + 0.25));
  LimitedBuffer buffer(SIZE_MAX);
  const Result<JsonText> written = to_json(book, buffer);
  ASSERT_TRUE(written.ok());
  ASSERT_GT(written.value().size, 1u << 20);
  // Doubling from 128 bytes to a megabyte takes 14 growths; doubling up to the sample
  // of 512 cells (about 30 kB) takes 8, and one more makes room for the rest.
  EXPECT_LE(buffer.growths(), 10);
}

TEST(JsonFailure, WriterStaysFailedAndIgnoresLaterWrites) {
  LimitedBuffer buffer(1 << 19);
  JsonWriter out(buffer);
  out.raw("[1,");
  out.string(std::string(1 << 20, 'x'));
  ASSERT_FALSE(out.status().ok());
  EXPECT_EQ(out.status().message(), "memory allocation failed");
  const size_t size = out.size();
  out.raw("2]");
  out.number(1.5);
  EXPECT_EQ(out.size(), size);
  EXPECT_FALSE(out.status().ok());
}

// The engine error, and every lock released on the way out, so that the sheets can be
// written again.
TEST(JsonFailure, BookExportReturnsTheEngineError) {
  Book book;
  add_sheet(book, std::string(1 << 20, 'n'), "visible");
  add_sheet(book, "after", "visible");
  LimitedBuffer buffer(4096);
  const Result<JsonText> text = to_json(book, buffer);
  ASSERT_FALSE(text.ok());
  EXPECT_EQ(text.error().text(), "Failed to convert in JSON: memory allocation failed");
  for (const auto& sheet : book.sheets) sheet.write()->sheet_state = "hidden";
  LimitedBuffer roomy(SIZE_MAX);
  EXPECT_TRUE(to_json(book, roomy).ok());
}

}  // namespace
}  // namespace engine
