#include "platform/machine/reader/identify_block.h"

#include "platform/machine/reader/media_status.h"

#include <algorithm>

namespace machine {
namespace {

namespace layout = win::identify_layout;

// ATA texts hold two characters per word, the first in the high byte, padded with blanks.
void PutAtaText(std::span<std::uint8_t> data, std::size_t firstWord, std::size_t words, const std::string& text) {
  for (std::size_t i = 0; i < words * 2; ++i) {
    const char c = i < text.size() ? text[i] : ' ';
    data[layout::ByteOffset(firstWord) + (i ^ 1)] = static_cast<std::uint8_t>(c);
  }
}

}  // namespace

std::array<std::uint8_t, layout::kSize> ReaderIdentifyData(const ReaderDescription& reader, const CardMedia* card) {
  std::array<std::uint8_t, layout::kSize> data{};
  const auto sectors =
      card == nullptr ? 0U : static_cast<std::uint32_t>(std::min<std::uint64_t>(card->Sectors(), UINT32_MAX));
  layout::WriteWord(data, layout::kGeneralConfiguration, layout::kRemovableDevice);
  const std::string serial = reader.bus == Bus::Usb ? reader.usb.instance : std::string("KS") + reader.letter;
  PutAtaText(data, layout::kSerialNumber, layout::kSerialNumberWords, serial);
  PutAtaText(data, layout::kFirmwareRevision, layout::kFirmwareRevisionWords, reader.revision);
  PutAtaText(data, layout::kModelNumber, layout::kModelNumberWords, reader.vendor + reader.product);
  layout::WriteWord(data, layout::kCapabilities, layout::kLbaSupported);
  layout::WriteDoubleWord(data, layout::kTotalSectors, sectors);
  layout::WriteWord(data, layout::kFirstReaderMark, layout::kReaderMark);
  layout::WriteWord(data, layout::kSecondReaderMark, layout::kReaderMark);
  layout::WriteDoubleWord(data, layout::kCardFlags, IdentifyCardFlags(card, reader.bus));
  return data;
}

}  // namespace machine
