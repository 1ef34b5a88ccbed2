// The typed value of a cell, inferred from text, and its value text: the one text form
// in which Python sees a value and against which every search compares.
//
// Seventeen bytes with no alignment of their own, so that a cell record packs its value
// beside its coordinate: a tag (the kind, and for a text whether it stands in place and
// how long it is), then sixteen bytes of payload. A text of up to sixteen bytes is kept
// in the payload itself; a longer one in one heap block that holds its length and bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/model/date_time.h"

namespace engine {

class CellValue {
 public:
  // Kind order is part of the contract: Empty, String, Numeric, Integer, Bool, DateTime.
  // data_type() indexes a table in this order.
  enum class Kind : uint8_t { Empty, String, Numeric, Integer, Bool, DateTime };

  // Texts of up to this many bytes are kept in place.
  static constexpr size_t kInPlace = 16;

  CellValue() = default;
  CellValue(const CellValue& other);
  CellValue(CellValue&& other) noexcept;
  CellValue& operator=(const CellValue& other);
  CellValue& operator=(CellValue&& other) noexcept;
  ~CellValue() { drop_heap_text(); }

  static CellValue string(std::string_view text);
  static CellValue numeric(double v) { return with(Kind::Numeric, v); }
  static CellValue integer(int32_t v) { return with(Kind::Integer, v); }
  static CellValue boolean(bool v) { return with(Kind::Bool, static_cast<uint8_t>(v)); }
  static CellValue date_time(DateTime v) { return with(Kind::DateTime, v); }

  // Inference, first test that succeeds: empty, boolean (full upper-case form is "TRUE"
  // or "FALSE"), signed 32-bit integer, float, date-time "%Y-%m-%d %H:%M:%S", text.
  static CellValue from_text(std::string_view text);

  Kind kind() const { return static_cast<Kind>(tag_ & kKindBits); }

  // The payload of each kind; each only for a value of that kind. A text of up to
  // kInPlace bytes is viewed in the payload itself, all kInPlace bytes of which may be read.
  std::string_view as_string() const {
    const size_t length = tag_ >> kLengthShift;
    if (length != kOnHeap) return {reinterpret_cast<const char*>(bytes_), length};
    const char* block = heap_text();
    size_t size;
    std::memcpy(&size, block, sizeof size);
    return {block + sizeof size, size};
  }
  double as_numeric() const { return payload<double>(); }
  int32_t as_integer() const { return payload<int32_t>(); }
  bool as_bool() const { return payload<uint8_t>() != 0; }
  DateTime as_date_time() const { return payload<DateTime>(); }

  // Appends the value text; nothing for Empty.
  void fmt(std::string& out) const;
  std::string text() const {
    std::string out;
    fmt(out);
    return out;
  }

  // "s", "n", "b" or "d".
  char data_type() const { return "ssnnbdss"[tag_ & kKindBits]; }

  friend bool operator==(const CellValue& a, const CellValue& b);

 private:
  static constexpr uint8_t kKindBits = 0x7;
  static constexpr int kLengthShift = 3;
  static constexpr uint8_t kOnHeap = 0x1F;  // the length field of a text on the heap
  static_assert(kInPlace < kOnHeap);

  template <class T>
  static CellValue with(Kind kind, const T& v) {
    static_assert(sizeof(T) <= sizeof(bytes_));
    CellValue value;
    value.tag_ = static_cast<uint8_t>(kind);
    std::memcpy(value.bytes_, &v, sizeof v);
    return value;
  }
  template <class T>
  T payload() const {
    T v;
    std::memcpy(&v, bytes_, sizeof v);
    return v;
  }
  bool has_heap_text() const {
    return kind() == Kind::String && tag_ >> kLengthShift == kOnHeap;
  }
  char* heap_text() const { return payload<char*>(); }
  void drop_heap_text() {
    if (has_heap_text()) delete[] heap_text();
  }
  void copy_from(const CellValue& other);

  uint8_t tag_ = static_cast<uint8_t>(Kind::Empty);
  unsigned char bytes_[16];
};

// Shortest round-trip digits of a finite or non-finite double, written positionally
// without exponent ("3", "0.0000001", "-0", "inf", "-inf", "NaN").
void append_numeric_text(std::string& out, double value);

}  // namespace engine
