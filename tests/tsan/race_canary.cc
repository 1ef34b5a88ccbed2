// Races the ThreadSanitizer build must report: the workers of two parallel calls, made
// at once from two threads, bump one plain counter; and a search reads a cell that
// another thread writes without taking its lock. Were the suppressions or the stated
// hand-offs to hide races in the engine's own work, this program (whose test passes only
// when a race is reported) would show it.
#include <cstdio>
#include <optional>
#include <thread>
#include <vector>

#include "engine/base/pool.h"
#include "engine/search/value_search.h"

int main() {
  long counter = 0;
  auto bump = [&] {
    engine::pool::for_each_index(100000, [&](size_t i) {
      if (i % 64 == 0) ++counter;
    });
  };
  std::thread other(bump);
  bump();
  other.join();

  std::vector<engine::Shared<engine::Cell>> cells;
  for (uint32_t r = 1; r <= 2000; ++r)
    cells.push_back(engine::Shared<engine::Cell>::make(r, 1, "x"));
  engine::Cell* unguarded = &*cells[1500].write();
  std::thread writer([&] {
    for (int k = 0; k < 200; ++k) unguarded->value = engine::CellValue::string(k % 2 ? "found" : "x");
  });
  size_t found = 0;
  for (int k = 0; k < 20; ++k) found += engine::find_cells_by_regex("found", cells).value().size();
  writer.join();
  std::printf("counter %ld, found %zu\n", counter, found);
  return 0;
}
