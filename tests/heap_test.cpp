// The library allocates no memory after it has been loaded. This program
// replaces malloc, calloc, realloc and the aligned allocators (which every
// operator new of the C++ library calls) with counting versions forwarding
// to glibc's own, and runs every golden file and script through the exports
// (support/kinds.h), counting the allocations made inside the calls into
// the library: from the process's first format initialisation on there must
// be none. It first proves that the counter sees allocations made through
// each of the replaced functions and operator new.
//
// Built without sanitizers only (they replace the allocator themselves);
// runs with tracing off, and with every trace level on (a TNUAL.INI that
// says so), since the trace lines are formatted too.
#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "hvcn.h"
#include <gtest/gtest.h>

#include "support/kinds.h"

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace {

std::atomic<bool> g_armed{false};
std::atomic<long> g_count{0};
std::atomic<const hvcn::test::GoldenCase*> g_firstRow{nullptr};
std::atomic<const char*> g_firstFunction{nullptr};

void Count(const char* function) noexcept {
  if (!g_armed.load(std::memory_order_relaxed)) return;
  if (g_count.fetch_add(1, std::memory_order_relaxed) == 0) {
    g_firstRow.store(hvcn::test::CurrentRow(), std::memory_order_relaxed);
    g_firstFunction.store(function, std::memory_order_relaxed);
  }
}

}  // namespace

extern "C" {
void* malloc(size_t n) {
  Count("malloc");
  return __libc_malloc(n);
}
void* calloc(size_t n, size_t m) {
  Count("calloc");
  return __libc_calloc(n, m);
}
void* realloc(void* p, size_t n) {
  Count("realloc");
  return __libc_realloc(p, n);
}
void free(void* p) { __libc_free(p); }
void* memalign(size_t alignment, size_t n) {
  Count("memalign");
  return __libc_memalign(alignment, n);
}
void* aligned_alloc(size_t alignment, size_t n) {
  Count("aligned_alloc");
  return __libc_memalign(alignment, n);
}
int posix_memalign(void** out, size_t alignment, size_t n) {
  Count("posix_memalign");
  void* p = __libc_memalign(alignment, n);
  if (!p) return ENOMEM;
  *out = p;
  return 0;
}
}  // extern "C"

namespace {

// Calls through volatile pointers, so the compiler cannot drop them.
void* (*volatile g_malloc)(size_t) = malloc;
void* (*volatile g_calloc)(size_t, size_t) = calloc;
void* (*volatile g_realloc)(void*, size_t) = realloc;
int (*volatile g_posixMemalign)(void**, size_t, size_t) = posix_memalign;
void* (*volatile g_new)(size_t) = static_cast<void* (*)(size_t)>(::operator new);

bool CounterSeesAllocations() {
  g_count.store(0);
  g_armed.store(true);
  void* a = g_malloc(16);
  void* b = g_calloc(2, 8);
  a = g_realloc(a, 64);
  void* c = nullptr;
  if (g_posixMemalign(&c, 64, 32) != 0) c = nullptr;
  ::operator delete(g_new(4));
  g_armed.store(false);
  free(a);
  free(b);
  free(c);
  const long seen = g_count.exchange(0);
  g_firstRow.store(nullptr);
  g_firstFunction.store(nullptr);
  if (seen != 5) {
    std::fprintf(stderr, "the counter saw %ld of 5 allocations\n", seen);
    return false;
  }
  return true;
}

TEST(Heap, NoAllocationInsideTheLibraryAfterStartUp) {
  ASSERT_TRUE(CounterSeesAllocations());
  const hvcn::test::Corpus corpus;  // reading it allocates
  hvcn::test::g_callWatch = {[] { g_armed.store(true); }, [] { g_armed.store(false); }};
  uint64_t calls = 0;
  corpus.Run(0, &calls);
  hvcn::test::g_callWatch = {};
  const hvcn::test::GoldenCase* row = g_firstRow.load();
  EXPECT_EQ(g_count.load(), 0) << "the first (" << (g_firstFunction.load() ? g_firstFunction.load() : "") << ") in "
                               << (row ? row->Where() : std::string("?"));
  EXPECT_GT(calls, 3000u);
}

}  // namespace
