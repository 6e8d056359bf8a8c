#include "recovery/carve_state.h"

#include "recovery/sector_source.h"

namespace recovery {

void CarveState::BeginRun(const RecoverySettings& runSettings, RecoveryObserver* runObserver, SectorSource* runSource) {
  output.Close();
  settings = runSettings;
  if (!settings.outputFolder.empty() && settings.outputFolder.back() != '\\' && settings.outputFolder.back() != '/')
    settings.outputFolder += '\\';
  observer = runObserver;
  source = runSource;
  recoveredCount = 0;
  filesOfType.fill(0);
  firstNumberOfType.fill(0);
  recoveryStop = false;
  thumbnailCount = 0;
  carveEndLength = 0;
  currentSector = 0;
  openTypeMask = 0;
  openType = -1;
  carveFileOpen = false;
  StartFile(-1);
}

void CarveState::StartFile(int code) {
  openType = code;
  carveKeep = false;
  carveLength = 0;
  pendingTail = 0;
  insideZip = false;
  insideMpeg = false;
  oleOpen = false;
  previewGuard = false;
  rawContainerOpen = false;
  orfHeaderMark = false;
  orfFile = false;
  jfifWalk = false;
  jpegInScan = false;
  oleClass = 0;
  carryLength = 0;
  carveEndLength = 0;
  tiffBigEndian = false;
  tiffIfdSeen = false;
  tiffEndSoFar = 0;
  tiffFirstUnit = 0;
  tiffThumbOffset = tiffThumbLength = tiffMakerNoteOffset = 0;
  makerNikon = makerKodak = makerProBack = makerSony = makerPentax = false;
  midiTracksLeft = midiChunkLength = midiBytesLeft = 0;
  atomBytesLeft = 0;
  pdfEofCount = 0;
  rtfMarkerSeen = false;
  rtfTailCount = 0;
  rtfMarkerLength = 0;
  rtfMarkerEndCount = 0;
}

std::uint32_t CarveState::UnitBytes() const { return source ? source->BytesPerSector() : 512; }

}  // namespace recovery
