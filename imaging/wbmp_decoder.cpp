#include "imaging/wbmp_decoder.h"

#include "imaging/decode_guard.h"
#include "imaging/image_file.h"
#include "imaging/stream_reader.h"

#include <cstring>
#include <limits>

namespace imaging {
namespace {

constexpr const char* kCorrupted = "Corrupted WBMP";

// A multi-byte integer: seven bits a byte, most significant first, bit 7 set on all but the last.
std::int32_t ReadMultiByte(StreamReader& reader) {
  std::int64_t value = 0;
  for (;;) {
    const int byte = reader.Byte();
    Require(byte >= 0, "Not a WBMP");
    value = value << 7 | (byte & 0x7F);
    Require(value <= std::numeric_limits<std::int32_t>::max(), kCorrupted);
    if ((byte & 0x80) == 0) return static_cast<std::int32_t>(value);
  }
}

}  // namespace

bool WbmpDecoder::Decode(ImageFile* stream) {
  if (stream == nullptr) return false;
  return GuardedDecode(*this, [&] {
    StreamReader reader(*stream);
    const int type = reader.Byte();
    const int fixedHeader = reader.Byte();
    Require(fixedHeader >= 0, "Not a WBMP");
    const std::int32_t width = ReadMultiByte(reader);
    const std::int32_t height = ReadMultiByte(reader);
    Require(type == 0, "Unsupported WBMP type");
    Require(width != 0 && height != 0, kCorrupted);
    Require(Create(width, height, 1, ImageFormat::Wbmp) != nullptr, "WBMP Create failed");
    FillGrayPalette();
    const std::size_t rowBytes = (static_cast<std::size_t>(width) + 7) / 8;
    // A file cut short keeps the rows it holds; the rest stay black.
    for (std::int32_t y = height; y-- > 0;) {
      if (!reader.Read(info.pixels + static_cast<std::size_t>(y) * info.rowStride, rowBytes)) break;
    }
    return true;
  });
}

}  // namespace imaging
