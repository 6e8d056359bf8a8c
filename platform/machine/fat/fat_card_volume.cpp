#include "platform/machine/fat/fat_card_volume.h"

#include "platform/machine/fat/fat_card_file.h"
#include "platform/win/files/file_time.h"
#include "platform/win/files/files.h"
#include "platform/win/host/host_volume.h"
#include "platform/win/files/volumes.h"

#include <atomic>
#include <ctime>

namespace machine {
namespace {

constexpr win::DWORD kMaximumComponentLength = 255;
// FAT keeps the case of long names and stores them in UTF-16.
constexpr win::DWORD kFatFileSystemFlags = win::FILE_CASE_PRESERVED_NAMES | win::FILE_UNICODE_ON_DISK;
constexpr win::DWORD kStoredAttributes = win::FILE_ATTRIBUTE_READONLY | win::FILE_ATTRIBUTE_HIDDEN |
                                         win::FILE_ATTRIBUTE_SYSTEM | win::FILE_ATTRIBUTE_ARCHIVE;

// Share-table identities of card files never meet those of host files, whose device numbers
// are small: each card volume takes a device number with the top bit set.
std::uint64_t NewDeviceId() {
  static std::atomic<std::uint64_t> next{0};
  return (std::uint64_t{1} << 63) | next++;
}

// FAT keeps local time; Windows reports UTC file times.
win::FILETIME FileTimeOf(const FatDateTime& when) {
  std::tm local{};
  local.tm_year = when.year - 1900;
  local.tm_mon = when.month - 1;
  local.tm_mday = when.day;
  local.tm_hour = when.hour;
  local.tm_min = when.minute;
  local.tm_sec = when.second;
  local.tm_isdst = -1;
  return win::FileTimeFromUnix(std::mktime(&local), static_cast<win::LONG>(when.milliseconds) * 1000000);
}

win::VolumeEntry EntryOf(const FatFileInfo& info) {
  win::VolumeEntry entry;
  entry.name = info.name;
  entry.shortName = info.shortName == info.name ? std::string() : info.shortName;
  entry.attributes = info.attributes & (kStoredAttributes | win::FILE_ATTRIBUTE_DIRECTORY);
  if (entry.attributes == 0) entry.attributes = win::FILE_ATTRIBUTE_NORMAL;
  entry.size = info.size;
  entry.creationTime = FileTimeOf(info.created);
  entry.lastWriteTime = FileTimeOf(info.written);
  entry.lastAccessTime = FileTimeOf(info.accessed);
  return entry;
}

template <class T>
std::optional<T> Answer(IoResult<T> result, win::DWORD& error) {
  error = result.error();
  if (!result) return std::nullopt;
  return std::move(*result);
}

}  // namespace

FatCardVolume::FatCardVolume(std::shared_ptr<SectorDevice> device, FatClock clock)
    : device_(std::move(device)), volume_(*device_, std::move(clock)), deviceId_(NewDeviceId()) {}

void FatCardVolume::SetLocked(bool locked) { locked_ = locked; }

bool FatCardVolume::IsLocked() const { return locked_; }

bool FatCardVolume::HasOpenFiles() const {
  std::lock_guard guard(mutex_);
  return !handles_.empty();
}

void FatCardVolume::Retire(win::DWORD error) { retired_ = error; }

std::optional<std::uint64_t> FatCardVolume::OpenIdentity(const EntryPlace& place) const {
  for (const auto& [id, at] : places_) {
    if (at == place) return id;
  }
  return std::nullopt;
}

std::uint64_t FatCardVolume::IdentityOf(const EntryPlace& place) {
  if (const auto id = OpenIdentity(place)) return *id;
  const std::uint64_t id = nextId_++;
  places_[id] = place;
  return id;
}

IoResult<EntryPlace> FatCardVolume::OpenPlace(std::uint64_t id) const {
  if (const win::DWORD retired = retired_; retired != win::ERROR_SUCCESS) return IoError{retired};
  const auto found = places_.find(id);
  if (found == places_.end()) return IoError{win::ERROR_FILE_INVALID};
  return found->second;
}

win::DWORD FatCardVolume::Refusal() const {
  if (const win::DWORD retired = retired_; retired != win::ERROR_SUCCESS) return retired;
  return locked_ ? win::ERROR_ACCESS_DENIED : win::ERROR_SUCCESS;
}

std::shared_ptr<win::IoObject> FatCardVolume::Open(std::string_view path, const win::OpenRequest& request,
                                                   win::DWORD& error) {
  std::lock_guard guard(mutex_);
  return OpenLocked(path, request, error);
}

std::shared_ptr<win::IoObject> FatCardVolume::OpenLocked(std::string_view path, const win::OpenRequest& request,
                                                         win::DWORD& error) {
  if (error = Refusal(); error != win::ERROR_SUCCESS) return nullptr;
  const auto attributes = static_cast<std::uint8_t>(request.attributes & kStoredAttributes);
  auto info = request.create ? volume_.CreateFile(path, attributes) : volume_.Stat(path);
  if (!info) {
    error = info.error();
    return nullptr;
  }
  if (info->IsDirectory()) {
    error = win::ERROR_ACCESS_DENIED;
    return nullptr;
  }
  const std::uint64_t id = IdentityOf(info->place);
  win::ShareTicket ticket = 0;
  error = win::RegisterOpen(ShareIdentity(id), std::string(path),
                            win::ShareAccessOf(request.desiredAccess, request.deleteOnClose), request.shareMode,
                            request.deleteOnClose, ticket);
  if (error == win::ERROR_SUCCESS && request.truncate) {
    IoStatus truncated = volume_.SetSize(info->place, 0);
    if (truncated) truncated = volume_.SetAttributes(path, attributes);
    error = truncated.error();
    if (error != win::ERROR_SUCCESS) (void)win::ReleaseOpen(ShareIdentity(id), ticket);
  }
  if (error != win::ERROR_SUCCESS) {
    if (handles_.count(id) == 0) places_.erase(id);
    return nullptr;
  }
  ++handles_[id];
  return std::make_shared<FatCardFile>(shared_from_this(), id, ticket, request.desiredAccess);
}

void FatCardVolume::CloseOpen(std::uint64_t id, win::ShareTicket ticket) {
  std::lock_guard guard(mutex_);
  const auto pendingPath = win::ReleaseOpen(ShareIdentity(id), ticket);
  if (--handles_[id] <= 0) {
    handles_.erase(id);
    places_.erase(id);
  }
  // The last handle of a delete-pending file takes the file with it; nobody is left to tell.
  // A retired volume's path may name a file of the volume the letter shows now: left alone.
  if (pendingPath && retired_ == win::ERROR_SUCCESS) (void)volume_.DeleteFile(pendingPath->string());
}

IoResult<std::size_t> FatCardVolume::ReadOpen(std::uint64_t id, std::uint64_t offset, std::span<std::uint8_t> buffer) {
  std::lock_guard guard(mutex_);
  const auto place = OpenPlace(id);
  if (!place) return place.failure();
  return volume_.Read(*place, offset, buffer);
}

IoStatus FatCardVolume::WriteOpen(std::uint64_t id, std::uint64_t offset, std::span<const std::uint8_t> data) {
  std::lock_guard guard(mutex_);
  const auto place = OpenPlace(id);
  if (!place) return place.failure();
  return volume_.Write(*place, offset, data);
}

IoResult<std::uint64_t> FatCardVolume::SizeOfOpen(std::uint64_t id) {
  std::lock_guard guard(mutex_);
  const auto place = OpenPlace(id);
  if (!place) return place.failure();
  auto info = volume_.StatOpen(*place);
  if (!info) return info.failure();
  return std::uint64_t{info->size};
}

IoStatus FatCardVolume::ResizeOpen(std::uint64_t id, std::uint64_t size) {
  std::lock_guard guard(mutex_);
  const auto place = OpenPlace(id);
  if (!place) return place.failure();
  return volume_.SetSize(*place, size);
}

std::optional<win::VolumeEntry> FatCardVolume::Query(std::string_view path, win::DWORD& error) {
  std::lock_guard guard(mutex_);
  if (const win::DWORD refused = Refusal(); refused != win::ERROR_SUCCESS) {
    return Answer<win::VolumeEntry>(IoError{refused}, error);
  }
  auto info = volume_.Stat(path);
  if (!info) return Answer<win::VolumeEntry>(info.failure(), error);
  return Answer<win::VolumeEntry>(EntryOf(*info), error);
}

std::optional<std::vector<win::VolumeEntry>> FatCardVolume::List(std::string_view folder, win::DWORD& error) {
  using Entries = std::vector<win::VolumeEntry>;
  std::lock_guard guard(mutex_);
  if (const win::DWORD refused = Refusal(); refused != win::ERROR_SUCCESS) {
    return Answer<Entries>(IoError{refused}, error);
  }
  auto infos = volume_.List(folder);
  if (!infos) return Answer<Entries>(infos.failure(), error);
  Entries entries;
  for (const FatFileInfo& info : *infos) {
    if (info.name != "." && info.name != "..") entries.push_back(EntryOf(info));
  }
  return Answer<Entries>(std::move(entries), error);
}

win::DWORD FatCardVolume::Delete(std::string_view path) {
  std::lock_guard guard(mutex_);
  if (const win::DWORD refused = Refusal(); refused != win::ERROR_SUCCESS) return refused;
  auto info = volume_.Stat(path);
  if (!info) return info.error();
  if (info->IsDirectory()) return win::ERROR_ACCESS_DENIED;
  if (const auto id = OpenIdentity(info->place)) {
    bool pending = false;
    if (const win::DWORD error = win::RequestDelete(ShareIdentity(*id), pending);
        error != win::ERROR_SUCCESS || pending) {
      return error;
    }
  }
  return volume_.DeleteFile(path).error();
}

win::DWORD FatCardVolume::Rename(std::string_view from, std::string_view to) {
  std::lock_guard guard(mutex_);
  if (const win::DWORD refused = Refusal(); refused != win::ERROR_SUCCESS) return refused;
  auto info = volume_.Stat(from);
  if (!info) return info.error();
  const auto id = OpenIdentity(info->place);
  if (id) {
    if (const win::DWORD error = win::CheckDeleteAccess(ShareIdentity(*id)); error != win::ERROR_SUCCESS) return error;
  }
  if (auto renamed = volume_.Rename(from, to); !renamed) return renamed.error();
  // The file's short entry moved; its open handles follow it.
  if (id) {
    auto moved = volume_.Stat(to);
    if (!moved) return moved.error();
    places_[*id] = moved->place;
    win::NoteRenamed(ShareIdentity(*id), std::string(to));
  }
  return win::ERROR_SUCCESS;
}

win::DWORD FatCardVolume::CreateFolder(std::string_view path) {
  std::lock_guard guard(mutex_);
  if (const win::DWORD refused = Refusal(); refused != win::ERROR_SUCCESS) return refused;
  return volume_.MakeDirectory(path).error();
}

win::DWORD FatCardVolume::RemoveFolder(std::string_view path) {
  std::lock_guard guard(mutex_);
  if (const win::DWORD refused = Refusal(); refused != win::ERROR_SUCCESS) return refused;
  return volume_.RemoveDirectory(path).error();
}

std::optional<win::VolumeSpace> FatCardVolume::Space(std::string_view /*path*/, win::DWORD& error) {
  std::lock_guard guard(mutex_);
  if (const win::DWORD refused = Refusal(); refused != win::ERROR_SUCCESS) {
    return Answer<win::VolumeSpace>(IoError{refused}, error);
  }
  auto info = volume_.Info();
  if (!info) return Answer<win::VolumeSpace>(info.failure(), error);
  win::VolumeSpace space;
  space.sectorsPerCluster = info->sectorsPerCluster;
  space.bytesPerSector = info->bytesPerSector;
  space.freeClusters = info->freeClusters;
  space.totalClusters = info->totalClusters;
  space.availableBytes = std::uint64_t{info->freeClusters} * info->sectorsPerCluster * info->bytesPerSector;
  return Answer<win::VolumeSpace>(space, error);
}

std::optional<win::VolumeInformation> FatCardVolume::Information(std::string_view /*path*/, win::DWORD& error) {
  std::lock_guard guard(mutex_);
  if (const win::DWORD refused = Refusal(); refused != win::ERROR_SUCCESS) {
    return Answer<win::VolumeInformation>(IoError{refused}, error);
  }
  auto info = volume_.Info();
  if (!info) return Answer<win::VolumeInformation>(info.failure(), error);
  win::VolumeInformation result;
  result.label = info->label;
  result.serialNumber = info->serial;
  result.maximumComponentLength = kMaximumComponentLength;
  result.fileSystemFlags = kFatFileSystemFlags;
  result.fileSystemName = info->type == FatType::Fat32 ? "FAT32" : "FAT";
  return Answer<win::VolumeInformation>(result, error);
}

}  // namespace machine
