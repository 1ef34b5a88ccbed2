#include "engine/cloned_cells.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace engine {
namespace {

// `prefix` and the digits of `n`, built by appending: GCC 12 at -O3 warns falsely on
// a literal plus a temporary string.
std::string numbered(std::string prefix, uint64_t n) { return prefix.append(std::to_string(n)); }

// A coordinate from random numbers, cut to the widths of its fields.
Coordinate at(uint64_t row, uint64_t column) {
  return {static_cast<uint32_t>(row), static_cast<uint16_t>(column)};
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

// What one copy says about its cell, decoded, so that copies whose arenas are laid out
// differently compare equal when they hold the same.
struct Seen {
  Coordinate coord;
  CellValue value;
  char data_type;
  std::optional<std::string> formula, style_id, hidden_value;
  bool operator==(const Seen&) const = default;
};

std::optional<std::string> owned(std::optional<std::string_view> text) {
  return text ? std::optional<std::string>(*text) : std::nullopt;
}

std::vector<Seen> seen(const ClonedCells& copies) {
  std::vector<Seen> out;
  for (const ClonedCells::Record& r : copies.records()) {
    const ClonedCells::Texts texts = copies.texts(r);
    out.push_back({ClonedCells::coord(r), copies.value(r), r.data_type, owned(texts.formula),
                   owned(texts.style_id), owned(texts.hidden_value)});
  }
  return out;
}

Seen seen(const Cell& cell) {
  return {cell.coord, cell.value, cell.data_type, cell.formula(), cell.style_id(),
          cell.hidden_value()};
}

TEST(ClonedCells, CopiesEveryKindWithEverySetOfOptionalTexts) {
  const CellValue values[] = {CellValue(),
                              CellValue::string("text"),
                              CellValue::string(""),
                              CellValue::numeric(-2.5),
                              CellValue::integer(-7),
                              CellValue::integer(INT32_MIN),
                              CellValue::boolean(true),
                              CellValue::boolean(false),
                              CellValue::date_time({-1, 12, 31, 86399, 1999999999})};
  Sheet sheet("S", "visible");
  uint32_t row = 1;
  for (const CellValue& value : values) {
    for (uint16_t present = 0; present < 8; ++present, ++row) {
      auto cell = put_cell(sheet, {row, 1}, {row, 1}, value, value.data_type());
      auto w = cell.write();
      // Empty texts are present texts all the same.
      if (present & 1) w->set_formula(row % 2 ? numbered("=A", row) : "");
      if (present & 2) w->set_style_id(row % 3 ? "" : "bold");
      if (present & 4) w->set_hidden_value(numbered("h\"", row));
    }
  }
  const ClonedCells copies = cloned_cells(sheet.cells);
  ASSERT_EQ(copies.size(), sheet.cells.entries.size());
  for (const Seen& copy : seen(copies)) {
    const auto original = sheet.cells.entries.at(copy.coord).read();
    EXPECT_EQ(copy, seen(*original)) << copy.coord.row;
  }
}

TEST(ClonedCells, AsciiUnlessSomeTextOrCodeIsNot) {
  using Edit = void (*)(Cell&);
  const std::pair<Edit, bool> cases[] = {
      {[](Cell&) {}, true},
      {[](Cell& c) { c.value = CellValue::string("caf\xc3\xa9"); }, false},
      {[](Cell& c) { c.set_formula("caf\xc3\xa9"); }, false},
      {[](Cell& c) { c.set_style_id("caf\xc3\xa9"); }, false},
      {[](Cell& c) { c.set_hidden_value("caf\xc3\xa9"); }, false},
      {[](Cell& c) { c.data_type = '\xe9'; }, false},
  };
  for (const auto& [edit, ascii] : cases) {
    Sheet sheet("S", "visible");
    put_cell(sheet, {1, 1}, {1, 1}, CellValue::string("plain"), 's').write()->set_formula("=1");
    edit(*put_cell(sheet, {2, 1}, {2, 1}, CellValue::integer(3), 'n').write());
    EXPECT_EQ(cloned_cells(sheet.cells).ascii(), ascii);
    EXPECT_EQ(sorted_cloned_cells(sheet.cells).ascii(), ascii);
  }
}

// The copies in copy order, stably sorted by coordinate: what sort() must give.
std::vector<Seen> stably_sorted(const ClonedCells& copies) {
  std::vector<Seen> out = seen(copies);
  std::stable_sort(out.begin(), out.end(), [](const Seen& a, const Seen& b) {
    return a.coord < b.coord;
  });
  return out;
}

// Cells stored under keys unlike their own coordinates, which repeat: equal coordinates
// must keep their copy order, on both sides of the size where sorting changes method.
TEST(ClonedCells, SortIsStableByRowThenColumn) {
  std::mt19937_64 random(3);
  for (const size_t n : {2, 40, 255, 256, 3000}) {
    Sheet sheet("S", "visible");
    for (size_t i = 0; i < n; ++i) {
      const Coordinate own = at(random() % 7, random() % 3);
      put_cell(sheet, {static_cast<uint32_t>(i), 9}, own,
               CellValue::integer(static_cast<int32_t>(i)), 'n');
    }
    ClonedCells copies = cloned_cells(sheet.cells);
    const std::vector<Seen> expected = stably_sorted(copies);
    copies.sort();
    EXPECT_EQ(seen(copies), expected) << n;
  }
}

TEST(ClonedCells, SortKeepsCopyOrderWhenAllCoordinatesAreEqual) {
  Sheet sheet("S", "visible");
  for (int32_t i = 0; i < 300; ++i)
    put_cell(sheet, {static_cast<uint32_t>(i), 1}, {5, 5}, CellValue::integer(i), 'n');
  ClonedCells copies = cloned_cells(sheet.cells);
  const std::vector<Seen> before = seen(copies);
  copies.sort();
  EXPECT_EQ(seen(copies), before);
}

// sorted_cloned_cells walks the map in key order when it can and falls back on copying
// in map order and sorting; every way must give what copying and sorting gives.
void expect_same_as_copied_then_sorted(const Sheet& sheet) {
  ClonedCells expected = cloned_cells(sheet.cells);
  expected.sort();
  const ClonedCells sorted = sorted_cloned_cells(sheet.cells);
  EXPECT_EQ(seen(sorted), seen(expected));
  EXPECT_EQ(sorted.ascii(), expected.ascii());
}

CellValue some_value(std::mt19937_64& random) {
  switch (random() % 4) {
    case 0:
      return CellValue::string(numbered("t", random() % 1000));
    case 1:
      return CellValue::numeric(static_cast<double>(random() % 1000) / 8);
    case 2:
      return CellValue::date_time({2024, 2, 29, static_cast<uint32_t>(random() % 86400), 0});
    default:
      return CellValue::integer(static_cast<int32_t>(random()));
  }
}

void fill(Sheet& sheet, size_t n, std::mt19937_64& random, auto coordinate) {
  for (size_t i = 0; i < n; ++i) {
    const Coordinate c = coordinate();
    auto cell = put_cell(sheet, c, c, some_value(random), 's');
    if (random() % 5 == 0) cell.write()->set_style_id(numbered("s", i));
  }
}

TEST(SortedClonedCells, DenseSheet) {
  std::mt19937_64 random(1);
  Sheet sheet("S", "visible");
  fill(sheet, 5000, random, [&] { return at(1 + random() % 1000, 1 + random() % 10); });
  expect_same_as_copied_then_sorted(sheet);
}

TEST(SortedClonedCells, KeysOfManyDigits) {
  // About 40 key bits: several radix passes.
  std::mt19937_64 random(2);
  Sheet sheet("S", "visible");
  fill(sheet, 5000, random, [&] { return at(random() % (1u << 24), random()); });
  expect_same_as_copied_then_sorted(sheet);
}

TEST(SortedClonedCells, KeysTooWideToShareAWordWithPositions) {
  // 48 key bits and 17 position bits: the plain way.
  std::mt19937_64 random(3);
  Sheet sheet("S", "visible");
  for (const Coordinate c : {Coordinate{0, 0}, Coordinate{UINT32_MAX, UINT16_MAX}})
    put_cell(sheet, c, c, CellValue::integer(1), 'n');
  fill(sheet, 70000, random, [&] { return at(random(), random()); });
  expect_same_as_copied_then_sorted(sheet);
}

TEST(SortedClonedCells, CellAwayFromItsKey) {
  std::mt19937_64 random(4);
  // Inside the range of keys, below it and above it; (3, 3) may repeat a coordinate, and
  // (249, 13), past the last column, has the same sort key as (250, 4) in nine columns.
  for (const Coordinate own :
       {Coordinate{3, 3}, Coordinate{0, 0}, Coordinate{99999, 2}, Coordinate{249, 13}}) {
    Sheet sheet("S", "visible");
    fill(sheet, 2000, random, [&] { return at(1 + random() % 500, 1 + random() % 8); });
    put_cell(sheet, {250, 4}, own, CellValue::string("moved"), 's');
    expect_same_as_copied_then_sorted(sheet);
  }
}

TEST(SortedClonedCells, EmptyAndSingleCell) {
  Sheet sheet("S", "visible");
  EXPECT_EQ(sorted_cloned_cells(sheet.cells).size(), 0u);
  put_cell(sheet, {7, 7}, {7, 7}, CellValue::boolean(true), 'b');
  expect_same_as_copied_then_sorted(sheet);
}

}  // namespace
}  // namespace engine
