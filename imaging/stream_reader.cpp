#include "imaging/stream_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace imaging {

StreamReader::StreamReader(ImageFile& stream) : stream_(stream), bufferStart_(stream.Tell()) {}

bool StreamReader::Refill() {
  bufferStart_ += static_cast<std::int64_t>(end_);
  next_ = 0;
  end_ = stream_.Read(buffer_.data(), 1, buffer_.size());
  return end_ > 0;
}

bool StreamReader::Read(std::uint8_t* target, std::size_t count) {
  while (count > 0) {
    if (next_ == end_ && !Refill()) return false;
    const std::size_t piece = std::min(count, end_ - next_);
    std::memcpy(target, buffer_.data() + next_, piece);
    next_ += piece;
    target += piece;
    count -= piece;
  }
  return true;
}

bool StreamReader::Skip(std::size_t count) {
  const std::size_t buffered = end_ - next_;
  if (count <= buffered) {
    next_ += count;
    return true;
  }
  const auto target = Position() + static_cast<std::int64_t>(count);
  if (target > std::numeric_limits<std::int32_t>::max() || !SeekTo(target)) return false;
  return target <= stream_.Size();
}

bool StreamReader::AtEnd() { return next_ == end_ && !Refill(); }

bool StreamReader::SeekTo(std::int64_t position) {
  if (position < 0 || position > std::numeric_limits<std::int32_t>::max()) return false;
  if (!stream_.Seek(static_cast<std::int32_t>(position), 0)) return false;
  bufferStart_ = position;
  next_ = end_ = 0;
  return true;
}

}  // namespace imaging
