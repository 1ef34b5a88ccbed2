// Shared<T>: a handle to one record that many owners share. One allocation holds the
// strong and weak counts, one reader-writer lock word and the record; the record dies
// with its last handle. The lock is not re-entrant: never ask for a lock of a record
// whose lock you already hold. Lock order: book, then sheet, then cell or comment.
//
// The rules of the counts, in one place (the files named below point here):
// - A counted handle (any Shared made, copied or moved) holds one strong count. Its
//   holder may copy it at any time: the count is at least one meanwhile, so raising it
//   needs no order, and a relaxed add does.
// - A lent handle (lent_handles.h) holds none. It may be read, and copied into a counted
//   handle, only while something else keeps the record: the lender that holds a count
//   and cannot drop it meanwhile (a sheet's cell map while its read lock is held), or a
//   lending scope (lending_scope.h) that was open when the record was lent.
// - An unpublished copy (unpublished_copy) is a counted handle whose count was raised
//   with a plain load and store. Only the thread that alone can reach the record (one
//   just made, not yet stored where others look) may make one.
// No other way raises a count. So a handle that reads a count of one when it is dropped
// is the last counted owner, and only a lent copy, read under an open scope, could raise
// the count meanwhile: release() therefore reads the last count instead of counting it
// down, and with a scope open it retires the record still holding that count (the
// scope's end gives it back) instead of destroying it. release_unlent skips that wait for
// a record that no scope can have been lent (one only its caller has handed out so far).
// The weak count is part of the record layout every handle shares; nothing reads it, so
// a retired record lends its word to the lending scopes as their link.
#pragma once

#include <atomic>
#include <concepts>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

#include "engine/base/lending_scope.h"
#include "engine/base/read_gate.h"
#include "engine/base/slot_arena.h"
#include "engine/base/rw_lock.h"

namespace engine {

template <class T>
class LentHandles;
template <class T>
class Shared;

// Slots for records of kind T (slot_arena.h).
template <class T>
using ArenaOf = SlotArena<Shared<T>::block_size(), Shared<T>::block_align()>;

// A kind of record whose writers pass a ReadGate (read_gate.h) names it: a static gate().
// Bulk readers inside that gate read its records without their own read locks.
template <class T>
concept Gated = requires {
  { T::gate() } -> std::same_as<ReadGate&>;
};

template <class T>
class Shared {
  friend class LentHandles<T>;

  // Begins with the counts (lending::Retiree): the strong owners together hold one weak
  // count, and a retired record lends the weak count's word to the lending scopes.
  struct Block : lending::Retiree {
    template <class... Args>
    explicit Block(bool in_arena, Args&&... args)
        : in_arena(in_arena), value(std::forward<Args>(args)...) {}
    RwLock lock;
    bool in_arena;  // in a slot of an Arena rather than on the heap
    T value;
  };

 public:
  // The room one record takes, for ArenaOf.
  static constexpr size_t block_size() { return sizeof(Block); }
  static constexpr size_t block_align() { return alignof(Block); }

  template <class... Args>
  static Shared make(Args&&... args) {
    Shared s;
    s.block_ = new Block(false, std::forward<Args>(args)...);
    return s;
  }

  // The same, with the record in a slot of `arena`, an ArenaOf<T>.
  template <class Arena, class... Args>
  static Shared make_in(Arena& arena, Args&&... args) {
    static_assert(std::is_same_v<Arena, ArenaOf<T>>);
    void* room = arena.allocate();
    Shared s;
    try {
      s.block_ = new (room) Block(true, std::forward<Args>(args)...);
    } catch (...) {
      Arena::release(room);
      throw;
    }
    return s;
  }

  // A second handle to a record that no other thread can reach yet (the rules above): its
  // count is raised without a locked instruction, which would wait for every write of the
  // new record to leave the store buffer first.
  Shared unpublished_copy() const {
    block_->strong.store(block_->strong.load(std::memory_order_relaxed) + 1,
                         std::memory_order_relaxed);
    return Shared(Lent{}, block_);
  }

