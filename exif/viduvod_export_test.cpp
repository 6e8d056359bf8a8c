// The library's export as an outside program sees it: its one exported symbol, its result
// and record, the INI that names the thumbnail folder, and PREVIEW.JPG.
#include "exif/image_header.h"
#include "exif/testing/exiftool_oracle.h"
#include "exif/testing/sample_images.h"
#include "exif/testing/tiff_builder.h"
#include "tests/support/test_data_folder.h"
#include "exif/include/viduvod.h"

#include "platform/win/host/data_folder.h"
#include "platform/win/files/paths.h"
#include "platform/win/registry/profile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern "C" size_t ViduvodRecordSizeInC(void);
extern "C" size_t ViduvodSubjectAreaOffsetInC(void);

namespace viduvod {
namespace {

using namespace viduvod::test_support;
namespace fs = std::filesystem;

class ViduvodExport : public ::testing::Test {
 protected:
  void SetUp() override {
    images_ = tarnlok::test_support::TestDataHome() / "images";
    thumbnails_ = tarnlok::test_support::TestDataHome() / "thumbnails";
    fs::create_directories(images_);
    fs::create_directories(thumbnails_);
    std::memset(&record_, 0xAB, sizeof record_);
  }

  static void SetThumbnailFolder(const std::string& folder) {
    ASSERT_TRUE(win::WritePrivateProfileStringA("DefDir", "DefDir", folder.c_str(), "TLKLCALL.INI"));
  }

  // Calls the export, keeping what it printed.
  std::uint32_t Call(const std::string& path) {
    ::testing::internal::CaptureStdout();
    const std::uint32_t result = Viduvod_GetImageInfo(path.c_str(), &record_);
    output_ = ::testing::internal::GetCapturedStdout();
    return result;
  }

  bool RecordUntouched() const {
    ImageInfoRecord sentinel;
    std::memset(&sentinel, 0xAB, sizeof sentinel);
    return std::memcmp(&sentinel, &record_, sizeof record_) == 0;
  }

  RecordBytes RecordAsBytes() const {
    RecordBytes bytes;
    std::memcpy(bytes.data(), &record_, bytes.size());
    return bytes;
  }

