// find_cells_by_regex and find_cells_by_str over 1,000,000 text cells, with the pool held
// to one thread and with the whole pool, against the bare single-threaded scan: a
// std::string_view::find loop over the same texts in a std::vector<std::string>.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/pool.h"
#include "engine/model/sheet.h"
#include "engine/model/sheet_edit.h"
#include "engine/search/value_search.h"
#include "oneapi/tbb/global_control.h"

namespace {

using engine::CellHandles;

constexpr size_t kCells = 1000000;
constexpr int kRepeats = 15;

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
  double bare = 0, regex_one = 0, str_one = 0, regex_all = 0, str_all = 0;
  size_t bare_found = 0, regex_found = 0, str_found = 0, threads_one = 0, threads_all = 0;
};

// The five measures taken in turns, round after round, so that a change of load on the
// machine touches all alike; medians of the rounds.
Figures measure(const std::vector<std::string>& texts, const CellHandles& cells) {
  Figures f;
  std::vector<double> runs[5];
  auto timed = [](auto&& fn) {
    const auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  auto searches = [&](double& regex, double& str) {
    regex = timed([&] { f.regex_found = engine::find_cells_by_regex("needle", cells).value().size(); });
    str = timed([&] { f.str_found = engine::find_cells_by_str(" order 1234", cells).size(); });
  };
  for (int r = 0; r < kRepeats; ++r) {
    double t[5];
    t[0] = timed([&] {
      std::vector<size_t> hits;
      for (size_t i = 0; i < texts.size(); ++i)
        if (std::string_view(texts[i]).find("needle") != std::string_view::npos) hits.push_back(i);
      f.bare_found = hits.size();
    });
    {
      tbb::global_control limit(tbb::global_control::max_allowed_parallelism, 1);
      if (r == 0) f.threads_one = threads_taking_part();
      searches(t[1], t[2]);
    }
    if (r == 0) f.threads_all = threads_taking_part();
    searches(t[3], t[4]);
    for (int k = 0; k < 5; ++k) runs[k].push_back(t[k]);
  }
  auto median = [](std::vector<double>& v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  f.bare = median(runs[0]);
  f.regex_one = median(runs[1]);
  f.str_one = median(runs[2]);
  f.regex_all = median(runs[3]);
  f.str_all = median(runs[4]);
  return f;
}

}  // namespace

int main() {
  const std::vector<std::string> texts = make_texts();
  // The cells of a sheet of a thousand columns, made as Sheet.cell makes them, listed in
  // the order they were made.
  engine::Sheet sheet("texts", "visible");
  CellHandles cells;
  cells.reserve(kCells);
  for (size_t i = 0; i < kCells; ++i)
    cells.push_back(engine::cell_at(sheet, static_cast<uint32_t>(i / 1000 + 1),
                                    static_cast<uint16_t>(i % 1000 + 1), texts[i]));

  engine::pool::worker_count();  // the pool is made before the limit, at its full size
  const Figures f = measure(texts, cells);
  double load[1] = {0};
  if (getloadavg(load, 1) != 1) load[0] = -1;

  std::printf("search over %zu text cells, pool of %zu workers, %u hardware threads, "
              "median of %d rounds, load average %.2f\n",
              kCells, engine::pool::worker_count(), std::thread::hardware_concurrency(), kRepeats,
              load[0]);
  std::printf("bare string_view::find scan, 1 thread: %8.2f ms  (%zu found)\n", f.bare * 1e3,
              f.bare_found);
  auto row = [&](const char* name, double t, size_t found, size_t threads, const char* goal) {
    std::printf("%-20s %2zu thread(s): %8.2f ms  (%zu found)  %.2fx the bare scan%s\n", name,
                threads, t * 1e3, found, f.bare / t, goal);
  };
  row("find_cells_by_regex", f.regex_one, f.regex_found, f.threads_one, " (goal >= 1.0x)");
  row("find_cells_by_regex", f.regex_all, f.regex_found, f.threads_all, " (goal >= 5x on 8)");
  row("find_cells_by_str", f.str_one, f.str_found, f.threads_one, "");
  row("find_cells_by_str", f.str_all, f.str_found, f.threads_all, "");
  std::printf("speed-up all/one: find_cells_by_regex %.2fx, find_cells_by_str %.2fx\n",
              f.regex_one / f.regex_all, f.str_one / f.str_all);
  if (f.regex_found != f.bare_found) {
    std::printf("MISMATCH: find_cells_by_regex found another number of cells than the scan\n");
    return 1;
  }
  return 0;
}
