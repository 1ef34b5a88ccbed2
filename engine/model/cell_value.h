// The typed value of a cell, inferred from text, and its value text: the one text form
// in which Python sees a value and against which every search compares.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "engine/model/date_time.h"
#include "engine/text/text_box.h"

namespace engine {

struct Empty {
  friend bool operator==(Empty, Empty) { return true; }
};

class CellValue {
 public:
  // Variant order is part of the contract: Empty, String, Numeric, Integer, Bool, DateTime.
  using Storage = std::variant<Empty, TextBox, double, int32_t, bool, DateTime>;
  enum class Kind : uint8_t { Empty, String, Numeric, Integer, Bool, DateTime };

  CellValue() = default;
  static CellValue string(std::string_view text) { return CellValue(TextBox(text)); }
  static CellValue numeric(double v) { return CellValue(v); }
  static CellValue integer(int32_t v) { return CellValue(v); }
  static CellValue boolean(bool v) { return CellValue(v); }
  static CellValue date_time(DateTime v) { return CellValue(v); }

  // Inference, first test that succeeds: empty, boolean (full upper-case form is "TRUE"
  // or "FALSE"), signed 32-bit integer, float, date-time "%Y-%m-%d %H:%M:%S", text.
  static CellValue from_text(std::string_view text);

  Kind kind() const { return static_cast<Kind>(storage_.index()); }
  const Storage& storage() const { return storage_; }

  // Appends the value text; nothing for Empty.
  void fmt(std::string& out) const;
  std::string text() const {
    std::string out;
    fmt(out);
    return out;
  }

  // "s", "n", "b" or "d".
  char data_type() const;

  friend bool operator==(const CellValue&, const CellValue&) = default;

 private:
  template <class T>
  explicit CellValue(T v) : storage_(std::move(v)) {}

  Storage storage_;
};

// Shortest round-trip digits of a finite or non-finite double, written positionally
// without exponent ("3", "0.0000001", "-0", "inf", "-inf", "NaN").
void append_numeric_text(std::string& out, double value);

}  // namespace engine
