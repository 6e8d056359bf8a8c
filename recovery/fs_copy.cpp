#include "recovery/fs_copy.h"

#include "platform/win/system/last_error.h"
#include "recovery/carve_files.h"
#include "recovery/recovery_observer.h"
#include "recovery/safe_names.h"
#include "recovery/sector_source.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace recovery {

namespace {

constexpr std::uint32_t kSectorsPerRun = 32;

void Log(CarveState& state, const std::string& text) {
  if (state.observer) state.observer->Log(text);
}

bool Cancelled(CarveState& state) {
  if (!state.observer) return false;
  state.observer->PumpMessages();
  return state.observer->CancelRequested();
}

bool PassesTypeFilter(const CarveState& state, const DeletedEntry& entry) {
  if (state.settings.scanFile) return true;
  std::string ext(entry.extension, 3);
  ext.erase(ext.find_last_not_of(' ') + 1);
  const int code = TypeOfExtension(ext);
  return code >= 0 && state.IsSelected(code);
}

bool ExtensionIsAlphanumeric(const DeletedEntry& entry) {
  return std::all_of(entry.extension, entry.extension + 3,
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

void LogFailure(CarveState& state, const std::string& path, const std::string& message) {
  Log(state, "File :  " + path + "\r\nError Message :" + message + " \r\n");
}

// A write that did not reach the disk ends the file there: the failure is logged once, no more
// of the file is read, and what was written stays as it is, not counted. A full disk also stops
// the run (false); after any other failure the copy goes on with the next file.
bool EndFileAfterFailedWrite(CarveState& state, const CarveOutput& out, WriteStatus status, const std::string& path) {
  LogFailure(state, path, win::SystemErrorText(out.LastError()));
  if (status != WriteStatus::DiskFull) return true;
  StopForFullDisk(state);
  return false;
}

// Copies one entry; false when the run was cancelled or the output disk is full.
bool CopyEntry(CarveState& state, const DeletedEntry& entry, const BootFacts& facts, std::uint64_t volumeStart,
               std::vector<std::uint8_t>& buffer) {
  if (entry.attribute != 0x20 || !ExtensionIsAlphanumeric(entry)) return true;
  const auto name = SafeFileName(std::string_view(entry.name, 8), std::string_view(entry.extension, 3));
  if (!name) return true;
  const std::uint32_t cluster = facts.fileSystem == FileSystem::Fat32
                                    ? (std::uint32_t{entry.clusterHigh} << 16) | entry.clusterLow
                                    : entry.clusterLow;
  const std::string path = FreeTargetPath(state.settings.outputFolder, *name);
  const std::uint32_t bytesPerSector = state.UnitBytes();
  const std::uint64_t sectors = (std::uint64_t{entry.size} + bytesPerSector - 1) / bytesPerSector;
  const std::uint64_t first = volumeStart + facts.ClusterSector(cluster);
  if (cluster < 2 || !state.source || first + sectors > state.source->SectorCount()) {
    LogFailure(state, path, "The entry's data lies outside the card");
    return true;
  }
  if (state.observer) state.observer->OnCopyingFile(*name);
  CarveOutput out;
  if (!out.Create(path)) {
    LogFailure(state, path, "Failed to create or open the above file");
    return true;
  }
  std::uint64_t left = entry.size;
  for (std::uint64_t sector = first; left > 0;) {
    if (Cancelled(state)) {
      out.Discard();
      return false;
    }
    const std::uint32_t run = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(kSectorsPerRun, (left + bytesPerSector - 1) / bytesPerSector));
    const std::span<std::uint8_t> chunk(buffer.data(), std::size_t{run} * bytesPerSector);
    if (!state.source->Read(sector, chunk)) {
      // What could not be read is not recovered: no stand-in of other bytes under its name.
      out.Discard();
      LogFailure(state, path, "Unable to read from the drive.");
      return true;
    }
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
    if (const WriteStatus status = out.Append(chunk.first(take)); status != WriteStatus::Written)
      return EndFileAfterFailedWrite(state, out, status, path);
    left -= take;
    sector += run;
  }
  if (const WriteStatus status = out.Close(); status != WriteStatus::Written)
    return EndFileAfterFailedWrite(state, out, status, path);
  CountRecovered(state);
  const int code = TypeOfExtension(std::string_view(entry.extension, 3));
  ++state.filesOfType[code >= 0 ? code : kTypeCount];
  if (state.observer) state.observer->OnFileRecovered(path, code);
  return true;
}

}  // namespace

bool CopyFsRecoveredEntries(CarveState& state, const DeletedEntryList& list, const BootFacts& facts,
                            std::uint64_t volumeStart) {
  Log(state,
      "Copying the recovered files from file system based recovery entry \r\n" + std::string(65, '-') + " \r\n\r\n");
  if (state.observer && !list.Empty()) state.observer->OnCopyingFiles();
  std::vector<std::uint8_t> buffer(std::size_t{kSectorsPerRun} * state.UnitBytes());
  for (const DeletedEntry& entry : list.Entries()) {
    if (Cancelled(state)) return false;
    if (!PassesTypeFilter(state, entry)) continue;
    if (!CopyEntry(state, entry, facts, volumeStart, buffer)) return false;
    if (state.recoveryStop) return false;
  }
  Log(state, " ************ End of File Copy ************ \r\n\r\n");
  return true;
}

}  // namespace recovery
