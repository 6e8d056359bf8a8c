#include "imaging/dib_image.h"
#include "imaging/memory_image_file.h"

#include <gtest/gtest.h>

#include <array>

namespace imaging {
namespace {

TEST(ImageDispatch, UnknownCodeAndMissingImage) {
  CDibImage image;
  const std::array<std::uint8_t, 1> nothing{};
  MemoryImageFile stream(nothing);
  EXPECT_FALSE(image.DecodeStream(stream, static_cast<ImageFormat>(10)));
  EXPECT_STREQ(image.LastError(), "Unsupported operation for this format");
  // A GIF header with no image block: no bitmap, no message, no frames.
  const std::array<std::uint8_t, 14> gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B};
  CDibImage empty(ImageFormat::Gif);
  MemoryImageFile gifStream(gif);
  EXPECT_FALSE(empty.DecodeStream(gifStream, ImageFormat::Gif));
  EXPECT_EQ(empty.DibBlock(), nullptr);
  EXPECT_STREQ(empty.LastError(), "");
  EXPECT_EQ(empty.FrameCount(), 0);
}

}  // namespace
}  // namespace imaging
