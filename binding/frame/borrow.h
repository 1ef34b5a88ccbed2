// The borrow flag of every instance: 0 free, n for n shared borrows, all ones for one
// exclusive borrow. It is an atomic word because calls that have released the
// interpreter lock may borrow the same object from several threads at once. For the same
// reason the guards below give a borrow back on every path, also on a thread that the
// interpreter ends at shutdown, which is unwound without the lock: the object holding the
// flag stays alive, since no reference to it on that thread (a Python frame's, a Ref) is
// released.
#pragma once

#include <atomic>
#include <cstdint>

#include "binding/frame/no_python.h"

namespace binding {

class BorrowFlag {
 public:
  bool try_shared() {
    uint64_t now = word_.load(std::memory_order_relaxed);
    do {
      if (now >= kExclusive - 1) return false;  // exclusive, or the count is full
    } while (!word_.compare_exchange_weak(now, now + 1, std::memory_order_acquire,
                                          std::memory_order_relaxed));
    return true;
  }
  void release_shared() { word_.fetch_sub(1, std::memory_order_release); }

  bool try_exclusive() {
    uint64_t expected = 0;
    return word_.compare_exchange_strong(expected, kExclusive, std::memory_order_acquire,
                                         std::memory_order_relaxed);
  }
  void release_exclusive() { word_.store(0, std::memory_order_release); }

  bool is_exclusive() const { return word_.load(std::memory_order_relaxed) == kExclusive; }
  // What try_shared would answer, without taking the borrow.
  bool can_share() const { return word_.load(std::memory_order_relaxed) < kExclusive - 1; }

 private:
  static constexpr uint64_t kExclusive = ~uint64_t{0};
  std::atomic<uint64_t> word_{0};
};

// A shared borrow for the guard's lifetime; RuntimeError "Already mutably borrowed"
// (thrown as PythonError) while the object is exclusively borrowed.
class SharedBorrow {
 public:
  explicit SharedBorrow(BorrowFlag& flag) : flag_(flag) {
    assert_python_may_run();
    if (!flag_.try_shared()) refuse();
  }
  SharedBorrow(const SharedBorrow&) = delete;
  SharedBorrow& operator=(const SharedBorrow&) = delete;
  ~SharedBorrow() { flag_.release_shared(); }

 private:
  friend void check_shareable(const BorrowFlag& flag);
  [[noreturn]] static void refuse();

  BorrowFlag& flag_;
};

// The shared borrow of a body that keeps the interpreter lock from start to end and runs
// no Python code (nothing in it can call back into Python or let the lock go). Every
// borrow is taken and given back with the interpreter lock held, so no other call can see
// such a borrow while it lasts: only its refusal is observable, and that is all this does,
// with one read where a SharedBorrow costs two locked writes. RuntimeError "Already
// mutably borrowed" as SharedBorrow.
inline void check_shareable(const BorrowFlag& flag) {
  assert_python_may_run();
  if (!flag.can_share()) SharedBorrow::refuse();
}

// An exclusive borrow for the guard's lifetime; RuntimeError "Already borrowed" while
// the object is borrowed in any way.
class ExclusiveBorrow {
 public:
  explicit ExclusiveBorrow(BorrowFlag& flag);
  ExclusiveBorrow(const ExclusiveBorrow&) = delete;
  ExclusiveBorrow& operator=(const ExclusiveBorrow&) = delete;
  ~ExclusiveBorrow() { flag_.release_exclusive(); }

 private:
  BorrowFlag& flag_;
};

// The shared borrow of __repr__: meeting an exclusive borrow is a violated precondition
// there, so it stops the call with "Already mutably borrowed: PyBorrowError" instead.
class ReprBorrow {
 public:
  explicit ReprBorrow(BorrowFlag& flag);
  ReprBorrow(const ReprBorrow&) = delete;
  ReprBorrow& operator=(const ReprBorrow&) = delete;
  ~ReprBorrow() { flag_.release_shared(); }

 private:
  BorrowFlag& flag_;
};

}  // namespace binding
