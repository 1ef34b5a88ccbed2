#include "engine/base/read_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace engine {
namespace {

// Writers keep two fields equal while inside; bulk readers must never see them differ,
// and never share the gate with a writer. Writers share it with each other.
TEST(ReadGate, BulkReadersAndWritersNeverMeet) {
  ReadGate gate;
  std::atomic<uint64_t> a{0}, b{0};
  std::atomic<int> readers{0}, writers{0}, most_writers{0};
  std::atomic<bool> broken{false};
  constexpr int kRounds = 20000;
  std::vector<std::thread> threads;
  for (int w = 0; w < 3; ++w) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        gate.enter_writer();
        const int inside = writers.fetch_add(1) + 1;
        if (readers.load() != 0) broken = true;
        int seen = most_writers.load();
        while (inside > seen && !most_writers.compare_exchange_weak(seen, inside)) {
        }
        a.fetch_add(1);
        b.fetch_add(1);
        writers.fetch_sub(1);
        gate.leave_writer();
      }
    });
  }
  for (int r = 0; r < 5; ++r) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        const ReadGate::Reader pass(gate);
        readers.fetch_add(1);
        if (a.load() != b.load() || writers.load() != 0) broken = true;
        readers.fetch_sub(1);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_FALSE(broken.load());
  EXPECT_EQ(a.load(), 3u * kRounds);
}

// A writer parked behind a long bulk read, and readers parked behind a long write, are
// woken when the gate clears.
TEST(ReadGate, ParkedThreadsAreWoken) {
  ReadGate gate;
  std::atomic<bool> written{false};
  std::thread writer;
  {
    const ReadGate::Reader pass(gate);
    writer = std::thread([&] {
      gate.enter_writer();
      written = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      gate.leave_writer();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // long enough to park
    EXPECT_FALSE(written.load());
  }
  while (!written.load()) std::this_thread::yield();
  std::vector<std::thread> readers;
  std::atomic<int> read{0};
  for (int i = 0; i < 4; ++i)
    readers.emplace_back([&] {
      const ReadGate::Reader pass(gate);
      read.fetch_add(1);
    });
  for (auto& t : readers) t.join();
  writer.join();
  EXPECT_EQ(read.load(), 4);
}

}  // namespace
}  // namespace engine
