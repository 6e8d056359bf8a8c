// A read-only ImageFile over bytes in memory, for decoding what is already loaded (fuzzing,
// benchmarks, embedded pictures). Behaves as a runtime stream opened "rb": the end-of-file
// indicator is set by a read that meets the end and cleared by a seek.
#pragma once

#include "imaging/image_file.h"

#include <span>

namespace imaging {

class MemoryImageFile final : public ImageFile {
 public:
  explicit MemoryImageFile(std::span<const std::uint8_t> bytes);

  bool Close() override;
  std::size_t Read(void* buffer, std::size_t size, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override;
  bool Seek(std::int32_t offset, int origin) override;
  std::int32_t Tell() override;
  std::int32_t Size() override;
  bool Flush() override;
  bool Eof() override;
  std::int32_t Error() override;
  std::int32_t GetC() override;

 private:
  std::span<const std::uint8_t> bytes_;
  std::int64_t position_ = 0;
  bool eof_ = false;
};

}  // namespace imaging
