#include "engine/json/cell_snapshots.h"

#include <algorithm>
#include <bit>
#include <new>
#include <utility>
#include <variant>

namespace engine {

namespace {

// Below this many copies a comparison sort beats setting up the radix passes.
constexpr size_t kRadixFrom = 256;
constexpr int kMaxDigitBits = 11;  // 2048 counters a pass: they stay in the L1 cache
// Arena bytes reserved a cell before copying: a short text and its size. Pages that stay
// unused are never touched.
constexpr size_t kArenaGuessPerCell = 32;

// The coordinates of a set of cells, as sort keys: (row - min_row) * (max_column + 1) +
// column orders like (row, column) and is usually far narrower than the 48 bits of both,
// which saves radix passes: two cover a million cells in ten columns.
class KeyRange {
 public:
  void add(uint32_t row, uint16_t column) {
    min_row_ = std::min(min_row_, row);
    max_row_ = std::max(max_row_, row);
    max_column_ = std::max(max_column_, column);
  }
  // Keys lie below 2^key_bits(); 0 when every coordinate is the same.
  int key_bits() const {
    const uint64_t span = (uint64_t{max_row_} - min_row_ + 1) * (uint64_t{max_column_} + 1);
    return std::bit_width(span - 1);
  }
  // Keys tell coordinates apart only inside the range.
  bool contains(uint32_t row, uint16_t column) const {
    return row >= min_row_ && row <= max_row_ && column <= max_column_;
  }
  uint64_t key(uint32_t row, uint16_t column) const {
    return uint64_t{row - min_row_} * (uint64_t{max_column_} + 1) + column;
  }

 private:
  uint32_t min_row_ = UINT32_MAX, max_row_ = 0;
  uint16_t max_column_ = 0;
};

// Sorts `items` stably by key(item) < 2^key_bits, least significant digit first: every
// pass is stable, so the whole is.
template <class T, class Key>
void radix_sort(std::vector<T>& items, int key_bits, Key key) {
  const size_t n = items.size();
  if (n < 2 || key_bits == 0) return;
  const int passes = (key_bits + kMaxDigitBits - 1) / kMaxDigitBits;
  const int digit_bits = (key_bits + passes - 1) / passes;
  const uint64_t digit_mask = (uint64_t{1} << digit_bits) - 1;

  // All passes' counts in one read of the items.
  std::vector<size_t> counts(static_cast<size_t>(passes) << digit_bits);
  for (const T& item : items) {
    const uint64_t k = key(item);
    for (int pass = 0; pass < passes; ++pass)
      ++counts[(static_cast<size_t>(pass) << digit_bits) + (k >> (pass * digit_bits) & digit_mask)];
  }

  std::vector<T> spare(n);
  for (int pass = 0; pass < passes; ++pass) {
    size_t* count = counts.data() + (static_cast<size_t>(pass) << digit_bits);
    const int shift = pass * digit_bits;
    // A digit that is the same for every item would move nothing.
    if (count[key(items[0]) >> shift & digit_mask] == n) continue;
    size_t start = 0;
    for (size_t d = 0; d <= digit_mask; ++d) start += std::exchange(count[d], start);
    for (const T& item : items) spare[count[key(item) >> shift & digit_mask]++] = item;
    items.swap(spare);
  }
}

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

void CellSnapshots::sort() {
  if (records_.size() < kRadixFrom) {
    std::stable_sort(records_.begin(), records_.end(), [](const Record& a, const Record& b) {
      return coord(a) < coord(b);
    });
    return;
  }
  KeyRange range;
  for (const Record& r : records_) range.add(r.row, r.column);
  radix_sort(records_, range.key_bits(),
             [&](const Record& r) { return range.key(r.row, r.column); });
}

CellSnapshots cell_snapshots(const CellMap& cells) {
  CellSnapshots copies;
  copies.reserve(cells.entries.size());
  // Map order is not memory order: each record would otherwise be a wait of its own.
  constexpr int kAhead = 8;
  auto ahead = cells.entries.begin();
  const auto end = cells.entries.end();
  for (int i = 0; i < kAhead && ahead != end; ++i, ++ahead) ahead->second.prefetch();
  for (const auto& entry : cells.entries) {
    if (ahead != end) {
      ahead->second.prefetch();
      ++ahead;
    }
    const auto cell = entry.second.read();
    copies.add(*cell);
  }
  return copies;
}

namespace {

// The general way, in the words of its contract: copy in map order, then sort.
CellSnapshots copied_then_sorted(const CellMap& cells) {
  CellSnapshots copies = cell_snapshots(cells);
  copies.sort();
  return copies;
}

}  // namespace

CellSnapshots sorted_cell_snapshots(const CellMap& cells) {
  // The map's keys are its cells' own coordinates, so the cells are visited in key order
  // and copied straight into sorted order; cells are mostly allocated in row order too,
  // so the walk reads memory mostly forward rather than at random. Unique keys leave no
  // ties for the copy order to break.
  const size_t n = cells.entries.size();
  if (n == 0) return CellSnapshots();
  std::vector<const Shared<Cell>*> handles;  // in map order
  std::vector<uint64_t> order;  // map keys in map order; below, the sort items
  handles.reserve(n);
  order.reserve(n);
  KeyRange range;
  for (const auto& [coord, cell] : cells.entries) {
    range.add(coord.row, coord.column);
    handles.push_back(&cell);
    order.push_back(coord.sort_key());
  }
  // Items of one word, the key above the handle's position, sort at half the cost of
  // pairs.
  const int key_bits = range.key_bits();
  const int position_bits = std::bit_width(n - 1);
  if (key_bits + position_bits > 64) return copied_then_sorted(cells);  // rows spread far
  for (size_t i = 0; i < n; ++i) {
    const Coordinate c = Coordinate::from_sort_key(order[i]);
    order[i] = range.key(c.row, c.column) << position_bits | i;
  }
  radix_sort(order, key_bits, [&](uint64_t item) { return item >> position_bits; });

  CellSnapshots copies;
  copies.reserve(n);
  const uint64_t position_mask = (uint64_t{1} << position_bits) - 1;
  const auto handle = [&](size_t i) { return handles[order[i] & position_mask]; };
  // Three steps ahead: the handle's place in `handles`, the map slot it points to, then
  // the record; key order visits all three at random.
  constexpr size_t kAhead = 16;
  for (size_t i = 0; i < n; ++i) {
    if (i + 3 * kAhead < n) __builtin_prefetch(&handles[order[i + 3 * kAhead] & position_mask]);
    if (i + 2 * kAhead < n) __builtin_prefetch(handle(i + 2 * kAhead));
    if (i + kAhead < n) handle(i + kAhead)->prefetch();
    {
      const auto cell = handle(i)->read();
      copies.add(*cell);
    }
    const CellSnapshots::Record& copy = copies.records().back();
    const bool at_own_key = range.contains(copy.row, copy.column) &&
                            range.key(copy.row, copy.column) == order[i] >> position_bits;
    // A cell stored under another coordinate than its own breaks the premise.
    if (!at_own_key) return copied_then_sorted(cells);
  }
  return copies;
}

}  // namespace engine
