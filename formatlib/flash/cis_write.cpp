#include "formatlib/flash/cis_write.h"

#include "formatlib/command/library_messages.h"

#include <pradvik_exports.h>

#include <algorithm>

namespace pradvik {
namespace {

constexpr std::array<std::uint8_t, 0x59> kTuplesHead{
    0x01, 0x03, 0xD9, 0x01, 0xFF, 0x18, 0x02, 0xDF, 0x01, 0x20, 0x04, 0x00, 0x00, 0x00, 0x00, 0x21, 0x02, 0x04,
    0x01, 0x22, 0x02, 0x01, 0x01, 0x22, 0x03, 0x02, 0x04, 0x07, 0x1A, 0x05, 0x01, 0x03, 0x00, 0x02, 0x0F, 0x1B,
    0x08, 0xC0, 0xC0, 0xA1, 0x01, 0x55, 0x08, 0x00, 0x20, 0x1B, 0x0A, 0xC1, 0x41, 0x99, 0x01, 0x55, 0x64, 0xF0,
    0xFF, 0xFF, 0x20, 0x1B, 0x0C, 0x82, 0x41, 0x18, 0xEA, 0x61, 0xF0, 0x01, 0x07, 0xF6, 0x03, 0x01, 0xEE, 0x1B,
    0x0C, 0x83, 0x41, 0x18, 0xEA, 0x61, 0x70, 0x01, 0x07, 0x76, 0x03, 0x01, 0xEE, 0x15, 0x14, 0x05, 0x00};
constexpr std::size_t kStructureLength = 0x70;
constexpr std::size_t kCopyOffset = 0x100;

void PutText(std::array<std::uint8_t, 512>& page, std::size_t offset, std::string_view text) {
  std::copy(text.begin(), text.end(), page.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

std::array<std::uint8_t, 512> FixedCisPage(bool modelPage) {
  std::array<std::uint8_t, 512> page{};
  std::copy(kTuplesHead.begin(), kTuplesHead.end(), page.begin());
  // Version tuple texts: manufacturer (7 bytes), product (4), version (3), each NUL-ended.
  PutText(page, 0x59, modelPage ? "Kestro " : "       ");
  PutText(page, 0x61, modelPage ? "MVDR" : "    ");
  PutText(page, 0x66, modelPage ? "1.0" : "0.0");
  page[0x6A] = 0xFF;  // end of the version tuple's body
  page[0x6B] = 0x14;  // no-link tuple
  page[0x6D] = 0xFF;  // end of the chain
  std::copy_n(page.begin(), kStructureLength, page.begin() + kCopyOffset);
  return page;
}

bool NamesTheModel(std::string_view productText) {
  for (const std::string_view name : {"MAVO DRUM", "MAVODRUM", "MD"}) {
    if (productText.find(name) != std::string_view::npos) return true;
  }
  return false;
}

int WriteNewCis(const FormatContext& context, bool cisValid, std::span<const std::uint8_t, 512> cardPage,
                std::uint32_t page, std::string_view productText) {
  std::array<std::uint8_t, 512> data = FixedCisPage(NamesTheModel(productText));
  if (cisValid) {
    // A newer reader on the eight-byte road keeps only the first half of a small-page card's page.
    const bool half =
        context.road.Newer() && context.road.transportKind == kTransportEightByte && context.geometry.HasSmallPages();
    std::copy_n(cardPage.begin(), half ? 256 : 512, data.begin());
  }
  const std::uint32_t pagesPerBlock = context.PagesPerBlock();
  PrepareBlockErrorText(kStrCisWriteFailed, page / pagesPerBlock, page % pagesPerBlock);
  // An ignored failure leaves the card without its structure: no format to report.
  if (WriteSmartMediaPages(context.road, page, 0xC1, 0, data) != 1) return 0;
  StepProgress(context.progressWindow, context.percentWindow);
  return 1;
}

}  // namespace pradvik
