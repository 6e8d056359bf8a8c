// Judges of a low-level formatted card: its logical volume through the machine's own block map
// (fsck.fat, mtools), and the raw image (the card information structure, bad-block marks, the
// error-correcting code and block address of every written SmartMedia unit).
#pragma once

#include "platform/machine/description/machine_description.h"
#include "platform/machine/testing/fat_images.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pradvik::test_support {

// The volume the reader of PhysicalDrive1 shows, from its master boot record on, as a host file
// (the image's offset is the partition's first sector).
machine::test_support::TestImage CopyLogicalVolume(const std::string& name);

// fsck.fat -n accepts the volume the reader of PhysicalDrive1 shows; a file copied in with
// mtools reads back and leaves it clean. Failures are test failures.
void ExpectSoundLogicalVolume(const std::string& name);

struct SmartMediaLayout {
  std::uint32_t pageSize = 512;
  std::uint32_t pagesPerBlock = 32;
  std::uint32_t blocks = 0;
};

struct SmartMediaReport {
  std::optional<std::uint32_t> cisBlock;  // the first block whose address is 0x0000
  std::vector<std::uint32_t> badBlocks;  // block status other than 0xFF
  std::uint32_t writtenUnits = 0;
};

// Reads the raw image: every written 512-byte unit must carry the right code for both halves
// and one block address, and no two blocks of a zone may carry the same logical address.
SmartMediaReport CheckSmartMediaImage(const std::vector<std::uint8_t>& image, const SmartMediaLayout& layout);

struct StickReport {
  std::vector<std::uint32_t> bootBlocks;
  std::vector<std::uint32_t> badBlocks;
};
// Memory Stick: each block's extra data; logical numbers used at most once.
StickReport CheckStickImage(const std::vector<std::uint8_t>& image, std::uint32_t blocks, std::uint32_t pagesPerBlock);

// A short digest of bytes (FNV-1a, 64-bit) for golden images.
std::uint64_t Digest(const std::vector<std::uint8_t>& bytes);

}  // namespace pradvik::test_support
