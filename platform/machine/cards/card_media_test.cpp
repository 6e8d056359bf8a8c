#include "platform/machine/cards/card_media.h"

#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <numeric>

namespace machine {
namespace {

CardDescription MakeCard(std::uint64_t sectors, std::vector<Fault> faults = {}) {
  CardDescription card;
  card.kind = CardKind::CompactFlash;
  card.sectors = sectors;
  card.image = tarnlok::test_support::TestDataHome() / "card.img";
  card.faults = std::move(faults);
  std::vector<char> bytes(sectors * kSectorSize);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i / kSectorSize);
  std::ofstream(card.image, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return card;
}

TEST(CardMedia, ReadsAndWritesWholeSectorsOfTheImage) {
  CardMedia media(MakeCard(16));
  std::vector<std::uint8_t> two(2 * kSectorSize);
  ASSERT_EQ(media.Read(14, two), MediaResult::Ok);
  EXPECT_EQ(two[0], 14);
  EXPECT_EQ(two[kSectorSize], 15);

  std::vector<std::uint8_t> pattern(kSectorSize);
  std::iota(pattern.begin(), pattern.end(), std::uint8_t{7});
  ASSERT_EQ(media.Write(3, pattern), MediaResult::Ok);
  std::vector<std::uint8_t> back(kSectorSize);
  ASSERT_EQ(media.Read(3, back), MediaResult::Ok);
  EXPECT_EQ(back, pattern);
}

TEST(CardMedia, RefusesTransfersOutsideTheCard) {
  CardMedia media(MakeCard(16));
  std::vector<std::uint8_t> two(2 * kSectorSize);
  EXPECT_EQ(media.Read(15, two), MediaResult::OutOfRange);
  EXPECT_EQ(media.Read(UINT64_MAX, two), MediaResult::OutOfRange);
  std::vector<std::uint8_t> half(kSectorSize / 2);
  EXPECT_EQ(media.Read(0, half), MediaResult::OutOfRange);
  EXPECT_EQ(media.Read(16, {}), MediaResult::Ok);
}

TEST(CardMedia, WriteProtectionKeepsTheImage) {
  CardMedia media(MakeCard(4));
  media.SetWriteProtected(true);
  std::vector<std::uint8_t> zeros(kSectorSize);
  EXPECT_EQ(media.Write(1, zeros), MediaResult::WriteProtected);
  std::vector<std::uint8_t> back(kSectorSize);
  ASSERT_EQ(media.Read(1, back), MediaResult::Ok);
  EXPECT_EQ(back[0], 1);
}

TEST(CardMedia, FaultsFireTheirNumberOfTimesOnTheSectorsTheyCover) {
  CardMedia media(MakeCard(
      16, {Fault{FaultOperation::Read, 5U, std::nullopt, 2}, Fault{FaultOperation::Write, 9U, std::nullopt, 0}}));
  std::vector<std::uint8_t> four(4 * kSectorSize);
  EXPECT_EQ(media.Read(0, four), MediaResult::Ok);
  EXPECT_EQ(media.Read(4, four), MediaResult::ReadFault);
  EXPECT_EQ(media.Read(5, four), MediaResult::ReadFault);
  EXPECT_EQ(media.Read(2, four), MediaResult::Ok);
  for (int attempt = 0; attempt < 3; ++attempt) EXPECT_EQ(media.Write(8, four), MediaResult::WriteFault);
  EXPECT_EQ(media.Read(8, four), MediaResult::Ok);
}

TEST(CardMedia, CardLeavesAfterItsCommands) {
  auto description = MakeCard(4);
  description.pulledAfterCommands = 2;
  CardMedia media(description);
  std::vector<std::uint8_t> one(kSectorSize);
  media.CountCommand();
  EXPECT_TRUE(media.Present());
  EXPECT_EQ(media.Read(0, one), MediaResult::Ok);
  media.CountCommand();
  EXPECT_FALSE(media.Present());
  EXPECT_EQ(media.Read(0, one), MediaResult::NoMedium);
}

TEST(CardMedia, ImageMustHoldTheDescribedSectors) {
  auto description = MakeCard(8);
  description.sectors = 9;
  try {
    CardMedia media(description);
    FAIL() << "a short image was accepted";
  } catch (const MachineDescriptionError& error) {
    EXPECT_NE(std::string(error.what()).find("holds 8 sectors, the description says 9"), std::string::npos);
  }
  description.image = tarnlok::test_support::TestDataHome() / "missing.img";
  EXPECT_THROW(CardMedia{description}, MachineDescriptionError);
}

}  // namespace
}  // namespace machine
