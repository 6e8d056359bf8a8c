// Long-name directory entries: the run of 32-byte slots before a short entry that spells the
// name in UTF-16, 13 characters a slot, each slot carrying the short name's checksum.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace machine {

using DirSlot = std::array<std::uint8_t, 32>;

// Characters one long-name slot holds.
constexpr std::size_t kLongNameCharsPerSlot = 13;

// The checksum of an 11-byte short name that binds its long-name slots to it.
std::uint8_t ShortNameChecksum(std::span<const std::uint8_t, 11> shortName);

// True when a slot is a long-name slot (its attribute byte is read-only|hidden|system|volume).
bool IsLongNameSlot(std::span<const std::uint8_t, 32> slot);

// The slots that spell `name`, in directory order (the last part first).
std::vector<DirSlot> EncodeLongName(std::u16string_view name, std::uint8_t checksum);

// The number of slots a long name takes.
std::size_t LongNameSlotCount(std::u16string_view name);

// Collects the long-name slots that precede a short entry, in directory order, and answers the
// name only when the run is whole, in sequence and bound to that short entry.
class LongNameAssembler {
 public:
  // Takes the next long-name slot.
  void Feed(std::span<const std::uint8_t, 32> slot);
  // Forgets a partly collected run (a free or foreign slot broke it).
  void Reset();
  // The name collected for a short entry with this checksum; the assembler is reset.
  std::optional<std::u16string> Finish(std::uint8_t checksum);
  // The number of slots of the run collected so far.
  std::size_t SlotCount() const { return slots_; }

 private:
  std::u16string chars_;
  std::uint8_t checksum_ = 0;
  std::uint8_t expected_ = 0;  // the ordinal the next slot must carry; 0 when none is expected
  std::size_t slots_ = 0;
  bool valid_ = false;
};

}  // namespace machine
