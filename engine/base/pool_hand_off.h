// The hand-off between a caller of the worker pool (pool.h) and the work it hands out, as
// ThreadSanitizer has to be told it: the scheduler orders the two inside oneTBB's library,
// which the sanitizer does not see. Only the tsan build (SHEAFWORK_TSAN) states anything;
// the others compile it to nothing.
#pragma once

#include <utility>

#if SHEAFWORK_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace engine::pool::detail {

// The edges between a caller and the work it hands out, for as long as a HandOff lives:
// whatever the caller wrote before making it happens before every call of a wrapped body,
// and every call happens before whatever the caller does once it is gone (also when a
// call threw). The scheduler provides exactly this, but inside oneTBB's library, which
// ThreadSanitizer does not see; the tsan build therefore states the edges itself, and the
// others compile it to nothing. Calls are ordered against each other only where the
// scheduler orders them (a piece split off by one worker and run by another), so a race
// between two workers is still reported.
class HandOff {
 public:
  HandOff(const HandOff&) = delete;
  HandOff& operator=(const HandOff&) = delete;
#if SHEAFWORK_TSAN
  HandOff() { __tsan_release(&handed_); }
  ~HandOff() { __tsan_acquire(&returned_); }

  // A body as the scheduler copies it into its tasks and calls it. A worker reads a copy
  // before any other code of ours runs, and the scheduler reuses the memory of finished
  // tasks for new ones, so each copy states its own hand-offs too: every access to a
  // copy's fields stands between an acquire and a release on the copy's address.
  template <class Body>
  class Wrapped {
   public:
    Wrapped(HandOff& hand_off, const Body& body) { set(&hand_off, &body); }
    Wrapped(const Wrapped& other) {
      const auto [hand_off, body] = other.get();
      set(hand_off, body);
    }
    Wrapped& operator=(const Wrapped&) = delete;

    template <class... Args>
    decltype(auto) operator()(Args&&... args) const {
      const auto [hand_off, body] = get();
      __tsan_acquire(&hand_off->handed_);
      struct Back {
        char* returned;
        ~Back() { __tsan_release(returned); }
      } back{&hand_off->returned_};
      return (*body)(std::forward<Args>(args)...);
    }

   private:
    void* address() const { return const_cast<Wrapped*>(this); }
    void set(HandOff* hand_off, const Body* body) {
      __tsan_acquire(address());
      hand_off_ = hand_off;
      body_ = body;
      __tsan_release(address());
    }
    std::pair<HandOff*, const Body*> get() const {
      __tsan_acquire(address());
      std::pair<HandOff*, const Body*> fields{hand_off_, body_};
      __tsan_release(address());
      return fields;
    }

    HandOff* hand_off_;
    const Body* body_;
  };

  template <class Body>
  Wrapped<Body> wrap(const Body& body) {
    return Wrapped<Body>(*this, body);
  }

 private:
  char handed_ = 0;
  char returned_ = 0;
#else
  HandOff() = default;

  template <class Body>
  const Body& wrap(const Body& body) {
    return body;
  }
#endif
};

// One hand-off happens wholly inside oneTBB's code, so the tsan build cannot state it: its
// sort passes pieces of the array from worker to worker. That build sorts on the calling
// thread, with the same result.
#if SHEAFWORK_TSAN
inline constexpr bool kSortsOnCaller = true;
#else
inline constexpr bool kSortsOnCaller = false;
#endif

}  // namespace engine::pool::detail
