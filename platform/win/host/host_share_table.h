// Windows sharing rules for host files, kept in-process by file identity (device, inode):
// an open is refused with ERROR_SHARING_VIOLATION when its access is not shared by every
// existing open or an existing open's access is not shared by it. Deleting a file is an open
// for delete access: it fails while a handle does not share delete, and a file whose handles
// all share delete becomes delete-pending and goes with its last handle.
#pragma once

#include "platform/win/types.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace win {

struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

// The kinds of access sharing is about.
constexpr DWORD kShareAccessRead = 0x1;
constexpr DWORD kShareAccessWrite = 0x2;
constexpr DWORD kShareAccessDelete = 0x4;

// The sharing-relevant access of a CreateFileA access mask (GENERIC_EXECUTE counts as read).
DWORD ShareAccessOf(DWORD desiredAccess, bool deleteOnClose);

using ShareTicket = std::uint64_t;

// Registers an open of the file at path; ERROR_SHARING_VIOLATION on a conflict and
// ERROR_ACCESS_DENIED while a delete is pending. On success ticket names the open.
DWORD RegisterOpen(FileIdentity id, const std::filesystem::path& path, DWORD access, DWORD shareMode,
                   bool deleteOnClose, ShareTicket& ticket);

// Ends an open. Answers the path to remove when it was the last open of a file whose delete
// is pending (a delete-on-close handle closing makes the delete pending).
std::optional<std::filesystem::path> ReleaseOpen(FileIdentity id, ShareTicket ticket);

// Asks to delete the file: ERROR_SUCCESS with pending false when no handle is open,
// ERROR_SUCCESS with pending true once the delete is pending, ERROR_SHARING_VIOLATION when
// an open does not share delete.
DWORD RequestDelete(FileIdentity id, bool& pending);

// Whether an open would allow delete access (renaming an open file needs that too).
DWORD CheckDeleteAccess(FileIdentity id);

bool IsDeletePending(FileIdentity id);

// Keeps the name of an open file current after a rename, for its delete on close.
void NoteRenamed(FileIdentity id, const std::filesystem::path& newPath);

}  // namespace win
