#include "platform/machine/reader/media_status.h"

#include "platform/win/layouts/reader_vendor_commands.h"

#include <algorithm>
#include <array>

namespace machine {
namespace {

struct KindBits {
  CardKind kind;
  std::uint32_t status;  // vendor reply and INQUIRY
  std::uint32_t identify;  // the IDENTIFY card flags
};

constexpr std::array kKindBits{
    KindBits{CardKind::CompactFlash, win::kStatusCompactFlash, win::kStatusCompactFlash},
    KindBits{CardKind::SmartMedia, win::kStatusSmartMedia, win::kStatusSmartMedia},
    KindBits{CardKind::MemoryStick, win::kStatusMemoryStick, win::kStatusMemoryStick},
    KindBits{CardKind::MemoryStickPro, win::kStatusMemoryStickPro | win::kStatusMemoryStick, win::kStatusMemoryStick},
    KindBits{CardKind::MmcSd, win::kStatusMmcSd, win::kIdentifyMmcSd},
};

const KindBits* BitsOf(const CardMedia& card) {
  const auto* found = std::find_if(kKindBits.begin(), kKindBits.end(),
                                   [&card](const KindBits& entry) { return entry.kind == card.Kind(); });
  return found == kKindBits.end() ? nullptr : found;
}

std::uint32_t Protection(const CardMedia& card) { return card.WriteProtected() ? win::kStatusWriteProtected : 0; }

}  // namespace

std::uint32_t VendorStatusWord(const CardMedia* card) {
  if (card == nullptr) return win::kVendorNoCardReply;
  const KindBits* bits = BitsOf(*card);
  return (bits == nullptr ? 0 : bits->status) | Protection(*card);
}

std::uint32_t InquiryStatusWord(const CardMedia* card) { return card == nullptr ? 0 : VendorStatusWord(card); }

std::uint32_t IdentifyCardFlags(const CardMedia* card, Bus bus) {
  const std::uint32_t reader = bus == Bus::Pcmcia ? win::kIdentifyPcmcia : 0;
  if (card == nullptr) return reader;
  const KindBits* bits = BitsOf(*card);
  return reader | (bits == nullptr ? 0 : bits->identify) | Protection(*card);
}

}  // namespace machine
