#include "exif/testing/sample_images.h"

#include "exif/testing/exiftool_oracle.h"

#include <fstream>
#include <iterator>
#include <string>

namespace viduvod::test_support {
namespace {

const char* kCameraTags =
    " -Make='Quarncam Imaging Corporation Ltd' -Model='QC 2000' -Software='fw 1.02' -Artist='A. Photographer'"
    " -Copyright='(c) test' -ImageDescription='a test picture' -ModifyDate='2004:05:06 07:08:09'"
    " -Orientation#=6 -XResolution=300 -YResolution=300 -ResolutionUnit#=2 -YCbCrPositioning#=2"
    " -ExposureTime=0.004 -FNumber=2.8 -ExposureProgram#=2 -ISO=200 -DateTimeOriginal='2004:05:06 07:08:09'"
    " -CreateDate='2004:05:06 07:08:10' -ShutterSpeedValue=0.004 -ApertureValue=2.8 -BrightnessValue=1.5"
    " -ExposureCompensation=-0.7 -MaxApertureValue=2.0 -SubjectDistance=3.5 -MeteringMode#=5 -LightSource#=1"
    " -Flash#=16 -FocalLength=7.1 -SubjectArea='1024 768 400 300' -SubSecTime=12 -SubSecTimeOriginal=34"
    " -SubSecTimeDigitized=56 -ColorSpace#=65535 -ExifImageWidth=2048 -ExifImageHeight=1536"
    " -FocalPlaneXResolution=8000 -FocalPlaneYResolution=8000 -FocalPlaneResolutionUnit#=2 -SensingMethod#=2"
    " -FileSource#=3 -SceneType#=1 -CustomRendered#=1 -ExposureMode#=2 -WhiteBalance#=1 -DigitalZoomRatio=1"
    " -SceneCaptureType#=3 -GainControl#=1 -Contrast#=2 -Saturation#=2 -Sharpness#=1 -SubjectLocation='100 200'"
    " -ExposureIndex=200 -FlashEnergy=5 -InteropIndex=R98 -GPSLatitude=10 -GPSLatitudeRef=N";

std::string OrderName(ByteOrder order) { return order == ByteOrder::Motorola ? "MM" : "II"; }

void Run(const std::string& command) { RunCommand(command + " 2>&1"); }

}  // namespace

std::filesystem::path MakeCameraJpeg(const std::filesystem::path& folder, ByteOrder order) {
  const auto thumbnail = folder / "thumbnail.jpg";
  const auto jpeg = folder / ("camera_" + OrderName(order) + ".jpg");
  Run("convert -size 160x120 gradient:yellow-green " + Quoted(thumbnail));
  Run("convert -size 320x240 plasma:fractal -seed 7 -quality 90 " + Quoted(jpeg));
  Run("exiftool -q -overwrite_original -JFIF:all= -ExifByteOrder=" + OrderName(order) + kCameraTags +
      " '-ThumbnailImage<=" + thumbnail.string() + "' " + Quoted(jpeg));
  return jpeg;
}

std::filesystem::path MakeExifTiff(const std::filesystem::path& folder, ByteOrder order) {
  const auto tiff = folder / ("exif_block_" + OrderName(order) + ".tif");
  Run("exiftool -b -EXIF " + Quoted(MakeCameraJpeg(folder, order)) + " > " + Quoted(tiff));
  return tiff;
}

std::filesystem::path MakeCameraTiff(const std::filesystem::path& folder, ByteOrder order) {
  const auto page1 = folder / "page1.tif", page2 = folder / "page2.tif";
  const auto tiff = folder / ("camera_" + OrderName(order) + ".tif");
  Run("convert -size 64x48 gradient:red-blue -depth 8 " + Quoted(page1));
  Run("convert -size 32x24 xc:gray -depth 8 -compress zip " + Quoted(page2));
  // tiffcp writes the byte order asked for.
  Run(std::string("tiffcp ") + (order == ByteOrder::Motorola ? "-B " : "-L ") + Quoted(page1) + " " + Quoted(page2) +
      " " + Quoted(tiff));
  Run("exiftool -q -overwrite_original" + std::string(kCameraTags) + " " + Quoted(tiff));
  return tiff;
}

std::vector<std::uint8_t> ExiftoolThumbnail(const std::filesystem::path& file) {
  const std::string bytes = RunCommand("exiftool -b -ThumbnailImage " + Quoted(file));
  return {bytes.begin(), bytes.end()};
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

}  // namespace viduvod::test_support
