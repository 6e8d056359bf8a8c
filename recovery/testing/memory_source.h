// A card held in memory, for tests and the fuzz target; reads can be made to fail.
#pragma once

#include "recovery/sector_source.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

namespace recovery::test_support {

class MemorySectorSource : public SectorSource {
 public:
  explicit MemorySectorSource(std::vector<std::uint8_t> image, std::uint32_t bytesPerSector = 512)
      : image_(std::move(image)), bytesPerSector_(bytesPerSector) {
    image_.resize((image_.size() + bytesPerSector_ - 1) / bytesPerSector_ * bytesPerSector_, 0);
  }
  std::uint32_t BytesPerSector() const override { return bytesPerSector_; }
  std::uint64_t SectorCount() const override { return image_.size() / bytesPerSector_; }
  bool Read(std::uint64_t first, std::span<std::uint8_t> buffer) override {
    const std::uint64_t count = buffer.size() / bytesPerSector_;
    if (first > SectorCount() || count > SectorCount() - first) return false;
    for (std::uint64_t s = first; s < first + count; ++s)
      if (failing.count(s)) return false;
    std::memcpy(buffer.data(), image_.data() + first * bytesPerSector_, buffer.size());
    return true;
  }
  std::set<std::uint64_t> failing;

 private:
  std::vector<std::uint8_t> image_;
  std::uint32_t bytesPerSector_;
};

}  // namespace recovery::test_support
