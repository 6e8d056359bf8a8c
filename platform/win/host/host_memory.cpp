#include "platform/win/host/host_memory.h"

#include <cerrno>

#include <sys/mman.h>

namespace win {
namespace {

#ifdef MADV_POPULATE_WRITE
constexpr int kPopulateWrite = MADV_POPULATE_WRITE;
#else
constexpr int kPopulateWrite = 23;  // Linux 5.14 and later
#endif

}  // namespace

void* AllocateHostPages(std::size_t size) {
  void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return nullptr;
  // Only advice: without huge pages the block still works, page by page.
  ::madvise(memory, size, MADV_HUGEPAGE);
  // The pages are taken now, in one call rather than one fault each, and a host that cannot
  // give them all refuses the block here instead of failing a later write. A kernel that
  // cannot populate leaves them to be faulted in as they are used.
  if (::madvise(memory, size, kPopulateWrite) != 0 && errno != EINVAL) {
    ::munmap(memory, size);
    return nullptr;
  }
  return memory;
}

void FreeHostPages(void* memory, std::size_t size) {
  if (memory != nullptr) ::munmap(memory, size);
}

}  // namespace win
