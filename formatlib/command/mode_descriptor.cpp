#include "formatlib/command/mode_descriptor.h"

#include "platform/win/layouts/byte_order.h"

#include <algorithm>

namespace pradvik {

void CapacityFromDescriptor(std::span<const std::uint8_t> mode,
                            std::span<std::uint8_t, win::read_capacity::kSize> capacity) {
  namespace mode6 = win::mode_sense6;
  std::fill(capacity.begin(), capacity.end(), std::uint8_t{0});
  if (mode.size() < mode6::kBlockDescriptor + mode6::kBlockDescriptorSize) return;
  const std::uint32_t blocks =
      win::ReadBe32(mode, mode6::kBlockDescriptor + mode6::kDescriptorBlockCount) & mode6::kDescriptorFieldMask;
  const std::uint32_t length =
      win::ReadBe32(mode, mode6::kBlockDescriptor + mode6::kDescriptorBlockLength) & mode6::kDescriptorFieldMask;
  win::WriteBe32(capacity, win::read_capacity::kLastBlock, blocks == 0 ? 0 : blocks - 1);
  win::WriteBe32(capacity, win::read_capacity::kBlockLength, length);
}

}  // namespace pradvik
