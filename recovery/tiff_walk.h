// The image file directory walk that sizes a TIFF-structured file: IFD0, the chain behind it,
// the Exif directory and the sub-images, with the maker test that names camera files. Every read
// is bounded by the bytes read and every chain of directories ends (a directory met twice or
// more than a fixed number of directories stops it).
#pragma once

#include "recovery/carve_state.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace recovery {

class TiffWalk {
 public:
  explicit TiffWalk(CarveState& state) : state_(state) {}

  // Sizes the file whose IFD0 starts at file offset ifd0 (its bytes are ifdBytes, read from the
  // unit or the medium). Sets state.carveLength and tiffEndSoFar; false when the maker test
  // refuses the file.
  bool SizeFile(const std::vector<std::uint8_t>& ifdBytes);

  // n bytes at file offset x, read from the medium; nullopt when the medium cannot give them.
  std::optional<std::vector<std::uint8_t>> ReadFileBytes(std::uint64_t x, std::uint64_t n) const;

 private:
  struct Sums {
    std::uint32_t size = 0;
    std::uint32_t largestStripEnd = 0;
    bool stripsSeen = false;
  };
  struct SubMode {
    std::uint32_t offset = 0;
    std::uint32_t extra = 0;
  };
  enum class EntryWalk { Failed, Done, EndedEarly };

  std::uint32_t Field(const std::vector<std::uint8_t>& bytes, std::size_t at, int width) const;
  EntryWalk WalkEntries(const std::vector<std::uint8_t>& bytes, std::size_t first, std::uint32_t count, Sums& sums,
                        SubMode* sub);
  void WalkChain(std::uint32_t offset, Sums& sums);
  bool MatchMaker(std::uint32_t offset, std::uint32_t bytes, std::uint32_t count);
  std::uint32_t WalkSubIfds(std::uint32_t type, std::uint32_t count, std::uint32_t value);
  std::uint32_t MeasureSubIfd(std::uint32_t offset);
  void ApplyThumbnailRule(std::uint32_t& size) const;
  std::vector<std::uint32_t> ReadArray(std::uint32_t offset, std::uint32_t count, int width, bool& ok) const;
  bool Visit(std::uint32_t offset);

  CarveState& state_;
  std::vector<std::uint32_t> visited_;
  int depth_ = 0;
};

}  // namespace recovery
