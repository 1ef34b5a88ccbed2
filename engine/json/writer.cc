#include "engine/json/writer.h"

#include <algorithm>
#include <exception>

#include "engine/base/large_block.h"
#include "engine/base/stop.h"

namespace engine {

char* StringBuffer::resize(size_t /*used*/, size_t capacity) {
  try {
    text_.resize(capacity);
  } catch (const std::exception&) {
    // bad_alloc, or length_error from an allocator smaller than max_size() promises.
    return nullptr;
  }
  return text_.data();
}

void JsonWriter::overrun() { stop("JsonWriter: a write ran past the room reserved for it"); }

size_t JsonWriter::capacity_for(size_t n) const {
  const size_t limit = buffer_->max_size();
  if (n > limit - len_) return 0;
  size_t capacity = std::max(room_, kInitialCapacity);
  while (capacity - len_ < n) capacity = capacity > limit / 2 ? limit : capacity * 2;
  return capacity;
}

char* JsonWriter::grow(size_t n) {
  if (failure_ != nullptr) return nullptr;
  const size_t capacity = capacity_for(n);
  char* data = capacity == 0 ? nullptr : buffer_->resize(len_, capacity);
  if (data == nullptr) {
    failure_ = capacity == 0 ? "output exceeds the largest possible text"
                             : "memory allocation failed";
    room_ = len_;
    return nullptr;
  }
  data_ = data;
  room_ = capacity;
  advise_large_block(data_, room_);
  return data_ + len_;
}

void JsonWriter::reserve_more(size_t n) {
  if (failure_ != nullptr || room_ - len_ >= n) return;
  const size_t capacity = capacity_for(n);
  if (capacity == 0) return;
  // Failing here is no failure of the writer: the writes themselves will grow the block
  // as far as memory allows.
  if (char* data = buffer_->resize(len_, capacity)) {
    data_ = data;
    room_ = capacity;
    advise_large_block(data_, room_);
  }
}

}  // namespace engine
