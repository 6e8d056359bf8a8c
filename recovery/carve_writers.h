// The carve writers: each takes the next unit of the open file, writes what belongs to the file
// and decides, by its own end rule, when the file is complete.
#pragma once

#include "recovery/carve_state.h"

namespace recovery {

// Files whose header gives their length (carveLength counts the bytes still to copy).
void LengthFromHeaderWriter(CarveState& state, Unit unit);

// Compound documents: the length estimated at the header from the last FAT sector, the class
// (Word, Excel) from the text; finished documents are renamed to DOC or XLS.
void EstimateOleLength(CarveState& state, Unit header);
void OleDocumentWriter(CarveState& state, Unit unit);

// GIF and JPEG files copied until the next header or 10 MiB and cut to the last end marker.
void JpegGifDispatcher(CarveState& state, Unit unit);
void GifWriter(CarveState& state, Unit unit);
void ExifJpegWriter(CarveState& state, Unit unit);
// JFIF files walked segment by segment to the end of the scan data.
void JfifJpegWriter(CarveState& state, Unit unit);
// X3F files end with their section directory.
void X3fWriter(CarveState& state, Unit unit);

// MP3 files end with their ID3 version 1 block.
void Mp3Writer(CarveState& state, Unit unit);

// TIFF and the TIFF-structured camera files: the end from the image directories; false when the
// directory walk refuses the file.
bool CarveTiff(CarveState& state, Unit unit);

// MIDI by its track chunks, QuickTime by its atoms, CRW by the heap's root directory.
void CarveMidi(CarveState& state, Unit unit, bool firstCall);
void CarveQuickTime(CarveState& state, Unit unit);
void CarveCrw(CarveState& state, Unit unit);

// End-marker formats.
void CarveZip(CarveState& state, Unit unit);
void CarveMpeg(CarveState& state, Unit unit);
void CarvePdf(CarveState& state, Unit unit);
void CarveAsx(CarveState& state, Unit unit);
void CarvePng(CarveState& state, Unit unit);
void CarveDoc(CarveState& state, Unit unit);
void CarveRtf(CarveState& state, Unit unit);

}  // namespace recovery
