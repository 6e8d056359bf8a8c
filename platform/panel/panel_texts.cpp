#include "platform/panel/panel_texts.h"

#include "platform/machine/cards/card_media.h"
#include "platform/machine/flash/flash_card.h"
#include "platform/win/files/volumes.h"

#include <array>
#include <string_view>

namespace machine {
namespace {

struct KindName {
  CardKind kind;
  const char* name;
};

constexpr std::array<KindName, 6> kKindNames{{
    {CardKind::CompactFlash, "CompactFlash"},
    {CardKind::SmartMedia, "SmartMedia"},
    {CardKind::MemoryStick, "Memory Stick"},
    {CardKind::MemoryStickPro, "Memory Stick Pro"},
    {CardKind::MmcSd, "MMC/SD"},
    {CardKind::Floppy, "Floppy disk"},
}};

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string KindText(CardKind kind) {
  for (const KindName& entry : kKindNames) {
    if (entry.kind == kind) return entry.name;
  }
  return "Card";
}

// Whether the program counts the reader's cards in units of 1,000,000 bytes: the cards of IDE
// and PCMCIA slots, and those of the maker's readers, which it knows by their INQUIRY vendor.
bool CountsInMillions(const ReaderDescription& reader) {
  if (reader.bus == Bus::Ide || reader.bus == Bus::Pcmcia) return true;
  if (reader.bus == Bus::Floppy) return false;
  return reader.vendor.find("Kestro ") != std::string::npos || reader.vendor.find("KSX-USB") != std::string::npos;
}

// The size the program's Information page gives the same card in the same reader, so that a
// card never reads as two sizes: a raw flash card by its nominal size; a plain card in units
// of 1,000,000 bytes where the program counts so, elsewhere by its volume's size in megabytes
// of 2^20 bytes.
std::uint64_t Megabytes(const ReaderDescription& reader, const CardDescription& card) {
  constexpr std::uint64_t kMegabyte = 1 << 20;
  if (IsRawFlash(card.kind)) {
    const FlashGeometry geometry = FlashGeometryOf(card);
    return geometry.Pages() * geometry.pageSize / kMegabyte;
  }
  const std::uint64_t bytes = card.sectors * kSectorSize;
  if (CountsInMillions(reader)) return bytes / 1000 / 1000;
  const std::string root = std::string(1, reader.letter) + ":\\";
  win::ULARGE_INTEGER available{}, total{}, free{};
  if (win::GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free)) return total.QuadPart / kMegabyte;
  return bytes / kMegabyte;
}

}  // namespace

std::string ReaderText(const ReaderDescription& reader) {
  if (reader.bus == Bus::Floppy) return "Floppy drive";
  std::string text(Trimmed(reader.vendor));
  const std::string_view product = Trimmed(reader.product);
  if (!text.empty() && !product.empty()) text += ' ';
  return text.append(product);
}

std::string CardText(const ReaderDescription& reader, const std::optional<HeldCard>& card) {
  if (!card) return "none";
  std::string text =
      KindText(card->description.kind) + ", " + std::to_string(Megabytes(reader, card->description)) + " MB";
  if (!card->reachable) text += " (not ready)";
  return text;
}

std::string ImageText(const std::optional<HeldCard>& card) {
  return card ? card->description.image.filename().string() : std::string();
}

}  // namespace machine
