// The chunks of the slot arenas (slot_arena.h). A chunk whose records have all died is
// kept, up to kReserveChunks of them for the whole process, for the next arena that needs
// one, rather than handed back to the allocator: the allocator hands the memory of a
// large sheet that dies back to the system, and a sheet filled afterwards then faults it
// in again a page (73 cells) at a time, which was a third of the time of Sheet.cell.
// Safe from any thread.
#pragma once

#include <cstddef>

namespace engine::chunk_reserve {

// Bytes of one chunk; chunks are aligned to their size.
inline constexpr size_t kChunkSize = 16 * 1024;
// At most this many chunks (16 MiB) wait in the reserve.
inline constexpr size_t kReserveChunks = 1024;

// Uninitialised room for one chunk: a kept one, else a new one. Throws std::bad_alloc.
void* take();

// Keeps `chunk` (from take(), its contents dead) for a later take(), or frees it.
void give_back(void* chunk) noexcept;

}  // namespace engine::chunk_reserve
