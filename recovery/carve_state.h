// The carve state: everything the raw scan, the header tests and the carve writers share during
// one recovery run, held as one object by the page that shows the run. The run resets it with
// BeginRun before the scan; StartFile clears every per-file field when a header opens a file,
// so nothing one file left behind steers the next.
#pragma once

#include "recovery/carve_output.h"
#include "recovery/file_types.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace recovery {

class RecoveryObserver;
class SectorSource;

// What the user chose in the recovery settings, as the run reads them at its start.
struct RecoverySettings {
  std::string outputFolder;  // ends in a backslash once BeginRun has seen it
  std::string prefix;  // file-name prefix of carved files
  std::uint64_t typeSelection = kDefaultTypeSelection;
  bool showThumbnails = true;
  bool restoreAllFiles = false;  // copy the still-visible files too
  bool scanFile = false;  // the "Scan File" value: the deleted-entry pass keeps every extension
};

// One unit of the raw scan: a card sector.
using Unit = std::span<const std::uint8_t>;

struct CarveState {
  // Run-wide.
  RecoverySettings settings;
  RecoveryObserver* observer = nullptr;
  SectorSource* source = nullptr;
  int recoveredCount = 0;
  std::array<int, kTypeCount + 1> filesOfType{};  // the last entry counts other files (visible copy)
  std::array<int, kTypeCount> firstNumberOfType{};
  bool recoveryStop = false;
  int thumbnailCount = 0;
  std::uint32_t carveEndLength = 0;  // GIF and Exif JPEG: length up to the last end marker
  std::uint64_t currentSector = 0;  // card sector of the unit in hand

  // The open file.
  CarveOutput output;
  std::uint64_t openTypeMask = 0;
  int openType = -1;
  bool carveFileOpen = false;
  bool carveKeep = false;
  std::uint32_t carveLength = 0;
  std::uint32_t pendingTail = 0;  // bytes of an end record still to copy from the next units

  // Header-test marks.
  bool insideZip = false;
  bool insideMpeg = false;
  bool oleOpen = false;
  bool previewGuard = false;
  bool rawContainerOpen = false;  // a camera file whose embedded preview must not end it
  bool kodakDcMark = false;
  bool orfHeaderMark = false;
  bool orfFile = false;

  // Writers' own fields.
  bool jfifWalk = false;
  bool jpegInScan = false;
  std::uint8_t oleClass = 0;
  std::array<std::uint8_t, 32> carry{};  // last bytes of the previous unit, for markers across units
  std::size_t carryLength = 0;

  bool tiffBigEndian = false;
  bool tiffIfdSeen = false;
  std::uint32_t tiffEndSoFar = 0;
  std::uint64_t tiffFirstUnit = 0;
  std::uint32_t tiffThumbOffset = 0, tiffThumbLength = 0, tiffMakerNoteOffset = 0;
  bool makerNikon = false, makerKodak = false, makerProBack = false, makerSony = false, makerPentax = false;

  std::uint32_t midiTracksLeft = 0, midiChunkLength = 0, midiBytesLeft = 0;
  std::uint64_t atomBytesLeft = 0;
  std::uint32_t pdfEofCount = 0;
  bool rtfMarkerSeen = false;
  std::uint32_t rtfTailCount = 0;
  std::uint32_t rtfMarkerLength = 0;  // file length up to the end of the marker met
  std::uint32_t rtfMarkerEndCount = 0;  // the marker's own length (7 or 6)

  // Clears the run's counters and every per-file field; adds the folder's backslash.
  void BeginRun(const RecoverySettings& runSettings, RecoveryObserver* runObserver, SectorSource* runSource);
  // Clears the per-file fields when a header opens a file of type code.
  void StartFile(int code);
  bool IsSelected(int code) const { return (settings.typeSelection & TypeBit(code)) != 0; }
  std::uint32_t UnitBytes() const;
};

}  // namespace recovery
