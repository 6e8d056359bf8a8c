// The variable-length LZW decompressor of GIF image data: codes of 3 to 12 bits, least
// significant bit first, carried in sub-blocks of up to 255 bytes.
#pragma once

#include "imaging/stream_reader.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace imaging {

class GifLzw {
 public:
  // Receives each completed line of palette indices; false stops decompression.
  using LineSink = std::function<bool(std::span<const std::uint8_t>)>;

  explicit GifLzw(StreamReader& reader) : reader_(reader) {}

  // Decompresses one image's data, from its code-size byte, in lines of lineLength indices. The
  // reader is left after the image's terminating empty sub-block, whether or not the data
  // reached the end code.
  void Decompress(std::size_t lineLength, const LineSink& sink);

 private:
  static constexpr int kMaxCodeBits = 12;
  static constexpr int kTableSize = 1 << kMaxCodeBits;

  void Run(int initialSize, std::size_t lineLength, const LineSink& sink);
  int NextCode();
  int NextDataByte();
  void SkipRemainingData();

  StreamReader& reader_;
  int codeSize_ = 0;
  int endCode_ = 0;
  std::uint32_t reservoir_ = 0;
  int reservoirBits_ = 0;
  int subBlockLeft_ = 0;
  bool dataEnded_ = false;
  bool terminatorSeen_ = false;
  std::array<std::uint8_t, kTableSize> stack_{};
  std::array<std::uint8_t, kTableSize> suffix_{};
  std::array<std::uint16_t, kTableSize> prefix_{};
};

}  // namespace imaging
