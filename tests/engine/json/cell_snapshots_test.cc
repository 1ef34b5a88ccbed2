#include "engine/json/cell_snapshots.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "engine/json/export.h"
#include "engine/model/sheet_order.h"
#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::put_value;

// `prefix` and the digits of `n`, built by appending: GCC 12 at -O3 warns falsely on
// a literal plus a temporary string.
std::string numbered(std::string prefix, uint64_t n) { return prefix.append(std::to_string(n)); }

// What one copy says about its cell, decoded, so that copies whose arenas are laid out
// differently compare equal when they hold the same.
struct Seen {
  Coordinate coord;
  CellValue value;
  std::string data_type;
  std::optional<std::string> formula, style_id, hidden_value;
  bool operator==(const Seen&) const = default;
};

std::optional<std::string> owned(std::optional<std::string_view> text) {
  return text ? std::optional<std::string>(*text) : std::nullopt;
}

Coordinate at(uint64_t row, uint64_t column) {
  return {static_cast<uint32_t>(row), static_cast<uint16_t>(column)};
}

// A copy of every cell of the sheet, in map order, each read under its lock.
CellSnapshots copied(const Sheet& sheet) {
  CellSnapshots copies;
  copies.reserve(sheet.cells.entries.size());
  for (const auto& [key, cell] : sheet.cells.entries) copies.add(*cell.read());
  return copies;
}

std::vector<Seen> seen(const CellSnapshots& copies) {
  std::vector<Seen> out;
  for (const CellSnapshots::Record& r : copies.records()) {
    const CellSnapshots::Texts texts = copies.texts(r);
    out.push_back({CellSnapshots::coord(r), copies.value(r),
                   std::string(CellSnapshots::data_type(r, texts)), owned(texts.formula),
                   owned(texts.style_id), owned(texts.hidden_value)});
  }
  return out;
}

// The export of a sheet: whether it is all ASCII, and the coordinates of its cells in the
// order written.
struct Exported {
  bool ascii;
  std::vector<Coordinate> order;
};
Exported exported(const Sheet& sheet) {
  StringBuffer buffer;
  JsonWriter out(buffer);
  EXPECT_TRUE(serialize(sheet, out).ok());
  const std::string text = buffer.take(out.size());
  Exported e{out.ascii(), {}};
  static const std::regex kCoordinate(R"re(\{"row":(\d+),"column":(\d+),)re");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), kCoordinate);
       it != std::sregex_iterator(); ++it)
    e.order.push_back(at(std::stoull((*it)[1]), std::stoull((*it)[2])));
  return e;
}

// Copies hold what the cells held when copied, whatever becomes of the cells later.
TEST(CellSnapshots, CopiesEveryKindWithEverySetOfOptionalTexts) {
  const CellValue values[] = {CellValue(), CellValue::string("text"), CellValue::string(""),
                              CellValue::numeric(-2.5), CellValue::integer(INT32_MIN),
                              CellValue::boolean(true), CellValue::boolean(false),
                              CellValue::date_time({-1, 12, 31, 86399, 1999999999})};
  Sheet sheet("S", "visible");
  std::vector<Seen> expected;
  uint32_t row = 1;
  for (const CellValue& value : values) {
    for (uint16_t present = 0; present < 8; ++present, ++row) {
      auto w = put_value(sheet, {row, 1}, value).write();
      // Empty texts are present texts all the same.
      if (present & 1) w->set_formula(row % 2 ? numbered("=A", row) : "");
      if (present & 2) w->set_style_id(row % 3 ? "" : "bold");
      if (present & 4) w->set_hidden_value(numbered("h\"", row));
      // A code that is not one byte travels with the optional texts.
      if (row % 5 == 0) w->set_data_type(row % 2 ? "" : "xyz");
      expected.push_back({w->coord, w->value, std::string(w->data_type_text()), w->formula(),
                          w->style_id(), w->hidden_value()});
    }
  }
  const CellSnapshots copies = copied(sheet);
  for (const auto& [key, cell] : sheet.cells.entries) {
    auto w = cell.write();
    w->value = CellValue::string("after");
    w->set_formula(std::nullopt);
    w->set_style_id("changed");
    w->coord = {8, 8};
  }
  std::vector<Seen> got = seen(copies);
  const auto by_row = [](const Seen& a, const Seen& b) { return a.coord < b.coord; };
  std::sort(got.begin(), got.end(), by_row);
  EXPECT_EQ(got, expected);
}

TEST(CellSnapshots, AsciiUnlessSomeTextOrCodeIsNot) {
  using Edit = void (*)(Cell&);
  const std::pair<Edit, bool> cases[] = {
      {[](Cell&) {}, true},
      {[](Cell& c) { c.value = CellValue::string("caf\xc3\xa9"); }, false},
      {[](Cell& c) { c.set_formula("caf\xc3\xa9"); }, false},
      {[](Cell& c) { c.set_style_id("caf\xc3\xa9"); }, false},
      {[](Cell& c) { c.set_hidden_value("caf\xc3\xa9"); }, false},
      {[](Cell& c) { c.data_type = '\xe9'; }, false},
      {[](Cell& c) { c.set_data_type("caf\xc3\xa9"); }, false},
      {[](Cell& c) { c.set_data_type("xyz"); }, true},
  };
  for (const auto& [edit, ascii] : cases) {
    Sheet sheet("S", "visible");
    put_value(sheet, {1, 1}, CellValue::string("plain")).write()->set_formula("=1");
    edit(*put_value(sheet, {2, 1}, CellValue::integer(3)).write());
    EXPECT_EQ(copied(sheet).ascii(), ascii);
    EXPECT_EQ(exported(sheet).ascii, ascii);
  }
}

