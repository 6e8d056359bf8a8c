// Lays a used-space image (the system area of a FAT volume, then one cluster record and the
// cluster's data per used cluster) back onto a card, growing the volume when the card is larger
// by more than a megabyte: the partition and boot sector take the new size, the FAT is sized
// afresh and rebuilt from the records (FAT12 entries turned into FAT16 ones where the volume
// changes type), every cluster lands where the new layout puts it, and on FAT32 the backup boot
// sector and the FSInfo free count follow.
//
// The same walk checks an image without writing anything (no sink): every field it relies on is
// bounded by the card, the volume and the image's length, so a crafted or truncated image is
// refused before the card is touched.
#pragma once

#include "operations/image_source.h"
#include "platform/win/system/types.h"

#include <functional>

namespace tarnlok {

struct UsedSpaceImage {
  win::BYTE fileSystem = 0;  // 1 FAT12, 2 FAT16, 3 FAT32
  bool hasMbr = false;
  win::DWORD volumeStart = 0;
  win::DWORD bytesPerSector = 0;
  win::DWORD usedSectors = 0;
};

enum class UsedSpaceOutcome {
  kRestored,
  kInvalidImage,  // a field the card or the volume cannot hold
  kTruncatedImage,  // the image ends inside a sector, a record or a cluster
  kWriteFailed,
};

// Called with the units done so far and the run's total (sectors of the system area it writes,
// then one per used cluster), to show progress and pump messages.
using UsedSpaceProgress = std::function<void(win::DWORD done, win::DWORD total)>;

// Walks the body from the source's position. sink null: only checks.
UsedSpaceOutcome RestoreUsedSpaceVolume(ImageSource& source, SectorSink* sink, const UsedSpaceImage& image,
                                        win::DWORD cardSectors, const UsedSpaceProgress& progress);

// Sectors of the root directory that a used-space image stores for a FAT12 or FAT16 volume.
win::DWORD StoredRootSectors(win::DWORD rootEntries, win::DWORD bytesPerSector);

}  // namespace tarnlok
