#include "platform/machine/reader/identify_data.h"

#include "platform/machine/reader/media_status.h"

#include "platform/win/layouts/byte_order.h"

#include <algorithm>

namespace machine {
namespace {

constexpr std::uint16_t kRemovableDevice = 0x0080;
constexpr std::uint16_t kLbaSupported = 0x0200;
constexpr std::uint16_t kReaderMark = 0x4B53;  // "KS": the maker's readers fill words 135 and 136

void PutWord(std::span<std::uint8_t> data, std::size_t word, std::uint16_t value) {
  win::WriteLe16(data, word * 2, value);
}

// ATA texts hold two characters per word, the first in the high byte, padded with blanks.
void PutAtaText(std::span<std::uint8_t> data, std::size_t firstWord, std::size_t words, const std::string& text) {
  for (std::size_t i = 0; i < words * 2; ++i) {
    const char c = i < text.size() ? text[i] : ' ';
    data[firstWord * 2 + (i ^ 1)] = static_cast<std::uint8_t>(c);
  }
}

}  // namespace

std::array<std::uint8_t, kIdentifySize> ReaderIdentifyData(const ReaderDescription& reader, const CardMedia* card) {
  std::array<std::uint8_t, kIdentifySize> data{};
  const auto sectors =
      card == nullptr ? 0U : static_cast<std::uint32_t>(std::min<std::uint64_t>(card->Sectors(), UINT32_MAX));
  PutWord(data, 0, kRemovableDevice);
  PutAtaText(data, 10, 10, reader.bus == Bus::Usb ? reader.usb.instance : std::string("KS") + reader.letter);
  PutAtaText(data, 23, 4, reader.revision);
  PutAtaText(data, 27, 20, reader.vendor + reader.product);
  PutWord(data, 49, kLbaSupported);
  win::WriteLe32(data, 60 * 2, sectors);
  PutWord(data, 135, kReaderMark);
  PutWord(data, 136, kReaderMark);
  win::WriteLe32(data, 157 * 2, IdentifyCardFlags(card, reader.bus));
  return data;
}

}  // namespace machine
