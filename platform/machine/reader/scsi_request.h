// One SCSI command as a target sees it, in the manner of sg3_utils' pass-through object: the
// command block, the data and its direction, and what came back (status, fixed-format sense,
// the bytes moved, the residual and a named result category). A backend is a ScsiTarget: the
// simulated readers today, real block devices through SG_IO later.
#pragma once

#include "platform/win/layouts/scsi_commands.h"

#include <array>
#include <cstdint>
#include <span>

namespace machine {

// Either: the caller did not say (SCSI_IOCTL_DATA_UNSPECIFIED); the command decides.
enum class DataDirection { None, In, Out, Either };

constexpr std::uint8_t kStatusGood = win::kScsiStatusGood;
constexpr std::uint8_t kStatusCheckCondition = win::kScsiStatusCheckCondition;
constexpr std::size_t kSenseSize = 18;  // fixed-format sense data

// A sense key with its additional sense code and qualifier.
struct Sense {
  std::uint8_t key;
  std::uint8_t asc;
  std::uint8_t ascq;
};

namespace sense {
constexpr Sense kMediumNotPresent{0x02, 0x3A, 0x00};
constexpr Sense kWriteError{0x03, 0x0C, 0x00};
constexpr Sense kUnrecoveredReadError{0x03, 0x11, 0x00};
constexpr Sense kInvalidOpcode{0x05, 0x20, 0x00};
constexpr Sense kLbaOutOfRange{0x05, 0x21, 0x00};
constexpr Sense kInvalidFieldInCdb{0x05, 0x24, 0x00};
constexpr Sense kWriteProtected{0x07, 0x27, 0x00};
}  // namespace sense

// What a finished command amounts to, named as sg3_utils names its categories.
enum class ResultCategory { Clean, NotReady, MediumError, IllegalRequest, InvalidOpcode, DataProtect, Other };

class ScsiRequest {
 public:
  // in receives data-in, out holds data-out; a direction without data leaves its span empty.
  ScsiRequest(std::span<const std::uint8_t> cdb, DataDirection direction, std::span<std::uint8_t> in,
              std::span<const std::uint8_t> out);

  std::span<const std::uint8_t> Cdb() const { return cdb_; }
  DataDirection Direction() const { return direction_; }
  // The caller's buffers, empty when the direction does not allow that way.
  std::span<std::uint8_t> In() const;
  std::span<const std::uint8_t> Out() const;

  // The device's answers: GOOD with the bytes moved, or CHECK CONDITION with sense data.
  void Complete(std::uint32_t transferred);
  void Fail(Sense sense, std::uint32_t transferred = 0);

  std::uint8_t Status() const { return status_; }
  std::uint32_t Transferred() const { return transferred_; }
  // Bytes of the caller's buffer that the command did not move.
  std::uint32_t Residual() const;
  // Meaningful after a CHECK CONDITION; zeros otherwise.
  const std::array<std::uint8_t, kSenseSize>& SenseData() const { return sense_; }
  ResultCategory Category() const;

 private:
  std::span<const std::uint8_t> cdb_;
  DataDirection direction_;
  std::span<std::uint8_t> in_;
  std::span<const std::uint8_t> out_;
  std::uint8_t status_ = kStatusGood;
  std::uint32_t transferred_ = 0;
  std::array<std::uint8_t, kSenseSize> sense_{};
};

// A device that answers SCSI commands. Execute always finishes the request with Complete or Fail.
class ScsiTarget {
 public:
  virtual ~ScsiTarget() = default;
  virtual void Execute(ScsiRequest& request) = 0;
};

}  // namespace machine
