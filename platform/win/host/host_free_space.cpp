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

template <typename T>
void SetLocked(std::optional<T> InjectedSpace::*field, std::optional<T> value) {
  auto& space = Injected();
  std::lock_guard guard(space.lock);
  space.*field = value;
}

template <typename T>
std::optional<T> GetLocked(std::optional<T> InjectedSpace::*field) {
  auto& space = Injected();
  std::lock_guard guard(space.lock);
  return space.*field;
}

}  // namespace

void SetInjectedHostFreeSpace(std::optional<ULONGLONG> freeBytes) { SetLocked(&InjectedSpace::freeBytes, freeBytes); }

std::optional<ULONGLONG> InjectedHostFreeSpace() { return GetLocked(&InjectedSpace::freeBytes); }

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

void SetInjectedHostWriteError(std::optional<DWORD> error) { SetLocked(&InjectedSpace::writeError, error); }

std::optional<DWORD> InjectedHostWriteError() { return GetLocked(&InjectedSpace::writeError); }

}  // namespace win
