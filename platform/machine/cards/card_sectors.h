// The sectors of a card as sector devices for the FAT driver: straight on the card's image
// (for finding the volume while the reader is busy with a card change), and through the
// reader (for the file services of a mounted volume), which sees whatever card is in the slot
// at the time of each transfer: a pulled card answers ERROR_NOT_READY, a protected one
// ERROR_WRITE_PROTECT, injected faults fire. File-service transfers do not count towards a
// card's pulledAfterCommands.
#pragma once

#include "platform/machine/card_media.h"
#include "platform/machine/sector_device.h"

#include <memory>

namespace machine {

class Reader;

// The Windows error of a card transfer's result.
win::DWORD ErrorOfMedia(MediaResult result);

class CardMediaDevice final : public SectorDevice {
 public:
  explicit CardMediaDevice(CardMedia& card) : card_(card) {}
  std::uint64_t SectorCount() const override { return card_.Sectors(); }
  IoStatus ReadSectors(std::uint64_t first, std::span<std::uint8_t> buffer) override;
  IoStatus WriteSectors(std::uint64_t first, std::span<const std::uint8_t> data) override;

 private:
  CardMedia& card_;
};

// The sectors [first, first + count) of the card in a reader's slot.
class ReaderCardDevice final : public SectorDevice {
 public:
  ReaderCardDevice(std::weak_ptr<Reader> reader, std::uint64_t first, std::uint64_t count)
      : reader_(std::move(reader)), first_(first), count_(count) {}
  std::uint64_t SectorCount() const override { return count_; }
  IoStatus ReadSectors(std::uint64_t first, std::span<std::uint8_t> buffer) override;
  IoStatus WriteSectors(std::uint64_t first, std::span<const std::uint8_t> data) override;

 private:
  std::weak_ptr<Reader> reader_;
  std::uint64_t first_;
  std::uint64_t count_;
};

}  // namespace machine
