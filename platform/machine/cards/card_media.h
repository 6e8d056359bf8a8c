// The sectors of a card as its reader shows them, with the card's write protection, its
// injected faults and the moment it is pulled from the reader. A plain card (CompactFlash,
// MMC/SD, Memory Stick Pro, floppy and LS-120 disks) is its image file, byte for byte what a
// raw copy of a real card holds; a raw flash card (SmartMedia, Memory Stick) shows the logical
// sectors that its reader's firmware finds on the flash (flash_card.h).
#pragma once

#include "platform/machine/machine_description.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace machine {

class FlashCard;

constexpr std::uint32_t kSectorSize = 512;

enum class MediaResult { Ok, NoMedium, OutOfRange, ReadFault, WriteFault, WriteProtected };

class CardMedia {
 public:
  // Opens the card's image, which must exist and hold exactly the described sectors (raw flash:
  // the bytes of its geometry). Throws MachineDescriptionError naming the image when it does not.
  explicit CardMedia(const CardDescription& description);
  ~CardMedia();
  CardMedia(const CardMedia&) = delete;
  CardMedia& operator=(const CardMedia&) = delete;

  // The card as described, with its write-protect switch as it stands now.
  const CardDescription& Description() const { return description_; }
  CardKind Kind() const { return description_.kind; }
  std::uint64_t Sectors() const { return sectors_; }
  // The flash that the reader's raw page commands reach; null for plain cards.
  FlashCard* Flash() const { return flash_.get(); }
  bool WriteProtected() const { return description_.writeProtected; }
  void SetWriteProtected(bool value) { description_.writeProtected = value; }
  // False once the card was pulled after its described number of commands.
  bool Present() const { return present_; }

  // Counts one command the reader received; the card leaves when its count is reached.
  void CountCommand();

  // A fault stops the transfer at the failing sector: the sectors before it are moved, and
  // moved (when given) receives their bytes.
  MediaResult Read(std::uint64_t firstSector, std::span<std::uint8_t> data, std::size_t* moved = nullptr);
  MediaResult Write(std::uint64_t firstSector, std::span<const std::uint8_t> data, std::size_t* moved = nullptr);

 private:
  // The first sector of the range at which an injected fault of this operation fires; uses
  // that fault up.
  std::optional<std::uint64_t> TakeFault(FaultOperation operation, std::uint64_t firstSector, std::uint64_t count);
  MediaResult CheckRange(std::uint64_t firstSector, std::size_t bytes) const;

  // Moves whole sectors after the checks: the image's bytes, or the flash's logical sectors.
  MediaResult ReadSectors(std::uint64_t firstSector, std::span<std::uint8_t> data);
  MediaResult WriteSectors(std::uint64_t firstSector, std::span<const std::uint8_t> data);

  CardDescription description_;
  std::unique_ptr<FlashCard> flash_;
  std::uint64_t sectors_ = 0;
  std::vector<std::uint32_t> faultsLeft_;  // per fault: times it still fires; 0 means always
  std::uint64_t commands_ = 0;
  bool present_ = true;
  int fd_ = -1;
};

}  // namespace machine
