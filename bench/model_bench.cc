// The model's own figures: memory per cell of a sheet of 1,000,000 small numeric cells and
// of one of 1,000,000 ten-byte text cells, both made as Sheet.cell makes them, and
// Sheet::sorted_cells and get_cells_by_range over the first with one worker and with the
// whole pool. The pool's size is fixed once per process, so the one-worker figures come
// from this same program run again with RAYON_NUM_THREADS=1.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#if defined(__APPLE__)
#include <malloc/malloc.h>
#else
#include <malloc.h>
#endif

#include "engine/model/book.h"
#include "engine/base/pool.h"
#include "engine/model/reads.h"
#include "engine/model/sheet.h"
#include "engine/model/sheet_edit.h"

namespace {

constexpr uint32_t kRows = 1000;
constexpr uint16_t kColumns = 1000;
constexpr size_t kCells = size_t{kRows} * kColumns;
constexpr int kRounds = 5;

// Bytes handed out by malloc, large blocks (the map's slot array) included.
#if defined(__APPLE__)
size_t heap_in_use() { return mstats().bytes_used; }
#else
size_t heap_in_use() {
  struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}
#endif

// Numbers such as "123.5", or ten-byte texts such as "text 00042".
void fill(engine::Sheet& sheet, bool texts) {
  char text[32];
  for (uint32_t row = 1; row <= kRows; ++row) {
    for (uint16_t column = 1; column <= kColumns; ++column) {
      const unsigned n = (row * 7 + column) % 100000;
      std::snprintf(text, sizeof text, texts ? "text %05u" : "%u.5", texts ? n : n % 1000);
      engine::cell_at(sheet, row, column, std::string_view(text));
    }
  }
}

// Bytes per cell that a sheet of kCells cells holds.
double bytes_per_cell(engine::Book& book, bool texts) {
  const size_t before = heap_in_use();
  auto handle = engine::add_sheet(book, texts ? "texts" : "numbers", "visible");
  fill(*handle.write(), texts);
  return static_cast<double>(heap_in_use() - before) / kCells;
}

// Best of several rounds, in seconds. The returned list is freed outside the timed part:
// that is the caller's business, not the operation's.
template <class Run>
double best_time(const Run& run) {
  double best = 1e9;
  run();  // warm-up
  for (int i = 0; i < kRounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const auto got = run();
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    if (got.size() != kCells) {
      std::fprintf(stderr, "unexpected result size %zu\n", got.size());
      std::exit(1);
    }
    best = std::min(best, seconds.count());
  }
  return best;
}

struct Timings {
  double sorted = 0;
  double range = 0;
  double lent = 0;
};

Timings measure(const engine::Sheet& sheet) {
  Timings t;
  t.sorted = best_time([&] { return sheet.sorted_cells(); });
  t.range = best_time([&] { return engine::get_cells_by_range(sheet.cells, {}, {}, {}, {}); });
  t.lent = best_time([&] { return sheet.lend_sorted_cells(); });
  return t;
}

// Runs this program again with one worker and reads its two figures.
bool one_worker_timings(const char* self, Timings& out) {
  std::string command = "RAYON_NUM_THREADS=1 '" + std::string(self) + "' --timings-only";
  FILE* child = popen(command.c_str(), "r");
  if (!child) return false;
  int read = std::fscanf(child, "%lf %lf %lf", &out.sorted, &out.range, &out.lent);
  return pclose(child) == 0 && read == 3;
}

}  // namespace

int main(int argc, char** argv) {
  const bool timings_only = argc > 1 && std::strcmp(argv[1], "--timings-only") == 0;

  engine::Book book;
  const double numeric_bytes = bytes_per_cell(book, false);
  auto sheet = book.sheets[0].read();
  engine::pool::worker_count();  // start the pool outside the timed part
  Timings all = measure(*sheet);
  if (timings_only) {
    std::printf("%.6f %.6f %.6f\n", all.sorted, all.range, all.lent);
    return 0;
  }

  const size_t workers = engine::pool::worker_count();
  const double text_bytes = bytes_per_cell(book, true);
  std::printf("sheet of %zu numeric cells: %.1f bytes per cell (map entry, handle, lock, "
              "record; goal <= 100)\n",
              kCells, numeric_bytes);
  std::printf("sheet of %zu ten-byte text cells: %.1f bytes per cell (goal <= 120)\n", kCells,
              text_bytes);

  Timings one;
  if (!one_worker_timings(argv[0], one)) {
    std::fprintf(stderr, "could not run the one-worker pass\n");
    return 1;
  }
  // Other work on the machine takes cores from the pool but hardly from one worker.
  double load[1] = {0};
  if (getloadavg(load, 1) == 1)
    std::printf("load average: %.2f on %zu workers (speed-ups need an otherwise idle machine)\n",
                load[0], workers);
  const double goal = 6.0 * static_cast<double>(workers) / 8.0;
  auto report = [&](const char* what, double one_worker, double all_workers) {
    std::printf("%s 1M: 1 worker %.4f s, %zu workers %.4f s, %.2fx (goal >= %.1fx)\n", what,
                one_worker, workers, all_workers, one_worker / all_workers, goal);
  };
  report("Sheet::sorted_cells", one.sorted, all.sorted);
  report("get_cells_by_range", one.range, all.range);
  // The same order lent rather than counted: the walk under every Sheet search.
  report("Sheet::lend_sorted_cells", one.lent, all.lent);
  return 0;
}
