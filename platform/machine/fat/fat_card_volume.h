// A card volume's file services (win::CardVolume) served by the FAT driver: opens with
// Windows sharing and delete on close, folders, renames, free space and volume information.
// A volume locked through FSCTL_LOCK_VOLUME refuses every file service with
// ERROR_ACCESS_DENIED; the machine sets the lock, and refuses a lock while files are open.
// A volume that leaves its drive letter (dismounted, or its card changed) is retired: handles
// opened on it before fail from then on, as Windows invalidates them, and never write to
// whatever volume the letter shows now.
// Nothing of the volume is cached (see fat_volume.h), so raw sector writes are seen at once.
// Not provided: last-access times, setting the label, byte-range locks.
#pragma once

#include "platform/machine/fat/fat_volume.h"
#include "platform/win/devices/card_volume.h"
#include "platform/win/host/host_share_table.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

namespace machine {

class FatCardVolume final : public win::CardVolume, public std::enable_shared_from_this<FatCardVolume> {
 public:
  // The volume on `device` (a partition window or a whole superfloppy card).
  explicit FatCardVolume(std::shared_ptr<SectorDevice> device, FatClock clock = SystemFatTime);

  std::shared_ptr<win::IoObject> Open(std::string_view path, const win::OpenRequest& request,
                                      win::DWORD& error) override;
  std::optional<win::VolumeEntry> Query(std::string_view path, win::DWORD& error) override;
  std::optional<std::vector<win::VolumeEntry>> List(std::string_view folder, win::DWORD& error) override;
  win::DWORD Delete(std::string_view path) override;
  win::DWORD Rename(std::string_view from, std::string_view to) override;
  win::DWORD CreateFolder(std::string_view path) override;
  win::DWORD RemoveFolder(std::string_view path) override;
  std::optional<win::VolumeSpace> Space(std::string_view path, win::DWORD& error) override;
  std::optional<win::VolumeInformation> Information(std::string_view path, win::DWORD& error) override;

  // Locks or unlocks the volume for the holder of a volume handle.
  void SetLocked(bool locked);
  bool IsLocked() const;
  // True while a file of the volume is open.
  bool HasOpenFiles() const;
  // Takes the volume off its letter for good: every later service, also through handles opened
  // before, fails with `error`; a handle still closes, but a delete pending on it is dropped.
  void Retire(win::DWORD error);

  // The services of an open file, known by its identity; each answers a Windows error.
  IoResult<std::size_t> ReadOpen(std::uint64_t id, std::uint64_t offset, std::span<std::uint8_t> buffer);
  IoStatus WriteOpen(std::uint64_t id, std::uint64_t offset, std::span<const std::uint8_t> data);
  IoResult<std::uint64_t> SizeOfOpen(std::uint64_t id);
  IoStatus ResizeOpen(std::uint64_t id, std::uint64_t size);
  // Ends an open; the last close of a delete-pending file deletes it.
  void CloseOpen(std::uint64_t id, win::ShareTicket ticket);

 private:
  // The identity the share table knows an open file by; new for a file not open yet.
  std::uint64_t IdentityOf(const EntryPlace& place);
  win::FileIdentity ShareIdentity(std::uint64_t id) const { return {deviceId_, id}; }
  std::optional<std::uint64_t> OpenIdentity(const EntryPlace& place) const;
  // Why a service is refused now: the retirement's error, ERROR_ACCESS_DENIED while locked.
  win::DWORD Refusal() const;
  // The open file's place, or why its handle no longer works.
  IoResult<EntryPlace> OpenPlace(std::uint64_t id) const;
  std::shared_ptr<win::IoObject> OpenLocked(std::string_view path, const win::OpenRequest& request, win::DWORD& error);

  mutable std::mutex mutex_;
  std::shared_ptr<SectorDevice> device_;
  FatVolume volume_;
  std::uint64_t deviceId_;
  // Files with open handles: identity -> the place of their short entry, and handle count.
  std::map<std::uint64_t, EntryPlace> places_;
  std::map<std::uint64_t, int> handles_;
  std::uint64_t nextId_ = 1;
  // Set by the reader while it holds its own mutex, which the file services take after the
  // volume's: so these are set without the volume's mutex.
  std::atomic<bool> locked_ = false;
  std::atomic<win::DWORD> retired_ = win::ERROR_SUCCESS;
};

}  // namespace machine
