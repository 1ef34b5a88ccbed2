// The thread-local storage of every loaded library, made for the calling thread ahead of
// its first use. glibc makes a thread's block of a library loaded with dlopen (this
// module, the C++ runtime with its per-thread record of exceptions, Abseil) on the
// thread's first touch, and ends the process when that allocation fails ("cannot allocate
// memory for thread-local data"), so a thread that first throws while memory is short
// would end it instead of raising. Made while memory is still there, nothing of the kind
// is left to make later.
#pragma once

namespace engine {

#if defined(__GLIBC__)
// Initial-exec: in the block glibc makes with the thread, never made on first touch.
extern constinit thread_local bool thread_storage_ready __attribute__((tls_model("initial-exec")));
#else
extern constinit thread_local bool thread_storage_ready;
#endif

// Whether the calling thread's storage is made: one load, for every call into the module.
inline bool thread_storage_made() { return thread_storage_ready; }

// Makes the calling thread's storage of every library loaded now. False, with nothing
// made that could end the process, when memory is short: then the thread's next call
// tries again.
bool make_thread_storage() noexcept;

}  // namespace engine
