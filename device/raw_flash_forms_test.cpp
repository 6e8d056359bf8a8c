// The raw flash reads in each command form, addressed by SmartMedia page and by Memory Stick
// block: the command-last form of the older readers, the command-first form of the newer ones and
// the 12-byte form of the wide ones, each checked against the machine's flash image.
#include "device/drive_handle.h"
#include "device/reader_commands.h"
#include "device/scsi_transport.h"
#include "device/testing/machine_fixture.h"
#include "platform/machine/testing/machine_testing.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <span>

namespace tarnlok {
namespace {

TEST(VendorCommandForms, TheCommandLastFormCarriesItsAddressInBytesOneToFour) {
  EXPECT_EQ(CommandLastPageCdb(kVendorReadRedundant, 0x123456, 0x0200),
            (VendorCdb{0x00, 0x12, 0x34, 0x56, 0x00, 0x00, 0x02, 0x8B}));
  EXPECT_EQ(CommandLastBlockCdb(kVendorReadPages, 0x0ABC, 5, 0x4000),
            (VendorCdb{0x00, 0x00, 0x05, 0x0A, 0xBC, 0x00, 0x40, 0x85}));
  EXPECT_EQ(CommandLastPageCdb(kVendorReadPages, 0x01000000, 4), (VendorCdb{0x04, 0, 0, 0, 0, 0, 0, 0x85}))
      << "a page number is 24 bits";
}

TEST(VendorCommandForms, TheTwelveByteFormMovesTheSubCommandToByteNine) {
  const WideVendorCdb wide = WideCdb(CommandFirstPageCdb(kVendorReadRedundant, 0x000102, 512));
  EXPECT_EQ(wide, (WideVendorCdb{0x20, 0x00, 0x00, 0x01, 0x02, 0x00, 0x02, 0x00, 0x00, 0x8B, 0x00, 0x00}));
}

TEST(VendorCommandForms, RedundantAreaSizesFollowTheMediaSizeCode) {
  const std::pair<win::DWORD, win::DWORD> sizes[] = {{1, 128}, {2, 128}, {3, 256},  {4, 256}, {5, 512},
                                                     {6, 512}, {8, 512}, {12, 512}, {0, 512}};
  for (const auto& [code, size] : sizes) EXPECT_EQ(RedundantAreaSize(code), size) << code;
}

std::vector<win::BYTE> ReadImage(const char* name) {
  std::ifstream file(tarnlok::test_support::TestDataHome() / name, std::ios::binary);
  return std::vector<win::BYTE>(std::istreambuf_iterator<char>(file), {});
}

// Three readers of each raw flash kind, one per firmware generation, on XP.
class FlashFormsOnMachine : public test_support::MachineDeviceTest {
 protected:
  void SetUp() override {
    Start(R"({ "version": 1, "windows": "xp", "readers": [
      { "bus": "usb", "maker": true, "firmware": "older", "letter": "E", "card": { "kind": "sm", "image": "sm1.img" } },
      { "bus": "usb", "maker": true, "firmware": "newer", "letter": "F", "card": { "kind": "sm", "image": "sm2.img" } },
      { "bus": "usb", "maker": true, "firmware": "wide", "letter": "G", "card": { "kind": "sm", "image": "sm3.img" } },
      { "bus": "usb", "maker": true, "firmware": "older", "letter": "H",
        "card": { "kind": "ms", "image": "ms1.img", "blocks": 512, "pagesPerBlock": 16 } },
      { "bus": "usb", "maker": true, "firmware": "newer", "letter": "I",
        "card": { "kind": "ms", "image": "ms2.img", "blocks": 512, "pagesPerBlock": 16 } },
      { "bus": "usb", "maker": true, "firmware": "wide", "letter": "J",
        "card": { "kind": "ms", "image": "ms3.img", "blocks": 512, "pagesPerBlock": 16 } } ] })",
          7);
  }

  std::vector<win::BYTE> Read(char letter, std::span<const win::BYTE> cdb, std::size_t length, bool* done = nullptr) {
    DriveHandle handle = OpenCardVolume(letter);
    std::vector<win::BYTE> data(length, 0);
    const bool sent = ExecScsiCommand(handle.get(), 0, 0, 0, cdb.data(), static_cast<win::BYTE>(cdb.size()),
                                      data.data(), static_cast<win::DWORD>(length), kScsiDataIn);
    if (done != nullptr) *done = sent;
    EXPECT_TRUE(sent || done != nullptr) << letter;
    return data;
  }

  // SmartMedia code 6: 528-byte pages (512 data, 16 spare), 32 pages a block.
  static std::vector<win::BYTE> Spares(const std::vector<win::BYTE>& image, std::size_t firstPage) {
    std::vector<win::BYTE> spares;
    for (std::size_t page = firstPage; page < firstPage + 32; ++page) {
      const auto at = image.begin() + static_cast<std::ptrdiff_t>(page * 528 + 512);
      spares.insert(spares.end(), at, at + 16);
    }
    return spares;
  }
  static std::vector<win::BYTE> PageData(const std::vector<win::BYTE>& image, std::size_t page) {
    const auto at = image.begin() + static_cast<std::ptrdiff_t>(page * 528);
    return std::vector<win::BYTE>(at, at + 512);
  }
  // Memory Stick: per block 4 bytes of extra data, then its 16 pages.
  static std::vector<win::BYTE> Block(const std::vector<win::BYTE>& image, std::size_t block, std::size_t skip,
                                      std::size_t length) {
    const auto at = image.begin() + static_cast<std::ptrdiff_t>(block * (4 + 16 * 512) + skip);
    return std::vector<win::BYTE>(at, at + static_cast<std::ptrdiff_t>(length));
  }
};

