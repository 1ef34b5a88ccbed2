// A least-significant-digit radix sort of 64-bit values on a band of their bits: the
// order of the sheets' cells, where each value packs a cell's coordinate above its
// position in the list. It runs on the workers or, for a caller that must start no pool
// work, on the calling thread alone. Four times faster than the pool's comparison sort
// on a million cells (6 ms against 28 ms, 8 workers on a busy machine): it reads and
// writes each value once per 11 bits of the band instead of comparing it some twenty
// times.
#pragma once

#include <cstddef>
#include <cstdint>

namespace engine::pool {

// Sorts [first, last) ascending by the bits [low_bit, high_bit) of each value; values
// equal in those bits keep their order. Runs on the workers for long inputs.
void radix_sort(uint64_t* first, uint64_t* last, int low_bit, int high_bit);

// The same sort, with the same result, wholly on the calling thread.
void radix_sort_on_caller(uint64_t* first, uint64_t* last, int low_bit, int high_bit);

}  // namespace engine::pool
