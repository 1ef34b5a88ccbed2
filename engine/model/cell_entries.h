// The entries of a sheet's cell map: a hash map from Coordinate to Shared<Cell>, kept as
// sixteen maps (shards) that split the keys by their seeded hash. Lookups and inserts go
// to one shard; a walk over every cell can give each worker whole shards, where one map
// can only be walked by one thread (that walk was most of the time of sorting a large
// sheet on many workers). The whole map's order is the shards' orders one after the
// other; like each shard's, it differs between maps and runs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>

#include "boost/unordered/unordered_flat_map.hpp"
#include "engine/base/seeded_hash.h"
#include "engine/base/shared.h"
#include "engine/model/cell.h"
#include "engine/model/coordinate.h"
#include "engine/model/coordinate_hash.h"

namespace engine {

class CellEntries {
 public:
  static constexpr size_t kShards = 16;
  using Shard = boost::unordered_flat_map<Coordinate, Shared<Cell>, CoordinateHash>;
  using value_type = Shard::value_type;

  template <bool kConst>
  class Iterator {
   public:
    using Shards = std::conditional_t<kConst, const std::array<Shard, kShards>,
                                      std::array<Shard, kShards>>;
    using Inner = std::conditional_t<kConst, Shard::const_iterator, Shard::iterator>;
    using iterator_category = std::forward_iterator_tag;
    using value_type = CellEntries::value_type;
    using difference_type = std::ptrdiff_t;
    using reference = std::conditional_t<kConst, const value_type&, value_type&>;
    using pointer = std::conditional_t<kConst, const value_type*, value_type*>;

    Iterator() = default;
    Iterator(Shards* shards, size_t shard, Inner inner)
        : shards_(shards), shard_(shard), inner_(inner) {
      skip_empty_shards();
    }
    // A mutable iterator reads as a constant one.
    operator Iterator<true>() const
      requires(!kConst)
    {
      return Iterator<true>(shards_, shard_, inner_);
    }

    reference operator*() const { return *inner_; }
    pointer operator->() const { return &*inner_; }
    Iterator& operator++() {
      ++inner_;
      skip_empty_shards();
      return *this;
    }
    Iterator operator++(int) {
      Iterator before = *this;
      ++*this;
      return before;
    }
    friend bool operator==(const Iterator& a, const Iterator& b) {
      return a.shard_ == b.shard_ && (a.shard_ == kShards || a.inner_ == b.inner_);
    }

   private:
    void skip_empty_shards() {
      while (shard_ < kShards && inner_ == (*shards_)[shard_].end()) {
        if (++shard_ < kShards) inner_ = (*shards_)[shard_].begin();
      }
    }

    Shards* shards_ = nullptr;
    size_t shard_ = kShards;
    Inner inner_{};
  };
  using iterator = Iterator<false>;
  using const_iterator = Iterator<true>;

  // A box that holds every key ever stored (kept as keys come, never narrowed). Empty
  // while max_row < min_row.
  struct Bounds {
    uint32_t min_row = UINT32_MAX;
    uint32_t max_row = 0;
    uint16_t min_column = UINT16_MAX;
    uint16_t max_column = 0;
    void add(const Coordinate& key) {
      if (key.row < min_row) min_row = key.row;
      if (key.row > max_row) max_row = key.row;
      if (key.column < min_column) min_column = key.column;
      if (key.column > max_column) max_column = key.column;
    }
  };
  const Bounds& bounds() const { return bounds_; }

  // Every shard hashes with one seed, drawn anew for each map.
  CellEntries() : CellEntries(next_map_seed()) {}

  size_t size() const {
    size_t n = 0;
    for (const Shard& s : shards_) n += s.size();
    return n;
  }
  // Room for about n entries, shared evenly.
  void reserve(size_t n) {
    for (Shard& s : shards_) s.reserve(n / kShards + n / (4 * kShards));
  }

  iterator begin() { return iterator(&shards_, 0, shards_[0].begin()); }
  iterator end() { return iterator(&shards_, kShards, {}); }
  const_iterator begin() const { return const_iterator(&shards_, 0, shards_[0].begin()); }
  const_iterator end() const { return const_iterator(&shards_, kShards, {}); }

  iterator find(const Coordinate& key) {
    const size_t i = shard_index(key);
    return in_shard(i, shards_[i].find(key));
  }
  const_iterator find(const Coordinate& key) const {
    const size_t i = shard_index(key);
    const auto it = shards_[i].find(key);
    return it == shards_[i].end() ? end() : const_iterator(&shards_, i, it);
  }
  const Shared<Cell>& at(const Coordinate& key) const { return shards_[shard_index(key)].at(key); }

  template <class... Args>
  std::pair<iterator, bool> try_emplace(const Coordinate& key, Args&&... args) {
    bounds_.add(key);
    const size_t i = shard_index(key);
    auto [it, inserted] = shards_[i].try_emplace(key, std::forward<Args>(args)...);
    return {iterator(&shards_, i, it), inserted};
  }
  template <class V>
  std::pair<iterator, bool> insert_or_assign(const Coordinate& key, V&& value) {
    bounds_.add(key);
    const size_t i = shard_index(key);
    auto [it, inserted] = shards_[i].insert_or_assign(key, std::forward<V>(value));
    return {iterator(&shards_, i, it), inserted};
  }
  void erase(iterator it) { shard(it->first).erase(it->first); }

  void swap(CellEntries& other) noexcept {
    shards_.swap(other.shards_);
    std::swap(bounds_, other.bounds_);
  }

  // The shards themselves, for walks that share them out.
  const std::array<Shard, kShards>& shards() const { return shards_; }

  // Calls f(entry) for every entry of shard s, in its order, reading group after group
  // of its table. Boost 1.81 walks a table that way only inside erase_if, which, with a
  // test that never holds, reads and writes nothing else; its iterator seeks each next
  // entry anew, at five times the cost (measured: 0.32 ms against 0.06 ms over a shard
  // of 62,500 entries), which made placing a large sheet's cells a quarter slower. The
  // slots a kilobyte ahead are asked for early: a group's free slots break the run of
  // lines read, and placing a million cells waited on them (4.3 ms, against 2.9 with).
  template <class F>
  void visit_shard(size_t s, F&& f) const {
    boost::unordered::erase_if(const_cast<Shard&>(shards_[s]), [&](const value_type& entry) {
      __builtin_prefetch(reinterpret_cast<const char*>(&entry) + 1024);
      f(entry);
      return false;
    });
  }

 private:
  explicit CellEntries(uint64_t seed) : shards_(make_shards(seed)) {}
  static std::array<Shard, kShards> make_shards(uint64_t seed) {
    return [&]<size_t... I>(std::index_sequence<I...>) {
      return std::array<Shard, kShards>{Shard((static_cast<void>(I), 0), CoordinateHash{seed})...};
    }(std::make_index_sequence<kShards>());
  }

  size_t shard_index(const Coordinate& key) const {
    return shards_[0].hash_function().shard(key, kShards);
  }
  Shard& shard(const Coordinate& key) { return shards_[shard_index(key)]; }
  iterator in_shard(size_t i, Shard::iterator it) {
    return it == shards_[i].end() ? end() : iterator(&shards_, i, it);
  }

  std::array<Shard, kShards> shards_;
  Bounds bounds_;
};

}  // namespace engine
