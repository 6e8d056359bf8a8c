// Raw flash cards for tests: the logical volume that a card's reader shows, copied into a host
// file that fsck.fat and mtools can judge.
#pragma once

#include "platform/machine/card_image.h"
#include "platform/machine/fat_partition.h"
#include "platform/machine/testing/fat_images.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

namespace machine::testing {

// Copies the card's logical sectors into a host file named `name` and points at its volume.
inline TestImage LogicalVolumeImage(const CardDescription& card, const std::string& name) {
  const auto path = tarnlok::testing::TestDataHome() / name;
  auto device = OpenCardImage(card);
  EXPECT_TRUE(device.ok());
  if (!device) return {path, 0, FatKind::Fat16};
  std::vector<std::uint8_t> sectors((*device)->SectorCount() * SectorDevice::kSectorSize);
  EXPECT_TRUE((*device)->ReadSectors(0, sectors).ok());
  WriteHostFile(path, sectors);
  const auto extent = FindFatVolume(**device);
  EXPECT_TRUE(extent.ok());
  return {path, extent.ok() ? extent->firstSector * SectorDevice::kSectorSize : 0, FatKind::Fat16};
}

}  // namespace machine::testing
