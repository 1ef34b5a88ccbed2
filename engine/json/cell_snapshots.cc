#include "engine/json/cell_snapshots.h"

#include <algorithm>
#include <bit>
#include <new>
#include <utility>
#include <variant>

namespace engine {

namespace {

// Arena bytes reserved a cell before copying: a short text and its size. Pages that stay
// unused are never touched.
constexpr size_t kArenaGuessPerCell = 32;

}  // namespace

void CellSnapshots::reserve(size_t n) {
  records_.reserve(n);
  const size_t guess = n * kArenaGuessPerCell;
  if (arena_size_ > 0 || arena_capacity_ >= guess) return;
  // Only a guess: when it cannot be had, the arena grows as the texts come.
  if (char* block = new (std::nothrow) char[guess]) {
    arena_.reset(block);
    arena_capacity_ = guess;
  }
}

void CellSnapshots::grow_arena(size_t n) {
  const size_t capacity = std::max(arena_size_ + n, 2 * arena_capacity_);
  auto grown = std::make_unique_for_overwrite<char[]>(capacity);
  if (arena_size_ > 0) std::memcpy(grown.get(), arena_.get(), arena_size_);
  arena_ = std::move(grown);
  arena_capacity_ = capacity;
}

void CellSnapshots::add(const Cell& cell) {
  const CellValue& v = cell.value;
  uint64_t payload = 0;
  switch (cell.value.kind()) {
    case CellValue::Kind::Empty:
      break;
    case CellValue::Kind::String:
      payload = append_text(v.as_string());
      break;
    case CellValue::Kind::Numeric:
      payload = std::bit_cast<uint64_t>(v.as_numeric());
      break;
    case CellValue::Kind::Integer:
      payload = static_cast<uint32_t>(v.as_integer());
      break;
    case CellValue::Kind::Bool:
      payload = v.as_bool();
      break;
    case CellValue::Kind::DateTime: {
      const DateTime date_time = v.as_date_time();
      payload = append(&date_time, sizeof date_time);
      break;
    }
  }
  auto kind = static_cast<uint8_t>(cell.value.kind());

  if (cell.has_optional_texts()) {
    const std::optional<std::string>& formula = cell.formula();
    const std::optional<std::string>& style_id = cell.style_id();
    const std::optional<std::string>& hidden_value = cell.hidden_value();
    const std::string_view code = cell.data_type_text();
    const bool long_code = code.size() != 1;
    const uint64_t block = append(&payload, sizeof payload);
    const auto present = static_cast<uint8_t>(
        (formula ? kFormula : 0) | (style_id ? kStyleId : 0) |
        (hidden_value ? kHiddenValue : 0) | (long_code ? kDataType : 0));
    append(&present, 1);
    if (formula) append_text(*formula);
    if (style_id) append_text(*style_id);
    if (hidden_value) append_text(*hidden_value);
    if (long_code) append_text(code);
    payload = block;
    kind |= kHasTexts;
  }
  ascii_ = ascii_ && static_cast<unsigned char>(cell.data_type) < 0x80;
  records_.push_back({cell.coord.row, cell.coord.column, kind, cell.data_type, payload});
}

CellSnapshots::Texts CellSnapshots::texts(const Record& r) const {
  Texts texts;
  if (!(r.kind & kHasTexts)) return texts;
  uint64_t at = r.payload + sizeof(uint64_t);
  const auto present = static_cast<uint8_t>(arena_[at++]);
  auto next = [&] {
    const std::string_view text = text_at(at);
    at += sizeof(uint64_t) + text.size();
    return text;
  };
  if (present & kFormula) texts.formula = next();
  if (present & kStyleId) texts.style_id = next();
  if (present & kHiddenValue) texts.hidden_value = next();
  if (present & kDataType) texts.data_type = next();
  return texts;
}

CellValue CellSnapshots::value(const Record& r) const {
  const uint64_t payload = value_payload(r);
  switch (kind(r)) {
    case CellValue::Kind::Empty:
      return CellValue();
    case CellValue::Kind::String:
      return CellValue::string(text_at(payload));
    case CellValue::Kind::Numeric:
      return CellValue::numeric(std::bit_cast<double>(payload));
    case CellValue::Kind::Integer:
      return CellValue::integer(static_cast<int32_t>(static_cast<uint32_t>(payload)));
    case CellValue::Kind::Bool:
      return CellValue::boolean(payload != 0);
    case CellValue::Kind::DateTime:
      return CellValue::date_time(date_time_at(payload));
  }
  return CellValue();
}

}  // namespace engine