TEST_F(FlashFormsOnMachine, SmartMediaPagesAndSparesInEachReadersForm) {
  constexpr win::DWORD kPage = 32;  // block 1, which holds the volume's first logical block
  const struct {
    char letter;
    const char* image;
  } readers[] = {{'E', "sm1.img"}, {'F', "sm2.img"}, {'G', "sm3.img"}};
  for (const auto& reader : readers) {
    const auto image = ReadImage(reader.image);
    const VendorCdb spares = reader.letter == 'E' ? CommandLastPageCdb(kVendorReadRedundant, kPage, 512)
                                                  : CommandFirstPageCdb(kVendorReadRedundant, kPage, 512);
    const VendorCdb page = reader.letter == 'E' ? CommandLastPageCdb(kVendorReadPages, kPage + 1, 512)
                                                : CommandFirstPageCdb(kVendorReadPages, kPage + 1, 512);
    if (reader.letter == 'G') {
      EXPECT_EQ(Read('G', WideCdb(spares), 512), Spares(image, kPage));
      EXPECT_EQ(Read('G', WideCdb(page), 512), PageData(image, kPage + 1));
    } else {
      EXPECT_EQ(Read(reader.letter, spares, 512), Spares(image, kPage)) << reader.letter;
      EXPECT_EQ(Read(reader.letter, page, 512), PageData(image, kPage + 1)) << reader.letter;
    }
  }
  bool done = true;
  const auto refused = Read('E', CommandFirstPageCdb(kVendorReadRedundant, kPage, 512), 512, &done);
  EXPECT_EQ(refused, std::vector<win::BYTE>(512, 0)) << "the older reader moves nothing for the command-first form";
}

TEST_F(FlashFormsOnMachine, MemoryStickBlocksAndExtraDataInEachReadersForm) {
  constexpr win::WORD kBlock = 3;
  const struct {
    char letter;
    const char* image;
  } readers[] = {{'H', "ms1.img"}, {'I', "ms2.img"}, {'J', "ms3.img"}};
  for (const auto& reader : readers) {
    const auto image = ReadImage(reader.image);
    const bool last = reader.letter == 'H';
    const VendorCdb extra = last ? CommandLastBlockCdb(kVendorReadExtra, kBlock, 0, 4)
                                 : CommandFirstBlockCdb(kVendorReadExtra, kBlock, 0, 4);
    const VendorCdb pages = last ? CommandLastBlockCdb(kVendorReadPages, kBlock, 2, 1024)
                                 : CommandFirstBlockCdb(kVendorReadPages, kBlock, 2, 1024);
    if (reader.letter == 'J') {
      EXPECT_EQ(Read('J', WideCdb(extra), 4), Block(image, kBlock, 0, 4));
      EXPECT_EQ(Read('J', WideCdb(pages), 1024), Block(image, kBlock, 4 + 2 * 512, 1024));
    } else {
      EXPECT_EQ(Read(reader.letter, extra, 4), Block(image, kBlock, 0, 4)) << reader.letter;
      EXPECT_EQ(Read(reader.letter, pages, 1024), Block(image, kBlock, 4 + 2 * 512, 1024)) << reader.letter;
    }
  }
}

}  // namespace
}  // namespace tarnlok
