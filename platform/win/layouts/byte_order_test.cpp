#include "platform/win/layouts/byte_order.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>

namespace win {
namespace {

TEST(ByteOrder, FieldsReadAndWriteInTheirByteOrder) {
  std::array<BYTE, 8> bytes{0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0};
  EXPECT_EQ(ReadLe16(bytes, 0), 0x3412);
  EXPECT_EQ(ReadBe16(bytes, 0), 0x1234);
  EXPECT_EQ(ReadLe32(bytes, 0), 0x78563412U);
  EXPECT_EQ(ReadBe32(bytes, 0), 0x12345678U);
  EXPECT_EQ(ReadU8(bytes, 3), 0x78);
  WriteLe32(bytes, 4, 0x0000D004);
  EXPECT_EQ(bytes[4], 0x04);
  EXPECT_EQ(bytes[5], 0xD0);
  WriteBe16(bytes, 6, 0x04FF);
  EXPECT_EQ(bytes[6], 0x04);
  EXPECT_EQ(bytes[7], 0xFF);
  WriteLe16(bytes, 0, 44);
  WriteBe32(bytes, 2, 0xA1B2C3D4);
  WriteU8(bytes, 7, 9);
  EXPECT_EQ(ReadLe16(bytes, 0), 44);
  EXPECT_EQ(ReadBe32(bytes, 2), 0xA1B2C3D4U);
  EXPECT_EQ(bytes[7], 9);
}

TEST(ByteOrder, FieldsOutsideTheRecordAreRefused) {
  std::array<BYTE, 6> bytes{};
  EXPECT_THROW(ReadLe32(bytes, 3), FieldOutsideRecord);
  EXPECT_THROW(Read16(bytes, 5, Endian::Big), FieldOutsideRecord);
  EXPECT_THROW(ReadU8(bytes, 6), std::out_of_range);
  EXPECT_THROW(WriteBe16(bytes, 5, 1), std::out_of_range);
  EXPECT_THROW(ReadLe16(std::span<const BYTE>(), 0), std::out_of_range);
  EXPECT_THROW(ReadLe32(bytes, std::numeric_limits<std::size_t>::max() - 1), std::out_of_range);
  EXPECT_NO_THROW(ReadLe16(bytes, 4));
  EXPECT_TRUE(FieldFits(6, 2, 4));
  EXPECT_FALSE(FieldFits(6, 3, 4));
  EXPECT_FALSE(FieldFits(6, 2, std::numeric_limits<std::size_t>::max()));
  EXPECT_TRUE(FieldFits(6, 6, 0));
}

TEST(ByteOrder, TryReadsAnswerNothingOutsideTheRecord) {
  const std::array<BYTE, 6> bytes{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
  EXPECT_EQ(TryRead16(bytes, 4, Endian::Little), 0xBC9A);
  EXPECT_EQ(TryRead16(bytes, 4, Endian::Big), 0x9ABC);
  EXPECT_EQ(TryRead32(bytes, 2, Endian::Big), 0x56789ABCU);
  EXPECT_EQ(Read32(bytes, 2, Endian::Little), 0xBC9A7856U);
  EXPECT_FALSE(TryRead16(bytes, 5, Endian::Little));
  EXPECT_FALSE(TryRead32(bytes, 3, Endian::Big));
  EXPECT_FALSE(TryRead32(bytes, std::numeric_limits<std::size_t>::max(), Endian::Little));
}

}  // namespace
}  // namespace win
