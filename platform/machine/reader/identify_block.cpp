#include "platform/machine/reader/identify_block.h"

#include "platform/machine/reader/media_status.h"

#include <algorithm>

namespace machine {

namespace layout = win::identify_layout;

std::array<std::uint8_t, layout::kSize> ReaderIdentifyData(const ReaderDescription& reader, const CardMedia* card) {
  std::array<std::uint8_t, layout::kSize> data{};
  const auto sectors =
      card == nullptr ? 0U : static_cast<std::uint32_t>(std::min<std::uint64_t>(card->Sectors(), UINT32_MAX));
  layout::WriteWord(data, layout::kGeneralConfiguration, layout::kRemovableDevice);
  const std::string serial = reader.bus == Bus::Usb ? reader.usb.instance : std::string("KS") + reader.letter;
  layout::WriteText(data, layout::kSerialNumber, layout::kSerialNumberWords, serial);
  layout::WriteText(data, layout::kFirmwareRevision, layout::kFirmwareRevisionWords, reader.revision);
  layout::WriteText(data, layout::kModelNumber, layout::kModelNumberWords, reader.vendor + reader.product);
  layout::WriteWord(data, layout::kCapabilities, layout::kLbaSupported);
  layout::WriteDoubleWord(data, layout::kTotalSectors, sectors);
  layout::WriteWord(data, layout::kFirstReaderMark, layout::kReaderMark);
  layout::WriteWord(data, layout::kSecondReaderMark, layout::kReaderMark);
  layout::WriteDoubleWord(data, layout::kCardFlags, IdentifyCardFlags(card, reader.bus));
  return data;
}

}  // namespace machine
