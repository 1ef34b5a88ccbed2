#include "engine/base/thread_storage.h"

#include <cstdlib>
#include <exception>

#if defined(__GLIBC__)
#include <link.h>

// glibc's entry that makes and finds a thread's block of one library (what the compiler
// calls for a thread-local variable of a library loaded with dlopen).
struct TlsIndex {
  unsigned long module;
  unsigned long offset;
};
extern "C" void* __tls_get_addr(TlsIndex* index);
#endif

namespace engine {

#if defined(__GLIBC__)
constinit thread_local bool thread_storage_ready __attribute__((tls_model("initial-exec"))) = false;
#else
constinit thread_local bool thread_storage_ready = false;
#endif

namespace {

#if defined(__GLIBC__)
// The libraries whose block the calling thread lacks, some at a time.
struct Missing {
  static constexpr int kRoom = 32;
  unsigned long modules[kRoom];
  size_t sizes[kRoom];
  int count = 0;
  bool more = false;  // past the room: another round finds them
  unsigned long highest = 0;
};

int find_missing(dl_phdr_info* info, size_t, void* data) {
  Missing& missing = *static_cast<Missing*>(data);
  if (info->dlpi_tls_modid == 0) return 0;
  if (info->dlpi_tls_modid > missing.highest) missing.highest = info->dlpi_tls_modid;
  if (info->dlpi_tls_data != nullptr) return 0;  // made already (or static)
  if (missing.count == Missing::kRoom) {
    missing.more = true;
    return 0;
  }
  size_t size = 0;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info->dlpi_phdr[i];
    if (header.p_type == PT_TLS) size = header.p_memsz + header.p_align;
  }
  missing.modules[missing.count] = info->dlpi_tls_modid;
  missing.sizes[missing.count] = size;
  ++missing.count;
  return 0;
}

// Whether memory for the blocks (and a larger table of them, which glibc may need) is
// there now. The room is taken and given back on this thread: glibc's allocation that
// follows finds it again in the thread's cache of freed blocks.
bool room_for(const Missing& missing) {
  void* taken[Missing::kRoom + 1];
  int count = 0;
  bool enough = true;
  for (int i = 0; i <= missing.count && enough; ++i) {
    const size_t size = i < missing.count ? missing.sizes[i] : (missing.highest + 16) * 16;
    taken[count] = std::malloc(size ? size : 1);
    if (taken[count]) {
      ++count;
    } else {
      enough = false;
    }
  }
  for (int i = 0; i < count; ++i) std::free(taken[i]);
  return enough;
}
#endif

}  // namespace

bool make_thread_storage() noexcept {
#if defined(__GLIBC__)
  for (int round = 0; round < 64; ++round) {
    Missing missing;
    dl_iterate_phdr(&find_missing, &missing);
    if (missing.count == 0) break;
    if (!room_for(missing)) return false;
    for (int i = 0; i < missing.count; ++i) {
      TlsIndex index{missing.modules[i], 0};
      __tls_get_addr(&index);
    }
    if (!missing.more) break;
  }
#endif
  // Also where the above does not apply: the runtime's record of exceptions, at least.
  // (The call is pure: a value left unused would let the compiler drop it.)
  [[maybe_unused]] volatile int in_flight = std::uncaught_exceptions();
  thread_storage_ready = true;
  return true;
}

}  // namespace engine
