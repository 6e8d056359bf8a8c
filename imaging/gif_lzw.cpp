#include "imaging/gif_lzw.h"

namespace imaging {

int GifLzw::NextDataByte() {
  if (dataEnded_) return -1;
  if (subBlockLeft_ == 0) {
    const int size = reader_.Byte();
    if (size <= 0) {
      // An empty sub-block ends the data as the end code would; so does the end of the stream.
      dataEnded_ = true;
      terminatorSeen_ = size == 0;
      return -1;
    }
    subBlockLeft_ = size;
  }
  const int byte = reader_.Byte();
  if (byte < 0) {
    dataEnded_ = true;
    return -1;
  }
  --subBlockLeft_;
  return byte;
}

int GifLzw::NextCode() {
  while (reservoirBits_ < codeSize_) {
    const int byte = NextDataByte();
    if (byte < 0) return endCode_;
    reservoir_ |= static_cast<std::uint32_t>(byte) << reservoirBits_;
    reservoirBits_ += 8;
  }
  const int code = static_cast<int>(reservoir_ & ((1U << codeSize_) - 1));
  reservoir_ >>= codeSize_;
  reservoirBits_ -= codeSize_;
  return code;
}

void GifLzw::SkipRemainingData() {
  if (terminatorSeen_) return;
  if (subBlockLeft_ > 0 && !reader_.Skip(static_cast<std::size_t>(subBlockLeft_))) return;
  for (int size = reader_.Byte(); size > 0; size = reader_.Byte()) {
    if (!reader_.Skip(static_cast<std::size_t>(size))) return;
  }
}

void GifLzw::Decompress(std::size_t lineLength, const LineSink& sink) {
  const int initialSize = reader_.Byte();
  // Sizes outside 2-9 cannot come from a GIF encoder: nothing is decoded.
  if (initialSize >= 2 && initialSize <= 9) Run(initialSize, lineLength, sink);
  if (initialSize >= 0) SkipRemainingData();
}

void GifLzw::Run(int initialSize, std::size_t lineLength, const LineSink& sink) {
  const int clearCode = 1 << initialSize;
  endCode_ = clearCode + 1;
  const int firstFree = clearCode + 2;
  codeSize_ = initialSize + 1;
  int limit = 1 << codeSize_;
  int nextFree = firstFree;
  int oldCode = 0;
  int firstChar = 0;
  std::vector<std::uint8_t> line(lineLength + 1);
  std::size_t filled = 0;

  // Moves the stacked bytes into the line, handing over each full line; false when the sink stops.
  auto drain = [&](std::size_t depth) {
    while (depth > 0) {
      line[filled++] = stack_[--depth];
      if (filled == lineLength) {
        filled = 0;
        if (!sink(std::span(line.data(), lineLength))) return false;
      }
    }
    return true;
  };

  for (int code = NextCode(); code != endCode_; code = NextCode()) {
    std::size_t depth = 0;
    if (code == clearCode) {
      codeSize_ = initialSize + 1;
      limit = 1 << codeSize_;
      nextFree = firstFree;
      do {
        code = NextCode();
      } while (code == clearCode);
      if (code == endCode_) break;
      if (code >= nextFree) code = 0;
      oldCode = firstChar = code;
      stack_[depth++] = static_cast<std::uint8_t>(code);
      if (!drain(depth)) return;
      continue;
    }
    const int current = code;
    if (code >= nextFree) {
      // The code being defined right now (or a damaged one): the previous string plus its first byte.
      stack_[depth++] = static_cast<std::uint8_t>(firstChar);
      code = oldCode;
    }
    while (code >= firstFree && depth < stack_.size() - 1) {
      stack_[depth++] = suffix_[static_cast<std::size_t>(code)];
      code = prefix_[static_cast<std::size_t>(code)];
    }
    stack_[depth++] = static_cast<std::uint8_t>(code);
    if (nextFree < limit) {
      firstChar = code;
      suffix_[static_cast<std::size_t>(nextFree)] = static_cast<std::uint8_t>(code);
      prefix_[static_cast<std::size_t>(nextFree)] = static_cast<std::uint16_t>(oldCode);
      ++nextFree;
      oldCode = current;
    }
    if (nextFree >= limit && codeSize_ < kMaxCodeBits) {
      limit <<= 1;
      ++codeSize_;
    }
    if (!drain(depth)) return;
  }
  if (filled > 0) {
    std::fill(line.begin() + static_cast<std::ptrdiff_t>(filled), line.end(), 0);
    sink(std::span(line.data(), lineLength));
  }
}

}  // namespace imaging
