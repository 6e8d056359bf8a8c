// Fuzzes the reader over a file held in memory; nothing touches the file system.
#include "exif/image_header.h"

#include <cstddef>
#include <cstdint>
#include <numeric>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const viduvod::ImageInfo info = viduvod::ReadImageInfo({data, size});
  // Touch every thumbnail byte, so that a span past the input shows at once.
  volatile unsigned sum = std::accumulate(info.thumbnail.bytes.begin(), info.thumbnail.bytes.end(), 0u);
  (void)sum;
  return 0;
}
