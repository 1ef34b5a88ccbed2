// The cell map's hasher against the map's own split of a hash (group and tag), so that a
// library upgrade that splits otherwise fails here instead of only losing speed.
#include "engine/model/coordinate_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "boost/unordered/unordered_flat_map.hpp"

namespace engine {
namespace {

using GroupSplit = boost::unordered::detail::foa::pow2_size_policy;

constexpr uint64_t kSeeds[] = {0, 1, 0x9E3779B97F4A7C15ull, 0xFFFFFFFFFFFFFFFFull};
// Tables of 16, 1024 and 2^20 groups.
constexpr size_t kGroupCounts[] = {16, 1024, size_t{1} << 20};
constexpr uint32_t kRows[] = {1, 2, 1000, 1048576, UINT32_MAX};
constexpr uint16_t kFirstColumns[] = {0, 4, 16380, 65532};

size_t group_of(size_t hash, size_t groups) {
  return GroupSplit::position(hash, GroupSplit::size_index(groups));
}

// Columns 4k to 4k + 3 of a row: probes start in one group, the tags (low bytes) all
// differ, and one shard holds them.
TEST(CoordinateHash, NeighboursShareOneGroupWithDistinctTags) {
  for (const uint64_t seed : kSeeds) {
    const CoordinateHash hash{seed};
    for (const uint32_t row : kRows) {
      for (const uint16_t first : kFirstColumns) {
        std::set<uint8_t> tags;
        std::set<size_t> shards;
        for (int d = 0; d < 4; ++d) {
          const Coordinate at{row, static_cast<uint16_t>(first + d)};
          tags.insert(static_cast<uint8_t>(hash(at)));
          shards.insert(hash.shard(at, 16));
        }
        EXPECT_EQ(tags.size(), 4u) << "seed " << seed << " row " << row << " column " << first;
        EXPECT_EQ(shards.size(), 1u) << "seed " << seed << " row " << row << " column " << first;
        for (const size_t groups : kGroupCounts) {
          std::set<size_t> starts;
          for (int d = 0; d < 4; ++d)
            starts.insert(group_of(hash({row, static_cast<uint16_t>(first + d)}), groups));
          EXPECT_EQ(starts.size(), 1u)
              << "seed " << seed << " row " << row << " column " << first << " groups " << groups;
        }
      }
    }
  }
}

// The runs themselves are scattered: of a thousand neighbouring runs, along rows and down
// columns, hardly any start in one group (a few dozen would by chance in a table of 2^16
// groups), another seed moves them, and rows spread over every shard.
TEST(CoordinateHash, RunsAreScatteredBySeed) {
  constexpr size_t kGroups = size_t{1} << 16;
  const CoordinateHash first{0x1234}, second{0x5678};
  std::vector<size_t> groups;
  size_t moved = 0;
  for (uint32_t row = 1; row <= 64; ++row) {
    for (uint16_t column = 0; column < 64; column += 4) {
      const Coordinate at{row, column};
      groups.push_back(group_of(first(at), kGroups));
      if (groups.back() != group_of(second(at), kGroups)) ++moved;
    }
  }
  const std::set<size_t> distinct(groups.begin(), groups.end());
  EXPECT_GE(distinct.size(), groups.size() - 40);
  EXPECT_GE(moved, groups.size() - 10);
  std::set<size_t> shards;
  for (uint32_t row = 1; row <= 256; ++row) shards.insert(first.shard({row, 0}, 16));
  EXPECT_EQ(shards.size(), 16u);
}

// The split as the table itself takes it (no mix of its own in between): in a map filled
// row by row, four neighbours lie within one group's slots, most of them side by side.
TEST(CoordinateHash, NeighboursLieTogetherInTheTable) {
  boost::unordered_flat_map<Coordinate, int, CoordinateHash> map(0, CoordinateHash{42});
  for (uint32_t row = 1; row <= 300; ++row)
    for (uint16_t column = 0; column < 100; ++column) map.try_emplace({row, column}, 0);
  constexpr ptrdiff_t kGroupSlots = 15;
  size_t runs = 0, together = 0, side_by_side = 0;
  for (uint32_t row = 1; row <= 300; ++row) {
    for (uint16_t column = 0; column < 100; column += 4) {
      const auto* first = &*map.find({row, column});
      ptrdiff_t low = 0, high = 0;
      for (uint16_t d = 1; d < 4; ++d) {
        const ptrdiff_t at = &*map.find({row, static_cast<uint16_t>(column + d)}) - first;
        low = std::min(low, at);
        high = std::max(high, at);
      }
      ++runs;
      together += high - low < kGroupSlots;
      side_by_side += high - low == 3;
    }
  }
  // A group that is full sends the rest of a run on to another; at this load few are.
  EXPECT_GE(together, runs * 9 / 10);
  EXPECT_GE(side_by_side, runs / 2);
}

}  // namespace
}  // namespace engine
