#include "formatlib/testing/flash_checks.h"

#include "formatlib/flash/smartmedia_ecc.h"

#include "platform/machine/testing/fat_images.h"
#include "tests/support/test_data_folder.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <filesystem>
#include <set>

namespace pradvik::test_support {

namespace {

// fsck.fat 4.2 takes the label field of a boot record without the extended boot signature
// (SmartMedia's, a DOS 3.31 parameter block) for an invalid label. That one remark is expected;
// the volume is then judged again with the signature set on a copy, which must be clean.
void ExpectCleanFsck(const machine::test_support::TestImage& image) {
  std::vector<std::uint8_t> bytes = machine::test_support::ReadHostFile(image.path);
  ASSERT_GT(bytes.size(), image.offset + 38);
  if (bytes[image.offset + 38] == 0x29) {
    const auto checked = machine::test_support::CheckWithFsck(image);
    EXPECT_EQ(checked.status, 0) << checked.output;
    return;
  }
  const auto remarked = machine::test_support::CheckWithFsck(image);
  EXPECT_NE(remarked.output.find("Label '' stored in boot sector is not valid."), std::string::npos) << remarked.output;
  bytes[image.offset + 38] = 0x29;
  machine::test_support::TestImage signed_ = image;
  signed_.path += ".signed";
  machine::test_support::WriteHostFile(signed_.path, bytes);
  const auto checked = machine::test_support::CheckWithFsck(signed_);
  EXPECT_EQ(checked.status, 0) << checked.output;
}

}  // namespace

// The volume the reader shows through its physical drive, as a sparse host file: the sectors up
// to the first clusters are copied (an empty volume holds nothing beyond them), the rest is
// left to read as zeros.
machine::test_support::TestImage CopyLogicalVolume(const std::string& name) {
  machine::test_support::TestImage image{tarnlok::test_support::TestDataHome() / name, 0,
                                         machine::test_support::FatKind::Fat16};
  const win::HANDLE drive =
      win::CreateFileA("\\\\.\\PhysicalDrive1", win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                       nullptr, win::OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(drive, win::INVALID_HANDLE_VALUE);
  std::vector<std::uint8_t> head(512);
  win::DWORD read = 0;
  win::ReadFile(drive, head.data(), 512, &read, nullptr);
  const std::uint32_t start =
      win::ReadLe32(head, win::partition_table::kFirstEntry + win::partition_table::kFirstSector);
  const std::uint32_t count =
      win::ReadLe32(head, win::partition_table::kFirstEntry + win::partition_table::kSectorCount);
  constexpr std::uint32_t kCopiedSectors = 2048;
  head.resize(std::size_t{start + std::min(count, kCopiedSectors)} * 512);
  win::ReadFile(drive, head.data() + 512, static_cast<win::DWORD>(head.size() - 512), &read, nullptr);
  win::CloseHandle(drive);
  machine::test_support::WriteHostFile(image.path, head);
  std::filesystem::resize_file(image.path, (std::uint64_t{start} + count) * 512);
  image.offset = std::uint64_t{start} * 512;
  return image;
}

void ExpectSoundLogicalVolume(const std::string& name) {
  const auto image = CopyLogicalVolume(name);
  ExpectCleanFsck(image);
  const auto source = tarnlok::test_support::TestDataHome() / (name + ".txt");
  machine::test_support::WriteHostFile(source, machine::test_support::Pattern(5000, 7));
  machine::test_support::PutWithMtools(image, source, "::/PHOTO.TXT");
  EXPECT_EQ(machine::test_support::ReadWithMtools(image, "::/PHOTO.TXT").size(), 5000U);
  ExpectCleanFsck(image);
}

SmartMediaReport CheckSmartMediaImage(const std::vector<std::uint8_t>& image, const SmartMediaLayout& layout) {
  SmartMediaReport report;
  const std::uint32_t spare = layout.pageSize == 256 ? 8 : 16;
  const std::uint32_t pageBytes = layout.pageSize + spare;
  const std::uint32_t pagesPerUnit = 512 / layout.pageSize;
  const std::uint32_t unitsPerBlock = layout.pagesPerBlock / pagesPerUnit;
  EXPECT_EQ(image.size(), std::size_t{layout.blocks} * layout.pagesPerBlock * pageBytes);
  std::map<std::pair<std::uint32_t, std::uint16_t>, std::uint32_t> owners;
  for (std::uint32_t block = 0; block < layout.blocks; ++block) {
    std::optional<std::uint16_t> blockAddress;
    bool bad = false;
    for (std::uint32_t unit = 0; unit < unitsPerBlock; ++unit) {
      std::array<std::uint8_t, 512> data{};
      std::array<std::uint8_t, 16> redundant{};
      for (std::uint32_t part = 0; part < pagesPerUnit; ++part) {
        const std::size_t at = (std::size_t{block} * layout.pagesPerBlock + unit * pagesPerUnit + part) * pageBytes;
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(at), layout.pageSize,
                    data.begin() + part * layout.pageSize);
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(at + layout.pageSize), spare,
                    redundant.begin() + part * spare);
      }
      if (redundant[5] != 0xFF) bad = true;
      const bool erased = std::all_of(data.begin(), data.end(), [](std::uint8_t b) { return b == 0xFF; }) &&
                          std::all_of(redundant.begin(), redundant.end(), [](std::uint8_t b) { return b == 0xFF; });
      if (erased || bad) continue;
      ++report.writtenUnits;
      const EccBytes first = CalcSmartMediaEcc(std::span(data).first<256>());
      const EccBytes second = CalcSmartMediaEcc(std::span(data).last<256>());
      EXPECT_EQ(redundant[13], first.y) << "block " << block << " unit " << unit;
      EXPECT_EQ(redundant[14], first.x) << "block " << block << " unit " << unit;
      EXPECT_EQ(redundant[15], first.z) << "block " << block << " unit " << unit;
      EXPECT_EQ(redundant[8], second.y) << "block " << block << " unit " << unit;
      EXPECT_EQ(redundant[9], second.x) << "block " << block << " unit " << unit;
      EXPECT_EQ(redundant[10], second.z) << "block " << block << " unit " << unit;
      const std::uint16_t address = win::ReadBe16(redundant, 6);
      EXPECT_EQ(address, win::ReadBe16(redundant, 11)) << "block " << block;
      if (blockAddress) {
        EXPECT_EQ(*blockAddress, address) << "block " << block << " carries two addresses";
      }
      blockAddress = address;
    }
    if (bad) {
      report.badBlocks.push_back(block);
      continue;
    }
    if (!blockAddress) continue;
    if (*blockAddress == 0x0000) {
      if (!report.cisBlock) report.cisBlock = block;
      continue;
    }
    EXPECT_EQ(*blockAddress & 0xF000, 0x1000) << "block " << block;
    EXPECT_EQ(__builtin_popcount(*blockAddress) % 2, 0) << "block " << block << ": odd parity";
    const auto [it, fresh] = owners.emplace(std::make_pair(block / 1024, *blockAddress), block);
    EXPECT_TRUE(fresh) << "blocks " << it->second << " and " << block << " share an address";
  }
  return report;
}

