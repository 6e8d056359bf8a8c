#include "formatlib/flash/cis_search.h"

#include "formatlib/command/library_messages.h"
#include "formatlib/flash/erase_pass.h"
#include "formatlib/flash/flash_road.h"
#include "formatlib/flash/media_geometry.h"

#include <algorithm>
#include <vector>

namespace pradvik {
namespace {

constexpr std::array<std::uint8_t, 11> kCisSignature{0x01, 0x03, 0xD9, 0x01, 0xFF, 0x18, 0x02, 0xDF, 0x01, 0x20, 0x04};

std::uint32_t RedundantLength(std::uint8_t code) {
  if (code <= 2) return 128;
  if (code <= 4) return 256;
  return 512;
}

class RoadSource final : public CisSearchSource {
 public:
  explicit RoadSource(const FormatContext& context) : context_(context) {}
  std::uint8_t ReadRedundant(std::uint32_t page, std::span<std::uint8_t> reply) override {
    ClearErrorText();
    return ReadRedundantArea(context_.road, page, reply);
  }
  std::uint8_t ReadPage(std::uint32_t page, std::span<std::uint8_t, 512> data) override {
    ClearErrorText();
    return ReadSmartMediaPages(context_.road, page, data);
  }

 private:
  const FormatContext& context_;
};

}  // namespace

bool HasCisSignature(std::span<const std::uint8_t> page) {
  return page.size() >= kCisSignature.size() && std::equal(kCisSignature.begin(), kCisSignature.end(), page.begin());
}

CisSearchResult SearchCis(CisSearchSource& source, std::uint8_t mediaCode, std::span<std::uint8_t, 512> page) {
  CisSearchResult result;
  const MediaGeometry* geometry = FindGeometry(mediaCode);
  const std::uint32_t pagesPerBlock = geometry != nullptr && !geometry->IsMemoryStick() ? geometry->pagesPerBlock : 1;
  const std::uint32_t end = CisSearchBlocks(mediaCode) * pagesPerBlock;
  bool readable = false;
  std::vector<std::uint8_t> redundant(RedundantLength(mediaCode));
  for (std::uint32_t p = 0; p < end; p += pagesPerBlock) {
    std::fill(redundant.begin(), redundant.end(), 0);
    if (source.ReadRedundant(p, redundant) == 0) continue;
    if (IsNoCardReply(redundant)) continue;
    if (redundant[5] != 0xFF) continue;
    if (source.ReadPage(p, page) == 0) continue;
    if (HasCisSignature(page)) {
      result.found = true;
      result.cisPage = p;
      std::copy_n(redundant.begin() + 13, 3, result.firstHalfEcc.begin());
      std::copy_n(redundant.begin() + 8, 3, result.secondHalfEcc.begin());
      break;
    }
    readable = true;
  }
  result.nothingReadable = !result.found && !readable;
  return result;
}

CisSearchResult FindCisBlock(const FormatContext& context, std::span<std::uint8_t, 512> page) {
  RoadSource source(context);
  return SearchCis(source, context.geometry.code, page);
}

}  // namespace pradvik
