#include "engine/base/radix_sort.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/base/pool.h"

namespace engine::pool {

namespace {

constexpr int kMostDigitBits = 11;  // 2048 buckets: one chunk's counts stay in cache

// Each chunk counts its values per bucket, then writes them out from its own offsets, so
// chunks in input order and values in chunk order keep equal digits in input order.
void one_pass(const uint64_t* from, uint64_t* to, size_t n, int shift, int bits,
              size_t chunks, std::vector<size_t>& counts) {
  const size_t buckets = size_t{1} << bits;
  const uint64_t mask = buckets - 1;
  auto bounds = [&](size_t c) { return std::pair{n * c / chunks, n * (c + 1) / chunks}; };
  auto each_chunk = [&](auto&& body) {
    if (chunks == 1) {
      body(0);
    } else {
      detail::run_pieces(chunks, 1, [&](size_t first, size_t last) {
        for (size_t c = first; c != last; ++c) body(c);
      });
    }
  };
  std::fill(counts.begin(), counts.begin() + static_cast<ptrdiff_t>(chunks * buckets), 0);
  each_chunk([&](size_t c) {
    size_t* count = &counts[c * buckets];
    const auto [begin, end] = bounds(c);
    for (size_t i = begin; i < end; ++i) ++count[(from[i] >> shift) & mask];
  });
  size_t offset = 0;
  for (size_t b = 0; b < buckets; ++b) {
    for (size_t c = 0; c < chunks; ++c) {
      const size_t count = counts[c * buckets + b];
      counts[c * buckets + b] = offset;
      offset += count;
    }
  }
  each_chunk([&](size_t c) {
    size_t* next = &counts[c * buckets];
    const auto [begin, end] = bounds(c);
    for (size_t i = begin; i < end; ++i) {
      const uint64_t v = from[i];
      to[next[(v >> shift) & mask]++] = v;
    }
  });
}

// One chunk runs on the calling thread alone.
void sort_in_chunks(uint64_t* first, uint64_t* last, int low_bit, int high_bit,
                    size_t chunks) {
  const size_t n = static_cast<size_t>(last - first);
  const int band = high_bit - low_bit;
  if (n < 2 || band <= 0) return;
  // Equal digits: as few passes as the widest digit allows, the band shared out evenly.
  const int passes = (band + kMostDigitBits - 1) / kMostDigitBits;
  const int digit = (band + passes - 1) / passes;
  std::vector<size_t> counts(chunks << digit);
  std::unique_ptr<uint64_t[]> spare = std::make_unique_for_overwrite<uint64_t[]>(n);
  uint64_t* from = first;
  uint64_t* to = spare.get();
  for (int shift = low_bit; shift < high_bit; shift += digit) {
    one_pass(from, to, n, shift, std::min(digit, high_bit - shift), chunks, counts);
    std::swap(from, to);
  }
  if (from != first) std::copy(from, from + n, first);
}

}  // namespace

void radix_sort(uint64_t* first, uint64_t* last, int low_bit, int high_bit) {
  const size_t n = static_cast<size_t>(last - first);
  sort_in_chunks(first, last, low_bit, high_bit, n < kInlineBelow * 16 ? 1 : worker_count() * 4);
}

void radix_sort_on_caller(uint64_t* first, uint64_t* last, int low_bit, int high_bit) {
  sort_in_chunks(first, last, low_bit, high_bit, 1);
}

}  // namespace engine::pool
