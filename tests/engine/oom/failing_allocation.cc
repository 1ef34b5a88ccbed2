#include "tests/engine/oom/failing_allocation.h"

#include <atomic>
#include <cstdlib>
#include <new>
#include <string_view>

namespace engine::testing {
namespace {

std::atomic<bool> armed{false};
// Allocations left before the armed one.
std::atomic<int64_t> countdown{0};
std::atomic<bool> every_from_then{false};
std::atomic<bool> refused{false};
thread_local bool allowed_here = false;

// Whether this allocation is the armed one (or, in kEveryFromThat mode, a later one).
bool refuse_now() {
  if (allowed_here || !armed.load(std::memory_order_relaxed)) return false;
  const int64_t left = countdown.fetch_sub(1, std::memory_order_relaxed);
  if (left > 0 || (left < 0 && !every_from_then.load(std::memory_order_relaxed))) return false;
  refused.store(true, std::memory_order_relaxed);
  return true;
}

void* allocate(size_t size, size_t alignment, bool nothrow) {
  if (refuse_now()) {
    if (nothrow) return nullptr;
    throw std::bad_alloc();
  }
  if (size == 0) size = 1;
  void* p = nullptr;
  if (alignment <= alignof(std::max_align_t)) {
    p = std::malloc(size);
  } else if (posix_memalign(&p, alignment, size) != 0) {
    p = nullptr;
  }
  if (p == nullptr && !nothrow) throw std::bad_alloc();
  return p;
}

}  // namespace

void fail_allocation(uint64_t k, FailMode mode) {
  refused.store(false);
  every_from_then.store(mode == FailMode::kEveryFromThat);
  countdown.store(static_cast<int64_t>(k));
  armed.store(true);
}

void allow_allocations() { armed.store(false); }

bool allocation_refused() { return refused.load(); }

AllowAllocationsHere::AllowAllocationsHere() : before_(allowed_here) { allowed_here = true; }
AllowAllocationsHere::~AllowAllocationsHere() { allowed_here = before_; }

bool oom_full() {
  const char* full = std::getenv("SHEAFWORK_OOM_FULL");
  return full != nullptr && *full != '\0' && std::string_view(full) != "0";
}

SweepCount sweep(const std::function<void()>& setup, const std::function<void()>& operation,
                 const std::function<void(bool failed)>& check, FailMode mode,
                 size_t max_runs) {
  SweepCount count;
  for (uint64_t k = 0; count.runs < max_runs; ++k) {
    setup();
    bool failed = false;
    fail_allocation(k, mode);
    try {
      operation();
    } catch (const std::bad_alloc&) {
      failed = true;
    }
    allow_allocations();
    const bool refused_any = allocation_refused();
    ++count.runs;
    count.failures += failed;
    check(failed);
    if (!refused_any) break;
  }
  return count;
}

}  // namespace engine::testing

// Every replaceable form, so that no allocation escapes the count and every block goes
// back through the matching free.
void* operator new(size_t size) { return engine::testing::allocate(size, 0, false); }
void* operator new[](size_t size) { return engine::testing::allocate(size, 0, false); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return engine::testing::allocate(size, 0, true);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return engine::testing::allocate(size, 0, true);
}
void* operator new(size_t size, std::align_val_t align) {
  return engine::testing::allocate(size, static_cast<size_t>(align), false);
}
void* operator new[](size_t size, std::align_val_t align) {
  return engine::testing::allocate(size, static_cast<size_t>(align), false);
}
void* operator new(size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return engine::testing::allocate(size, static_cast<size_t>(align), true);
}
void* operator new[](size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return engine::testing::allocate(size, static_cast<size_t>(align), true);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(p);
}
