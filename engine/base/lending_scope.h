// Records lent by owners that may let them go while the lent list is still being read:
// the items of a caller's Python list, which another thread may drop while a search runs
// without the interpreter lock. While any scope is open, a record whose last handle is
// dropped is not destroyed at once but retired, still holding one count, until every
// scope that was open at that moment has closed. So a scope keeps alive every record lent
// to it from an owner that was alive when it was lent, without writing to the records (a
// count taken on each of a million scattered records is a cache miss each). Handles
// copied from a lent one inside the scope are ordinary counted handles, also when the
// record was retired meanwhile. Scopes open on any thread, overlap, and close in any
// order; retired records are destroyed by the thread that closes the last scope they
// waited for. How this fits the other kinds of handle: the rules of the counts at the top
// of shared.h.
#pragma once

#include <atomic>
#include <cstdint>

namespace engine {

class LendingScope {
 public:
  LendingScope();
  LendingScope(const LendingScope&) = delete;
  LendingScope& operator=(const LendingScope&) = delete;
  ~LendingScope();

 private:
  uint64_t opened_at_;
};

namespace lending {

// The number of open scopes, read by every handle that drops the last count of a record.
extern std::atomic<uint64_t> open_scopes;

inline bool scopes_open() { return open_scopes.load(std::memory_order_seq_cst) != 0; }

// Keeps `record`, whose count the caller has raised back to one, until the scopes open
// now have closed; then calls drop(record), which gives that count back.
void retire(void* record, void (*drop)(void*));

}  // namespace lending
}  // namespace engine
