#include "platform/win/file_mapping.h"

#include "platform/win/handle_table.h"
#include "platform/win/last_error.h"
#include "platform/win/mapping_backing.h"

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/mman.h>

namespace win {
namespace {

// The process's side of one mapping object: the memory it shares.
struct Mapping {
  std::unique_ptr<MappingBacking> backing;
};

// What a handle may do with its mapping.
class MappingHandle final : public KernelObject {
 public:
  MappingHandle(std::shared_ptr<Mapping> mapping, DWORD access) : mapping_(std::move(mapping)), access_(access) {}

  const std::shared_ptr<Mapping>& mapping() const { return mapping_; }
  bool Allows(DWORD access) const { return (access_ & access) == access; }

 private:
  std::shared_ptr<Mapping> mapping_;
  DWORD access_;
};

struct View {
  std::shared_ptr<Mapping> mapping;  // a view keeps its mapping alive, as on Windows
  std::size_t length;
};

struct MappingTable {
  std::mutex lock;
  std::map<std::string, std::weak_ptr<Mapping>> named;
  std::map<const void*, View> views;
};

MappingTable& Table() {
  static MappingTable table;
  return table;
}

// The name in the one session's namespace: the "Global\" and "Local\" prefixes fall away.
std::string SessionName(std::string_view name) {
  constexpr std::array kPrefixes{std::string_view("Global\\"), std::string_view("Local\\")};
  for (const auto prefix : kPrefixes) {
    if (name.substr(0, prefix.size()) == prefix) return std::string(name.substr(prefix.size()));
  }
  return std::string(name);
}

HANDLE HandleTo(std::shared_ptr<Mapping> mapping, DWORD access) {
  const HANDLE handle = InsertHandle(std::make_shared<MappingHandle>(std::move(mapping), access));
  return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

HANDLE FailWithNull(DWORD error) {
  SetLastError(error);
  return nullptr;
}

// Finds a live mapping of this process by name (the table's lock held).
std::shared_ptr<Mapping> LiveMapping(MappingTable& table, const std::string& name) {
  const auto found = table.named.find(name);
  if (found == table.named.end()) return nullptr;
  auto mapping = found->second.lock();
  if (!mapping) table.named.erase(found);
  return mapping;
}

// The access a view asks of its handle: reading is part of every other right.
DWORD RequiredAccess(DWORD desiredAccess) {
  if ((desiredAccess & FILE_MAP_WRITE) != 0) return FILE_MAP_WRITE;
  if ((desiredAccess & FILE_MAP_COPY) != 0) return FILE_MAP_COPY;
  return FILE_MAP_READ;
}

bool HandleAllows(const MappingHandle& handle, DWORD required) {
  // A handle that may write may also read; FILE_MAP_COPY needs read access only.
  if (required == FILE_MAP_WRITE) return handle.Allows(FILE_MAP_WRITE);
  return handle.Allows(FILE_MAP_READ) || handle.Allows(FILE_MAP_WRITE);
}

}  // namespace

HANDLE CreateFileMappingA(HANDLE file, SECURITY_ATTRIBUTES* /*security*/, DWORD protect, DWORD maximumSizeHigh,
                          DWORD maximumSizeLow, LPCSTR name) {
  if (file != INVALID_HANDLE_VALUE || protect != PAGE_READWRITE) return FailWithNull(ERROR_INVALID_PARAMETER);
  const ULONGLONG size = (ULONGLONG{maximumSizeHigh} << 32) | maximumSizeLow;
  if (size == 0) return FailWithNull(ERROR_INVALID_PARAMETER);
  DWORD error = ERROR_SUCCESS;

  if (name == nullptr || *name == '\0') {
    auto backing = MappingBacking::CreateUnnamed(size, error);
    if (!backing) return FailWithNull(error);
    const HANDLE handle = HandleTo(std::make_shared<Mapping>(Mapping{std::move(backing)}), FILE_MAP_ALL_ACCESS);
    SetLastError(ERROR_SUCCESS);
    return handle;
  }

  const std::string key = SessionName(name);
  auto& table = Table();
  std::lock_guard guard(table.lock);
  bool existed = true;
  auto mapping = LiveMapping(table, key);
  if (!mapping) {
    auto backing = MappingBacking::CreateNamed(key, size, existed, error);
    if (!backing) return FailWithNull(error);
    mapping = std::make_shared<Mapping>(Mapping{std::move(backing)});
    table.named[key] = mapping;
  }
  const HANDLE handle = HandleTo(std::move(mapping), FILE_MAP_ALL_ACCESS);
  if (handle != nullptr) SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

HANDLE OpenFileMappingA(DWORD desiredAccess, BOOL /*inheritHandle*/, LPCSTR name) {
  if (name == nullptr || *name == '\0') return FailWithNull(ERROR_INVALID_PARAMETER);
  const std::string key = SessionName(name);
  auto& table = Table();
  std::lock_guard guard(table.lock);
  auto mapping = LiveMapping(table, key);
  if (!mapping) {
    DWORD error = ERROR_SUCCESS;
    auto backing = MappingBacking::OpenNamed(key, error);
    if (!backing) return FailWithNull(error);
    mapping = std::make_shared<Mapping>(Mapping{std::move(backing)});
    table.named[key] = mapping;
  }
  return HandleTo(std::move(mapping), desiredAccess);
}

void* MapViewOfFile(HANDLE mapping, DWORD desiredAccess, DWORD offsetHigh, DWORD offsetLow, std::size_t bytes) {
  const auto handle = LookupHandleAs<MappingHandle>(mapping);
  if (!handle) return FailWithNull(ERROR_INVALID_HANDLE);
  const DWORD required = RequiredAccess(desiredAccess);
  if (!HandleAllows(*handle, required)) return FailWithNull(ERROR_ACCESS_DENIED);
  const ULONGLONG offset = (ULONGLONG{offsetHigh} << 32) | offsetLow;
  if (offset % ALLOCATION_GRANULARITY != 0) return FailWithNull(ERROR_MAPPED_ALIGNMENT);
  const ULONGLONG size = handle->mapping()->backing->size();
  if (offset >= size || bytes > size - offset) return FailWithNull(ERROR_ACCESS_DENIED);
  const std::size_t length = bytes == 0 ? static_cast<std::size_t>(size - offset) : bytes;

  const int protection = required == FILE_MAP_READ ? PROT_READ : PROT_READ | PROT_WRITE;
  const int sharing = required == FILE_MAP_COPY ? MAP_PRIVATE : MAP_SHARED;
  void* view = ::mmap(nullptr, length, protection, sharing, handle->mapping()->backing->descriptor(),
                      static_cast<off_t>(offset));
  if (view == MAP_FAILED) return FailWithNull(ERROR_NOT_ENOUGH_MEMORY);
  auto& table = Table();
  std::lock_guard guard(table.lock);
  table.views.emplace(view, View{handle->mapping(), length});
  return view;
}

BOOL UnmapViewOfFile(const void* baseAddress) {
  View released;  // its mapping may go with it, outside the lock
  {
    auto& table = Table();
    std::lock_guard guard(table.lock);
    const auto found = table.views.find(baseAddress);
    if (found == table.views.end()) return Fail(ERROR_INVALID_ADDRESS);
    released = std::move(found->second);
    table.views.erase(found);
  }
  ::munmap(const_cast<void*>(baseAddress), released.length);
  return TRUE;
}

}  // namespace win
