#include "engine/base/rw_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace engine {
namespace {

// Writers keep two fields equal under the write lock; a reader that ever sees them
// differ, or sees a writer inside together with a reader, has found a broken lock.
TEST(RwLock, ReadersNeverSeeAHalfWrittenRecordAndWritersExcludeEachOther) {
  RwLock lock;
  uint64_t a = 0, b = 0;
  std::atomic<int> writers_inside{0}, readers_inside{0};
  std::atomic<bool> broken{false};
  constexpr int kRounds = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, writer = t < 3] {
      for (int i = 0; i < kRounds; ++i) {
        if (writer) {
          lock.lock();
          if (writers_inside.fetch_add(1) != 0 || readers_inside.load() != 0) broken = true;
          ++a, ++b;
          writers_inside.fetch_sub(1);
          lock.unlock();
        } else {
          lock.lock_shared();
          readers_inside.fetch_add(1);
          if (a != b || writers_inside.load() != 0) broken = true;
          readers_inside.fetch_sub(1);
          lock.unlock_shared();
        }
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_FALSE(broken.load());
  EXPECT_EQ(std::pair(a, b), std::pair(uint64_t{3} * kRounds, uint64_t{3} * kRounds));
}

// A writer that has to park behind a long-held read lock is woken when it is released,
// and readers that park behind a long-held write lock are woken too.
TEST(RwLock, ParkedThreadsAreWokenByTheRelease) {
  RwLock lock;
  std::atomic<bool> writer_done{false};
  lock.lock_shared();
  std::thread writer([&] {
    lock.lock();
    writer_done = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    lock.unlock();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // long enough to park
  EXPECT_FALSE(writer_done.load());
  lock.unlock_shared();
  while (!writer_done.load()) std::this_thread::yield();
  std::atomic<int> readers_done{0};
  std::vector<std::thread> readers;
  for (int i = 0; i < 4; ++i)
    readers.emplace_back([&] {
      lock.lock_shared();
      readers_done.fetch_add(1);
      lock.unlock_shared();
    });
  for (auto& t : readers) t.join();
  writer.join();
  EXPECT_EQ(readers_done.load(), 4);
  // Free again: both kinds enter at once.
  lock.lock();
  lock.unlock();
  lock.lock_shared();
  lock.lock_shared();
  lock.unlock_shared();
  lock.unlock_shared();
}

}  // namespace
}  // namespace engine
