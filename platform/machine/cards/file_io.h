// Positional transfers on an open image file that move every byte or fail: pread and pwrite may
// stop short, and an interrupted call is simply repeated.
#pragma once

#include <cstdint>
#include <span>

namespace machine {

// Reads data.size() bytes at offset; false when the file ends first or the read fails.
bool ReadAt(int fd, std::span<std::uint8_t> data, std::uint64_t offset);
// Writes data.size() bytes at offset; false when the write fails.
bool WriteAt(int fd, std::span<const std::uint8_t> data, std::uint64_t offset);

}  // namespace machine
