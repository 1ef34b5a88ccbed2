#include "engine/base/chunk_reserve.h"

#include <mutex>
#include <new>

namespace engine::chunk_reserve {
namespace {

// Under AddressSanitizer every chunk goes back to the allocator, so that a record read
// after its chunk died is still reported.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kKept = 0;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr size_t kKept = 0;
#else
constexpr size_t kKept = kReserveChunks;
#endif
#else
constexpr size_t kKept = kReserveChunks;
#endif

// A kept chunk holds the link to the next one in its first bytes.
struct Kept {
  Kept* next;
};

// Trivially destroyed, so that chunks given back while the process exits still find it.
constinit std::mutex mutex;
constinit Kept* first = nullptr;
constinit size_t count = 0;

}  // namespace

void* take() {
  {
    std::lock_guard lock(mutex);
    if (first != nullptr) {
      Kept* chunk = first;
      first = chunk->next;
      --count;
      return chunk;
    }
  }
  return ::operator new(kChunkSize, std::align_val_t(kChunkSize));
}

void give_back(void* chunk) noexcept {
  {
    std::lock_guard lock(mutex);
    if (count < kKept) {
      first = new (chunk) Kept{first};
      ++count;
      return;
    }
  }
  ::operator delete(chunk, std::align_val_t(kChunkSize));
}

}  // namespace engine::chunk_reserve
