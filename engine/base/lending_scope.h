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
//
// Neither opening nor closing a scope nor retiring a record allocates: a retirement
// happens in the destructor of the last handle, also while an allocation failure
// unwinds, so it takes its room from the record itself (Retiree), and each open scope
// is itself the place where the records retired while it was the latest one wait.
#pragma once

#include <atomic>
#include <cstdint>

namespace engine {

namespace lending {

// The head of every record that a scope may keep (Shared builds its records on it): the
// strong and weak counts. Nothing reads the weak count (shared.h), so a retired record
// lends that word to the scopes as its link to the next retired record, with its own
// kind in the low bits.
struct alignas(8) Retiree {
  std::atomic<uint64_t> strong{1};
  union {
    std::atomic<uint64_t> weak{1};
    uintptr_t next_and_kind;  // while retired
  };
};

// Gives back the count a retired record kept (Shared::drop_retired for its kind).
using Drop = void (*)(Retiree*);

// A number for the records that `drop` gives back, at most 8 such kinds in a process;
// called once per kind, before its first retirement.
unsigned number_kind(Drop drop);

// The number of open scopes, read by every handle that drops the last count of a record.
extern std::atomic<uint64_t> open_scopes;

inline bool scopes_open() { return open_scopes.load(std::memory_order_seq_cst) != 0; }

// Keeps `record` of kind `kind` (number_kind), whose count the caller has raised back to
// one, until the scopes open now have closed; then gives that count back.
void retire(Retiree* record, unsigned kind) noexcept;

}  // namespace lending

class LendingScope {
 public:
  LendingScope() noexcept;
  LendingScope(const LendingScope&) = delete;
  LendingScope& operator=(const LendingScope&) = delete;
  ~LendingScope();

 private:
  friend void lending::retire(lending::Retiree*, unsigned) noexcept;

  // The open scopes, in the order they opened.
  LendingScope* earlier_ = nullptr;
  LendingScope* later_ = nullptr;
  // The records retired while this was the latest open scope, and those of later scopes
  // that closed before this one: they wait for this scope and every earlier one.
  lending::Retiree* retired_ = nullptr;
  lending::Retiree* last_retired_ = nullptr;
};

}  // namespace engine
