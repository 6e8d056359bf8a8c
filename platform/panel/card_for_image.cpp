#include "platform/panel/card_for_image.h"

#include "platform/machine/cards/card_media.h"
#include "platform/machine/flash/flash_geometry.h"
#include "platform/machine/machine.h"

#include <array>

namespace machine {
namespace {

// For readers described without a card: the size of a fresh card of the kind their bus takes.
struct EmptyReaderCard {
  Bus bus;
  std::uint64_t freshSectors;
};

constexpr std::array<EmptyReaderCard, 5> kEmptyReaderCards{{
    {Bus::Usb, 131072},  // 64 MB CompactFlash
    {Bus::Ide, 131072},
    {Bus::Pcmcia, 131072},
    {Bus::Floppy, 2880},  // 1.44 MB
    {Bus::Ls120, 245760},  // 120 MB
}};

CardDescription FreshCardFor(const ReaderDescription& reader) {
  CardDescription card;
  card.kind = SlotKindOf(reader);
  if (reader.card.kind != CardKind::None) {
    card.sectors = reader.card.sectors;
    card.smartMediaDeviceCode = reader.card.smartMediaDeviceCode;
    card.blocks = reader.card.blocks;
    card.pagesPerBlock = reader.card.pagesPerBlock;
    return card;
  }
  for (const EmptyReaderCard& choice : kEmptyReaderCards) {
    if (choice.bus == reader.bus) card.sectors = choice.freshSectors;
  }
  return card;
}

}  // namespace

CardDescription CardForImage(const ReaderDescription& reader, const std::filesystem::path& image) {
  CardDescription card = FreshCardFor(reader);
  card.image = image;
  std::error_code error;
  if (!std::filesystem::exists(image, error)) return card;
  const std::uintmax_t bytes = std::filesystem::file_size(image, error);
  if (error || bytes == 0 || bytes % kSectorSize != 0) {
    throw CardImageError(image.string() + " is no card image: its size is not a whole number of 512-byte sectors.");
  }
  card.sectors = bytes / kSectorSize;
  // A SmartMedia image tells its own model by its size.
  if (card.kind == CardKind::SmartMedia) {
    card.smartMediaDeviceCode =
        SmartMediaCodeOfImage(bytes, card.smartMediaDeviceCode).value_or(card.smartMediaDeviceCode);
  }
  return card;
}

}  // namespace machine
