#include "imaging/stdio_image_file.h"
#include "imaging/test_tools.h"

#include <gtest/gtest.h>

#include <array>

namespace imaging {
namespace {

// Host paths are used as they stand; Z: is the host root.
std::string WindowsPath(const std::filesystem::path& host) {
  std::string path = "Z:" + host.string();
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

TEST(StdioImageFile, WrapsAGivenFileWithoutClosingIt) {
  const auto path = test_support::Scratch("stream.bin");
  test_support::WriteBytes(path, {1, 2, 3, 4, 5});
  win::FILE* file = win::fopen(WindowsPath(path).c_str(), "r+b");
  ASSERT_NE(file, nullptr);
  {
    StdioImageFile stream(file);
    EXPECT_EQ(stream.GetC(), 1);
    EXPECT_EQ(stream.Size(), 5);
    EXPECT_EQ(stream.Tell(), 1);  // Size does not move the position
    EXPECT_TRUE(stream.PutC(0x1FF));
    EXPECT_TRUE(stream.Close());
  }
  // Still open: the stream neither closed it in Close nor in its destructor.
  EXPECT_EQ(win::fseek(file, 1, win::CRT_SEEK_SET), 0);
  EXPECT_EQ(win::fgetc(file), 0xFF);
  EXPECT_EQ(win::fclose(file), 0);
}

TEST(StdioImageFile, WithoutAFileEveryOperationFails) {
  StdioImageFile stream;
  std::array<std::uint8_t, 4> buffer{};
  EXPECT_EQ(stream.Read(buffer.data(), 1, 4), 0U);
  EXPECT_EQ(stream.Tell(), 0);
  EXPECT_EQ(stream.Size(), -1);
  EXPECT_TRUE(stream.Eof());
  EXPECT_EQ(stream.Error(), -1);
  EXPECT_EQ(stream.GetC(), -1);
  EXPECT_FALSE(stream.Seek(0, 0));
  EXPECT_TRUE(stream.Close());
}

TEST(ImageLoad, ConstructingFromAFileLoadsOrLeavesTheImageEmpty) {
  const auto path = test_support::MakeImage("thumb.jpg", "-quality 80", "40x30");
  CDibImage loaded(WindowsPath(path).c_str(), ImageFormat::Jpeg);
  ASSERT_NE(loaded.DibBlock(), nullptr);
  EXPECT_EQ(loaded.Width(), 40);
  EXPECT_STREQ(loaded.LastError(), "");
  CDibImage missing(WindowsPath(test_support::Scratch("absent.gif")).c_str(), ImageFormat::Gif);
  EXPECT_EQ(missing.DibBlock(), nullptr);
  EXPECT_STREQ(missing.LastError(), "");
  CDibImage wrongType(WindowsPath(path).c_str(), ImageFormat::Png);
  EXPECT_EQ(wrongType.DibBlock(), nullptr);
  EXPECT_STRNE(wrongType.LastError(), "");
}

}  // namespace
}  // namespace imaging
