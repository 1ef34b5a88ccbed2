// The hasher of a sheet's cell map. Like SeededHash it draws a seed per map, so the
// table order differs between maps and runs and crafted coordinates cannot aim at one
// place; unlike it, four cells side by side in a row (columns 4k to 4k + 3) share one
// run of four table places, while the runs themselves are scattered by the seed. A sheet
// filled row by row then touches one line of the table per four new cells instead of one
// per cell: that miss was most of the cost of adding a cell to a large sheet. The runs
// are too short to crowd out other keys.
//
// This leans on how the map splits a hash, a private detail of Abseil's flat_hash_map
// (raw_hash_set.h of version 20220623.1, Debian's libabsl-dev): the place where a
// probe starts is H1 = (hash >> 7) ^ salt, the salt being a per-table value (the address
// of the table's control bytes >> 12), and the 7-bit tag compared in a group before any
// key is H2 = hash & 0x7F. A salt only permutes places within an aligned run of four, so
// a run stays one run in every table. Should a later version split otherwise, nothing
// breaks but the speed; coordinate_hash_test checks the split.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/model/coordinate.h"

namespace engine {

struct CoordinateHash {
  uint64_t seed = 0;

  size_t operator()(const Coordinate& c) const {
    const uint64_t run = mixed_run(c);
    const uint64_t within = c.column & 3u;
    // The place (H1) keeps the column's last two bits, and the tags (H2) differ between
    // the four neighbours.
    const uint64_t place = (run & ~uint64_t{3}) | within;
    const uint64_t check = ((run >> 57) + within * 0x25u) & 0x7Fu;
    return static_cast<size_t>(place << 7 | check);
  }

  // Which of `shards` (a power of two) maps holds the key: bits of the mix that the
  // table's places never use, the same for the four neighbours of a run.
  size_t shard(const Coordinate& c, size_t shards) const {
    return static_cast<size_t>(mixed_run(c) >> 32) & (shards - 1);
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
