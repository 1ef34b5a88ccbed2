// The gate between bulk readers and writers of one kind of record (cells): inside it
// there are either any number of bulk readers or any number of writers, never both. A
// bulk reader reads records without their own read locks, so a walk over a million cells
// writes to none of them: two atomic writes per cell were most of the time of a scan, and
// the cache lines they dirtied kept it from scaling past four threads. A writer passes
// the gate before it takes a record's write lock, so no record changes while a bulk
// reader is inside; readers that take a record's own read lock are not concerned.
//
// A bulk reader stays inside for a bounded run of records (kBulkRun), so a writer waits
// for microseconds. New readers wait while a writer is inside or waiting.
//
// The rule: a thread that holds a write of a gated record (a Shared<Cell>'s write guard,
// taken by cell and sheet edits alike) never enters any gate as a reader: it would wait
// for itself, for ever. There is one gate for every cell of every book (Cell::gate), so
// this holds across books and sheets too. Debug and sanitizer builds check the rule: each
// thread counts the writes it holds, and entering as a reader with any held aborts with a
// message, so a breach fails its test at once instead of hanging it. Release builds
// compile the check out.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#if !defined(NDEBUG) || SHEAFWORK_TSAN || defined(__SANITIZE_ADDRESS__) || \
    defined(__SANITIZE_THREAD__)
#define SHEAFWORK_CHECK_GATE_RULE 1
#else
#define SHEAFWORK_CHECK_GATE_RULE 0
#endif

namespace engine {

class ReadGate {
 public:
  constexpr ReadGate() = default;
  ReadGate(const ReadGate&) = delete;
  ReadGate& operator=(const ReadGate&) = delete;

  // Records a bulk reader reads between two passes of the gate.
  static constexpr size_t kBulkRun = 512;

  // Whether this build checks the rule above.
  static constexpr bool kChecksRule = SHEAFWORK_CHECK_GATE_RULE;

  void enter_reader() {
    if constexpr (kChecksRule) {
      if (writes_held_ != 0) report_reader_holding_writes();
    }
    uint32_t s = state_.load(std::memory_order_relaxed);
    if ((s & kWriters) == 0 &&
        state_.compare_exchange_weak(s, s + 1, std::memory_order_acquire,
                                     std::memory_order_relaxed))
      return;
    enter_reader_slow();
  }
  void leave_reader() {
    const uint32_t before = state_.fetch_sub(1, std::memory_order_release);
    if ((before & kReaders) == 1 && (before & kParked)) wake();
  }

  void enter_writer() {
    if constexpr (kChecksRule) ++writes_held_;
    const uint32_t before = state_.fetch_add(kOneWriter, std::memory_order_acquire);
    if ((before & kReaders) != 0) wait_for_readers();
  }
  void leave_writer() {
    const uint32_t before = state_.fetch_sub(kOneWriter, std::memory_order_release);
    if ((before & kWriters) == kOneWriter && (before & kParked)) wake();
    if constexpr (kChecksRule) --writes_held_;
  }

  // A bulk reader's pass for as long as it lives.
  class Reader {
   public:
    explicit Reader(ReadGate& gate) : gate_(gate) { gate_.enter_reader(); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    ~Reader() { gate_.leave_reader(); }

    // For a walk of unknown length: counts one record, and after every kBulkRun of them
    // steps out of the gate and back in, so that waiting writers pass in between.
    void tick() {
      if (++read_ < kBulkRun) return;
      read_ = 0;
      gate_.leave_reader();
      gate_.enter_reader();
    }

   private:
    ReadGate& gate_;
    size_t read_ = 0;
  };

 private:
  static constexpr uint32_t kReaders = (1u << 16) - 1;
  static constexpr uint32_t kOneWriter = 1u << 16;
  static constexpr uint32_t kParked = 1u << 31;  // some thread sleeps on the word
  static constexpr uint32_t kWriters = kParked - kOneWriter;

  void enter_reader_slow();
  void wait_for_readers();
  // Spins, then parks, while blocked(state) holds.
  template <class Blocked>
  void wait_while(Blocked blocked);
  void wake();

  // The writes the calling thread holds, of any gate (checked builds only).
  static inline thread_local uint32_t writes_held_ = 0;
  [[noreturn]] static void report_reader_holding_writes();

  std::atomic<uint32_t> state_{0};
};

}  // namespace engine
