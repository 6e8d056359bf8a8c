#include "platform/machine/card_image.h"

#include "platform/machine/card_sectors.h"
#include "platform/machine/flash_card.h"
#include "platform/machine/image_file_device.h"

namespace machine {
namespace {

// A card's logical sectors, owning the card they come from.
class FlashImageDevice final : public SectorDevice {
 public:
  explicit FlashImageDevice(const CardDescription& card) : card_(card), device_(card_) {}
  std::uint64_t SectorCount() const override { return device_.SectorCount(); }
  IoStatus ReadSectors(std::uint64_t first, std::span<std::uint8_t> buffer) override {
    return device_.ReadSectors(first, buffer);
  }
  IoStatus WriteSectors(std::uint64_t first, std::span<const std::uint8_t> data) override {
    return device_.WriteSectors(first, data);
  }

 private:
  CardMedia card_;
  CardMediaDevice device_;
};

}  // namespace

IoResult<std::unique_ptr<SectorDevice>> OpenCardImage(const CardDescription& card) {
  if (IsRawFlash(card.kind)) return std::unique_ptr<SectorDevice>(std::make_unique<FlashImageDevice>(card));
  auto device = ImageFileDevice::Open(card.image, false);
  if (!device) return device.failure();
  return std::unique_ptr<SectorDevice>(std::move(*device));
}

}  // namespace machine
