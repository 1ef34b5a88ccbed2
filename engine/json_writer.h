// A compact JSON writer over one growing byte buffer: no blank or line break between
// tokens. The caller lays out objects and arrays with raw punctuation and keys; the
// writer supplies the value forms (escaped strings, float numbers, integers, literals,
// date-times). The text is handed over by take() without a further copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "engine/date_time.h"

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

class JsonWriter {
 public:
  static constexpr size_t kInitialCapacity = 128;

  JsonWriter();

  // Success, or why the buffer could not grow. Once failed, the writer stays failed and
  // ignores every further write.
  WriteStatus status() const {
    return failure_ == nullptr ? WriteStatus::success() : WriteStatus::failure(failure_);
  }

  // Bytes written so far.
  size_t size() const { return len_; }

  // Hands the text over; the writer is empty afterwards.
  std::string take() {
    buf_.resize(len_);
    len_ = 0;
    room_ = 0;
    return std::exchange(buf_, std::string());
  }

  // Makes room for `n` more bytes in one step, so that a long run of writes whose size
  // is known roughly does not pass through every doubling on the way. Only a hint: when
  // the memory cannot be had, nothing changes.
  void reserve_more(size_t n);

  // Punctuation, keys and other text that is already JSON.
  void raw(char c) {
    if (char* out = reserve(1)) {
      *out = c;
      ++len_;
    }
  }
  void raw(std::string_view text) {
    if (text.empty()) return;  // an empty view may carry no data pointer at all
    if (char* out = reserve(text.size())) {
      std::memcpy(out, text.data(), text.size());
      len_ += text.size();
    }
  }

  // A quoted string. Only '"', '\\' and bytes below 0x20 are escaped; runs that need no
  // escape are copied whole.
  void string(std::string_view text);

  // Shortest round-trip digits: "20.0", "22.5", "0.00001", "1e16", "1e-6", "-0.0";
  // null for NaN and the infinities.
  void number(double value);

  void integer(int64_t value);
  void unsigned_integer(uint64_t value);
  void boolean(bool value) { raw(value ? std::string_view("true") : std::string_view("false")); }
  void null() { raw(std::string_view("null")); }

  // A quoted "YYYY-MM-DDTHH:MM:SS[.fff|.ffffff|.fffffffff]"; years outside 0..9999
  // carry their sign, a leap second shows second 60.
  void date_time(const DateTime& value);

 private:
  // Room for `n` more bytes at the write position, or nullptr once the writer has failed.
  // The bytes past len_ are scratch until take() trims them.
  char* reserve(size_t n) {
    if (room_ - len_ >= n) return buf_.data() + len_;
    return grow(n);
  }
  char* grow(size_t n);
  // The capacity that holds `n` more bytes: the current one doubled as often as needed.
  // 0 when no text can be that long.
  size_t capacity_for(size_t n) const;

  std::string buf_;
  size_t len_ = 0;
  // Usable bytes of buf_; pinned to len_ once failed, so that every write reaches grow().
  size_t room_ = 0;
  const char* failure_ = nullptr;  // static text: no allocation when memory has run out
  std::string scratch_;  // date-time text before it is quoted
};

}  // namespace engine
