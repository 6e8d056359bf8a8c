#include "platform/machine/drive_mount.h"

#include "platform/machine/card_sectors.h"
#include "platform/machine/unmountable_volume.h"

#include "platform/win/card_drives.h"
#include "platform/win/last_error.h"

namespace machine {

void DriveMount::Activate(const std::weak_ptr<Reader>& reader, CardMedia* card, bool locked) {
  active_ = true;
  Refresh(reader, card, locked);
}

void DriveMount::Deactivate() {
  if (!active_) return;
  active_ = false;
  Retire(win::ERROR_NOT_READY);
  win::UnmountCardDrive(letter_);
}

void DriveMount::Retire(win::DWORD error) {
  if (volume_) volume_->Retire(error);
  volume_.reset();
  card_ = nullptr;
}

void DriveMount::Refresh(const std::weak_ptr<Reader>& reader, CardMedia* card, bool locked, RefreshCause cause) {
  if (!active_) return;
  if (card == nullptr) {
    Retire(win::ERROR_FILE_INVALID);
    win::UnmountCardDrive(letter_);
    return;
  }
  CardMediaDevice direct(*card);
  const auto extent = FindFatVolume(direct);
  const bool unchanged = volume_ && card == card_ && extent && *extent == extent_;
  if (unchanged && cause == RefreshCause::Reread) {
    volume_->SetLocked(locked);
    return;
  }
  Retire(cause == RefreshCause::Dismount ? win::ERROR_NOT_READY : win::ERROR_FILE_INVALID);
  if (!extent) {
    win::MountCardDrive(letter_, std::make_shared<UnmountableVolume>(extent.error()));
    return;
  }
  volume_ = std::make_shared<FatCardVolume>(
      std::make_shared<ReaderCardDevice>(reader, extent->firstSector, extent->sectorCount));
  volume_->SetLocked(locked);
  card_ = card;
  extent_ = *extent;
  win::MountCardDrive(letter_, volume_);
}

}  // namespace machine