using Draw = std::function<Coordinate(std::mt19937_64&)>;

CellValue some_value(std::mt19937_64& random) {
  switch (random() % 4) {
    case 0: return CellValue::string(numbered("t", random() % 1000));
    case 1: return CellValue::numeric(static_cast<double>(random() % 1000) / 8);
    case 2: return CellValue::date_time({2024, 2, 29, static_cast<uint32_t>(random() % 86400), 0});
    default: return CellValue::integer(static_cast<int32_t>(random()));
  }
}

// The walk the export falls back on copies every cell in map order and visits the copies
// by (row, column), equal coordinates in copy order, on both sides of the size where the
// sort changes method, with keys narrow and as wide as both fields. The export writes the
// cells from the box of keys when it can and falls back on that walk; every way must give
// the order that copying and sorting gives. Cells are stored under their own
// coordinates, or away from them, where coordinates repeat. A single moved cell lies
// inside the range of keys, below it, above it, or (249, 13) past the last column, with
// the sort key of (250, 4) in nine columns, though it belongs before (250, 1).
TEST(CellSnapshots, SortIsStableAndSortedCopiesAgree) {
  struct Case {
    const char* name;
    size_t n;
    Draw draw;
    bool at_own_key = true;
    std::optional<Coordinate> moved = std::nullopt;
  };
  const Draw narrow = [](auto& r) { return at(r() % 7, r() % 3); };
  const Draw dense = [](auto& r) { return at(1 + r() % 1000, 1 + r() % 10); };
  const Draw small = [](auto& r) { return at(1 + r() % 500, 1 + r() % 8); };
  const Draw wide = [](auto& r) { return at(r(), r()); };
  const Draw full = [](auto& r) { return at(1 + r() % 200, 1 + r() % 8); };  // a dense box
  const Case cases[] = {
      {"empty", 0, dense}, {"single", 1, dense}, {"dense", 5000, dense},
      {"40 key bits", 5000, [](auto& r) { return at(r() % (1u << 24), r()); }},
      {"too wide to share a word with positions", 70000, wide},
      {"2 away", 2, narrow, false}, {"255 away", 255, narrow, false},
      {"256 away", 256, narrow, false}, {"3000 away", 3000, narrow, false},
      {"all equal", 300, [](auto&) { return at(5, 5); }, false},
      {"wide away, repeating", 70000,
       [](auto& r) { return at(r() % 2 ? r() : r() % 50, r() % 4 ? r() : 7); }, false},
      {"moved inside", 2000, small, true, Coordinate{3, 3}},
      {"moved below", 2000, small, true, Coordinate{0, 0}},
      {"moved above", 2000, small, true, Coordinate{99999, 2}},
      {"moved past the last column", 2000, small, true, Coordinate{249, 13}},
      {"dense box", 2000, full},
      {"dense box, moved inside", 2000, full, true, Coordinate{3, 3}},
      {"dense box, moved below", 2000, full, true, Coordinate{0, 0}},
      {"dense box, moved past the last column", 2000, full, true, Coordinate{249, 13}}};
  std::mt19937_64 random(1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sheet sheet("S", "visible");
    for (size_t i = 0; i < c.n; ++i) {
      const Coordinate own = c.draw(random);
      auto cell = put_value(sheet, c.at_own_key ? own : at(i + 1, 9), own, some_value(random), "s");
      if (random() % 5 == 0) cell.write()->set_style_id(numbered("s", i));
    }
    if (c.moved) {
      put_value(sheet, {250, 1}, CellValue::integer(1));
      put_value(sheet, {250, 4}, *c.moved, CellValue::string("moved"), "s");
    }
    std::vector<Seen> expected = seen(copied(sheet));
    std::stable_sort(expected.begin(), expected.end(),
                     [](const Seen& a, const Seen& b) { return a.coord < b.coord; });
    CellSnapshots copies;
    std::vector<size_t> visited;
    visit_taken_in_order(
        sheet.cells, [&](size_t, const Cell& cell) { copies.add(cell); },
        [&](size_t i) { visited.push_back(i); });
    const std::vector<Seen> walked = seen(copies);
    std::vector<Seen> in_order;
    for (size_t i : visited) in_order.push_back(walked[i]);
    EXPECT_EQ(in_order, expected);
    std::vector<Coordinate> expected_order;
    for (const Seen& e : expected) expected_order.push_back(e.coord);
    EXPECT_EQ(exported(sheet).order, expected_order);
  }
}

}  // namespace
}  // namespace engine
