// Threads that share one book for a bounded time: parallel searches over cell lists and
// reads of the sheets' cell maps, while others write values and formulas, add cells and
// comments, move cells, copy sheets into books and export them as JSON. Every cell only
// ever takes one of a few known states (a coordinate and a value text), so every result
// is checked: a cell that matches in all its states must be found, one that matches in
// none must not be, searches whose answer no edit can change must equal a sequential run,
// and each export must be JSON that lists every cell sorted, in one of its states.
//
// SHEAFWORK_STRESS_SECONDS sets the time (default 2 s; the ThreadSanitizer build, which
// runs everything many times slower, uses a smaller sheet and 10 s).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/json/export.h"
#include "engine/model/book.h"
#include "engine/model/reads.h"
#include "engine/model/sheet_edit.h"
#include "engine/search/marker_search.h"
#include "engine/search/position_search.h"
#include "engine/search/value_search.h"
#include "tests/engine/json_check.h"

namespace engine {
namespace {

#if SHEAFWORK_TSAN
constexpr uint32_t kRows = 40;
constexpr uint16_t kColumns = 30;
constexpr int kDefaultSeconds = 10;
#else
constexpr uint32_t kRows = 100;
constexpr uint16_t kColumns = 90;  // more cells than one block of the map walk
constexpr int kDefaultSeconds = 2;
#endif
constexpr uint32_t kWanderRow = 10000;  // the wandering sheet's first row
constexpr uint32_t kAway = 100000;      // a wandering cell's second row is its first plus this
constexpr size_t kMostCopies = 6;       // copies appended to the shared book

// One state a cell can be in, with what searches see of it.
struct State {
  Coordinate coord;
  std::string text;   // as written, inferred on the way in
  CellValue value;
  std::string value_text;
};

State state(uint32_t row, uint16_t column, std::string text) {
  CellValue value = CellValue::from_text(text);
  std::string value_text = value.text();
  return {{row, column}, std::move(text), std::move(value), std::move(value_text)};
}

struct Tracked {
  Shared<Cell> cell;
  std::vector<State> states;
};

enum class Verdict { Never, Maybe, Always };

// Whether `holds(state)` is true in all, some or none of the cell's states.
template <class Holds>
Verdict verdict(const Tracked& t, Holds&& holds) {
  size_t yes = 0;
  for (const State& s : t.states) yes += holds(s) ? 1 : 0;
  return yes == 0 ? Verdict::Never : yes == t.states.size() ? Verdict::Always : Verdict::Maybe;
}

std::string trimmed(std::string_view s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return "";
  return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

// The grid sheet: columns divisible by 3 hold "R<row>:C<column>" padded with blanks, so
// their trimmed text and every search for their tag are fixed; the others change kind.
std::vector<std::string> grid_texts(uint32_t r, uint16_t c) {
  const std::string tag = "R" + std::to_string(r) + ":C" + std::to_string(c);
  if (c % 3 == 0) return {tag, " " + tag, tag + "\t", "  " + tag + " "};
  return {std::to_string(r * c), std::to_string(r) + ".5", "TRUE", "",
          "2024-01-" + std::to_string(10 + c % 19) + " 10:00:00", "plain" + std::to_string(c),
          "-" + std::to_string(r)};
}

class Stress {
 public:
  Stress() {
    Shared<Sheet> grid = add_sheet(*book_.write(), "grid", "visible");
    Shared<Sheet> wander = add_sheet(*book_.write(), "wander", "visible");
    {
      auto sheet = grid.write();
      for (uint32_t r = 1; r <= kRows; ++r)
        for (uint16_t c = 1; c <= kColumns; ++c) {
          Tracked t;
          for (std::string& text : grid_texts(r, c)) t.states.push_back(state(r, c, text));
          t.cell = cell_at(*sheet, r, c, t.states[0].text);
          grid_.push_back(std::move(t));
        }
      grid_list_ = sheet->sorted_cells();
    }
    {
      // Every fifth cell wanders between two rows; all keep their text. No coordinate of
      // this sheet is one of the grid's.
      auto sheet = wander.write();
      for (uint32_t r = kWanderRow; r < kWanderRow + 30; ++r)
        for (uint16_t c = 1; c <= 25; ++c) {
          Tracked t;
          const std::string text = "w" + std::to_string(r * 100 + c);
          t.states.push_back(state(r, c, text));
          if ((r * 25 + c) % 5 == 0) t.states.push_back(state(r + kAway, c, text));
          t.cell = cell_at(*sheet, r, c, text);
          wander_.push_back(std::move(t));
        }
      wander_list_ = sheet->sorted_cells();
    }
    grid_sheet_ = grid;
    wander_sheet_ = wander;
    for (size_t i = 0; i < grid_.size(); ++i) {
      by_coord_[grid_[i].states[0].coord] = &grid_[i];
      by_record_[&*grid_[i].cell.read()] = &grid_[i];
    }
    for (auto& t : wander_) {
      for (const State& s : t.states) by_coord_[s.coord] = &t;
      by_record_[&*t.cell.read()] = &t;
    }
  }

  // Runs every role on its own thread until the time is up (each at least a few rounds);
  // returns the failures and, per role, how many rounds it ran.
  std::vector<std::string> run(std::chrono::steady_clock::duration time, std::string& rounds) {
    deadline_ = std::chrono::steady_clock::now() + time;
    using Role = void (Stress::*)(std::mt19937&);
    const std::pair<const char*, Role> roles[] = {
        {"search_grid", &Stress::search_grid},   {"search_grid", &Stress::search_grid},
        {"search_wander", &Stress::search_wander}, {"read_maps", &Stress::read_maps},
        {"write_grid", &Stress::write_grid},     {"write_grid", &Stress::write_grid},
        {"grow_grid", &Stress::grow_grid},       {"move_cells", &Stress::move_cells},
        {"copy_and_export", &Stress::copy_and_export}};
    std::vector<size_t> done(std::size(roles), 0);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < std::size(roles); ++i)
      threads.emplace_back([&, i] {
        std::mt19937 random(static_cast<unsigned>(1234 + i));
        while (done[i] < 3 || std::chrono::steady_clock::now() < deadline_) {
          if (failures_count_.load() > 20) break;
          (this->*roles[i].second)(random);
          ++done[i];
        }
      });
    for (auto& t : threads) t.join();
    for (size_t i = 0; i < std::size(roles); ++i)
      rounds += std::string(i ? ", " : "") + roles[i].first + " " + std::to_string(done[i]);
    return failures_;
  }

 private:
  void fail(std::string what) {
    std::lock_guard<std::mutex> lock(mutex_);
    failures_.push_back(std::move(what));
    failures_count_.fetch_add(1);
  }

  // Positions in `list` of the found handles, which must come in list order.
  std::optional<std::vector<size_t>> positions(const CellHandles& list, const CellHandles& found,
                                               const std::string& what) {
    std::vector<size_t> out;
    size_t j = 0;
    for (const auto& f : found) {
      while (j < list.size() && !list[j].same_record(f)) ++j;
      if (j == list.size()) {
        fail(what + ": a result is not in the list, or out of list order");
        return std::nullopt;
      }
      out.push_back(j++);
    }
    return out;
  }

  Tracked& tracked(const Shared<Cell>& handle) { return *by_record_.at(&*handle.read()); }

  // A filter's result: every cell that always holds, none that never does, list order.
  template <class Holds>
  void check_filter(const CellHandles& list, const CellHandles& found, const std::string& what,
                    Holds&& holds) {
    const auto at = positions(list, found, what);
    if (!at) return;
    std::vector<bool> in(list.size(), false);
    for (size_t p : *at) in[p] = true;
    for (size_t i = 0; i < list.size(); ++i) {
      const Verdict v = verdict(tracked(list[i]), holds);
      if ((v == Verdict::Always && !in[i]) || (v == Verdict::Never && in[i])) {
        fail(what + ": cell " + std::to_string(i) + (in[i] ? " found" : " missed"));
        return;
      }
    }
  }

  // A single result: the leftmost cell that held when it was read.
  template <class Holds>
  void check_first(const CellHandles& list, const OptionalCell& found, const std::string& what,
                   Holds&& holds) {
    size_t end = list.size();
    if (found) {
      const auto at = positions(list, {*found}, what);
      if (!at) return;
      end = (*at)[0];
      if (verdict(tracked(list[end]), holds) == Verdict::Never) fail(what + ": never matches");
    }
    for (size_t i = 0; i < end; ++i)
      if (verdict(tracked(list[i]), holds) == Verdict::Always) {
        fail(what + ": an earlier cell always matches");
        return;
      }
  }

  void search_grid(std::mt19937& g) {
    const CellList list(grid_list_);
    const uint32_t r = 1 + g() % kRows;
    const uint16_t c = static_cast<uint16_t>(1 + g() % kColumns);
    const std::string needles[] = {"R" + std::to_string(r) + ":", std::to_string(r), "plain",
                                   "true", "2024-01-1", "", ".5"};
    const std::string& needle = needles[g() % std::size(needles)];
    auto contains = [&](const State& s) {
      return s.value_text.find(needle) != std::string::npos;
    };
    check_filter(grid_list_, find_cells_by_regex(needle, list).value(), "contains " + needle,
                 contains);
    check_first(grid_list_, find_cell_by_regex(needle, list).value(), "first " + needle, contains);
    const uint16_t col_stop = static_cast<uint16_t>(g() % kColumns);
    check_filter(grid_list_, find_cells_for_rows_by_regex(needle, col_stop, list).value(),
                 "rows by " + needle, [&](const State& s) {
                   return s.coord.column <= col_stop && contains(s);
                 });

    const uint16_t tagged = static_cast<uint16_t>(3 + 3 * (g() % (kColumns / 3)));
    const std::string tag = "R" + std::to_string(r) + ":C" + std::to_string(tagged);
    auto equals = [&](const State& s) { return trimmed(s.value_text) == tag; };
    check_filter(grid_list_, find_cells_by_str(" " + tag + " ", list), "equals " + tag, equals);
    check_first(grid_list_, find_cell_by_str(tag, list), "first equal " + tag, equals);

    // Answers no edit can change, against a sequential run over the same coordinates.
    const uint32_t low = 1 + g() % kRows, high = 1 + g() % kRows;
    check_filter(grid_list_, find_cells_range_rows(low, high, list), "row range",
                 [&](const State& s) { return low <= s.coord.row && s.coord.row <= high; });
    const OptionalCell at = find_cell_by_coords(r, c, list);
    if (!at || !at->same_record(by_coord_.at({r, c})->cell)) fail("cell by coordinates");
    const uint32_t rows[] = {r, high, low};
    const auto texts = find_values_by_col_rows(c, rows, list);
    std::set<uint32_t> wanted(std::begin(rows), std::end(rows));
    size_t k = 0;
    for (uint32_t row : wanted) {
      const Tracked& t = *by_coord_.at({row, c});
      const bool known = k < texts.size() &&
                         std::any_of(t.states.begin(), t.states.end(),
                                     [&](const State& s) { return s.value_text == texts[k]; });
      if (!known) fail("value by column and rows");
      ++k;
    }
    if (texts.size() != wanted.size()) fail("values by column and rows: count");

    const std::string before = "R" + std::to_string(low) + ":C";
    const std::string after = "R" + std::to_string(high) + ":C";
    const auto markers = find_cells_multi_regex(before, after, list).value();
    const auto band = find_cells_between_regex(before, after, list).value();
    CellHandles frozen;
    for (const auto& h : grid_list_) {
      const State& s = tracked(h).states[0];
      frozen.push_back(Shared<Cell>::make(s.coord.row, s.coord.column, s.text));
    }
    const auto frozen_markers = find_cells_multi_regex(before, after, frozen).value();
    const auto frozen_band = find_cells_between_regex(before, after, frozen).value();
    const auto a = positions(grid_list_, markers, "markers");
    const auto b = positions(frozen, frozen_markers, "frozen markers");
    const auto c1 = positions(grid_list_, band, "between markers");
    const auto c2 = positions(frozen, frozen_band, "frozen between markers");
    if (a && b && *a != *b) fail("markers differ from a sequential run");
    if (c1 && c2 && *c1 != *c2) fail("band between markers differs from a sequential run");
  }

  void search_wander(std::mt19937& g) {
    const CellList list(wander_list_);
    const uint32_t high = kWanderRow + g() % (kAway + 40);
    check_filter(wander_list_, find_cells_range_rows(1, high, list), "wander rows",
                 [&](const State& s) { return s.coord.row <= high; });
    const auto low_col = static_cast<uint16_t>(g() % 30);
    const auto high_col = static_cast<uint16_t>(g() % 30);
    check_filter(wander_list_, find_cells_range_cols(low_col, high_col, list), "wander columns",
                 [&](const State& s) {
                   return low_col <= s.coord.column && s.coord.column <= high_col;
                 });
    const uint32_t row_stop = g() % 2 ? high : kWanderRow + 15;
    check_filter(wander_list_, find_cells_for_cols_by_regex("w1", row_stop, list).value(),
                 "wander text by row", [&](const State& s) {
                   return s.coord.row <= row_stop && s.value_text.find("w1") != std::string::npos;
                 });
    const uint32_t r = kWanderRow + g() % 30;
    const uint16_t c = static_cast<uint16_t>(1 + g() % 25);
    check_first(wander_list_, find_cell_by_coords(r, c, list), "wander by coordinates",
                [&](const State& s) { return s.coord == Coordinate{r, c}; });
  }

  // The maps as readers see them under the sheet's read lock.
  void read_maps(std::mt19937& g) {
    CellHandles sorted, ranged;
    std::string value;
    const uint32_t r = 1 + g() % kRows;
    const uint16_t c = static_cast<uint16_t>(1 + g() % kColumns);
    {
      auto sheet = grid_sheet_.read();
      sorted = sheet->sorted_cells();
      ranged = get_cells_by_range(sheet->cells, 1, kRows, 1, kColumns);
      value = get_value_cell(sheet->cells, r, c);
      if (find_value_by_coords(sheet->cells, kRows + 1000, 1)) fail("a cell where none is");
    }
    if (sorted.size() < grid_list_.size() || sorted.size() < last_grid_size_)
      fail("the grid lost cells");
    last_grid_size_ = sorted.size();
    if (ranged.size() != grid_list_.size() ||
        !std::equal(ranged.begin(), ranged.end(), grid_list_.begin(),
                    [](const auto& x, const auto& y) { return x.same_record(y); }))
      fail("the grid's range differs from its first sorted order");
    for (size_t i = 0; i < grid_list_.size(); ++i)
      if (!sorted[i].same_record(grid_list_[i])) {
        fail("the grid's first cells moved in the sorted order");
        break;
      }
    Coordinate last{};
    for (const auto& h : sorted) {
      const Coordinate at = h.read()->coord;
      if (!(last < at)) fail("grid cells out of order");
      last = at;
    }
    const Tracked& t = *by_coord_.at({r, c});
    if (std::none_of(t.states.begin(), t.states.end(),
                     [&](const State& s) { return s.value_text == value; }))
      fail("value at a coordinate in no state of its cell");

    CellHandles wandered;
    size_t stored;
    {
      auto sheet = wander_sheet_.read();
      wandered = sheet->sorted_cells();
      stored = sheet->cells.entries.size();
    }
    std::set<const Tracked*> seen;
    Coordinate previous{};
    for (const auto& h : wandered) {
      const Tracked& w = tracked(h);
      seen.insert(&w);
      if (w.states.size() == 1) {
        if (!(previous < w.states[0].coord)) fail("settled cells out of order");
        previous = w.states[0].coord;
      }
    }
    if (wandered.size() != stored || seen.size() != stored) fail("sorted cells lost or repeated");
  }

  void write_grid(std::mt19937& g) {
    for (int k = 0; k < 50; ++k) {
      Tracked& t = grid_[g() % grid_.size()];
      const State& s = t.states[g() % t.states.size()];
      switch (g() % 4) {
        case 0:
          write_value_text(*t.cell.write(), s.text);
          break;
        case 1:
          write_value(*t.cell.write(), s.value);
          break;
        case 2:
          write_formula(*t.cell.write(), "=" + s.text);
          break;
        default:
          cell_at(*grid_sheet_.write(), s.coord.row, s.coord.column, s.text);
          break;
      }
    }
  }

  // New cells below the grid, and comments.
  void grow_grid(std::mt19937& g) {
    auto sheet = grid_sheet_.write();
    cell_at(*sheet, kRows + 1 + g() % 50, static_cast<uint16_t>(1 + g() % kColumns),
            "new" + std::to_string(g() % 100));
    if (sheet->comments.size() < 200)
      add_comment(*sheet, 1 + g() % kRows, 1, "note " + std::to_string(g() % 10), "stress");
  }

  void move_cells(std::mt19937& g) {
    for (int k = 0; k < 20; ++k) {
      Tracked& t = wander_[g() % wander_.size()];
      t.cell.write()->coord = t.states[g() % t.states.size()].coord;
    }
  }

  // An export: JSON, each sheet's cells sorted and each in a state of its cell.
  void check_export(const Book& book, size_t sheets_at_least) {
    const Result<std::string> json = testing::export_text(book);
    std::string why;
    const auto parsed = testing::JsonReader::parse(json.value(), &why);
    if (!parsed) return fail("export is not JSON: " + why);
    const testing::JsonValue* sheets = parsed->get("sheets");
    if (!sheets || sheets->items.size() < sheets_at_least) return fail("sheets missing");
    for (const auto& sheet : sheets->items) {
      const testing::JsonValue* cells = sheet.get("cells");
      if (!cells) return fail("a sheet without cells");
      Coordinate last{};
      size_t known = 0;
      for (const auto& cell : cells->items) {
        const Coordinate at{static_cast<uint32_t>(std::stoul(cell.get("row")->text)),
                            static_cast<uint16_t>(std::stoul(cell.get("column")->text))};
        if (!(last < at)) return fail("exported cells out of order");
        last = at;
        const auto it = by_coord_.find(at);
        if (it == by_coord_.end()) {
          if (at.row <= kRows) return fail("an exported cell nobody made");
          continue;  // added below the grid
        }
        ++known;
        const std::string value = testing::value_record(*cell.get("value"));
        const auto& states = it->second->states;
        if (std::none_of(states.begin(), states.end(), [&](const State& s) {
              return s.coord == at && testing::value_record(s.value) == value;
            }))
          return fail("an exported value in no state of its cell: " + value);
      }
      if (known != grid_.size() && known != wander_.size()) return fail("exported cells missing");
      for (const auto& comment : sheet.get("comments")->items)
        if (comment.get("author")->text != "stress") return fail("comment author");
    }
  }

  void copy_and_export(std::mt19937& g) {
    {
      // A book of its own, dropped at the end: the last handles of the copies go with it
      // while the cells they share live on.
      auto scratch = Shared<Book>::make();
      copy_sheet(*scratch.write(), grid_sheet_);
      copy_sheet(*scratch.write(), wander_sheet_);
      check_export(*scratch.read(), 2);
    }
    if (g() % 2) {
      auto book = book_.write();
      if (book->sheets.size() < 2 + kMostCopies)
        copy_sheet(*book, book->sheets[g() % book->sheets.size()]);
    }
    check_export(*book_.read(), 2);
  }

  Shared<Book> book_ = Shared<Book>::make();
  Shared<Sheet> grid_sheet_, wander_sheet_;
  std::vector<Tracked> grid_, wander_;
  CellHandles grid_list_, wander_list_;
  std::map<Coordinate, Tracked*> by_coord_;
  std::map<const Cell*, Tracked*> by_record_;
  size_t last_grid_size_ = 0;  // only the map reader uses it
  std::chrono::steady_clock::time_point deadline_;
  std::atomic<size_t> failures_count_{0};
  std::mutex mutex_;
  std::vector<std::string> failures_;
};

TEST(EngineStress, ConcurrentSearchesReadsEditsCopiesAndExportsStayConsistent) {
  int seconds = kDefaultSeconds;
  if (const char* text = std::getenv("SHEAFWORK_STRESS_SECONDS")) seconds = std::atoi(text);
  Stress stress;
  std::string rounds;
  const std::vector<std::string> failures = stress.run(std::chrono::seconds(seconds), rounds);
  for (const auto& f : failures) ADD_FAILURE() << f;
  std::printf("rounds in %d s: %s\n", seconds, rounds.c_str());
}

}  // namespace
}  // namespace engine
