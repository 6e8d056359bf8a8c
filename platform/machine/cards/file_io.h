// Positional transfers on an open image file that move every byte or fail: pread and pwrite may
// stop short, and an interrupted call is simply repeated.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace machine {

struct OpenedImage {
  int fd = -1;
  bool readOnly = false;
  std::string problem;  // why it could not be opened, when fd is -1
};

// Opens a card image for reading and writing, or for reading only when the file or its file
// system refuses writing: a read-only image is a write-protected card, not a missing one.
OpenedImage OpenImage(const std::filesystem::path& path);

// Reads data.size() bytes at offset; false when the file ends first or the read fails.
bool ReadAt(int fd, std::span<std::uint8_t> data, std::uint64_t offset);
// Writes data.size() bytes at offset; false when the write fails.
bool WriteAt(int fd, std::span<const std::uint8_t> data, std::uint64_t offset);

}  // namespace machine
