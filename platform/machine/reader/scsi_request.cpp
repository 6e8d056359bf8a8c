#include "platform/machine/reader/scsi_request.h"

#include <algorithm>

namespace machine {
namespace {

constexpr std::uint8_t kFixedCurrentSense = 0x70;
constexpr std::uint8_t kAdditionalSenseLength = kSenseSize - 8;
constexpr std::uint8_t kSenseKeyNotReady = 0x02;
constexpr std::uint8_t kSenseKeyMediumError = 0x03;
constexpr std::uint8_t kSenseKeyIllegalRequest = 0x05;
constexpr std::uint8_t kSenseKeyDataProtect = 0x07;

bool AllowsIn(DataDirection direction) { return direction == DataDirection::In || direction == DataDirection::Either; }
bool AllowsOut(DataDirection direction) {
  return direction == DataDirection::Out || direction == DataDirection::Either;
}

}  // namespace

ScsiRequest::ScsiRequest(std::span<const std::uint8_t> cdb, DataDirection direction, std::span<std::uint8_t> in,
                         std::span<const std::uint8_t> out)
    : cdb_(cdb), direction_(direction), in_(in), out_(out) {}

std::span<std::uint8_t> ScsiRequest::In() const { return AllowsIn(direction_) ? in_ : std::span<std::uint8_t>(); }

std::span<const std::uint8_t> ScsiRequest::Out() const {
  return AllowsOut(direction_) ? out_ : std::span<const std::uint8_t>();
}

void ScsiRequest::Complete(std::uint32_t transferred) {
  status_ = kStatusGood;
  transferred_ = transferred;
  sense_.fill(0);
}

void ScsiRequest::Fail(Sense sense, std::uint32_t transferred) {
  status_ = kStatusCheckCondition;
  transferred_ = transferred;
  sense_.fill(0);
  sense_[0] = kFixedCurrentSense;
  sense_[2] = sense.key;
  sense_[7] = kAdditionalSenseLength;
  sense_[12] = sense.asc;
  sense_[13] = sense.ascq;
}

std::uint32_t ScsiRequest::Residual() const {
  const std::size_t buffer = std::max(In().size(), Out().size());
  return static_cast<std::uint32_t>(buffer - std::min<std::size_t>(buffer, transferred_));
}

ResultCategory ScsiRequest::Category() const {
  if (status_ == kStatusGood) return ResultCategory::Clean;
  if (status_ != kStatusCheckCondition) return ResultCategory::Other;
  switch (sense_[2]) {
    case kSenseKeyNotReady: return ResultCategory::NotReady;
    case kSenseKeyMediumError: return ResultCategory::MediumError;
    case kSenseKeyIllegalRequest:
      return sense_[12] == sense::kInvalidOpcode.asc ? ResultCategory::InvalidOpcode : ResultCategory::IllegalRequest;
    case kSenseKeyDataProtect: return ResultCategory::DataProtect;
    default: return ResultCategory::Other;
  }
}

}  // namespace machine
