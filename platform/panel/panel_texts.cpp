#include "platform/panel/panel_texts.h"

#include <array>
#include <cstdio>
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

// Megabytes of 2^20 bytes, with one decimal where the size is no whole number of them.
std::string SizeText(std::uint64_t sectors) {
  constexpr std::uint64_t kSectorsPerMegabyte = 2048;
  std::array<char, 32> text{};
  if (sectors % kSectorsPerMegabyte == 0) {
    std::snprintf(text.data(), text.size(), "%llu MB", static_cast<unsigned long long>(sectors / kSectorsPerMegabyte));
  } else {
    std::snprintf(text.data(), text.size(), "%.1f MB", static_cast<double>(sectors) / kSectorsPerMegabyte);
  }
  return text.data();
}

}  // namespace

std::string ReaderText(const ReaderDescription& reader) {
  if (reader.bus == Bus::Floppy) return "Floppy drive";
  std::string text(Trimmed(reader.vendor));
  const std::string_view product = Trimmed(reader.product);
  if (!text.empty() && !product.empty()) text += ' ';
  return text.append(product);
}

std::string CardText(const std::optional<HeldCard>& card) {
  if (!card) return "none";
  std::string text = KindText(card->description.kind);
  // Raw flash cards take their size from their geometry, not from a sector count.
  if (card->description.sectors != 0) text += ", " + SizeText(card->description.sectors);
  if (!card->reachable) text += " (not ready)";
  return text;
}

std::string ImageText(const std::optional<HeldCard>& card) {
  return card ? card->description.image.filename().string() : std::string();
}

}  // namespace machine
