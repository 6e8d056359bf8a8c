// The recovery engine: one run over a card that the caller has opened and identified.
//
// How a page drives it:
//   CarveState state;                      // held by the page; read it for counts at any time
//   MyObserver observer;                   // progress, current sector, throughput, cancel,
//                                          // read-failure prompt, found files and thumbnails
//   ImageSectorSource or a device road     // SectorSource: the card's sectors
//   RecoveryEngine engine(state, source, observer);
//   RunSummary summary = engine.Run(settings, card);
//
// Run does, in order: refuses an output folder on the card's own drive and creates the folder;
// reads the volume boot sector; on a FAT12/16/32 volume walks the data clusters (the deleted-
// entry pass lists deleted files, free-run tracking finds where the unused part begins), copies
// the deleted files under their names, then scans the unused part sector by sector for the 37
// file types; on any other medium (no FAT, NTFS, raw flash) it scans the whole medium. With
// settings.restoreAllFiles it then copies the files the card still shows (card.visibleRoot).
// Every read is followed by observer.PumpMessages() and observer.CancelRequested(); cancelling
// closes the open carve (kept and cut to its end when its end was found, else deleted).
// Pieces (RawScan, WalkClusters) are public for drivers and tests.
#pragma once

#include "recovery/carve_state.h"
#include "recovery/deleted_entries.h"
#include "recovery/recovery_fat.h"
#include "recovery/recovery_observer.h"
#include "recovery/sector_source.h"

#include <cstdint>
#include <optional>
#include <string>

namespace recovery {

struct CardFacts {
  std::uint64_t volumeStart = 0;  // card sector of the volume boot sector (the hidden sectors)
  std::uint64_t totalSectors = 0;  // sectors from the volume start; 0 takes the source's count
  std::uint32_t sectorsPerRead = 64;  // 64 on NT, 128 on 9x, halved on IDE and PCMCIA; 16 or 32 on raw flash
  char driveLetter = 0;  // the card's drive letter (0: none)
  std::string visibleRoot;  // "E:\" for the copy of the still-visible files
};

// OutOfMemory: a buffer of the walk or the scan could not be had ("Unable to allocate memory").
enum class RunEnd {
  Completed,
  Cancelled,
  Aborted,
  DiskFull,
  OutputOnCard,
  OutputFolderFailed,
  BootSectorUnreadable,
  OutOfMemory
};

struct ScanRange {
  std::uint64_t first = 0;  // card sector
  std::uint64_t count = 0;
};

struct RunSummary {
  RunEnd end = RunEnd::Completed;
  int recoveredCount = 0;
  BootFacts boot;
  std::optional<ScanRange> scanned;  // the raw scan's range, when there was one
  std::uint64_t bytesScanned = 0;
};

class RecoveryEngine {
 public:
  RecoveryEngine(CarveState& state, SectorSource& source, RecoveryObserver& observer);

  RunSummary Run(const RecoverySettings& settings, const CardFacts& card);

  // The cluster walk of a FAT volume: lists deleted entries and answers the range of the raw
  // scan (nullopt: no free run was found, or the run ended; see LastEnd).
  std::optional<ScanRange> WalkClusters(const BootFacts& boot, std::uint64_t volumeStart);
  // The raw scan over a range of card sectors; the open carve is closed at its end.
  RunEnd RawScan(ScanRange range, std::uint32_t sectorsPerRead, const BootFacts* boot = nullptr,
                 std::uint64_t volumeStart = 0);

  const DeletedEntryList& DeletedEntries() const { return deleted_; }
  RunEnd LastEnd() const { return lastEnd_; }
  std::uint64_t BytesScanned() const { return bytesScanned_; }

 private:
  bool Cancelled();
  // False when a sector could not be read; those sectors are then zero, the others hold the card's.
  bool ReadKeepingGoodSectors(std::uint64_t first, std::span<std::uint8_t> buffer);
  // As above, through the read-failure prompt; false when the user aborted the run.
  bool ReadSectors(std::uint64_t first, std::span<std::uint8_t> buffer);
  // The cluster walk, the deleted files' copy and the raw scan; lastEnd_ tells how they ended.
  void WalkAndScan(const CardFacts& card, std::uint64_t volumeSectors, RunSummary& summary);
  void ScanRootDirectory(const BootFacts& boot, std::uint64_t volumeStart);
  FatTable ReadFat(const BootFacts& boot, std::uint64_t volumeStart);

  CarveState& state_;
  SectorSource& source_;
  RecoveryObserver& observer_;
  DeletedEntryList deleted_;
  RunEnd lastEnd_ = RunEnd::Completed;
  bool ignoreAllReadFailures_ = false;
  std::uint64_t bytesScanned_ = 0;
};

}  // namespace recovery
