// A hint for blocks of tens of megabytes that are about to be written for the first time
// (a JSON text, the list of a sheet's cells): asking for huge pages over them turns some
// ten thousand page faults, most of the time of filling such a block, into a few dozen.
// Only a hint: where the system offers none, or the block is small, nothing changes.
#pragma once

#include <cstddef>

namespace engine {

void advise_large_block(void* data, size_t bytes);

}  // namespace engine
