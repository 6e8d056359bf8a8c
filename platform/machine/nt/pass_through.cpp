#include "platform/machine/nt/pass_through.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/system/last_error.h"
#include "platform/win/layouts/pass_through_layout.h"

#include <algorithm>
#include <array>
#include <optional>

namespace machine {
namespace {

namespace spt = win::scsi_pass_through;

struct PassThroughBlock {
  std::span<const std::uint8_t> cdb;
  DataDirection direction = DataDirection::None;
  std::uint32_t dataLength = 0;
  std::uint32_t dataOffset = 0;
  std::uint32_t senseLength = 0;
  std::uint32_t senseOffset = 0;
};

std::optional<DataDirection> DirectionOf(win::BYTE dataIn) {
  switch (dataIn) {
    case win::SCSI_IOCTL_DATA_OUT: return DataDirection::Out;
    case win::SCSI_IOCTL_DATA_IN: return DataDirection::In;
    case win::SCSI_IOCTL_DATA_UNSPECIFIED: return DataDirection::Either;
    default: return std::nullopt;
  }
}

bool CarriesDataIn(DataDirection direction) {
  return direction == DataDirection::In || direction == DataDirection::Either;
}
bool CarriesDataOut(DataDirection direction) {
  return direction == DataDirection::Out || direction == DataDirection::Either;
}

// An area of the block must lie wholly after the header and inside the buffer it travels in.
bool AreaFits(std::size_t bufferSize, std::uint32_t offset, std::uint32_t length) {
  return length == 0 || (offset >= spt::kHeaderSize && win::FieldFits(bufferSize, offset, length));
}

std::optional<PassThroughBlock> ParseBlock(std::span<const win::BYTE> input, std::size_t outputSize) {
  if (input.size() < spt::kHeaderSize || outputSize < spt::kHeaderSize) return std::nullopt;
  if (win::ReadLe16(input, spt::kLength) != spt::kHeaderSize) return std::nullopt;
  const auto direction = DirectionOf(win::ReadU8(input, spt::kDataIn));
  const win::BYTE cdbLength = win::ReadU8(input, spt::kCdbLength);
  if (!direction || cdbLength == 0 || cdbLength > spt::kCdbCapacity) return std::nullopt;

  PassThroughBlock block;
  block.cdb = input.subspan(spt::kCdb, cdbLength);
  block.direction = *direction;
  block.dataLength = win::ReadLe32(input, spt::kDataTransferLength);
  block.dataOffset = win::ReadLe32(input, spt::kDataBufferOffset);
  block.senseLength = win::ReadU8(input, spt::kSenseInfoLength);
  block.senseOffset = win::ReadLe32(input, spt::kSenseInfoOffset);
  if (block.dataLength > kMaxPassThroughData) return std::nullopt;
  if (CarriesDataIn(block.direction) && !AreaFits(outputSize, block.dataOffset, block.dataLength)) return std::nullopt;
  if (CarriesDataOut(block.direction) && !AreaFits(input.size(), block.dataOffset, block.dataLength))
    return std::nullopt;
  if (!AreaFits(outputSize, block.senseOffset, block.senseLength)) return std::nullopt;
  return block;
}

// Copies the caller's bytes of [from, to) from input to output, as far as both reach.
void KeepCallerBytes(std::span<const win::BYTE> input, std::span<win::BYTE> output, std::size_t from, std::size_t to) {
  to = std::min({to, input.size(), output.size()});
  if (from < to)
    std::copy(input.begin() + static_cast<std::ptrdiff_t>(from), input.begin() + static_cast<std::ptrdiff_t>(to),
              output.begin() + static_cast<std::ptrdiff_t>(from));
}

win::DWORD BytesReturned(const PassThroughBlock& block, const ScsiRequest& request, std::uint32_t senseLength) {
  if (CarriesDataIn(block.direction) && request.Transferred() != 0) return block.dataOffset + request.Transferred();
  if (senseLength != 0) return block.senseOffset + senseLength;
  return static_cast<win::DWORD>(spt::kHeaderSize);
}

}  // namespace

win::DWORD RunScsiPassThrough(ScsiTarget& target, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                              win::DWORD& bytesReturned) {
  bytesReturned = 0;
  const auto block = ParseBlock(input, output.size());
  if (!block) return win::ERROR_INVALID_PARAMETER;

  // The reply goes back in the request's own buffer, as the system's buffered I/O does: what the
  // device does not write keeps the caller's bytes.
  const bool dataIn = CarriesDataIn(block->direction);
  const std::size_t dataEnd = std::size_t{block->dataOffset} + block->dataLength;
  const auto in = dataIn ? output.subspan(block->dataOffset, block->dataLength) : std::span<win::BYTE>();
  const auto out = block->direction == DataDirection::In ? std::span<const win::BYTE>()
                                                         : input.subspan(block->dataOffset, block->dataLength);
  if (dataIn) {
    KeepCallerBytes(input, output, 0, block->dataOffset);
    KeepCallerBytes(input, output, dataEnd, input.size());
  } else {
    KeepCallerBytes(input, output, 0, input.size());
  }

  ScsiRequest request(block->cdb, block->direction, in, out);
  target.Execute(request);

  if (dataIn) KeepCallerBytes(input, output, block->dataOffset + request.Transferred(), dataEnd);
  const bool senseBack = request.Status() == kStatusCheckCondition && block->senseLength != 0;
  const auto senseLength = senseBack ? std::min<std::uint32_t>(block->senseLength, kSenseSize) : 0U;
  std::copy_n(request.SenseData().begin(), senseLength, output.begin() + block->senseOffset);
  win::WriteU8(output, spt::kScsiStatus, request.Status());
  win::WriteU8(output, spt::kSenseInfoLength, static_cast<win::BYTE>(senseLength));
  win::WriteLe32(output, spt::kDataTransferLength, request.Transferred());
  bytesReturned = BytesReturned(*block, request, senseLength);
  return win::ERROR_SUCCESS;
}

}  // namespace machine
