// Private copies of cells, made for the JSON export of a sheet whose cells are not
// ordered by their keys, so that each cell is written as it was read when it was put in
// order: its coordinate, value, data type, formula, style and hidden value. A copy is a
// 16-byte record; its texts go into one arena shared by all copies, so that copying a
// cell allocates nothing of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/model/cell.h"
#include "engine/model/cell_value.h"
#include "engine/model/coordinate.h"
#include "engine/model/date_time.h"
#include "engine/json/forms.h"

namespace engine {

class CellSnapshots {
 public:
  // One copied cell.
  struct Record {
    uint32_t row;
    uint16_t column;
    uint8_t kind;  // a CellValue::Kind, with kHasTexts added when it has optional texts
    char data_type;  // a one-byte code; a longer or empty one is kept with the texts
    // By kind: the double's bits, the integer, the bool, or the arena offset of the text
    // or date-time. With kHasTexts: the arena offset of that payload, followed by a byte
    // of kFormula, kStyleId, kHiddenValue and kDataType bits and the texts they name, in
    // that order.
    uint64_t payload;
  };
  static_assert(sizeof(Record) == 16);

  static constexpr uint8_t kHasTexts = 0x80;
  static constexpr uint8_t kFormula = 1, kStyleId = 2, kHiddenValue = 4, kDataType = 8;

  // The optional texts of one copy, and its data type code when that is not one byte.
  struct Texts {
    std::optional<std::string_view> formula, style_id, hidden_value, data_type;
  };

  // Room for `n` copies, so that copying allocates records once, and a first guess of
  // arena room for their texts.
  void reserve(size_t n);
  // Appends a copy of `cell`, which the caller reads (under its lock, or inside the gate).
  void add(const Cell& cell);

  const std::vector<Record>& records() const { return records_; }
  size_t size() const { return records_.size(); }
  // Whether every copied text and data type code is ASCII.
  bool ascii() const { return ascii_; }

  static Coordinate coord(const Record& r) { return {r.row, r.column}; }
  static CellValue::Kind kind(const Record& r) {
    return static_cast<CellValue::Kind>(r.kind & ~kHasTexts);
  }
  // The payload of the value, wherever the record keeps it.
  uint64_t value_payload(const Record& r) const {
    return r.kind & kHasTexts ? load_u64(r.payload) : r.payload;
  }
  std::string_view text_at(uint64_t offset) const {
    return {arena_.get() + offset + sizeof(uint64_t), load_u64(offset)};
  }
  DateTime date_time_at(uint64_t offset) const {
    DateTime t;
    std::memcpy(&t, arena_.get() + offset, sizeof t);
    return t;
  }
  Texts texts(const Record& r) const;
  // The whole data type code of a copy whose texts are `texts`.
  static std::string_view data_type(const Record& r, const Texts& texts) {
    return texts.data_type ? *texts.data_type : std::string_view(&r.data_type, 1);
  }
  // The value as a CellValue again (a String allocates its text).
  CellValue value(const Record& r) const;

 private:
  uint64_t load_u64(uint64_t offset) const {
    uint64_t v;
    std::memcpy(&v, arena_.get() + offset, sizeof v);
    return v;
  }
  // Appends `n` bytes from `bytes`; returns their arena offset.
  uint64_t append(const void* bytes, size_t n) {
    if (arena_capacity_ - arena_size_ < n) grow_arena(n);
    std::memcpy(arena_.get() + arena_size_, bytes, n);
    arena_size_ += n;
    return arena_size_ - n;
  }
  uint64_t append_text(std::string_view text) {
    ascii_ = ascii_ && json::is_ascii(text);
    const uint64_t size = text.size();
    const uint64_t offset = append(&size, sizeof size);
    if (size > 0) append(text.data(), size);
    return offset;
  }
  void grow_arena(size_t n);

  std::vector<Record> records_;
  // Grown like a vector's storage, but its bytes are never initialized before they are
  // written: a first guess that is too large costs address space, not work.
  std::unique_ptr<char[]> arena_;
  size_t arena_size_ = 0;
  size_t arena_capacity_ = 0;
  bool ascii_ = true;
};

}  // namespace engine
