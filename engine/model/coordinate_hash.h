// The hasher of a sheet's cell map. Like SeededHash it draws a seed per map, so the
// table order differs between maps and runs and crafted coordinates cannot aim at one
// place; unlike it, four cells side by side in a row (columns 4k to 4k + 3) go to one
// group of the table, while the groups themselves are scattered by the seed. A sheet
// filled row by row then touches one group (its tags and its slots, filled one after
// another) per four new cells instead of one per cell: that miss was most of the cost of
// adding a cell to a large sheet.
//
// This leans on how Boost.Unordered's flat map splits a hash (foa.hpp of Boost 1.81,
// Debian's libboost1.81-dev): the group where a probe starts is read from the hash's
// high bits, and the tag compared in a group before any key from its low byte; a hash
// marked avalanching is taken as it is, without a mix of the table's own. Should a later
// version split otherwise, nothing breaks but the speed; coordinate_hash_test checks the
// split.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "engine/model/coordinate.h"

namespace engine {

struct CoordinateHash {
  // Every bit above the low two comes from the mix below; the table must not mix again,
  // which would part the neighbours.
  using is_avalanching = std::true_type;

  uint64_t seed = 0;

  // The group bits (high) are the run's; the tag (low byte) keeps the column's last two
  // bits, so that it differs between the four neighbours.
  size_t operator()(const Coordinate& c) const {
    return static_cast<size_t>((mixed_run(c) & ~uint64_t{3}) | (c.column & 3u));
  }

  // Which of `shards` (a power of two) maps holds the key: bits of the mix above the tag,
  // which the table's groups reach only past 2^50 of them; the same for the four
  // neighbours of a run.
  size_t shard(const Coordinate& c, size_t shards) const {
    return static_cast<size_t>(mixed_run(c) >> 8) & (shards - 1);
  }

 private:
  // The run, seeded, through the finaliser of SplitMix64: every bit of the key and the
  // seed reaches every bit of the result, in a few instructions (the hash is computed
  // again for every cell each time the table grows).
  uint64_t mixed_run(const Coordinate& c) const {
    uint64_t run = (uint64_t{c.row} << 14 | uint64_t{c.column} >> 2) ^ seed;
    run = (run ^ (run >> 30)) * 0xBF58476D1CE4E5B9ull;
    run = (run ^ (run >> 27)) * 0x94D049BB133111EBull;
    return run ^ (run >> 31);
  }
};

}  // namespace engine
