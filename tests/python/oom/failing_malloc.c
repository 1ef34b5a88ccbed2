/* Allocation failure on demand for a whole process, loaded with LD_PRELOAD: malloc,
 * calloc, realloc, posix_memalign, aligned_alloc and memalign count their calls, from any
 * thread, and return NULL (errno ENOMEM) once the armed one comes: the k-th only, or
 * every one from the k-th on. C++'s operator new reaches malloc, so it fails too. Armed
 * and disarmed through ctypes; freeing is left to the C library.
 *
 * Built by the tests that use it: cc -shared -fPIC -O2 -o failing_malloc.so failing_malloc.c */
#define _GNU_SOURCE
#include <errno.h>
#include <stddef.h>
#include <string.h>

extern void *__libc_malloc(size_t size);
extern void *__libc_calloc(size_t n, size_t size);
extern void *__libc_realloc(void *p, size_t size);
extern void *__libc_memalign(size_t alignment, size_t size);

static int armed;
static long countdown;
static int every_from_then;
static long refused;

/* k: allocations to let through first; every: fail every one from then on. */
void failing_malloc_arm(long k, int every) {
  __atomic_store_n(&refused, 0, __ATOMIC_SEQ_CST);
  __atomic_store_n(&every_from_then, every, __ATOMIC_SEQ_CST);
  __atomic_store_n(&countdown, k, __ATOMIC_SEQ_CST);
  __atomic_store_n(&armed, 1, __ATOMIC_SEQ_CST);
}

/* Disarms; returns how many allocations were refused since arming. */
long failing_malloc_disarm(void) {
  __atomic_store_n(&armed, 0, __ATOMIC_SEQ_CST);
  return __atomic_load_n(&refused, __ATOMIC_SEQ_CST);
}

static int refuse_now(void) {
  if (!__atomic_load_n(&armed, __ATOMIC_RELAXED)) return 0;
  long left = __atomic_fetch_sub(&countdown, 1, __ATOMIC_RELAXED);
  if (left > 0 || (left < 0 && !__atomic_load_n(&every_from_then, __ATOMIC_RELAXED))) return 0;
  __atomic_fetch_add(&refused, 1, __ATOMIC_RELAXED);
  errno = ENOMEM;
  return 1;
}

void *malloc(size_t size) { return refuse_now() ? NULL : __libc_malloc(size); }

void *calloc(size_t n, size_t size) { return refuse_now() ? NULL : __libc_calloc(n, size); }

void *realloc(void *p, size_t size) {
  /* A realloc to size 0 frees, which must not be refused. */
  if (p != NULL && size == 0) return __libc_realloc(p, size);
  return refuse_now() ? NULL : __libc_realloc(p, size);
}

void *memalign(size_t alignment, size_t size) {
  return refuse_now() ? NULL : __libc_memalign(alignment, size);
}

void *aligned_alloc(size_t alignment, size_t size) {
  return refuse_now() ? NULL : __libc_memalign(alignment, size);
}

int posix_memalign(void **out, size_t alignment, size_t size) {
  if (alignment % sizeof(void *) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
  if (refuse_now()) return ENOMEM;
  void *p = __libc_memalign(alignment, size);
  if (p == NULL) return ENOMEM;
  *out = p;
  return 0;
}
