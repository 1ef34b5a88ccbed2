// A list of handles lent by the containers that own them, for as long as those keep them
// (a sheet's cell map while the sheet's read lock is held). A lent handle does not count:
// making and dropping a list of a million of them writes to none of the records, where
// counted copies cost two atomic writes per record, each a cache miss, one of them on
// the calling thread alone. An element copied out of the list is an ordinary counted
// handle, so results taken from it may outlive the lender. When a lent handle may be read
// and copied: the rules of the counts at the top of shared.h.
#pragma once

#include <cstddef>
#include <new>
#include <span>
#include <utility>

#include "engine/base/large_block.h"
#include "engine/base/shared.h"

namespace engine {

template <class T>
class LentHandles {
 public:
  // Room for n handles; each must be lent with lend() before view() is read.
  explicit LentHandles(size_t n)
      : items_(static_cast<Shared<T>*>(::operator new(n * sizeof(Shared<T>)))), size_(n) {
    advise_large_block(items_, n * sizeof(Shared<T>));
  }
  LentHandles(LentHandles&& other) noexcept
      : items_(std::exchange(other.items_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  LentHandles(const LentHandles&) = delete;
  LentHandles& operator=(const LentHandles&) = delete;
  LentHandles& operator=(LentHandles&& other) noexcept {
    if (this != &other) {
      ::operator delete(items_);
      items_ = std::exchange(other.items_, nullptr);
      size_ = std::exchange(other.size_, 0);
    }
    return *this;
  }
  // The handles are left without their destructors: they never held a count to give back.
  ~LentHandles() { ::operator delete(items_); }

  void lend(size_t i, const Shared<T>& owned) {
    new (&items_[i]) Shared<T>(typename Shared<T>::Lent{}, owned.block_);
  }

  // An empty handle at position i, for a list that lends only some positions.
  void lend_none(size_t i) { new (&items_[i]) Shared<T>(); }

  // Forgets the handles from position n on (never lent, or lent and no longer wanted).
  void shrink_to(size_t n) {
    if (n < size_) size_ = n;
  }

  std::span<const Shared<T>> view() const { return {items_, size_}; }
  size_t size() const { return size_; }

 private:
  Shared<T>* items_;
  size_t size_;
};

}  // namespace engine