  fs::path images_;
  fs::path thumbnails_;
  ImageInfoRecord record_;
  std::string output_;
};

TEST_F(ViduvodExport, ExportsOnlyItsEntry) {
  const char* folder = std::getenv("TARNLOK_BIN_DIR");
  ASSERT_NE(folder, nullptr);
  const fs::path library = fs::path(folder) / "libViduvod.so";
  std::istringstream symbols(RunCommand("nm -D --defined-only --format=just-symbols " + Quoted(library)));
  std::vector<std::string> names;
  for (std::string name; symbols >> name;) names.push_back(name);
  EXPECT_EQ(names, std::vector<std::string>{"Viduvod_GetImageInfo"});
}

TEST_F(ViduvodExport, HeaderGivesCTheSameLayout) {
  EXPECT_EQ(ViduvodRecordSizeInC(), 1039u);
  EXPECT_EQ(ViduvodSubjectAreaOffsetInC(), 0x22Eu);
}

TEST_F(ViduvodExport, RefusedCallsLeaveTheRecordUntouched) {
  EXPECT_EQ(Viduvod_GetImageInfo(nullptr, &record_), 0u);
  EXPECT_EQ(Viduvod_GetImageInfo("", &record_), 0u);
  EXPECT_EQ(Viduvod_GetImageInfo("/tmp/x.jpg", nullptr), 0u);
  EXPECT_EQ(Call("/" + std::string(259, 'a')), 0u);
  EXPECT_EQ(Call((images_ / "missing.jpg").string()), 0u);
  EXPECT_EQ(output_, "File cannot be opened... please try later");
  const auto jfif = images_ / "jfif.jpg";
  RunCommand("convert -size 16x16 xc:white " + Quoted(jfif));
  EXPECT_EQ(Call(jfif.string()), 0u);
  EXPECT_EQ(output_, "");
  EXPECT_TRUE(RecordUntouched());
}

// A path of exactly length characters to a new file in folder, through folders of 150 'd's.
fs::path PathOfLength(fs::path folder, std::size_t length) {
  while (length - folder.string().size() > 200) folder /= std::string(150, 'd');
  fs::create_directories(folder);
  return folder / (std::string(length - folder.string().size() - 5, 'n') + ".jpg");
}

TEST_F(ViduvodExport, PathsOfUpTo259CharactersAreReadAndSpecialFilesRefused) {
  const auto jpeg = MakeCameraJpeg(images_, ByteOrder::Intel);
  for (const std::size_t length : {std::size_t{259}, std::size_t{260}}) {
    const fs::path copy = PathOfLength(images_, length);
    ASSERT_EQ(copy.string().size(), length);
    fs::copy_file(jpeg, copy);
    EXPECT_EQ(Call(copy.string()), length <= 259 ? 1u : 0u) << length;
  }
  // A FIFO nobody writes to is refused at once instead of holding the caller.
  const auto fifo = images_ / "pipe.jpg";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::memset(&record_, 0xAB, sizeof record_);
  EXPECT_EQ(Call(fifo.string()), 0u);
  EXPECT_EQ(output_, "File cannot be opened... please try later");
  EXPECT_TRUE(RecordUntouched());
}

class ViduvodExportByOrder : public ViduvodExport, public ::testing::WithParamInterface<ByteOrder> {};

TEST_P(ViduvodExportByOrder, HostPathGivesTheRecordAndExiftoolsThumbnail) {
  SetThumbnailFolder(thumbnails_.string());
  std::ofstream(thumbnails_ / "PREVIEW.JPG") << "an earlier picture's thumbnail";
  const auto jpeg = MakeCameraJpeg(images_, GetParam());
  ASSERT_EQ(Call(jpeg.string()), 1u);
  const auto bytes = ReadBytes(jpeg);
  EXPECT_EQ(RecordAsBytes(), ReadImageInfo(bytes).record);
  EXPECT_EQ(ReadBytes(thumbnails_ / "PREVIEW.JPG"), ExiftoolThumbnail(jpeg));
  // Asked again, the same thumbnail stays as it is.
  ASSERT_EQ(Call(jpeg.string()), 1u);
  EXPECT_EQ(ReadBytes(thumbnails_ / "PREVIEW.JPG"), ExiftoolThumbnail(jpeg));
  EXPECT_NE(output_.find("Unhandled tag no:41495"), std::string::npos);
}

TEST_P(ViduvodExportByOrder, WindowsPathsForTheFileAndTheThumbnailFolder) {
  SetThumbnailFolder("C:\\Thumbs");
  fs::create_directories(win::DriveCFolder() / "Thumbs");
  const auto tiff = MakeExifTiff(images_, GetParam());
  ASSERT_EQ(Call(win::WindowsPathOfHost(tiff)), 1u);
  EXPECT_EQ(RecordAsBytes(), ReadImageInfo(ReadBytes(tiff)).record);
  EXPECT_EQ(ReadBytes(win::DriveCFolder() / "Thumbs" / "PREVIEW.JPG"), ExiftoolThumbnail(tiff));
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, ViduvodExportByOrder, ::testing::Values(ByteOrder::Intel, ByteOrder::Motorola));

TEST_F(ViduvodExport, WithoutAThumbnailFolderNoThumbnailIsWritten) {
  const auto jpeg = MakeCameraJpeg(images_, ByteOrder::Intel);
  const auto current = win::HostPathOf(win::CurrentDirectoryPath());
  ASSERT_TRUE(current.has_value());
  ASSERT_EQ(Call(jpeg.string()), 1u);
  EXPECT_FALSE(fs::exists(*current / "Fail"));
  EXPECT_FALSE(fs::exists(*current / "PREVIEW.JPG"));
  EXPECT_NE(RecordAsBytes(), RecordBytes{});
}

TEST_F(ViduvodExport, UnreadableThumbnailRemovesTheLastOneAndNoThumbnailKeepsIt) {
  SetThumbnailFolder(thumbnails_.string());
  const auto preview = thumbnails_ / "PREVIEW.JPG";
  std::ofstream(preview) << "earlier";
  TiffBuilder plain(ByteOrder::Intel);
  plain.SetIfd0(plain.AppendIfd(std::vector{plain.Short(274, 3)}, 0));
  const auto plainFile = images_ / "plain.tif";
  std::ofstream(plainFile, std::ios::binary)
      .write(reinterpret_cast<const char*>(plain.Bytes().data()), static_cast<std::streamsize>(plain.Size()));
  ASSERT_EQ(Call(plainFile.string()), 1u);
  EXPECT_TRUE(fs::exists(preview));

  TiffBuilder broken(ByteOrder::Motorola);
  broken.SetIfd0(broken.AppendIfd(std::vector{broken.Long(513, 0x10000), broken.Long(514, 0x100)}, 0));
  const auto brokenFile = images_ / "broken.tif";
  std::ofstream(brokenFile, std::ios::binary)
      .write(reinterpret_cast<const char*>(broken.Bytes().data()), static_cast<std::streamsize>(broken.Size()));
  ASSERT_EQ(Call(brokenFile.string()), 1u);
  EXPECT_EQ(output_, "Exception occurred.... TG_ID514");
  EXPECT_FALSE(fs::exists(preview));
  EXPECT_EQ(+record_.JPEGInterchangeFormatLength, 0x100u);
}

}  // namespace
}  // namespace viduvod
