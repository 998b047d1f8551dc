// The counting behind AllocationFailure, and the program-wide replacements of
// the C allocator and of operator new and delete that feed it.
//
// The replacements run before anything else in the process (the dynamic
// loader and the sanitizer runtime allocate while starting), so they touch
// only thread-local plain values, are not instrumented, and pass every
// request on to the allocator that would have served it: the C library's, or
// AddressSanitizer's in the sanitizer build, which then still checks every
// block and reports leaks. Blocks are always freed by that same allocator:
// free is not replaced, and the replaced operator delete calls it.
#include "tests/support/alloc_failure.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "platform/global_memory.h"

#if defined(__SANITIZE_ADDRESS__)
#define PICTROVE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PICTROVE_ASAN 1
#endif
#endif

extern "C" {
#if defined(PICTROVE_ASAN)
// AddressSanitizer's allocator, under the names its runtime gives it beside
// the C names.
void* __interceptor_malloc(std::size_t size);
void* __interceptor_calloc(std::size_t count, std::size_t size);
void* __interceptor_realloc(void* block, std::size_t size);
void* __interceptor_memalign(std::size_t alignment, std::size_t size);
void* __interceptor_aligned_alloc(std::size_t alignment, std::size_t size);
int __interceptor_posix_memalign(void** out, std::size_t alignment, std::size_t size);
void __interceptor_free(void* block);
#else
// The C library's allocator under its own names.
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
#endif
}

#define PICTROVE_UNINSTRUMENTED __attribute__((no_sanitize("address", "undefined")))

namespace {

#if defined(PICTROVE_ASAN)
PICTROVE_UNINSTRUMENTED void* realMalloc(std::size_t n) { return __interceptor_malloc(n); }
PICTROVE_UNINSTRUMENTED void* realCalloc(std::size_t c, std::size_t n) { return __interceptor_calloc(c, n); }
PICTROVE_UNINSTRUMENTED void* realRealloc(void* p, std::size_t n) { return __interceptor_realloc(p, n); }
PICTROVE_UNINSTRUMENTED void* realMemalign(std::size_t a, std::size_t n) { return __interceptor_memalign(a, n); }
PICTROVE_UNINSTRUMENTED void* realAlignedAlloc(std::size_t a, std::size_t n) {
  return __interceptor_aligned_alloc(a, n);
}
PICTROVE_UNINSTRUMENTED int realPosixMemalign(void** out, std::size_t a, std::size_t n) {
  return __interceptor_posix_memalign(out, a, n);
}
PICTROVE_UNINSTRUMENTED void realFree(void* p) { __interceptor_free(p); }
#else
PICTROVE_UNINSTRUMENTED void* realMalloc(std::size_t n) { return __libc_malloc(n); }
PICTROVE_UNINSTRUMENTED void* realCalloc(std::size_t c, std::size_t n) { return __libc_calloc(c, n); }
PICTROVE_UNINSTRUMENTED void* realRealloc(void* p, std::size_t n) { return __libc_realloc(p, n); }
PICTROVE_UNINSTRUMENTED void* realMemalign(std::size_t a, std::size_t n) { return __libc_memalign(a, n); }
PICTROVE_UNINSTRUMENTED void* realAlignedAlloc(std::size_t a, std::size_t n) {
  return __libc_memalign(a, n);
}
PICTROVE_UNINSTRUMENTED int realPosixMemalign(void** out, std::size_t a, std::size_t n) {
  if (a < sizeof(void*) || (a & (a - 1)) != 0) return EINVAL;
  void* p = __libc_memalign(a, n);
  if (p == nullptr) return ENOMEM;
  *out = p;
  return 0;
}
PICTROVE_UNINSTRUMENTED void realFree(void* p) { __libc_free(p); }
#endif

// The calling thread's counting state: plain values only, so that reading
// it never allocates.
struct Counting {
  unsigned kinds;
  std::uint64_t failAt;
  std::uint64_t count;
  bool andAfter;
  bool failed;
};
thread_local Counting t_counting = {0, 0, 0, false, false};

// Counts one allocation of `kind`; true when it is to fail.
PICTROVE_UNINSTRUMENTED bool refuse(unsigned kind) {
  Counting& c = t_counting;
  if ((c.kinds & kind) == 0) return false;
  const std::uint64_t n = ++c.count;
  if (c.failAt == 0 || n < c.failAt || (n > c.failAt && !c.andAfter)) return false;
  c.failed = true;
  return true;
}

bool refuseGlobalBlock(std::size_t) { return refuse(testsupport::kGlobalMemory); }

PICTROVE_UNINSTRUMENTED void* newBlock(std::size_t size) {
  if (refuse(testsupport::kOperatorNew)) return nullptr;
  return realMalloc(size == 0 ? 1 : size);
}

}  // namespace

