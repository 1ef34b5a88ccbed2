// Sorting cells by coordinate for the export: a coordinate as a narrow key, and a stable
// least-significant-digit radix sort of a list by such keys.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace engine {

// Below this many copies a comparison sort beats setting up the radix passes.
inline constexpr size_t kRadixFrom = 256;
inline constexpr int kMaxDigitBits = 11;  // 2048 counters a pass: they stay in the L1 cache

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
void radix_sort_by_key(std::vector<T>& items, int key_bits, Key key) {
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

}  // namespace engine
