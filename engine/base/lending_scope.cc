#include "engine/base/lending_scope.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace engine {

namespace lending {

std::atomic<uint64_t> open_scopes{0};

namespace {

// The kind sits in the low bits of a link to a Retiree, which are free by its alignment.
constexpr unsigned kKinds = alignof(Retiree);
constexpr uintptr_t kKindBits = kKinds - 1;

constinit Drop drops[kKinds] = {};
constinit std::atomic<unsigned> kinds_numbered{0};

// A record retired while the latest open scope was the one it waits in waits for that
// scope and every earlier open one, and for no later one (it had no owner left to lend it
// from). A scope that closes while an earlier one is open hands its records to the
// nearest earlier one, which then waits for the same scopes they did.
struct Registry {
  std::mutex mutex;
  LendingScope* oldest = nullptr;
  LendingScope* latest = nullptr;
};

Registry& registry() {
  // Never destroyed: handles may be dropped while static objects are torn down.
  static Registry* const r = new Registry;
  return *r;
}

Retiree* next_of(const Retiree* record) {
  return reinterpret_cast<Retiree*>(record->next_and_kind & ~kKindBits);
}

}  // namespace

unsigned number_kind(Drop drop) {
  const unsigned kind = kinds_numbered.fetch_add(1, std::memory_order_relaxed);
  if (kind >= kKinds) {
    std::fputs("sheafwork: more kinds of shared record than a retired link can tell apart\n",
               stderr);
    std::abort();
  }
  drops[kind] = drop;
  return kind;
}

void retire(Retiree* record, unsigned kind) noexcept {
  Registry& r = registry();
  {
    std::lock_guard lock(r.mutex);
    if (LendingScope* latest = r.latest) {
      record->next_and_kind = reinterpret_cast<uintptr_t>(latest->retired_) | kind;
      if (!latest->retired_) latest->last_retired_ = record;
      latest->retired_ = record;
      return;
    }
  }
  drops[kind](record);  // the scopes closed meanwhile
}

}  // namespace lending

LendingScope::LendingScope() noexcept {
  lending::Registry& r = lending::registry();
  std::lock_guard lock(r.mutex);
  earlier_ = r.latest;
  (earlier_ ? earlier_->later_ : r.oldest) = this;
  r.latest = this;
  lending::open_scopes.fetch_add(1, std::memory_order_seq_cst);
}

LendingScope::~LendingScope() {
  lending::Registry& r = lending::registry();
  lending::Retiree* ready = nullptr;
  {
    std::lock_guard lock(r.mutex);
    (earlier_ ? earlier_->later_ : r.oldest) = later_;
    (later_ ? later_->earlier_ : r.latest) = earlier_;
    lending::open_scopes.fetch_sub(1, std::memory_order_seq_cst);
    if (!earlier_) {
      ready = retired_;
    } else if (retired_) {
      const uintptr_t kind = last_retired_->next_and_kind & lending::kKindBits;
      last_retired_->next_and_kind = reinterpret_cast<uintptr_t>(earlier_->retired_) | kind;
      if (!earlier_->retired_) earlier_->last_retired_ = last_retired_;
      earlier_->retired_ = retired_;
    }
  }
  // Outside the lock: destroying a record drops the handles it holds, which may retire
  // more records. The link is read first, since the record's room may go with its count.
  while (ready) {
    lending::Retiree* const record = ready;
    ready = lending::next_of(record);
    lending::drops[record->next_and_kind & lending::kKindBits](record);
  }
}

}  // namespace engine
