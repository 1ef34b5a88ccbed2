#include "engine/base/stack_room.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>

#include "engine/base/thread_scratch.h"

namespace engine {

namespace {

// The thread's stack as the thread library describes it; the main thread's reaches as far
// as its limit lets it grow. Empty when the library cannot say.
struct StackBounds {
  uintptr_t low = 0;
  uintptr_t high = 0;

  StackBounds() {
    pthread_attr_t attr;
    // The main thread's bounds are read from /proc, with an allocation that can fail.
    const int rc = pthread_getattr_np(pthread_self(), &attr);
    if (rc == ENOMEM) throw std::bad_alloc();
    if (rc != 0) return;
    void* low_end = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attr, &low_end, &size) == 0) {
      low = reinterpret_cast<uintptr_t>(low_end);
      high = low + size;
    }
    pthread_attr_destroy(&attr);
  }
};

ThreadScratch<StackBounds>& stack_bounds() {
  static ThreadScratch<StackBounds> bounds;
  return bounds;
}

// What a started thread keeps on its stack above its first frame: glibc places the
// thread's own record and static thread-local storage there, and a sanitizer's start-up
// frames come first.
constexpr size_t kThreadOverhead = 64 * 1024;

struct Handoff {
  void (*work)(void*);
  void* arg;
};

void* start(void* handoff) {
  const auto* h = static_cast<const Handoff*>(handoff);
  h->work(h->arg);
  return nullptr;
}

}  // namespace

size_t stack_room() {
  const StackBounds& bounds = stack_bounds().get();
  const auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  if (here <= bounds.low || here > bounds.high) return 0;
  return here - bounds.low;
}

void run_on_own_stack(size_t stack_size, void (*work)(void*), void* arg) {
  const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t wanted = std::max(stack_size, static_cast<size_t>(PTHREAD_STACK_MIN));
  if (wanted > SIZE_MAX - kThreadOverhead - page) throw std::bad_alloc();
  const size_t size = (wanted + kThreadOverhead + page - 1) / page * page;
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) throw std::bad_alloc();
  Handoff handoff{work, arg};
  pthread_t thread;
  int rc = pthread_attr_setstacksize(&attr, size);
  if (rc == 0) rc = pthread_create(&thread, &attr, start, &handoff);
  pthread_attr_destroy(&attr);
  if (rc != 0) throw std::bad_alloc();
  pthread_join(thread, nullptr);
}

}  // namespace engine
