#include "render/backends/cpu/CpuLargePages.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

void AdviseLargePages(const void* memory, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr uintptr_t LargePage = uintptr_t(2) << 20;
  const uintptr_t start = (reinterpret_cast<uintptr_t>(memory) + LargePage - 1) & ~(LargePage - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(memory) + bytes) & ~(LargePage - 1);
  // Advice only: a refusal leaves the small pages, which work as before.
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
  (void)memory;
  (void)bytes;
#endif
}
