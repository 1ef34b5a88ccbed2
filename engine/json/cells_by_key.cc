#include "engine/json/cells_by_key.h"

#include <bit>
#include <cstdint>

#include "engine/json/key_order.h"

namespace engine {

std::optional<CellsByKey> CellsByKey::of(const CellMap& map) {
  const size_t n = map.entries.size();
  if (n == 0) return CellsByKey(0);
  if (std::optional<KeyBox> box = KeyBox::place(map)) return CellsByKey(std::move(*box));

  // One walk of the map: its keys, packed below with their map positions, and the
  // entries in map order. Only keys are read, no cell.
  std::vector<const CellEntries::value_type*> entries;
  std::vector<uint64_t> order;
  entries.reserve(n);
  order.reserve(n);
  KeyRange range;
  for (const auto& shard : map.entries.shards()) {
    for (const auto& entry : shard) {
      range.add(entry.first.row, entry.first.column);
      entries.push_back(&entry);
      order.push_back(entry.first.sort_key());
    }
  }
  const int key_bits = range.key_bits();
  const int position_bits = std::bit_width(n - 1);
  if (key_bits + position_bits > 64) return std::nullopt;
  for (size_t i = 0; i < n; ++i) {
    const Coordinate c = Coordinate::from_sort_key(order[i]);
    order[i] = range.key(c.row, c.column) << position_bits | i;
  }
  radix_sort_by_key(order, key_bits, [&](uint64_t item) { return item >> position_bits; });

  CellsByKey out(n);
  out.keys_.resize(n);
  const uint64_t position_mask = (uint64_t{1} << position_bits) - 1;
  // Key order visits the map at random: each entry is read a few steps ahead.
  constexpr size_t kAhead = 16;
  for (size_t k = 0; k < n; ++k) {
    if (k + kAhead < n) __builtin_prefetch(entries[order[k + kAhead] & position_mask]);
    const CellEntries::value_type& entry = *entries[order[k] & position_mask];
    out.cells_.lend(k, entry.second);
    out.keys_[k] = entry.first;
  }
  return out;
}

}  // namespace engine
