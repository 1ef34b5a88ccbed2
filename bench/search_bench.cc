// find_cells_by_regex and find_cells_by_str over 1,000,000 text cells, with the pool held
// to one thread and with the whole pool, against the bare single-threaded scan: a
// std::string_view::find loop over the same texts in a std::vector<std::string>.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/pool.h"
#include "engine/search/value_search.h"
#include "oneapi/tbb/global_control.h"

namespace {

using engine::Cell;
using engine::CellHandles;
using engine::CellValue;
using engine::Shared;

constexpr size_t kCells = 1000000;
constexpr int kRepeats = 9;

// Texts of 6 to 30 characters; about one in a hundred contains the needle, and about one
// in two hundred is exactly the value that find_cells_by_str looks for.
std::vector<std::string> make_texts() {
  std::mt19937_64 rng(42);
  std::vector<std::string> texts;
  texts.reserve(kCells);
  for (size_t i = 0; i < kCells; ++i) {
    std::string t;
    const size_t len = 6 + rng() % 25;
    for (size_t k = 0; k < len; ++k) t += static_cast<char>('a' + rng() % 26);
    if (rng() % 100 == 0) t.insert(rng() % t.size(), "needle");
    if (rng() % 200 == 0) t = "order 1234";
    texts.push_back(std::move(t));
  }
  return texts;
}

template <class Fn>
double median_seconds(Fn&& fn) {
  std::vector<double> runs;
  for (int r = 0; r < kRepeats; ++r) {
    const auto start = std::chrono::steady_clock::now();
    fn();
    runs.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(runs.begin(), runs.end());
  return runs[runs.size() / 2];
}

// Distinct threads that take part in a large pool filter under the limit in force: the
// proof that the one-thread figures ran on one thread.
size_t threads_taking_part() {
  std::mutex m;
  std::set<std::thread::id> ids;
  engine::pool::filter_indexes(kCells, [&](size_t i) {
    // Enough work per item that every thread allowed in gets a share.
    volatile size_t spin = 0;
    for (int k = 0; k < 200; ++k) spin = spin + k;
    if (i % 2000 == 0) {
      std::lock_guard lock(m);
      ids.insert(std::this_thread::get_id());
    }
    return false;
  });
  return ids.size();
}

struct Figures {
  double regex, str;
  size_t regex_found, str_found, threads;
};

Figures measure(const CellHandles& cells) {
  Figures f{};
  f.threads = threads_taking_part();
  f.regex = median_seconds(
      [&] { f.regex_found = engine::find_cells_by_regex("needle", cells).value().size(); });
  f.str = median_seconds(
      [&] { f.str_found = engine::find_cells_by_str(" order 1234", cells).size(); });
  return f;
}

}  // namespace

int main() {
  const std::vector<std::string> texts = make_texts();
  CellHandles cells;
  cells.reserve(kCells);
  for (size_t i = 0; i < kCells; ++i) {
    auto handle = Shared<Cell>::make(static_cast<uint32_t>(i + 1), uint16_t{1}, std::nullopt);
    handle.write()->value = CellValue::string(texts[i]);
    cells.push_back(std::move(handle));
  }

  size_t bare_found = 0;
  const double bare = median_seconds([&] {
    std::vector<size_t> hits;
    for (size_t i = 0; i < texts.size(); ++i)
      if (std::string_view(texts[i]).find("needle") != std::string_view::npos) hits.push_back(i);
    bare_found = hits.size();
  });

  Figures one;
  engine::pool::worker_count();  // the pool is made before the limit, at its full size
  {
    tbb::global_control limit(tbb::global_control::max_allowed_parallelism, 1);
    one = measure(cells);
  }
  const Figures all = measure(cells);

  std::printf("search over %zu text cells, pool of %zu workers, %u hardware threads, "
              "median of %d runs\n",
              kCells, engine::pool::worker_count(), std::thread::hardware_concurrency(), kRepeats);
  std::printf("bare string_view::find scan, 1 thread: %8.2f ms  (%zu found)\n", bare * 1e3,
              bare_found);
  auto row = [&](const char* name, double t, size_t found, size_t threads) {
    std::printf("%-20s %2zu thread(s): %8.2f ms  (%zu found)  %.2fx the bare scan\n", name,
                threads, t * 1e3, found, bare / t);
  };
  row("find_cells_by_regex", one.regex, one.regex_found, one.threads);
  row("find_cells_by_regex", all.regex, all.regex_found, all.threads);
  row("find_cells_by_str", one.str, one.str_found, one.threads);
  row("find_cells_by_str", all.str, all.str_found, all.threads);
  std::printf("speed-up all/one: find_cells_by_regex %.2fx, find_cells_by_str %.2fx\n",
              one.regex / all.regex, one.str / all.str);
  if (one.regex_found != bare_found || all.regex_found != bare_found) {
    std::printf("MISMATCH: find_cells_by_regex found another number of cells than the scan\n");
    return 1;
  }
  return 0;
}
