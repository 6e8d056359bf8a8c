// The sectors of the FAT volume the low-level format lays down, by media size code: the master
// boot record with its one partition, the boot record with its parameter block, and the first
// sector of a FAT.
#pragma once

#include "formatlib/flash/media_geometry.h"

#include <array>
#include <cstdint>

namespace pradvik {

using Sector = std::array<std::uint8_t, 512>;

// bootCode puts the x86 boot loader into bytes 0 to 445.
Sector BuildMasterBootRecord(const MediaGeometry& geometry, bool bootCode);
// extendedSignature: 0x29 at byte 38 (Memory Stick).
Sector BuildBootRecord(const MediaGeometry& geometry, bool extendedSignature);
// 0xF8 0xFF 0xFF, and a fourth 0xFF on FAT16.
Sector BuildFirstFatSector(const MediaGeometry& geometry);

}  // namespace pradvik
