// The record the reader must give for a file, rendered by this test code from what exiftool
// read: the entries of IFD0's chain, then those of the Exif IFD, the last occurrence winning.
#pragma once

#include "exif/testing/exiftool_oracle.h"
#include "exif/record_bytes.h"

#include <cstdint>
#include <string>

namespace viduvod::test_support {

// tiffBase: file offset of the TIFF header (12 in an Exif JPEG, 0 in a TIFF file).
RecordBytes ExpectedRecord(const OracleFile& oracle, std::uint64_t tiffBase);

// Names the fields in which two records differ, for a readable failure.
std::string RecordDifferences(const RecordBytes& expected, const RecordBytes& actual);

}  // namespace viduvod::test_support
