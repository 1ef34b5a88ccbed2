// What every fuzz target shares: a check that stops the run with a message, and a reader
// that turns the fuzzer's bytes into the arguments of engine calls.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "tests/engine/utf8_encode.h"

// Stops the run when `holds` is false: libFuzzer keeps the input as a crash, the replay
// test fails.
#define FUZZ_CHECK(holds, ...)                                                      \
  do {                                                                              \
    if (!(holds)) {                                                                 \
      std::fprintf(stderr, "%s:%d: check failed: %s\n  ", __FILE__, __LINE__, #holds); \
      std::fprintf(stderr, __VA_ARGS__);                                            \
      std::fprintf(stderr, "\n");                                                   \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

namespace fuzzing {

// Reads numbers and texts off the front of the input; once it is used up every read
// gives zeros and empty texts, so a short input is still a whole program.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool empty() const { return pos_ >= size_; }

  uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }

  template <class T>
  T number() {
    T value{};
    uint8_t bytes[sizeof(T)] = {};
    for (auto& b : bytes) b = byte();
    std::memcpy(&value, bytes, sizeof(T));
    return value;
  }

  // Raw bytes: a length byte, then that many bytes (fewer at the end of the input).
  std::string bytes() {
    const size_t length = byte();
    const size_t n = std::min(length, size_ - std::min(pos_, size_));
    std::string out(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return out;
  }

  // A text as the Python side would pass it: raw bytes made valid UTF-8, each invalid
  // byte taken as the code point of the same number.
  std::string text() { return valid_utf8(bytes()); }

  static std::string valid_utf8(std::string_view raw);

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

inline std::string FuzzInput::valid_utf8(std::string_view raw) {
  std::string out;
  size_t i = 0;
  while (i < raw.size()) {
    const auto lead = static_cast<unsigned char>(raw[i]);
    int tail = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2
                             : (lead & 0xF8) == 0xF0 ? 3 : -1;
    uint32_t c = tail == 0 ? lead : tail == 1 ? lead & 0x1F : tail == 2 ? lead & 0x0F : lead & 0x07;
    bool ok = tail >= 0 && i + static_cast<size_t>(tail) < raw.size();
    for (int k = 1; ok && k <= tail; ++k) {
      const auto b = static_cast<unsigned char>(raw[i + static_cast<size_t>(k)]);
      ok = (b & 0xC0) == 0x80;
      c = (c << 6) | (b & 0x3F);
    }
    const uint32_t least = tail == 1 ? 0x80 : tail == 2 ? 0x800 : tail == 3 ? 0x10000 : 0;
    ok = ok && c >= least && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
    if (ok) {
      out.append(raw.substr(i, static_cast<size_t>(tail) + 1));
      i += static_cast<size_t>(tail) + 1;
    } else {
      engine::testing::append_utf8(out, lead);
      ++i;
    }
  }
  return out;
}

}  // namespace fuzzing
