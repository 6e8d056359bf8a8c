// What exiftool reads from a file, as the independent judge of the reader: every IFD entry
// that `exiftool -n -v3` lists, with its directory, tag, format, count and raw value bytes.
#pragma once

#include "exif/tiff_data.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace viduvod::test_support {

struct OracleEntry {
  std::string directory;  // "IFD0", "IFD1", "ExifIFD", "InteropIFD", ...
  std::uint16_t tag = 0;
  std::string format;  // exiftool's format name: int16u, string, rational64u, undef, ...
  std::uint32_t count = 0;
  std::uint64_t dataAt = 0;  // file offset of the value's bytes
  std::vector<std::uint8_t> bytes;  // the value's bytes in file order (the first 96 or so)
};

struct OracleFile {
  ByteOrder order = ByteOrder::Undecided;
  std::vector<OracleEntry> entries;  // in exiftool's order
};

OracleFile ReadWithExiftool(const std::filesystem::path& file);

// Output of a shell command; fails the test when it cannot run or exits non-zero.
std::string RunCommand(const std::string& command);
// Quotes a path for the shell.
std::string Quoted(const std::filesystem::path& path);

}  // namespace viduvod::test_support
