#include "platform/win/host_share_table.h"

#include "platform/win/files.h"
#include "platform/win/last_error.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace win {
namespace {

struct OpenRecord {
  DWORD access = 0;
  DWORD shareMode = 0;
  bool deleteOnClose = false;
};

struct SharedFile {
  std::filesystem::path path;
  std::map<ShareTicket, OpenRecord> opens;
  bool deletePending = false;
};

struct ShareTable {
  std::mutex lock;
  std::map<FileIdentity, SharedFile> files;
  ShareTicket nextTicket = 1;
};

ShareTable& Table() {
  static ShareTable table;
  return table;
}

// The share flag that must be present for each kind of access.
DWORD ShareNeededFor(DWORD access) {
  DWORD needed = 0;
  if ((access & kShareAccessRead) != 0) needed |= FILE_SHARE_READ;
  if ((access & kShareAccessWrite) != 0) needed |= FILE_SHARE_WRITE;
  if ((access & kShareAccessDelete) != 0) needed |= FILE_SHARE_DELETE;
  return needed;
}

bool Compatible(const OpenRecord& existing, DWORD access, DWORD shareMode) {
  // Opens that neither read, write nor delete (attribute queries) never conflict.
  if (existing.access == 0 || access == 0) return true;
  const DWORD neededOfExisting = ShareNeededFor(access);
  const DWORD neededOfNew = ShareNeededFor(existing.access);
  return (existing.shareMode & neededOfExisting) == neededOfExisting && (shareMode & neededOfNew) == neededOfNew;
}

bool AllCompatible(const SharedFile& file, DWORD access, DWORD shareMode) {
  return std::all_of(file.opens.begin(), file.opens.end(),
                     [&](const auto& open) { return Compatible(open.second, access, shareMode); });
}

// Whether delete access is open to the file; the caller holds the table's lock.
DWORD DeleteAccessError(ShareTable& table, FileIdentity id) {
  const auto found = table.files.find(id);
  if (found == table.files.end()) return ERROR_SUCCESS;
  if (found->second.deletePending) return ERROR_ACCESS_DENIED;
  const DWORD everyShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  return AllCompatible(found->second, kShareAccessDelete, everyShare) ? ERROR_SUCCESS : ERROR_SHARING_VIOLATION;
}

}  // namespace

DWORD ShareAccessOf(DWORD desiredAccess, bool deleteOnClose) {
  DWORD access = 0;
  if ((desiredAccess & (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL)) != 0) access |= kShareAccessRead;
  if ((desiredAccess & (GENERIC_WRITE | GENERIC_ALL)) != 0) access |= kShareAccessWrite;
  if ((desiredAccess & GENERIC_ALL) != 0 || deleteOnClose) access |= kShareAccessDelete;
  return access;
}

DWORD RegisterOpen(FileIdentity id, const std::filesystem::path& path, DWORD access, DWORD shareMode,
                   bool deleteOnClose, ShareTicket& ticket) {
  auto& table = Table();
  std::lock_guard guard(table.lock);
  auto [found, inserted] = table.files.try_emplace(id);
  SharedFile& file = found->second;
  if (inserted) file.path = path;
  if (file.deletePending) return ERROR_ACCESS_DENIED;
  if (!AllCompatible(file, access, shareMode)) return ERROR_SHARING_VIOLATION;
  ticket = table.nextTicket++;
  file.opens.emplace(ticket, OpenRecord{access, shareMode, deleteOnClose});
  return ERROR_SUCCESS;
}

std::optional<std::filesystem::path> ReleaseOpen(FileIdentity id, ShareTicket ticket) {
  auto& table = Table();
  std::lock_guard guard(table.lock);
  const auto found = table.files.find(id);
  if (found == table.files.end()) return std::nullopt;
  SharedFile& file = found->second;
  const auto open = file.opens.find(ticket);
  if (open == file.opens.end()) return std::nullopt;
  if (open->second.deleteOnClose) file.deletePending = true;
  file.opens.erase(open);
  if (!file.opens.empty()) return std::nullopt;
  std::optional<std::filesystem::path> toRemove;
  if (file.deletePending) toRemove = file.path;
  table.files.erase(found);
  return toRemove;
}

DWORD CheckDeleteAccess(FileIdentity id) {
  auto& table = Table();
  std::lock_guard guard(table.lock);
  return DeleteAccessError(table, id);
}

DWORD RequestDelete(FileIdentity id, bool& pending) {
  pending = false;
  auto& table = Table();
  std::lock_guard guard(table.lock);
  if (const DWORD error = DeleteAccessError(table, id); error != ERROR_SUCCESS) return error;
  const auto found = table.files.find(id);
  if (found != table.files.end()) {
    found->second.deletePending = true;
    pending = true;
  }
  return ERROR_SUCCESS;
}

bool IsDeletePending(FileIdentity id) {
  auto& table = Table();
  std::lock_guard guard(table.lock);
  const auto found = table.files.find(id);
  return found != table.files.end() && found->second.deletePending;
}

void NoteRenamed(FileIdentity id, const std::filesystem::path& newPath) {
  auto& table = Table();
  std::lock_guard guard(table.lock);
  if (const auto found = table.files.find(id); found != table.files.end()) found->second.path = newPath;
}

}  // namespace win
