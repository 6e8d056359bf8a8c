#include "platform/machine/fat/fat_long_name.h"

#include "platform/win/layouts/byte_order.h"

namespace machine {
namespace {

constexpr std::size_t kOrdinal = 0;
constexpr std::size_t kAttributes = 11;
constexpr std::size_t kChecksum = 13;
constexpr std::size_t kClusterLow = 26;
// The UTF-16 characters' places in a slot: 5 at 1, 6 at 14, 2 at 28.
constexpr std::array<std::size_t, kLongNameCharsPerSlot> kCharOffsets{1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
// read-only | hidden | system | volume: a combination no short entry carries.
constexpr std::uint8_t kLongNameAttributes = 0x0F;
// The attribute bits that decide a slot's kind (archive and directory included).
constexpr std::uint8_t kAttributeMask = 0x3F;
// Bit 6 of the ordinal marks the run's first slot (the name's last part).
constexpr std::uint8_t kLastPart = 0x40;
constexpr std::uint8_t kOrdinalMask = 0x1F;
// 255 characters need 20 slots.
constexpr std::uint8_t kMaxSlots = 20;
// A name that does not fill its last slot ends with a NUL and is padded with 0xFFFF.
constexpr char16_t kPadding = 0xFFFF;

}  // namespace

std::uint8_t ShortNameChecksum(std::span<const std::uint8_t, 11> shortName) {
  std::uint8_t sum = 0;
  for (const std::uint8_t c : shortName) sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + c);
  return sum;
}

bool IsLongNameSlot(std::span<const std::uint8_t, 32> slot) {
  return (slot[kAttributes] & kAttributeMask) == kLongNameAttributes;
}

std::size_t LongNameSlotCount(std::u16string_view name) {
  return (name.size() + kLongNameCharsPerSlot - 1) / kLongNameCharsPerSlot;
}

std::vector<DirSlot> EncodeLongName(std::u16string_view name, std::uint8_t checksum) {
  const std::size_t count = LongNameSlotCount(name);
  std::vector<DirSlot> slots(count);
  for (std::size_t part = 0; part < count; ++part) {
    DirSlot& slot = slots[count - 1 - part];
    slot.fill(0);
    const auto ordinal = static_cast<std::uint8_t>(part + 1);
    slot[kOrdinal] = part + 1 == count ? ordinal | kLastPart : ordinal;
    slot[kAttributes] = kLongNameAttributes;
    slot[kChecksum] = checksum;
    win::WriteLe16(slot, kClusterLow, 0);
    for (std::size_t i = 0; i < kLongNameCharsPerSlot; ++i) {
      const std::size_t at = part * kLongNameCharsPerSlot + i;
      const char16_t c = at < name.size() ? name[at] : at == name.size() ? u'\0' : kPadding;
      win::WriteLe16(slot, kCharOffsets[i], c);
    }
  }
  return slots;
}

void LongNameAssembler::Reset() {
  chars_.clear();
  expected_ = 0;
  slots_ = 0;
  valid_ = false;
}

void LongNameAssembler::Feed(std::span<const std::uint8_t, 32> slot) {
  const std::uint8_t ordinal = slot[kOrdinal] & kOrdinalMask;
  if ((slot[kOrdinal] & kLastPart) != 0) {
    Reset();
    if (ordinal == 0 || ordinal > kMaxSlots) return;
    chars_.assign(std::size_t{ordinal} * kLongNameCharsPerSlot, kPadding);
    checksum_ = slot[kChecksum];
    valid_ = true;
  } else if (!valid_ || ordinal == 0 || ordinal != expected_ || slot[kChecksum] != checksum_) {
    Reset();
    return;
  }
  for (std::size_t i = 0; i < kLongNameCharsPerSlot; ++i) {
    chars_[(ordinal - 1) * kLongNameCharsPerSlot + i] = static_cast<char16_t>(win::ReadLe16(slot, kCharOffsets[i]));
  }
  expected_ = static_cast<std::uint8_t>(ordinal - 1);
  ++slots_;
}

std::optional<std::u16string> LongNameAssembler::Finish(std::uint8_t checksum) {
  const bool whole = valid_ && expected_ == 0 && checksum == checksum_;
  std::u16string name = chars_;
  Reset();
  if (!whole) return std::nullopt;
  const auto end = name.find(u'\0');
  if (end != std::u16string::npos) name.resize(end);
  while (!name.empty() && name.back() == kPadding) name.pop_back();
  if (name.empty()) return std::nullopt;
  return name;
}

}  // namespace machine
