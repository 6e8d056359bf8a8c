// What a reader's drive letter shows while the machine is installed: the card's FAT volume
// (FatCardVolume over the card's sectors through the reader), the reason a card holds none
// (ERROR_UNRECOGNIZED_VOLUME for an unformatted card), or, without a card, no volume at all
// (the removable letter answers ERROR_NOT_READY). The reader finds the volume afresh each time
// it reads the card's partition table again.
#pragma once

#include "platform/machine/card_media.h"
#include "platform/machine/fat_card_volume.h"

#include <memory>

namespace machine {

class Reader;

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
  void Refresh(const std::weak_ptr<Reader>& reader, CardMedia* card, bool locked);

  // The FAT volume on the letter; null when none is mounted.
  std::shared_ptr<FatCardVolume> Volume() const { return volume_; }

 private:
  char letter_;
  bool active_ = false;
  std::shared_ptr<FatCardVolume> volume_;
};

}  // namespace machine
