// A compact JSON writer over one growing block of bytes: no blank or line break between
// tokens. The caller lays out objects and arrays with raw punctuation and keys; the
// writer supplies the value forms (escaped strings, float numbers, unsigned integers,
// booleans). The block is the caller's, reached through JsonBuffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "engine/json/forms.h"

namespace engine {

// Success, or the writer's own error message.
class WriteStatus {
 public:
  static WriteStatus success() { return WriteStatus(); }
  static WriteStatus failure(std::string message) {
    WriteStatus s;
    s.failed_ = true;
    s.message_ = std::move(message);
    return s;
  }
  bool ok() const { return !failed_; }
  const std::string& message() const { return message_; }

 private:
  bool failed_ = false;
  std::string message_;
};

// The block a writer fills. Only the writer writes into it, and only below the capacity
// it last asked for.
class JsonBuffer {
 public:
  virtual ~JsonBuffer() = default;
  // Makes the block at least `capacity` bytes long, its first `used` bytes kept, and
  // returns its start; nullptr, the block as it was, when the memory cannot be had.
  virtual char* resize(size_t used, size_t capacity) = 0;
  // The longest block there can be.
  virtual size_t max_size() const = 0;
};

// A block kept in a std::string.
class StringBuffer final : public JsonBuffer {
 public:
  char* resize(size_t used, size_t capacity) override;
  size_t max_size() const override { return text_.max_size(); }
  // The first `size` bytes as the text; the buffer is empty afterwards.
  std::string take(size_t size) {
    text_.resize(size);
    return std::exchange(text_, std::string());
  }

 private:
  std::string text_;
};

class JsonWriter {
 public:
  static constexpr size_t kInitialCapacity = 128;

  // Writes into `buffer`, which must outlive the writer; its text is the first size()
  // bytes.
  explicit JsonWriter(JsonBuffer& buffer) : buffer_(&buffer) {}
  JsonWriter(const JsonWriter&) = delete;
  JsonWriter& operator=(const JsonWriter&) = delete;

  // Success, or why the block could not grow. Once failed, the writer stays failed and
  // ignores every further write.
  WriteStatus status() const {
    return failure_ == nullptr ? WriteStatus::success() : WriteStatus::failure(failure_);
  }

  // Bytes written so far.
  size_t size() const { return len_; }
  // Forgets what was written after the first `size` bytes, to write it again otherwise.
  void truncate(size_t size) {
    if (size < len_) len_ = size;
  }

  // Whether every byte written so far is below 0x80. Only strings can hold others: a
  // caller that writes one through reserve() must report it with note_non_ascii().
  bool ascii() const { return ascii_; }
  void note_non_ascii() { ascii_ = false; }

  // Makes room for `n` more bytes in one step, so that a long run of writes whose size
  // is known roughly does not pass through every doubling on the way. Only a hint: when
  // the memory cannot be had, nothing changes.
  void reserve_more(size_t n);

  // For a run of writes whose size has a known bound: room for `n` more bytes at the
  // write position, or nullptr once the writer has failed. The caller writes there with
  // the forms of forms.h and then hands the end of what it wrote to commit().
  char* reserve(size_t n) {
    if (room_ - len_ >= n) return data_ + len_;
    return grow(n);
  }
  void commit(char* end) {
    len_ = static_cast<size_t>(end - data_);
    // Past the room asked for, memory is already overwritten: going on would spread it.
    if (len_ > room_) overrun();
  }

  // Punctuation, keys and other text that is already JSON, in ASCII.
  void raw(char c) {
    if (char* out = reserve(1)) {
      *out = c;
      ++len_;
    }
  }
  void raw(std::string_view text) {
    if (char* out = reserve(text.size())) commit(json::put_raw(out, text));
  }

  // A quoted string. Only '"', '\\' and bytes below 0x20 are escaped; runs that need no
  // escape are copied whole.
  void string(std::string_view text) {
    if (ascii_ && !json::is_ascii(text)) ascii_ = false;
    if (char* out = reserve(json::string_room(text))) commit(json::put_string(out, text));
  }

  // Shortest round-trip digits: "20.0", "22.5", "0.00001", "1e16", "1e-6", "-0.0";
  // null for NaN and the infinities.
  void number(double value) {
    if (char* out = reserve(json::kNumberRoom)) commit(json::put_number(out, value));
  }

  void unsigned_integer(uint64_t value) {
    if (char* out = reserve(json::kIntegerRoom)) commit(put_unsigned(out, value));
  }
  void boolean(bool value) { raw(value ? std::string_view("true") : std::string_view("false")); }

 private:
  [[noreturn]] static void overrun();
  // Grows the block so that `n` more bytes fit; nullptr once the writer has failed.
  char* grow(size_t n);
  // The capacity that holds `n` more bytes: the current one doubled as often as needed.
  // 0 when no block can be that long.
  size_t capacity_for(size_t n) const;

  JsonBuffer* buffer_;
  char* data_ = nullptr;
  size_t len_ = 0;
  // Usable bytes of the block; pinned to len_ once failed, so that every write reaches
  // grow().
  size_t room_ = 0;
  bool ascii_ = true;
  const char* failure_ = nullptr;  // static text: no allocation when memory has run out
};

}  // namespace engine
