#include "engine/base/lending_scope.h"

#include <deque>
#include <mutex>
#include <set>
#include <vector>

namespace engine {

namespace lending {

std::atomic<uint64_t> open_scopes{0};

namespace {

struct Retired {
  uint64_t at;  // the latest opening when it was retired
  void* record;
  void (*drop)(void*);
};

// Openings are numbered; a record retired at opening n may be in use by the scopes opened
// at n or earlier, and by no later one (it had no owner left to lend it from).
struct Registry {
  std::mutex mutex;
  uint64_t openings = 0;
  std::multiset<uint64_t> open;
  std::deque<Retired> retired;  // in order of `at`
};

Registry& registry() {
  // Never destroyed: handles may be dropped while static objects are torn down.
  static Registry* const r = new Registry;
  return *r;
}

}  // namespace

void retire(void* record, void (*drop)(void*)) {
  Registry& r = registry();
  {
    std::lock_guard lock(r.mutex);
    if (!r.open.empty()) {
      r.retired.push_back({r.openings, record, drop});
      return;
    }
  }
  drop(record);  // the scopes closed meanwhile
}

}  // namespace lending

LendingScope::LendingScope() {
  lending::Registry& r = lending::registry();
  std::lock_guard lock(r.mutex);
  opened_at_ = ++r.openings;
  r.open.insert(opened_at_);
  lending::open_scopes.fetch_add(1, std::memory_order_seq_cst);
}

LendingScope::~LendingScope() {
  lending::Registry& r = lending::registry();
  std::vector<lending::Retired> ready;
  {
    std::lock_guard lock(r.mutex);
    r.open.erase(r.open.find(opened_at_));
    lending::open_scopes.fetch_sub(1, std::memory_order_seq_cst);
    const uint64_t oldest = r.open.empty() ? UINT64_MAX : *r.open.begin();
    while (!r.retired.empty() && r.retired.front().at < oldest) {
      ready.push_back(r.retired.front());
      r.retired.pop_front();
    }
  }
  // Outside the lock: destroying a record drops the handles it holds, which may retire
  // more records.
  for (const lending::Retired& item : ready) item.drop(item.record);
}

}  // namespace engine