namespace testsupport {

std::string allocationKindNames(unsigned kinds) {
  std::string names;
  const std::pair<unsigned, const char*> all[] = {
      {kGlobalMemory, "global memory"}, {kOperatorNew, "operator new"}, {kCAllocator, "C allocator"}};
  for (const auto& [kind, name] : all) {
    if ((kinds & kind) == 0) continue;
    if (!names.empty()) names += " + ";
    names += name;
  }
  return names;
}

AllocationFailure::AllocationFailure(unsigned kinds, std::uint64_t failAt, bool andAfter) {
  // Installed once and left in place: it does nothing while nothing is armed.
  static const bool hooked = (SetGlobalAllocationHook(refuseGlobalBlock), true);
  (void)hooked;
  t_counting = {kinds, failAt, 0, andAfter, false};
}

AllocationFailure::~AllocationFailure() { t_counting = {0, 0, 0, false, false}; }

std::uint64_t AllocationFailure::allocations() const { return t_counting.count; }

void* uncountedMalloc(std::size_t bytes) { return realMalloc(bytes); }

bool AllocationFailure::failed() const { return t_counting.failed; }

}  // namespace testsupport

// ---- The C allocator --------------------------------------------------------
extern "C" {

PICTROVE_UNINSTRUMENTED void* malloc(std::size_t size) {
  if (refuse(testsupport::kCAllocator)) return nullptr;
  return realMalloc(size);
}

PICTROVE_UNINSTRUMENTED void* calloc(std::size_t count, std::size_t size) {
  if (refuse(testsupport::kCAllocator)) return nullptr;
  return realCalloc(count, size);
}

PICTROVE_UNINSTRUMENTED void* realloc(void* block, std::size_t size) {
  // realloc(p, 0) frees; only requests for memory can fail.
  if (size != 0 && refuse(testsupport::kCAllocator)) return nullptr;
  return realRealloc(block, size);
}

PICTROVE_UNINSTRUMENTED void* memalign(std::size_t alignment, std::size_t size) {
  if (refuse(testsupport::kCAllocator)) return nullptr;
  return realMemalign(alignment, size);
}

PICTROVE_UNINSTRUMENTED void* aligned_alloc(std::size_t alignment, std::size_t size) {
  if (refuse(testsupport::kCAllocator)) return nullptr;
  return realAlignedAlloc(alignment, size);
}

PICTROVE_UNINSTRUMENTED int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
  if (refuse(testsupport::kCAllocator)) return ENOMEM;
  return realPosixMemalign(out, alignment, size);
}

}  // extern "C"

// ---- operator new and delete ------------------------------------------------
// The over-aligned forms are left to the standard library: they pair with
// their own delete and reach memory through aligned_alloc, counted above.
void* operator new(std::size_t size) {
  void* p = newBlock(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void* operator new[](std::size_t size) {
  void* p = newBlock(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return newBlock(size); }

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return newBlock(size); }

void operator delete(void* p) noexcept { realFree(p); }
void operator delete[](void* p) noexcept { realFree(p); }
void operator delete(void* p, std::size_t) noexcept { realFree(p); }
void operator delete[](void* p, std::size_t) noexcept { realFree(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { realFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { realFree(p); }
