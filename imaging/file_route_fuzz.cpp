// Fuzzes the file road: the input, written to a file, is read by Viduvod through its path as a
// viewer asks for it, then decoded from the file by the image decoders at a later frame. The
// input's last byte picks the format (its value modulo the ten formats) and the frame (the
// quotient, modulo four), so that one corpus reaches every decoder's later frames.
#include "imaging/dib_image.h"
#include "exif/include/viduvod.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr int kFormats = 10;
constexpr int kFrames = 4;

const std::string& InputPath() {
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("tarnlok-file-route-" + std::to_string(::getpid()))).string();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  imaging::SetImageSizeLimit(std::size_t{64} << 20);
  {
    std::ofstream file(InputPath(), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  ImageInfoRecord record{};
  Viduvod_GetImageInfo(InputPath().c_str(), &record);
  if (size > 0) {
    const int selector = data[size - 1];
    const auto format = static_cast<imaging::ImageFormat>(selector % kFormats);
    imaging::CDibImage image(format);
    image.SetFrame(selector / kFormats % kFrames);
    image.Load(InputPath().c_str(), format);
  }
  return 0;
}
