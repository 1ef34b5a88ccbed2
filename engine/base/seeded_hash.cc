#include "engine/base/seeded_hash.h"

#include <mutex>

#include "absl/random/random.h"

namespace engine {

uint64_t next_map_seed() {
  static std::mutex mutex;
  static absl::BitGen source;  // seeded from the OS entropy source
  std::lock_guard<std::mutex> lock(mutex);
  return absl::Uniform<uint64_t>(source);
}

}  // namespace engine
