#include "platform/win/host/host_free_space.h"

#include "platform/win/files/volumes.h"

#include <mutex>

namespace win {
namespace {

struct InjectedSpace {
  std::mutex lock;
  std::optional<ULONGLONG> freeBytes;
  std::optional<DWORD> writeError;
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

void SetInjectedHostWriteError(std::optional<DWORD> error) {
  auto& space = Injected();
  std::lock_guard guard(space.lock);
  space.writeError = error;
}

std::optional<DWORD> InjectedHostWriteError() {
  auto& space = Injected();
  std::lock_guard guard(space.lock);
  return space.writeError;
}

}  // namespace win
