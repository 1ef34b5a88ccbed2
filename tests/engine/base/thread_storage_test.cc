#include "engine/base/thread_storage.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <cstring>
#include <thread>

namespace engine {
namespace {

// The calling thread's block of the library loaded from `path`, or null while not made.
void* block_of(const char* path) {
  struct Search {
    const char* path;
    void* block = nullptr;
  } search{path};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto& s = *static_cast<Search*>(data);
        if (std::strcmp(info->dlpi_name, s.path) == 0) s.block = info->dlpi_tls_data;
        return 0;
      },
      &search);
  return search.block;
}

// A thread made after a library was loaded with dlopen has no block of its storage until
// the first touch; make_thread_storage makes it, and that of every other library, ahead
// of it, and marks the thread.
TEST(ThreadStorage, MakesTheBlocksOfLibrariesLoadedLater) {
  void* library = dlopen(THREAD_STORAGE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  using Value = int* (*)();
  auto value = reinterpret_cast<Value>(dlsym(library, "thread_storage_library_value"));
  ASSERT_NE(value, nullptr);
  std::thread([&] {
    EXPECT_FALSE(thread_storage_made());
    EXPECT_EQ(block_of(THREAD_STORAGE_LIBRARY), nullptr);
    EXPECT_TRUE(make_thread_storage());
    EXPECT_TRUE(thread_storage_made());
    void* block = block_of(THREAD_STORAGE_LIBRARY);
    EXPECT_NE(block, nullptr);
    EXPECT_EQ(static_cast<void*>(value()), block);  // the first touch finds it made
    EXPECT_EQ(*value(), 0);
  }).join();
  std::thread([&] {
    *value() = 7;  // touched first, as before: made then
    EXPECT_TRUE(make_thread_storage());
    EXPECT_EQ(*value(), 7);
  }).join();
  dlclose(library);
}

}  // namespace
}  // namespace engine