  Shared() = default;
  Shared(const Shared& other) noexcept : block_(other.block_) { retain(); }
  Shared(Shared&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
  Shared& operator=(const Shared& other) noexcept {
    Shared(other).swap(*this);
    return *this;
  }
  Shared& operator=(Shared&& other) noexcept {
    Shared(std::move(other)).swap(*this);
    return *this;
  }
  ~Shared() { release(); }

  void swap(Shared& other) noexcept { std::swap(block_, other.block_); }

  // Drops this handle, destroying the record at once when it was the last, also while a
  // lending scope is open. Only for records that no open scope can have been lent (the
  // rules above).
  void release_unlent() {
    if (block_) drop_retired(std::exchange(block_, nullptr));
  }
  explicit operator bool() const { return block_ != nullptr; }
  bool same_record(const Shared& other) const { return block_ == other.block_; }
  uint64_t strong_count() const { return block_ ? block_->strong.load() : 0; }
  // A hint for long walks over many records: starts loading this one's fields (the line
  // they start on, and the one they end on, since they may straddle two) into the cache
  // ahead of the read that follows. The counts and the lock, which a bulk reader does
  // not touch, are left out.
  void prefetch() const {
    __builtin_prefetch(&block_->value);
    __builtin_prefetch(reinterpret_cast<const char*>(&block_->value) + sizeof(T) - 1);
  }

  // Read access for as long as the guard lives.
  class ReadGuard {
   public:
    explicit ReadGuard(Block* b) : block_(b) { block_->lock.lock_shared(); }
    ReadGuard(const ReadGuard&) = delete;
    ReadGuard& operator=(const ReadGuard&) = delete;
    ~ReadGuard() { block_->lock.unlock_shared(); }
    const T& operator*() const { return block_->value; }
    const T* operator->() const { return &block_->value; }

   private:
    Block* block_;
  };

  // Write access for as long as the guard lives; for a gated kind, inside its gate.
  class WriteGuard {
   public:
    explicit WriteGuard(Block* b) : block_(b) {
      if constexpr (Gated<T>) T::gate().enter_writer();
      block_->lock.lock();
    }
    WriteGuard(const WriteGuard&) = delete;
    WriteGuard& operator=(const WriteGuard&) = delete;
    ~WriteGuard() {
      block_->lock.unlock();
      if constexpr (Gated<T>) T::gate().leave_writer();
    }
    T& operator*() const { return block_->value; }
    T* operator->() const { return &block_->value; }

   private:
    Block* block_;
  };

  ReadGuard read() const { return ReadGuard(block_); }
  WriteGuard write() const { return WriteGuard(block_); }

  // The record, for a bulk reader that holds its pass of the gate; valid while it does.
  const T& read_in_gate(const ReadGate::Reader&) const
    requires Gated<T>
  {
    return block_->value;
  }

 private:
  // A copy that takes no count itself: LentHandles never destroys its copies, and
  // unpublished_copy raises the count before it makes one.
  struct Lent {};
  Shared(Lent, Block* b) noexcept : block_(b) {}

  void retain() const {
    if (block_) block_->strong.fetch_add(1, std::memory_order_relaxed);
  }
  void release() {
    if (!block_) return;
    // The last count is read, not counted down (the rules above): dropping a large sheet
    // then costs no locked instruction per record. The acquire read (like the acquire
    // half of the countdown below) orders the destruction after every other owner's use;
    // an acquire fence would do, but race detectors cannot see fences.
    if (block_->strong.load(std::memory_order_acquire) == 1) {
      if (lending::scopes_open()) {
        lending::retire(block_, retired_kind());
      } else {
        destroy(block_);
      }
    } else if (block_->strong.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      if (lending::scopes_open()) {
        // A lent copy may still be read, or copied: the retired record keeps a count.
        block_->strong.fetch_add(1, std::memory_order_relaxed);
        lending::retire(block_, retired_kind());
      } else {
        destroy(block_);
      }
    }
    block_ = nullptr;
  }

  // Destroys the record (dropping the handles it holds) and frees its room.
  static void destroy(Block* block) {
    if (block->in_arena) {
      block->~Block();
      ArenaOf<T>::release(block);
    } else {
      delete block;
    }
  }

  // Gives back the count a retired record kept. No lent copy of it is read any more, so
  // at zero it dies at once.
  static void drop_retired(lending::Retiree* record) {
    Block* block = static_cast<Block*>(record);
    if (block->strong.fetch_sub(1, std::memory_order_acq_rel) == 1) destroy(block);
  }

  static unsigned retired_kind() {
    static const unsigned kind = lending::number_kind(&drop_retired);
    return kind;
  }

  Block* block_ = nullptr;
};

}  // namespace engine
