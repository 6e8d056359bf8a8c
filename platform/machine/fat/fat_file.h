// The data of a file: read, written, grown and shrunk through its cluster chain. The short
// entry passed in is the file's current state; writes update its first cluster and size,
// and the caller stores it back.
#pragma once

#include "platform/machine/fat/fat_context.h"
#include "platform/machine/fat/fat_table.h"

#include <cstdint>
#include <span>

namespace machine {

// The largest size a FAT file can have: its size field is 32 bits.
constexpr std::uint64_t kMaxFatFileSize = 0xFFFFFFFF;

// Reads up to buffer.size() bytes from `offset`; answers how many were read (0 at the end).
IoResult<std::size_t> ReadFileData(FatContext& context, FatTable& table, const ShortEntry& file, std::uint64_t offset,
                                   std::span<std::uint8_t> buffer);

// Writes data at `offset`, growing the file (a gap after its end reads as zeros).
// ERROR_DISK_FULL when the clusters or the 4 GB size limit run out, nothing written then.
IoStatus WriteFileData(FatContext& context, FatTable& table, ShortEntry& file, std::uint64_t offset,
                       std::span<const std::uint8_t> data);

// Sets the file's size: clusters past the new end are freed; growth reads as zeros.
IoStatus ResizeFileData(FatContext& context, FatTable& table, ShortEntry& file, std::uint64_t size);

// The clusters of a directory or a file whose chain must be freed whole.
IoStatus FreeFileData(FatTable& table, ShortEntry& file);

}  // namespace machine