StickReport CheckStickImage(const std::vector<std::uint8_t>& image, std::uint32_t blocks, std::uint32_t pagesPerBlock) {
  StickReport report;
  const std::size_t blockBytes = 4 + std::size_t{pagesPerBlock} * 512;
  EXPECT_EQ(image.size(), blocks * blockBytes);
  std::set<std::uint16_t> logical;
  for (std::uint32_t block = 0; block < blocks && (block + 1) * blockBytes <= image.size(); ++block) {
    const std::uint8_t* extra = image.data() + block * blockBytes;
    if ((extra[0] & 0x80) == 0) {
      report.badBlocks.push_back(block);
      continue;
    }
    if ((extra[1] & 0x04) == 0) {
      report.bootBlocks.push_back(block);
      continue;
    }
    const std::uint16_t number = win::ReadBe16(std::span(extra, 4), 2);
    if (number == 0xFFFF) continue;
    EXPECT_TRUE(logical.insert(number).second) << "logical block " << number << " twice, again at " << block;
  }
  return report;
}

std::uint64_t Digest(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t hash = 1469598103934665603ULL;
  for (const std::uint8_t byte : bytes) {
    hash ^= byte;
    hash *= 1099511628211ULL;
  }
  return hash;
}

}  // namespace pradvik::test_support
