#include "formatlib/flash/layout_write.h"

#include "formatlib/command/library_messages.h"
#include "formatlib/flash/bad_block_list.h"

namespace pradvik {
namespace {

int Write(const FormatContext& context, std::uint32_t page, std::span<const std::uint8_t> data, std::uint8_t count,
          std::uint32_t messageId) {
  const std::uint32_t pagesPerBlock = context.PagesPerBlock();
  const std::uint32_t block = page / pagesPerBlock;
  const std::uint32_t pageInBlock = page % pagesPerBlock;
  const std::uint16_t logical = LogicalBlockOf(context.geometry, block);
  PrepareBlockErrorText(messageId, block, pageInBlock);
  const std::uint8_t result =
      context.MemoryStick()
          ? WriteStickPages(context.road, block, static_cast<std::uint8_t>(pageInBlock), count, logical, data)
          : WriteSmartMediaPages(context.road, page, count, logical, data);
  // An ignored failure leaves the volume unwritten: no format to report.
  return result == 1 ? 1 : 0;
}

}  // namespace

int WriteLayoutSectors(const FormatContext& context, std::uint32_t page, std::span<const std::uint8_t> sectors,
                       std::uint32_t messageId) {
  return Write(context, page, sectors, static_cast<std::uint8_t>(0x40 + sectors.size() / 512), messageId);
}

int WriteLayoutBlock(const FormatContext& context, std::uint32_t page, std::span<const std::uint8_t> block,
                     std::uint32_t messageId) {
  return Write(context, page, block, static_cast<std::uint8_t>(0x40 + context.PagesPerBlock()), messageId);
}

}  // namespace pradvik
