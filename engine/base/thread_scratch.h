// Scratch space that belongs to the calling thread: made on the thread's first use, kept
// for its later calls and freed when the thread ends.
//
// Not thread_local: this library is loaded with dlopen, so glibc allocates its block of
// thread-local storage on each thread's first touch, and ends the process when that
// allocation fails ("cannot allocate memory for thread-local data"); a thread_local with a
// destructor also registers it with an allocation that ends the process when it fails.
// A pool worker or a Python thread may first need its scratch while memory is short. Here a
// failure throws std::bad_alloc instead, nothing is kept, and the thread's next call tries
// again.
#pragma once

#include <pthread.h>

#include <memory>
#include <new>

namespace engine {

// T is default-constructible; its constructor may throw std::bad_alloc. Instances live
// as long as the process (a function-local static): the key is never deleted, since a
// thread may still be using its scratch when static objects are destroyed.
template <class T>
class ThreadScratch {
 public:
  ThreadScratch() {
    if (pthread_key_create(&key_, &destroy) != 0) throw std::bad_alloc();
  }
  ThreadScratch(const ThreadScratch&) = delete;
  ThreadScratch& operator=(const ThreadScratch&) = delete;

  // The calling thread's scratch, made now when it has none.
  T& get() {
    if (T* kept = find()) return *kept;
    auto made = std::make_unique<T>();
    if (pthread_setspecific(key_, made.get()) != 0) throw std::bad_alloc();
    return *made.release();
  }

  // The calling thread's scratch, or null when it has none yet.
  T* find() const { return static_cast<T*>(pthread_getspecific(key_)); }

 private:
  static void destroy(void* kept) { delete static_cast<T*>(kept); }

  pthread_key_t key_;
};

}  // namespace engine
