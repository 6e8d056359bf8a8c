#include "device/file_system_type.h"

#include "device/card_sector_road.h"
#include "device/device_messages.h"
#include "device/sector_io.h"
#include "device/string_ids.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string_view>

namespace tarnlok {
namespace {

constexpr std::size_t kSearchOffsets = 100;
constexpr std::size_t kFirstPartitionStart = 454;

// Either half of the boot signature is enough.
bool HasBootSignature(std::span<const win::BYTE> sector) { return sector[510] == 0x55 || sector[511] == 0xAA; }

// The file-system word of a sector: at the first of offsets 0 to 99 whose zero-terminated text
// (kept inside the sector) names one. 0 stands for NTFS.
std::optional<win::BYTE> FindFileSystemText(std::span<const win::BYTE> sector) {
  struct Word {
    std::string_view text;
    win::BYTE fileSystem;
  };
  constexpr Word kWords[] = {{"FAT12", kFat12}, {"FAT16", kFat16}, {"FAT32", kFat32}, {"NTFS", 0}};
  for (std::size_t offset = 0; offset < kSearchOffsets; ++offset) {
    const auto begin = sector.begin() + static_cast<std::ptrdiff_t>(offset);
    const auto end = std::find(begin, sector.end(), win::BYTE{0});
    const std::string_view text(reinterpret_cast<const char*>(&*begin), static_cast<std::size_t>(end - begin));
    for (const Word& word : kWords) {
      if (text.find(word.text) != std::string_view::npos) return word.fileSystem;
    }
  }
  return std::nullopt;
}

// Asks whether to go on with an unformatted card; Yes sets notFormatted.
void AskNotFormatted(win::BYTE* notFormatted) {
  const int answer = ShowStringMessage(kStringMediaNotFormatted, ui::MB_YESNO | ui::MB_ICONQUESTION);
  if (answer == ui::IDYES && notFormatted != nullptr) {
    *notFormatted = 1;
  }
}

// The result for a sector that holds a file-system word.
int FileSystemResult(win::BYTE found, win::BYTE* fileSystem) {
  if (found == 0) return 0;
  if (fileSystem != nullptr) *fileSystem = found;
  return 1;
}

}  // namespace

int GetFileSystemType(win::HANDLE handle, const DeviceEntry* entry, win::DWORD byteCount, win::BYTE* notFormatted,
                      win::BYTE* sector0, win::BYTE* sector0IsMbr, win::BYTE* bootSector, win::DWORD* volumeStart,
                      win::BYTE* fileSystem) {
  // The buffers hold one sector; a longer read would overrun them.
  if (entry == nullptr || sector0 == nullptr || bootSector == nullptr || byteCount > kCardSectorBytes) return 0;
  if (!ReadCardSectors(handle, *entry, 0, 1, byteCount, sector0)) return 0;
  const std::span<const win::BYTE> first(sector0, kCardSectorBytes);
  if (!HasBootSignature(first)) {
    AskNotFormatted(notFormatted);
    return 0;
  }
  if (const auto found = FindFileSystemText(first)) return FileSystemResult(*found, fileSystem);

  if (sector0IsMbr != nullptr) *sector0IsMbr = 1;
  const win::DWORD start = win::ReadLe32(first, kFirstPartitionStart);
  if (volumeStart != nullptr) *volumeStart = start;
  if (start == 0) return 0;
  if (!ReadCardSectors(handle, *entry, start, 1, byteCount, bootSector)) return 0;
  const std::span<const win::BYTE> boot(bootSector, kCardSectorBytes);
  if (!HasBootSignature(boot)) {
    AskNotFormatted(notFormatted);
    return 0;
  }
  const auto found = FindFileSystemText(boot);
  return found ? FileSystemResult(*found, fileSystem) : 0;
}

}  // namespace tarnlok
