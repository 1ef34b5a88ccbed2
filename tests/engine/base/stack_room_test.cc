#include "engine/base/stack_room.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <cstdint>
#include <functional>
#include <new>

namespace engine {
namespace {

// Runs `body` on a thread made with a stack of `bytes`, as Python makes its threads.
void on_thread_with_stack(size_t bytes, std::function<void()> body) {
  pthread_attr_t attr;
  ASSERT_EQ(pthread_attr_init(&attr), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attr, bytes), 0);
  pthread_t thread;
  const auto run = [](void* body) -> void* {
    (*static_cast<std::function<void()>*>(body))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, run, &body), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

// The calling thread's stack as the thread library made it: a sanitizer may have given it
// more than was asked for (ThreadSanitizer makes small stacks larger).
size_t own_stack_size() {
  pthread_attr_t attr;
  size_t bytes = 0;
  if (pthread_getattr_np(pthread_self(), &attr) == 0) {
    pthread_attr_getstacksize(&attr, &bytes);
    pthread_attr_destroy(&attr);
  }
  return bytes;
}

// The room below `levels` more frames of a kilobyte each, taken with alloca: a
// sanitizer may move a local array off the stack, but not that.
__attribute__((noinline)) size_t room_below(int levels) {
  volatile char* kilobyte = static_cast<volatile char*>(__builtin_alloca(1024));
  kilobyte[0] = static_cast<char>(levels);
  const size_t room = levels == 0 ? stack_room() : room_below(levels - 1);
  return room + static_cast<size_t>(kilobyte[0] != static_cast<char>(levels));
}

TEST(StackRoom, IsWhatIsLeftOfTheThreadsStack) {
  EXPECT_GT(stack_room(), 64u * 1024);  // the main thread's
  for (const size_t kib : {32, 64, 256}) {
    size_t first = 0, again = 0, deeper = 0, size = 0;
    on_thread_with_stack(kib * 1024, [&] {
      size = own_stack_size();
      first = stack_room();
      again = stack_room();
      deeper = room_below(16);
    });
    EXPECT_GT(first, 0u) << kib;
    EXPECT_GE(size, kib * 1024) << kib;
    EXPECT_LT(first, size) << kib;
    EXPECT_EQ(again, first) << kib;
    EXPECT_LE(deeper, first - 16 * 1024) << kib;
    EXPECT_GT(deeper, 0u) << kib;
  }
}

// Work runs on the calling thread while it fits there, else on a thread of its own
// that has the room asked for; either way the caller sees what it did.
TEST(StackRoom, WorkRunsWhereItHasTheRoomItNeeds) {
  on_thread_with_stack(128 * 1024, [] {
    const pthread_t caller = pthread_self();
    const size_t caller_room = stack_room();
    for (const size_t need : {size_t{16} * 1024, size_t{512} * 1024, size_t{8} << 20}) {
      bool here = false;
      size_t room = 0;
      auto work = [&]() noexcept {
        here = pthread_equal(pthread_self(), caller) != 0;
        room = stack_room();
      };
      run_with_stack_room(need, work);
      // On 128 KiB: a sanitizer's thread-local storage may take much of it.
      EXPECT_EQ(here, need == 16 * 1024 || (need == 512 * 1024 && caller_room >= need)) << need;
      EXPECT_GE(room, need) << need;
    }
  });
}

TEST(StackRoom, AThreadThatCannotBeStartedIsAMemoryShortage) {
  bool ran = false;
  const auto work = [](void* ran) { *static_cast<bool*>(ran) = true; };
  EXPECT_THROW(run_on_own_stack(size_t{1} << 62, work, &ran), std::bad_alloc);
  EXPECT_THROW(run_on_own_stack(SIZE_MAX, work, &ran), std::bad_alloc);
  EXPECT_FALSE(ran);
  run_on_own_stack(0, work, &ran);
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace engine
