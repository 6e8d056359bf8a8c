// What every carve writer shares: naming, opening, appending, finishing and closing the output
// file, and the thumbnails of recovered pictures.
#pragma once

#include "recovery/carve_state.h"
#include "recovery/recovery_observer.h"

#include <string>
#include <string_view>

namespace recovery {

// Looks for files folder + prefix + "*." + ext; name becomes prefix, the five-digit number after
// the highest one found (1 in an empty folder), a dot and ext. firstNumber takes that number when
// it is 0. Answers 1 when at least one file matched, else 0.
int NextNumberedName(const std::string& folder, const std::string& prefix, std::string_view ext, std::string& name,
                     int& firstNumber);

// The full path of the next file of type code: the first of the run gets the next free number of
// the folder, later ones the first number plus the type's kept count.
std::string NumberedPath(CarveState& state, int code);

// Creates the output file of a header of type code named as type nameCode (ORF for Olympus TIFF
// headers, PPT for compound documents); false (nothing open) when it cannot be created.
bool OpenCarvedFile(CarveState& state, int code, int nameCode);

// The output disk is full: sets recoveryStop and tells the observer, once a run.
void StopForFullDisk(CarveState& state);

// Appends to the open file; a full output disk stops the run (StopForFullDisk), any other write
// failure leaves the file short, and it is then not counted.
void WriteCarved(CarveState& state, Unit bytes);

// Closes the open file: kept (cut back to the last end marker for GIF and Exif JPEG) when its
// writer found its end, deleted otherwise; after a full disk left as written, uncounted. Nothing
// happens when no file is open.
void CloseCarvedFile(CarveState& state);

// Closes the open file for keeping and answers its path; the file is not yet counted.
std::string CloseKeptFile(CarveState& state);
// Counts a kept file as type countCode, tells the observer and adds its thumbnail; nothing when
// some of its bytes could not be written.
void ReportKeptFile(CarveState& state, const std::string& path, int countCode);

// A writer found the end: the file is closed, kept and counted as type countCode.
void FinishCarvedFile(CarveState& state, int countCode);

// Adds one to the total of recovered files and shows it.
void CountRecovered(CarveState& state, int delta = 1);

// Tells the observer of a kept file and, for pictures when thumbnails are on, its thumbnail.
// kind is the image loader's kind, -1 for no thumbnail.
void AddRecoveryThumbnail(CarveState& state, const std::string& path, int kind);

// The image loader's kind for pictures of type code (0 BMP ... 5 TIFF), -1 for other types.
int PictureKind(int code);

// The 80 x 80 placement of a picture of the given size (the size limited to 32..80, centred).
Thumbnail PlaceThumbnail(int pictureWidth, int pictureHeight);

}  // namespace recovery
