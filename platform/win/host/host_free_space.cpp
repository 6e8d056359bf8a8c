#include "platform/win/host_free_space.h"

#include "platform/win/volumes.h"

#include <mutex>

namespace win {
namespace {

struct InjectedSpace {
  std::mutex lock;
  std::optional<ULONGLONG> freeBytes;
};

InjectedSpace& Injected() {
  static InjectedSpace space;
  return space;
}

}  // namespace

void SetInjectedHostFreeSpace(std::optional<ULONGLONG> freeBytes) {
  auto& space = Injected();
  std::lock_guard guard(space.lock);
  space.freeBytes = freeBytes;
}

std::optional<ULONGLONG> InjectedHostFreeSpace() {
  auto& space = Injected();
  std::lock_guard guard(space.lock);
  return space.freeBytes;
}

bool ReserveHostSpace(ULONGLONG bytes) {
  auto& space = Injected();
  std::lock_guard guard(space.lock);
  if (!space.freeBytes) return true;
  if (bytes > *space.freeBytes) return false;
  *space.freeBytes -= bytes;
  return true;
}

void ReleaseHostSpace(ULONGLONG bytes) {
  auto& space = Injected();
  std::lock_guard guard(space.lock);
  if (space.freeBytes) *space.freeBytes += bytes;
}

}  // namespace win
