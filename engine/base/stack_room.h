// Room on the calling thread's stack for work that recurses in code we do not control
// (PCRE2 recurses once per nested group when it compiles a pattern). Python starts threads
// with as little as 32 KiB of stack; such work runs on the calling thread only when it fits
// there, and otherwise on a thread started for it with the stack it needs, while the
// caller waits.
#pragma once

#include <cstddef>
#include <type_traits>

namespace engine {

// The bytes left on the calling thread's stack below the caller's frame; 0 when the frame
// is not on the stack the thread started with (a stack of a coroutine's making) or the
// thread library cannot say where that stack lies. A thread's bounds are read on its first
// call and kept (not in a thread_local: see thread_scratch.h). Running out of memory
// throws std::bad_alloc.
size_t stack_room();

// Calls work(arg) on a thread started for it with at least `stack_size` bytes of stack to
// spare, and waits for it to end. A thread that cannot be started (no memory for its
// stack, too many threads) throws std::bad_alloc, and work is not called.
void run_on_own_stack(size_t stack_size, void (*work)(void*), void* arg);

// Runs `work` on the calling thread when its stack has `need` bytes left, otherwise on a
// thread of its own that has them. `work` cannot throw: the first throw on a thread makes
// the runtime's record of that thread's exceptions, and the process ends when there is no
// memory for it. Its results go back through what it captures.
template <class Work>
void run_with_stack_room(size_t need, Work& work) {
  static_assert(std::is_nothrow_invocable_v<Work&>, "work on a thread of its own cannot throw");
  if (stack_room() >= need) return work();
  run_on_own_stack(need, [](void* w) { (*static_cast<Work*>(w))(); }, &work);
}

}  // namespace engine
