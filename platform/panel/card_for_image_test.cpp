// The card an image file makes: its size for plain cards, its model for SmartMedia.
#include "platform/panel/card_for_image.h"

#include "platform/machine/flash/flash_geometry.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace machine {
namespace {

std::filesystem::path ImageOf(const std::string& name, std::uint64_t bytes) {
  const auto path = tarnlok::test_support::TestDataHome() / name;
  std::ofstream(path, std::ios::binary).close();
  std::filesystem::resize_file(path, bytes);
  return path;
}

ReaderDescription SmartMediaReader(std::uint8_t deviceCode) {
  ReaderDescription reader;
  reader.card.kind = CardKind::SmartMedia;
  reader.card.smartMediaDeviceCode = deviceCode;
  return reader;
}

TEST(CardForImage, ASmartMediaImageTellsItsModelBySize) {
  const std::uint64_t twoMegabytes = SmartMediaGeometry(0x64)->ImageBytes();
  const auto image = ImageOf("two-mb-sm.img", twoMegabytes);
  // A 32 MB reader's model does not fit: the first model of that size is taken.
  EXPECT_EQ(CardForImage(SmartMediaReader(0x75), image).smartMediaDeviceCode, 0x64);
  // Where the reader's model has the image's size, it stays.
  EXPECT_EQ(CardForImage(SmartMediaReader(0xEA), image).smartMediaDeviceCode, 0xEA);
  // No model has this size: the reader's is kept, for the card to refuse the image by name.
  const auto odd = ImageOf("odd-sm.img", twoMegabytes + 512);
  EXPECT_EQ(CardForImage(SmartMediaReader(0x75), odd).smartMediaDeviceCode, 0x75);
  // A new name is a fresh card of the reader's model.
  EXPECT_EQ(
      CardForImage(SmartMediaReader(0x6E), tarnlok::test_support::TestDataHome() / "none.img").smartMediaDeviceCode,
      0x6E);
}

}  // namespace
}  // namespace machine
