#include "platform/win/handle_table.h"

#include "platform/win/last_error.h"

#include <map>
#include <mutex>

namespace win {
namespace {

// Handle values are multiples of 4 from 0x100 and are never reused, so a stale handle
// fails instead of naming an unrelated object.
constexpr std::uintptr_t kFirstHandle = 0x100;
constexpr std::uintptr_t kHandleStep = 4;
constexpr std::uintptr_t kLastHandle = 0x7FFFFFF0;

struct HandleTable {
  std::mutex lock;
  std::map<std::uintptr_t, std::shared_ptr<KernelObject>> objects;
  std::uintptr_t next = kFirstHandle;
};

HandleTable& Table() {
  static HandleTable table;
  return table;
}

}  // namespace

HANDLE InsertHandle(std::shared_ptr<KernelObject> object) {
  if (!object) return INVALID_HANDLE_VALUE;
  auto& table = Table();
  std::lock_guard guard(table.lock);
  if (table.next > kLastHandle) {
    SetLastError(ERROR_TOO_MANY_OPEN_FILES);
    return INVALID_HANDLE_VALUE;
  }
  const std::uintptr_t value = table.next;
  table.next += kHandleStep;
  table.objects.emplace(value, std::move(object));
  return HandleFromValue(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
  auto& table = Table();
  std::lock_guard guard(table.lock);
  const auto found = table.objects.find(HandleValue(handle));
  return found == table.objects.end() ? nullptr : found->second;
}

BOOL CloseHandle(HANDLE handle) {
  std::shared_ptr<KernelObject> released;  // destroyed outside the lock
  auto& table = Table();
  {
    std::lock_guard guard(table.lock);
    const auto found = table.objects.find(HandleValue(handle));
    if (found == table.objects.end()) return Fail(ERROR_INVALID_HANDLE);
    released = std::move(found->second);
    table.objects.erase(found);
  }
  return TRUE;
}

}  // namespace win
