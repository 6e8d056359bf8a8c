#include "recovery/recovery_engine.h"

#include "platform/win/files/files.h"
#include "recovery/carve_files.h"
#include "recovery/fs_copy.h"
#include "recovery/safe_names.h"
#include "recovery/visible_copy.h"

#include <new>
#include <vector>

namespace recovery {

RecoveryEngine::RecoveryEngine(CarveState& state, SectorSource& source, RecoveryObserver& observer)
    : state_(state), source_(source), observer_(observer) {}

bool RecoveryEngine::Cancelled() {
  observer_.PumpMessages();
  if (!observer_.CancelRequested()) return false;
  lastEnd_ = RunEnd::Cancelled;
  return true;
}

void RecoveryEngine::WalkAndScan(const CardFacts& card, std::uint64_t volumeSectors, RunSummary& summary) {
  std::optional<ScanRange> range;
  if (summary.boot.IsFat()) {
    range = WalkClusters(summary.boot, card.volumeStart);
    if (lastEnd_ == RunEnd::Completed && !deleted_.Empty() &&
        !CopyFsRecoveredEntries(state_, deleted_, summary.boot, card.volumeStart))
      lastEnd_ = state_.recoveryStop ? RunEnd::DiskFull : RunEnd::Cancelled;
  } else {
    // No file system to walk: the whole medium is the unused part.
    range = ScanRange{card.volumeStart, volumeSectors};
  }
  if (lastEnd_ == RunEnd::Completed && range) {
    summary.scanned = range;
    lastEnd_ = RawScan(*range, card.sectorsPerRead, summary.boot.IsFat() ? &summary.boot : nullptr, card.volumeStart);
  }
}

RunSummary RecoveryEngine::Run(const RecoverySettings& settings, const CardFacts& card) {
  RunSummary summary;
  lastEnd_ = RunEnd::Completed;
  ignoreAllReadFailures_ = false;
  bytesScanned_ = 0;
  deleted_.Clear();
  // Nothing recovered may land on the card that is being recovered.
  if (card.driveLetter != 0 && PathIsOnDrive(settings.outputFolder, card.driveLetter)) {
    summary.end = RunEnd::OutputOnCard;
    return summary;
  }
  state_.BeginRun(settings, &observer_, &source_);
  std::string folder = state_.settings.outputFolder;
  folder.pop_back();
  if (folder.empty() || (!win::CreateDirectoryA(folder.c_str(), nullptr) &&
                         !(win::GetFileAttributesA(folder.c_str()) & win::FILE_ATTRIBUTE_DIRECTORY))) {
    summary.end = RunEnd::OutputFolderFailed;
    return summary;
  }

  std::vector<std::uint8_t> boot(source_.BytesPerSector());
  if (!source_.Read(card.volumeStart, boot)) {
    summary.end = RunEnd::BootSectorUnreadable;
    return summary;
  }
  const std::uint64_t available =
      source_.SectorCount() > card.volumeStart ? source_.SectorCount() - card.volumeStart : 0;
  const std::uint64_t volumeSectors = card.totalSectors != 0 ? std::min(card.totalSectors, available) : available;
  summary.boot = ReadBootSector(boot, static_cast<std::uint32_t>(std::min<std::uint64_t>(volumeSectors, UINT32_MAX)));

  try {
    WalkAndScan(card, volumeSectors, summary);
  } catch (const std::bad_alloc&) {
    // The run's buffers are sized by the card; one that cannot be had ends the run, told.
    lastEnd_ = RunEnd::OutOfMemory;
  }
  if (lastEnd_ == RunEnd::Completed && settings.restoreAllFiles && !card.visibleRoot.empty()) {
    observer_.OnCopyingFiles();
    std::string root = card.visibleRoot;
    if (root.back() != '\\') root += '\\';
    CopyVisibleFiles(state_, root + "*.*", state_.settings.outputFolder);
  }
  CloseCarvedFile(state_);
  summary.end = lastEnd_;
  summary.recoveredCount = state_.recoveredCount;
  summary.bytesScanned = bytesScanned_;
  return summary;
}

}  // namespace recovery
