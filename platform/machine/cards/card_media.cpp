#include "platform/machine/card_media.h"

#include "platform/machine/file_io.h"
#include "platform/machine/flash_card.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace machine {
CardMedia::CardMedia(const CardDescription& description) : description_(description) {
  for (const auto& fault : description_.faults) faultsLeft_.push_back(fault.times);
  if (IsRawFlash(description_.kind)) {
    flash_ = OpenFlashCard(description_);
    sectors_ = flash_->LogicalSectors();
    return;
  }
  sectors_ = description_.sectors;
  fd_ = ::open(description_.image.c_str(), O_RDWR | O_CLOEXEC);
  if (fd_ < 0) throw MachineDescriptionError("card image " + description_.image.string() + " cannot be opened");
  struct stat status {};
  const std::uint64_t expected = description_.sectors * kSectorSize;
  if (::fstat(fd_, &status) != 0 || static_cast<std::uint64_t>(status.st_size) != expected) {
    const auto held = static_cast<std::uint64_t>(status.st_size) / kSectorSize;
    ::close(fd_);
    throw MachineDescriptionError("card image " + description_.image.string() + " holds " + std::to_string(held) +
                                  " sectors, the description says " + std::to_string(description_.sectors));
  }
}

CardMedia::~CardMedia() {
  if (fd_ >= 0) ::close(fd_);
}

void CardMedia::CountCommand() {
  ++commands_;
  if (description_.pulledAfterCommands && commands_ >= *description_.pulledAfterCommands) present_ = false;
}

MediaResult CardMedia::CheckRange(std::uint64_t firstSector, std::size_t bytes) const {
  if (!present_) return MediaResult::NoMedium;
  const std::uint64_t count = bytes / kSectorSize;
  if (bytes % kSectorSize != 0 || firstSector > Sectors() || count > Sectors() - firstSector) {
    return MediaResult::OutOfRange;
  }
  return MediaResult::Ok;
}

std::optional<std::uint64_t> CardMedia::TakeFault(FaultOperation operation, std::uint64_t firstSector,
                                                  std::uint64_t count) {
  std::optional<std::size_t> firing;
  for (std::size_t i = 0; i < description_.faults.size(); ++i) {
    const Fault& fault = description_.faults[i];
    if (fault.operation != operation || !fault.sector) continue;
    if (*fault.sector < firstSector || *fault.sector - firstSector >= count) continue;
    if (fault.times != 0 && faultsLeft_[i] == 0) continue;
    if (!firing || *fault.sector < *description_.faults[*firing].sector) firing = i;
  }
  if (!firing) return std::nullopt;
  if (description_.faults[*firing].times != 0) --faultsLeft_[*firing];
  return *description_.faults[*firing].sector;
}

MediaResult CardMedia::Read(std::uint64_t firstSector, std::span<std::uint8_t> data, std::size_t* moved) {
  if (moved != nullptr) *moved = 0;
  if (const auto range = CheckRange(firstSector, data.size()); range != MediaResult::Ok) return range;
  const auto fault = TakeFault(FaultOperation::Read, firstSector, data.size() / kSectorSize);
  const std::size_t good = fault ? (*fault - firstSector) * kSectorSize : data.size();
  if (const auto result = ReadSectors(firstSector, data.first(good)); result != MediaResult::Ok) return result;
  if (moved != nullptr) *moved = good;
  return fault ? MediaResult::ReadFault : MediaResult::Ok;
}

MediaResult CardMedia::Write(std::uint64_t firstSector, std::span<const std::uint8_t> data, std::size_t* moved) {
  if (moved != nullptr) *moved = 0;
  if (const auto range = CheckRange(firstSector, data.size()); range != MediaResult::Ok) return range;
  if (WriteProtected()) return MediaResult::WriteProtected;
  const auto fault = TakeFault(FaultOperation::Write, firstSector, data.size() / kSectorSize);
  const std::size_t good = fault ? (*fault - firstSector) * kSectorSize : data.size();
  if (const auto result = WriteSectors(firstSector, data.first(good)); result != MediaResult::Ok) return result;
  if (moved != nullptr) *moved = good;
  return fault ? MediaResult::WriteFault : MediaResult::Ok;
}

MediaResult CardMedia::ReadSectors(std::uint64_t firstSector, std::span<std::uint8_t> data) {
  if (flash_) return flash_->ReadLogical(firstSector, data);
  return ReadAt(fd_, data, firstSector * kSectorSize) ? MediaResult::Ok : MediaResult::ReadFault;
}

MediaResult CardMedia::WriteSectors(std::uint64_t firstSector, std::span<const std::uint8_t> data) {
  if (flash_) return flash_->WriteLogical(firstSector, data);
  return WriteAt(fd_, data, firstSector * kSectorSize) ? MediaResult::Ok : MediaResult::WriteFault;
}

}  // namespace machine
