// The reader-writer lock of every shared record: one 32-bit word, any number of readers
// or one writer, not re-entrant. Taking and releasing a free lock is one inline atomic
// operation each; a thread that cannot enter spins briefly, then parks on the word.
//
// Every read of one record goes through it (bulk walks over cells pass the cells' gate
// instead, read_gate.h), so this path is hot: a general-purpose mutex costs two
// out-of-line calls per read.
#pragma once

#include <atomic>
#include <cstdint>

namespace engine {

class RwLock {
 public:
  RwLock() = default;
  RwLock(const RwLock&) = delete;
  RwLock& operator=(const RwLock&) = delete;

  void lock_shared() {
    uint32_t s = state_.load(std::memory_order_relaxed);
    if (!(s & kWriter) && (s & kReaders) != kReaders &&
        state_.compare_exchange_weak(s, s + 1, std::memory_order_acquire,
                                     std::memory_order_relaxed))
      return;
    lock_shared_slow();
  }

  void unlock_shared() {
    const uint32_t before = state_.fetch_sub(1, std::memory_order_release);
    if ((before & kReaders) == 1 && (before & kParked)) wake();
  }

  void lock() {
    uint32_t s = 0;
    if (state_.compare_exchange_strong(s, kWriter, std::memory_order_acquire,
                                       std::memory_order_relaxed))
      return;
    lock_slow();
  }

  void unlock() {
    const uint32_t before = state_.exchange(0, std::memory_order_release);
    if (before & kParked) state_.notify_all();
  }

 private:
  static constexpr uint32_t kWriter = 1u << 31;
  static constexpr uint32_t kParked = 1u << 30;  // some thread sleeps on the word
  static constexpr uint32_t kReaders = kParked - 1;

  // Spins, then parks, until can_enter(state) holds and the word becomes entered(state).
  template <class CanEnter, class Entered>
  void acquire_slow(CanEnter can_enter, Entered entered);
  void lock_shared_slow();
  void lock_slow();
  void wake();

  std::atomic<uint32_t> state_{0};
};

}  // namespace engine
