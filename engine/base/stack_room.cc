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
  int error = 0;  // of pthread_getattr_np

  StackBounds() noexcept {
    pthread_attr_t attr;
    // The main thread's bounds are read from /proc, with an allocation that can fail.
    error = pthread_getattr_np(pthread_self(), &attr);
    if (error != 0) return;
    void* low_end = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attr, &low_end, &size) == 0) {
      low = reinterpret_cast<uintptr_t>(low_end);
      high = low + size;
    }
    pthread_attr_destroy(&attr);
  }

  size_t room_at(uintptr_t frame) const { return frame <= low || frame > high ? 0 : frame - low; }
};

// The bounds a thread keeps: a shortage while reading them is a shortage of the caller's.
struct KeptStackBounds : StackBounds {
  KeptStackBounds() {
    if (error == ENOMEM) throw std::bad_alloc();
  }
};

ThreadScratch<KeptStackBounds>& stack_bounds() {
  static ThreadScratch<KeptStackBounds> bounds;
  return bounds;
}

// What a started thread keeps on its stack above its first frame: glibc places the
// thread's own record and static thread-local storage there, and a sanitizer's start-up
// frames come first. A library with more static thread-local storage than this (the
// thread sanitizer keeps some 800 KiB there) makes a thread start short, and try again.
constexpr size_t kThreadOverhead = 64 * 1024;

struct Handoff {
  void (*work)(void*);
  void* arg;
  size_t need;
  size_t shortfall = 0;  // set when the thread had less room than `need`, and work did not run
};

// Runs on the started thread, where nothing may throw: its bounds are read afresh rather
// than kept, and bounds it cannot read count as no room.
void* start(void* handoff) {
  auto* h = static_cast<Handoff*>(handoff);
  const size_t room =
      StackBounds().room_at(reinterpret_cast<uintptr_t>(__builtin_frame_address(0)));
  if (room < h->need) {
    h->shortfall = h->need - room;
    return nullptr;
  }
  h->work(h->arg);
  return nullptr;
}

}  // namespace

size_t stack_room() {
  return stack_bounds().get().room_at(reinterpret_cast<uintptr_t>(__builtin_frame_address(0)));
}

void run_on_own_stack(size_t stack_size, void (*work)(void*), void* arg) {
  const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t wanted = std::max(stack_size, static_cast<size_t>(PTHREAD_STACK_MIN));
  Handoff handoff{work, arg, stack_size};
  size_t overhead = kThreadOverhead;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (wanted > SIZE_MAX - overhead - page) throw std::bad_alloc();
    const size_t size = (wanted + overhead + page - 1) / page * page;
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) throw std::bad_alloc();
    pthread_t thread;
    int rc = pthread_attr_setstacksize(&attr, size);
    if (rc == 0) rc = pthread_create(&thread, &attr, start, &handoff);
    pthread_attr_destroy(&attr);
    if (rc != 0) throw std::bad_alloc();
    pthread_join(thread, nullptr);
    if (handoff.shortfall == 0) return;
    if (handoff.shortfall > SIZE_MAX - overhead - page) throw std::bad_alloc();
    overhead += handoff.shortfall + page;
    handoff.shortfall = 0;
  }
  throw std::bad_alloc();  // no stack made had the room: as if none could be made
}

}  // namespace engine
