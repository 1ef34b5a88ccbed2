// The pool reads its size once per process, so this check has a program of its own in
// which the variables are set before anything can start the pool.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "engine/base/pool.h"

namespace engine {
namespace {

// More workers than processors, so the request cannot be met by the default size.
const size_t kAsked = [] {
  long online = sysconf(_SC_NPROCESSORS_ONLN);
  size_t asked = (online > 0 ? static_cast<size_t>(online) : 1) + 2;
  setenv("RAYON_NUM_THREADS", std::to_string(asked).c_str(), 1);
  setenv("RAYON_RS_NUM_CPUS", "1", 1);  // ignored while the first variable is a count
  return asked;
}();

TEST(PoolSizeFromEnvironment, ExactlyTheAskedNumberOfThreadsRunWork) {
  EXPECT_EQ(pool::worker_count(), kAsked);

  // Every task waits until the asked number of distinct threads has turned up (or a
  // generous deadline passes, so a smaller pool fails instead of hanging), then lingers
  // a little: a larger pool would let further threads in, and the count would overshoot.
  std::mutex mutex;
  std::set<std::thread::id> threads;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  pool::filter_indexes(30000, [&](size_t) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      threads.insert(std::this_thread::get_id());
    }
    while (std::chrono::steady_clock::now() < deadline) {
      {
        std::lock_guard<std::mutex> lock(mutex);
        if (threads.size() >= kAsked) break;
      }
      std::this_thread::yield();
    }
    // Work that lasts long enough for any further worker to be handed some.
    std::this_thread::sleep_for(std::chrono::microseconds(20));
    return false;
  });
  EXPECT_EQ(threads.size(), kAsked);
}

}  // namespace
}  // namespace engine
