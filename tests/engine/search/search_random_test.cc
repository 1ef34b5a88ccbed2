// Every search compared with a plain sequential reference over random lists (random
// order, repeated handles, empty and blank values), with the pool limited to one thread
// and to several.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/pool.h"
#include "engine/search/marker_search.h"
#include "engine/search/position_search.h"
#include "engine/search/value_search.h"
#include "engine/text/utf8.h"
#include "oneapi/tbb/global_control.h"
#include "tests/engine/test_cells.h"

namespace engine {
namespace {

// ---- The reference: one loop per search, written from the rules, not from the code.

std::string text_of(const Shared<Cell>& c) { return c.read()->value.text(); }
Coordinate coord_of(const Shared<Cell>& c) { return c.read()->coord; }

std::u32string reference_trim(std::string_view s) {
  const std::u32string blanks = U"\t\n\v\f\r \u0085\u00A0\u1680\u2000\u2001\u2002\u2003"
                                U"\u2004\u2005\u2006\u2007\u2008\u2009\u200A\u2028\u2029"
                                U"\u202F\u205F\u3000";
  std::u32string t;
  for (size_t i = 0; i < s.size(); i += decode_utf8(s.substr(i)).size)
    t.push_back(decode_utf8(s.substr(i)).code_point);
  const size_t b = t.find_first_not_of(blanks);
  return b == std::u32string::npos ? U"" : t.substr(b, t.find_last_not_of(blanks) - b + 1);
}

bool has(const std::string& text, std::string_view needle) {
  return text.find(needle) != std::string::npos;
}

// Positions in `cells` of the cells that `keep` accepts.
template <class Keep>
std::vector<size_t> ref_filter(const CellHandles& cells, Keep keep) {
  std::vector<size_t> out;
  for (size_t i = 0; i < cells.size(); ++i)
    if (keep(cells[i])) out.push_back(i);
  return out;
}

// All marker emissions of the toggle.
std::vector<size_t> ref_markers(std::string_view before, std::string_view after,
                                const CellHandles& cells) {
  bool inside = false;
  return ref_filter(cells, [&](const Shared<Cell>& c) {
    const bool toggles = has(text_of(c), inside ? after : before);
    inside = inside != toggles;
    return toggles;
  });
}

std::vector<size_t> ref_between(std::string_view before, std::string_view after,
                                const CellHandles& cells) {
  std::vector<uint32_t> rows;
  for (size_t i : ref_markers(before, after, cells)) rows.push_back(coord_of(cells[i]).row);
  if (rows.empty()) return {};
  return ref_filter(cells, [&](const Shared<Cell>& c) {
    const uint32_t r = coord_of(c).row;
    return rows.size() == 1 ? r >= rows[0] : rows[0] <= r && r <= rows[1];
  });
}

std::vector<size_t> first_of(std::vector<size_t> positions) {
  if (positions.size() > 1) positions.resize(1);
  return positions;
}

// ---- Random inputs.

CellValue random_value(std::mt19937& rng) {
  static const std::vector<std::string> kTexts = {
      "", " ", "  ", "a", "ab", "cab", " ab ", "ab\u00A0", "\u200Bab", "ab\u200B", "x.y",
      "x(y", "\u3000ab\t", "BEGIN", "END", "BEGIN END", "#", "##", "a b", "AB", "é", "tRuE"};
  switch (rng() % 8) {
    case 0: return CellValue();
    case 1: return CellValue::numeric(std::vector<double>{3.0, 0.5, -0.0, 13.25}[rng() % 4]);
    case 2: return CellValue::integer(static_cast<int32_t>(rng() % 40) - 5);
    case 3: return CellValue::boolean(rng() % 2);
    case 4:
      return CellValue::date_time(
          *DateTime::from_parts(2024, 1 + rng() % 12, 3, 13, 4, 5, (rng() % 2) * 500000000));
    default: return CellValue::string(kTexts[rng() % kTexts.size()]);
  }
}

CellHandles random_list(std::mt19937& rng, size_t n) {
  CellHandles cells;
  for (size_t i = 0; i < n; ++i) {
    if (!cells.empty() && rng() % 6 == 0) {
      cells.push_back(cells[rng() % cells.size()]);  // the same record again
      continue;
    }
    const uint32_t row = rng() % 25 == 0 ? 4294967295u : 1 + rng() % 30;
    const uint16_t col = rng() % 25 == 0 ? 65535 : static_cast<uint16_t>(1 + rng() % 12);
    cells.push_back(testing::cell_of(row, col, random_value(rng)));
  }
  return cells;
}

std::string random_needle(std::mt19937& rng) {
  static const std::vector<std::string> kNeedles = {
      "", " ", "a", "ab", "b ", "3", "1", "0.5", "-", ".", "(", "true", "TRUE", "2024-0",
      ":05.5", "BEGIN", "END", "#", "\u00A0", "\u200B", "é", "zz", "ab\u200B", "\u3000ab"};
  return kNeedles[rng() % kNeedles.size()];
}

void compare_everything(uint32_t seed) {
  std::mt19937 rng(seed);
  static const size_t kSizes[] = {0, 1, 7, 300, 700, 2500, 8000};
  const CellHandles cells = random_list(rng, kSizes[rng() % std::size(kSizes)]);
  SCOPED_TRACE(::testing::Message() << "seed " << seed << ", " << cells.size() << " cells");

  // Found cells as positions in the list: equal positions are equal handles.
  const auto at = [&](const CellHandles& found) { return testing::positions_of(found, cells); };
  const auto one = [&](const OptionalCell& c) { return at(c ? CellHandles{*c} : CellHandles{}); };
  const auto where = [&](auto test) {
    return ref_filter(cells, [&](auto& c) { return test(coord_of(c)); });
  };
  for (int round = 0; round < 6; ++round) {
    const std::string needle = random_needle(rng), other = random_needle(rng);
    SCOPED_TRACE(::testing::Message() << "needle '" << needle << "' other '" << other << "'");
    const auto contains = [&](const Shared<Cell>& c) { return has(text_of(c), needle); };
    const auto containing = ref_filter(cells, contains);
    const auto equal_trimmed = ref_filter(cells, [&](const Shared<Cell>& c) {
      return reference_trim(text_of(c)) == reference_trim(needle);
    });
    EXPECT_EQ(at(find_cells_by_str(needle, cells)), equal_trimmed);
    EXPECT_EQ(one(find_cell_by_str(needle, cells)), first_of(equal_trimmed));
    EXPECT_EQ(at(find_cells_by_regex(needle, cells).value()), containing);
    EXPECT_EQ(one(find_cell_by_regex(needle, cells).value()), first_of(containing));
    EXPECT_EQ(at(find_cells_multi_regex(needle, other, cells).value()),
              ref_markers(needle, other, cells));
    EXPECT_EQ(at(find_cells_between_regex(needle, other, cells).value()),
              ref_between(needle, other, cells));

    const uint16_t col_stop = static_cast<uint16_t>(rng() % 14), c1 = rng() % 14, c2 = rng() % 14;
    const uint32_t row_stop = rng() % 32, r1 = rng() % 32, r2 = rng() % 32;
    EXPECT_EQ(at(find_cells_for_rows_by_regex(needle, col_stop, cells).value()),
              ref_filter(cells, [&](auto& c) {
                return coord_of(c).column <= col_stop && contains(c);
              }));
    EXPECT_EQ(at(find_cells_for_cols_by_regex(needle, row_stop, cells).value()),
              ref_filter(cells, [&](auto& c) {
                return coord_of(c).row <= row_stop && contains(c);
              }));
    EXPECT_EQ(at(find_cells_range_rows(r1, r2, cells)),
              where([&](Coordinate p) { return r1 <= p.row && p.row <= r2; }));
    EXPECT_EQ(at(find_cells_range_cols(c1, c2, cells)),
              where([&](Coordinate p) { return c1 <= p.column && p.column <= c2; }));

    const uint32_t row = 1 + rng() % 31;
    const uint16_t col = static_cast<uint16_t>(1 + rng() % 13);
    EXPECT_EQ(one(find_cell_by_coords(row, col, cells)),
              first_of(where([&](Coordinate p) { return p == Coordinate{row, col}; })));
    std::vector<uint32_t> rows;
    std::vector<uint16_t> cols;
    for (size_t k = rng() % 5; k > 0; --k) rows.push_back(1 + rng() % 31);
    for (size_t k = rng() % 5; k > 0; --k) cols.push_back(static_cast<uint16_t>(1 + rng() % 13));
    std::vector<std::string> want_rows, want_cols;
    for (const auto& c : cells) {
      const Coordinate p = coord_of(c);
      if (p.column == col && std::count(rows.begin(), rows.end(), p.row))
        want_rows.push_back(text_of(c));
      if (p.row == row && std::count(cols.begin(), cols.end(), p.column))
        want_cols.push_back(text_of(c));
    }
    EXPECT_EQ(find_values_by_col_rows(col, rows, cells), want_rows);
    EXPECT_EQ(find_values_by_row_cols(row, cols, cells), want_cols);
  }
}

// Threads that ran a pool filter of a large input (bounded above by the limit in force).
size_t threads_seen() {
  std::mutex m;
  std::set<std::thread::id> ids;
  pool::filter_indexes(200000, [&](size_t i) {
    if (i % 1000 == 0) {
      std::lock_guard lock(m);
      ids.insert(std::this_thread::get_id());
    }
    return false;
  });
  return ids.size();
}

// Limited to one thread (the pool already running, as in a long-running process), to
// four, and not at all.
TEST(SearchesMatchReference, OneFourAndAllThreads) {
  pool::worker_count();
  for (const size_t threads : {1, 4, 0}) {
    std::optional<tbb::global_control> limit;
    if (threads > 0) {
      limit.emplace(tbb::global_control::max_allowed_parallelism, threads);
      ASSERT_LE(threads_seen(), threads);
    }
    for (uint32_t seed = 1; seed <= 40; ++seed) compare_everything(seed + 1000 * threads);
  }
}

}  // namespace
}  // namespace engine
