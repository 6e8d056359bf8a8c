#include "imaging/memory_image_file.h"

#include <gtest/gtest.h>

#include <array>

namespace imaging {
namespace {

TEST(MemoryImageFile, BehavesLikeARuntimeStreamOpenedForReading) {
  const std::array<std::uint8_t, 5> bytes = {1, 2, 3, 4, 5};
  MemoryImageFile stream(bytes);
  EXPECT_EQ(stream.Size(), 5);
  std::array<std::uint8_t, 4> buffer{};
  EXPECT_EQ(stream.Read(buffer.data(), 2, 2), 2U);
  EXPECT_FALSE(stream.Eof());
  // A short read answers whole items only and sets the end-of-file indicator.
  EXPECT_EQ(stream.Read(buffer.data(), 2, 2), 0U);
  EXPECT_TRUE(stream.Eof());
  EXPECT_EQ(stream.GetC(), -1);
  EXPECT_TRUE(stream.Seek(-2, 2));
  EXPECT_FALSE(stream.Eof());
  EXPECT_EQ(stream.GetC(), 4);
  EXPECT_EQ(stream.Tell(), 4);
  EXPECT_FALSE(stream.Seek(-1, 0));
  EXPECT_EQ(stream.Write(buffer.data(), 1, 1), 0U);
  EXPECT_FALSE(stream.PutC(0x1FF));
}

}  // namespace
}  // namespace imaging
