// Raw flash cards for tests: the logical volume that a card's reader shows, copied into a host
// file that fsck.fat and mtools can judge.
#pragma once

#include "platform/machine/cards/card_image.h"
#include "platform/machine/fat/fat_partition.h"
#include "platform/machine/testing/fat_images.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace machine::testing {

// Copies the card's logical sectors into a host file named `name` and points at its volume.
inline TestImage LogicalVolumeImage(const CardDescription& card, const std::string& name) {
  const auto path = tarnlok::testing::TestDataHome() / name;
  auto device = OpenCardImage(card);
  EXPECT_TRUE(device.ok());
  if (!device) return {path, 0, FatKind::Fat16};
  constexpr std::uint64_t kChunk = 2048;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  std::vector<std::uint8_t> sectors(kChunk * SectorDevice::kSectorSize);
  for (std::uint64_t first = 0; first < (*device)->SectorCount(); first += kChunk) {
    const auto count = std::min(kChunk, (*device)->SectorCount() - first);
    const auto chunk = std::span(sectors).first(count * SectorDevice::kSectorSize);
    EXPECT_TRUE((*device)->ReadSectors(first, chunk).ok());
    file.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
  }
  file.close();
  const auto extent = FindFatVolume(**device);
  EXPECT_TRUE(extent.ok());
  return {path, extent.ok() ? extent->firstSector * SectorDevice::kSectorSize : 0, FatKind::Fat16};
}

}  // namespace machine::testing
