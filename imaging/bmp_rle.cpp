#include "imaging/bmp_rle.h"

namespace imaging {
namespace {

constexpr int kEscape = 0;
constexpr int kEndOfLine = 0;
constexpr int kEndOfBitmap = 1;
constexpr int kDelta = 2;

// The write position of a run-length decode: column in bytes, row from the bottom.
class RleCursor {
 public:
  explicit RleCursor(CDibImage& image)
      : pixels_(image.PixelBits()),
        stride_(image.RowStride()),
        height_(image.Height()),
        size_(static_cast<std::uint64_t>(image.RowStride()) * static_cast<std::uint64_t>(image.Height())) {}

  bool RowsLeft() const { return row_ < height_; }
  void EndLine() {
    column_ = 0;
    ++row_;
  }
  void Move(std::uint64_t dx, std::int64_t dy) {
    column_ += dx;
    row_ += dy;
  }
  std::uint8_t* At(std::uint64_t byteColumn) const {
    const std::uint64_t offset = static_cast<std::uint64_t>(row_) * stride_ + byteColumn;
    return offset < size_ ? pixels_ + offset : nullptr;
  }
  void Put(std::uint8_t value) {
    if (std::uint8_t* target = At(column_)) *target = value;
  }
  std::uint64_t Column() const { return column_; }
  void Advance(std::uint64_t count) { column_ += count; }

 private:
  std::uint8_t* pixels_;
  std::uint64_t stride_;
  std::int64_t height_;
  std::uint64_t size_;
  std::uint64_t column_ = 0;
  std::int64_t row_ = 0;
};

// What an escape (a zero count byte) asks for, once its common forms are handled.
enum class Escape { Continue, Stop, Truncated, Absolute };

Escape HandleEscape(StreamReader& reader, RleCursor& cursor, int code, bool fourBit) {
  if (code == kEndOfLine) {
    cursor.EndLine();
    return Escape::Continue;
  }
  if (code == kEndOfBitmap) return Escape::Stop;
  if (code == kDelta) {
    const int dx = reader.Byte();
    const int dy = reader.Byte();
    if (dy < 0) return Escape::Truncated;
    cursor.Move(fourBit ? static_cast<std::uint64_t>(dx / 2) : static_cast<std::uint64_t>(dx), dy);
    return Escape::Continue;
  }
  return Escape::Absolute;
}

}  // namespace

bool DecodeRle8(StreamReader& reader, CDibImage& image) {
  RleCursor cursor(image);
  while (cursor.RowsLeft()) {
    const int count = reader.Byte();
    const int value = reader.Byte();
    if (value < 0) return false;
    if (count != kEscape) {
      for (int i = 0; i < count; ++i, cursor.Advance(1)) cursor.Put(static_cast<std::uint8_t>(value));
      continue;
    }
    const Escape escape = HandleEscape(reader, cursor, value, false);
    if (escape == Escape::Stop) return true;
    if (escape == Escape::Truncated) return false;
    if (escape == Escape::Continue) continue;
    for (int i = 0; i < value; ++i, cursor.Advance(1)) {
      const int literal = reader.Byte();
      if (literal < 0) return false;
      cursor.Put(static_cast<std::uint8_t>(literal));
    }
    if (value % 2 == 1 && reader.Byte() < 0) return false;
  }
  return true;
}

bool DecodeRle4(StreamReader& reader, CDibImage& image) {
  RleCursor cursor(image);
  bool lowNibble = false;
  // Stores one 4-bit index in the nibble the flag selects; the column moves after a low nibble.
  auto put = [&](int nibble) {
    std::uint8_t* target = cursor.At(cursor.Column());
    if (!lowNibble) {
      if (target != nullptr) *target = static_cast<std::uint8_t>(nibble << 4);
    } else {
      if (target != nullptr) *target = static_cast<std::uint8_t>(*target | nibble);
      cursor.Advance(1);
    }
    lowNibble = !lowNibble;
  };
  while (cursor.RowsLeft()) {
    const int count = reader.Byte();
    const int value = reader.Byte();
    if (value < 0) return false;
    if (count != kEscape) {
      // A run alternates the two indices of its byte, high nibble first, wherever it starts.
      for (int i = 0; i < count; ++i) put(i % 2 == 0 ? value >> 4 : value & 0x0F);
      continue;
    }
    const Escape escape = HandleEscape(reader, cursor, value, true);
    if (escape == Escape::Stop) return true;
    if (escape == Escape::Truncated) return false;
    if (escape == Escape::Continue) {
      if (value == kEndOfLine) lowNibble = false;
      continue;
    }
    int byte = 0;
    for (int i = 0; i < value; ++i) {
      if (i % 2 == 0 && (byte = reader.Byte()) < 0) return false;
      put(i % 2 == 0 ? byte >> 4 : byte & 0x0F);
    }
    if (((value + 1) / 2) % 2 == 1 && reader.Byte() < 0) return false;
  }
  return true;
}

}  // namespace imaging
