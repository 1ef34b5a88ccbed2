#include "engine/base/thread_scratch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <thread>

namespace engine {
namespace {

std::atomic<int> alive{0};
std::atomic<int> refusals_left{0};

// Counts the instances alive; refuses to be made while refusals are left.
struct Counted {
  Counted() {
    if (refusals_left.load() > 0) {
      refusals_left.fetch_sub(1);
      throw std::bad_alloc();
    }
    alive.fetch_add(1);
  }
  ~Counted() { alive.fetch_sub(1); }
  int uses = 0;
};

// Each thread has its own, made on its first get, kept for its later ones and freed when
// the thread ends.
TEST(ThreadScratch, EachThreadKeepsItsOwnUntilItEnds) {
  static ThreadScratch<Counted> scratch;
  EXPECT_EQ(scratch.find(), nullptr);
  Counted& mine = scratch.get();
  ++mine.uses;
  EXPECT_EQ(&scratch.get(), &mine);
  EXPECT_EQ(scratch.find(), &mine);
  const int before = alive.load();
  std::thread([&] {
    EXPECT_EQ(scratch.find(), nullptr);
    EXPECT_NE(&scratch.get(), &mine);
    EXPECT_EQ(scratch.get().uses, 0);
    EXPECT_EQ(alive.load(), before + 1);
  }).join();
  EXPECT_EQ(alive.load(), before);
  EXPECT_EQ(scratch.get().uses, 1);
}

// A thread that could not make its scratch has none, and makes it on its next get.
TEST(ThreadScratch, AFailedMakingIsTriedAgain) {
  static ThreadScratch<Counted> scratch;
  refusals_left = 2;
  EXPECT_THROW(scratch.get(), std::bad_alloc);
  EXPECT_EQ(scratch.find(), nullptr);
  EXPECT_THROW(scratch.get(), std::bad_alloc);
  Counted& made = scratch.get();
  EXPECT_EQ(scratch.find(), &made);
}

}  // namespace
}  // namespace engine
