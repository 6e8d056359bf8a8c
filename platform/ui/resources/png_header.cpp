#include "platform/ui/resources/png_header.h"

#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <array>

namespace ui {
namespace {

constexpr std::array<BYTE, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kChunkLength = 8;
constexpr std::size_t kChunkType = 12;
constexpr std::size_t kChunkData = 16;
constexpr std::size_t kHeaderDataSize = 13;
constexpr std::array<BYTE, 4> kHeaderType{'I', 'H', 'D', 'R'};
constexpr std::size_t kBitDepth = kChunkData + 8;
constexpr std::size_t kColourType = kChunkData + 9;

bool Holds(std::span<const BYTE> bytes, std::size_t offset, std::span<const BYTE> expected) {
  return win::FieldFits(bytes.size(), offset, expected.size()) &&
         std::equal(expected.begin(), expected.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

std::optional<PngHeader> ReadPngHeader(std::span<const BYTE> png) {
  if (!Holds(png, 0, kSignature) || !Holds(png, kChunkType, kHeaderType)) return std::nullopt;
  const auto length = win::TryRead32(png, kChunkLength, win::Endian::Big);
  if (!length || *length < kHeaderDataSize || !win::FieldFits(png.size(), kChunkData, kHeaderDataSize)) {
    return std::nullopt;
  }
  return PngHeader{png[kBitDepth], png[kColourType]};
}

}  // namespace ui
