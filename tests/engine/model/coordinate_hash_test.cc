// The cell map's hasher against the map's own split of a hash (place and tag), so that a
// library upgrade that splits otherwise fails here instead of only losing speed.
#include "engine/model/coordinate_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "absl/container/internal/raw_hash_set.h"

namespace engine {
namespace {

namespace absl_internal = absl::container_internal;

// A table's control bytes as far as the split reads them: their address, the salt.
const absl_internal::ctrl_t* table_at(uintptr_t address) {
  return reinterpret_cast<const absl_internal::ctrl_t*>(address);
}

constexpr uint64_t kSeeds[] = {0, 1, 0x9E3779B97F4A7C15ull, 0xFFFFFFFFFFFFFFFFull};
constexpr uintptr_t kTables[] = {0, 0x7F3A12345000, 0x55D0C0DE1000};
constexpr size_t kCapacities[] = {15, 1023, (size_t{1} << 20) - 1};
constexpr uint32_t kRows[] = {1, 2, 1000, 1048576, UINT32_MAX};
constexpr uint16_t kFirstColumns[] = {0, 4, 16380, 65532};

// Columns 4k to 4k + 3 of a row: probes start at the four places of one aligned run, the
// tags all differ, and one shard holds them.
TEST(CoordinateHash, NeighboursShareOneRunWithDistinctTags) {
  for (const uint64_t seed : kSeeds) {
    const CoordinateHash hash{seed};
    for (const uint32_t row : kRows) {
      for (const uint16_t first : kFirstColumns) {
        std::set<absl_internal::h2_t> tags;
        std::set<size_t> shards;
        for (int d = 0; d < 4; ++d) {
          const Coordinate at{row, static_cast<uint16_t>(first + d)};
          tags.insert(absl_internal::H2(hash(at)));
          shards.insert(hash.shard(at, 16));
        }
        EXPECT_EQ(tags.size(), 4u) << "seed " << seed << " row " << row << " column " << first;
        EXPECT_EQ(shards.size(), 1u) << "seed " << seed << " row " << row << " column " << first;
        for (const uintptr_t table : kTables) {
          for (const size_t capacity : kCapacities) {
            std::set<size_t> places;
            for (int d = 0; d < 4; ++d) {
              const Coordinate at{row, static_cast<uint16_t>(first + d)};
              places.insert(absl_internal::probe(table_at(table), hash(at), capacity).offset());
            }
            const size_t start = *places.begin();
            EXPECT_EQ(places, (std::set<size_t>{start, start + 1, start + 2, start + 3}))
                << "seed " << seed << " row " << row << " column " << first << " capacity "
                << capacity;
            EXPECT_EQ(start % 4, 0u);
          }
        }
      }
    }
  }
}

// The runs themselves are scattered: of a thousand neighbouring runs, along rows and down
// columns, hardly any start at one place (a handful would by chance in a table of a
// million), another seed moves them, and rows spread over every shard.
TEST(CoordinateHash, RunsAreScatteredBySeed) {
  constexpr size_t kCapacity = (size_t{1} << 20) - 1;
  const CoordinateHash first{0x1234}, second{0x5678};
  std::vector<size_t> places;
  size_t moved = 0;
  for (uint32_t row = 1; row <= 64; ++row) {
    for (uint16_t column = 0; column < 64; column += 4) {
      const Coordinate at{row, column};
      places.push_back(absl_internal::probe(table_at(0), first(at), kCapacity).offset());
      if (places.back() != absl_internal::probe(table_at(0), second(at), kCapacity).offset())
        ++moved;
    }
  }
  const std::set<size_t> distinct(places.begin(), places.end());
  EXPECT_GE(distinct.size(), places.size() - 10);
  EXPECT_GE(moved, places.size() - 10);
  std::set<size_t> shards;
  for (uint32_t row = 1; row <= 256; ++row) shards.insert(first.shard({row, 0}, 16));
  EXPECT_EQ(shards.size(), 16u);
}

}  // namespace
}  // namespace engine
