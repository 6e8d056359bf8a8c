#include "platform/machine/drive_mount.h"

#include "platform/machine/card_sectors.h"
#include "platform/machine/fat_partition.h"
#include "platform/machine/unmountable_volume.h"

#include "platform/win/card_drives.h"

namespace machine {

void DriveMount::Activate(const std::weak_ptr<Reader>& reader, CardMedia* card, bool locked) {
  active_ = true;
  Refresh(reader, card, locked);
}

void DriveMount::Deactivate() {
  if (!active_) return;
  active_ = false;
  volume_.reset();
  win::UnmountCardDrive(letter_);
}

void DriveMount::Refresh(const std::weak_ptr<Reader>& reader, CardMedia* card, bool locked) {
  if (!active_) return;
  volume_.reset();
  if (card == nullptr) {
    win::UnmountCardDrive(letter_);
    return;
  }
  CardMediaDevice direct(*card);
  const auto extent = FindFatVolume(direct);
  if (!extent) {
    win::MountCardDrive(letter_, std::make_shared<UnmountableVolume>(extent.error()));
    return;
  }
  volume_ = std::make_shared<FatCardVolume>(
      std::make_shared<ReaderCardDevice>(reader, extent->firstSector, extent->sectorCount));
  volume_->SetLocked(locked);
  win::MountCardDrive(letter_, volume_);
}

}  // namespace machine
