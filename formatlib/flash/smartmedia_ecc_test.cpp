// The SmartMedia code against its known values and against the machine's own redundant-area
// code (an independent implementation of the same standard).
#include "formatlib/flash/smartmedia_ecc.h"

#include "platform/machine/flash/smartmedia_redundant.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>

namespace pradvik {
namespace {

std::array<std::uint8_t, 259> Block(const std::array<std::uint8_t, 256>& data, const EccBytes& code) {
  std::array<std::uint8_t, 259> block{};
  std::copy(data.begin(), data.end(), block.begin());
  block[256] = code.y;
  block[257] = code.x;
  block[258] = code.z;
  return block;
}

TEST(SmartMediaEcc, UniformPagesGiveAllOnes) {
  std::array<std::uint8_t, 256> data{};
  data.fill(0xFF);
  EccBytes code = CalcSmartMediaEcc(data);
  EXPECT_EQ(code.x, 0xFF);
  EXPECT_EQ(code.y, 0xFF);
  EXPECT_EQ(code.z, 0xFF);
  data.fill(0);
  code = CalcSmartMediaEcc(data);
  EXPECT_EQ(code.x, 0xFF);
  EXPECT_EQ(code.y, 0xFF);
  EXPECT_EQ(code.z, 0xFF);
}

TEST(SmartMediaEcc, AgreesWithTheCardsStoredCode) {
  std::array<std::uint8_t, 256> data{};
  std::iota(data.begin(), data.end(), 0);
  data[17] = 0x5A;
  const EccBytes code = CalcSmartMediaEcc(data);
  const auto stored = machine::SmartMediaEcc(data);
  EXPECT_EQ(stored[0], code.y);
  EXPECT_EQ(stored[1], code.x);
  EXPECT_EQ(stored[2], code.z);
}

TEST(SmartMediaEcc, EverySingleDataBitIsCorrected) {
  std::array<std::uint8_t, 256> data{};
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 37 + 11);
  const EccBytes original = CalcSmartMediaEcc(data);
  for (std::size_t byte = 0; byte < 256; ++byte) {
    for (int bit = 0; bit < 8; ++bit) {
      auto flipped = data;
      flipped[byte] ^= static_cast<std::uint8_t>(1 << bit);
      auto block = Block(flipped, original);
      ASSERT_EQ(CorrectSmartMediaEcc(block, CalcSmartMediaEcc(flipped)), kEccDataCorrected) << byte << "/" << bit;
      ASSERT_TRUE(std::equal(data.begin(), data.end(), block.begin())) << byte << "/" << bit;
    }
  }
}

TEST(SmartMediaEcc, CodeByteErrorsAreReplacedAndDoubleErrorsRefused) {
  std::array<std::uint8_t, 256> data{};
  data[3] = 0x81;
  const EccBytes code = CalcSmartMediaEcc(data);
  auto clean = Block(data, code);
  EXPECT_EQ(CorrectSmartMediaEcc(clean, code), kEccClean);

  auto block = Block(data, code);
  block[257] ^= 0x10;
  EXPECT_EQ(CorrectSmartMediaEcc(block, code), kEccCodeReplaced);
  EXPECT_EQ(block[257], code.x);

  auto twice = data;
  twice[0] ^= 0x01;
  twice[200] ^= 0x40;
  auto broken = Block(twice, code);
  EXPECT_EQ(CorrectSmartMediaEcc(broken, CalcSmartMediaEcc(twice)), kEccUncorrectable);
}

}  // namespace
}  // namespace pradvik
