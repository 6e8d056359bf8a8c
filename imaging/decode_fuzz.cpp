// Fuzz harness shared by every decoder: decodes the input from memory as the format the build
// names. Images are limited to 64 MB so that crafted sizes test the limit, not the machine.
#include "imaging/dib_image.h"
#include "imaging/memory_image_file.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  imaging::SetImageSizeLimit(std::size_t{64} << 20);
  imaging::MemoryImageFile stream(std::span(data, size));
  imaging::CDibImage image(static_cast<imaging::ImageFormat>(TARNLOK_FUZZ_FORMAT));
  image.DecodeStream(stream, static_cast<imaging::ImageFormat>(TARNLOK_FUZZ_FORMAT));
  return 0;
}
