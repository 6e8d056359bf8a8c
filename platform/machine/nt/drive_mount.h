// What a reader's drive letter shows while the machine is installed: the card's FAT volume
// (FatCardVolume over the card's sectors through the reader), the reason a card holds none
// (ERROR_UNRECOGNIZED_VOLUME for an unformatted card), or, without a card, no volume at all
// (the removable letter answers ERROR_NOT_READY). The reader finds the volume afresh each time
// it reads the card's partition table again. A volume that is still the same card's same
// extent stays (its open files keep working, as after a volume handle is closed on Windows);
// one that leaves is retired, so that files opened on it fail: ERROR_NOT_READY after a
// dismount, ERROR_FILE_INVALID when its card left or its extent moved.
#pragma once

#include "platform/machine/card_media.h"
#include "platform/machine/fat_card_volume.h"
#include "platform/machine/fat_partition.h"

#include <memory>

namespace machine {

class Reader;

// Why the volume is looked for again: a read of the partition table, or FSCTL_DISMOUNT_VOLUME,
// which retires the volume even when it is still there.
enum class RefreshCause { Reread, Dismount };

class DriveMount {
 public:
  explicit DriveMount(char letter) : letter_(letter) {}
  DriveMount(const DriveMount&) = delete;
  DriveMount& operator=(const DriveMount&) = delete;

  // Starts showing volumes on the letter, finding the card's volume now; or stops, leaving
  // the letter without a volume.
  void Activate(const std::weak_ptr<Reader>& reader, CardMedia* card, bool locked);
  void Deactivate();
  // Finds the card's volume again (card: the card the reader reaches, null when none); locked
  // while a handle holds the volume's lock, so that no file opens before it is released.
  void Refresh(const std::weak_ptr<Reader>& reader, CardMedia* card, bool locked,
               RefreshCause cause = RefreshCause::Reread);

  // The FAT volume on the letter; null when none is mounted.
  std::shared_ptr<FatCardVolume> Volume() const { return volume_; }

 private:
  // Retires the mounted volume, if any, with the error its open files get from now on.
  void Retire(win::DWORD error);

  char letter_;
  bool active_ = false;
  std::shared_ptr<FatCardVolume> volume_;
  // The card and extent the mounted volume was found on.
  const CardMedia* card_ = nullptr;
  VolumeExtent extent_;
};

}  // namespace machine
