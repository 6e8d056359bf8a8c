// The FAT formatters' size of a card whose reader answers READ CAPACITY with a failure: the
// MODE SENSE block descriptor read as its fields are laid out.
#include "formatlib/command/format_library_state.h"
#include "formatlib/fat/medium_probe.h"

#include "platform/win/devices/device_io.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/pass_through_layout.h"
#include "platform/win/layouts/scsi_commands.h"
#include "platform/win/layouts/scsi_layout.h"
#include "platform/win/system/io_object.h"
#include "platform/win/system/last_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace pradvik {
namespace {

namespace spt = win::scsi_pass_through;

// A reader through SCSI pass-through that refuses READ CAPACITY and describes its card, with a
// density code, in MODE SENSE's block descriptor.
class NoCapacityReader final : public win::IoObject {
 public:
  NoCapacityReader(std::uint8_t density, std::uint32_t blocks) : density_(density), blocks_(blocks) {}
  win::BOOL Read(std::span<win::BYTE>, win::DWORD&) override { return win::Fail(win::ERROR_INVALID_FUNCTION); }
  win::BOOL Write(std::span<const win::BYTE>, win::DWORD&) override { return win::Fail(win::ERROR_INVALID_FUNCTION); }
  win::BOOL Seek(win::LONGLONG, win::DWORD, win::ULONGLONG&) override { return win::Fail(win::ERROR_INVALID_FUNCTION); }
  win::BOOL Flush() override { return win::Fail(win::ERROR_INVALID_FUNCTION); }
  std::optional<win::ULONGLONG> Size() override { return std::nullopt; }

  win::BOOL IoControl(win::DWORD code, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                      win::DWORD& returned) override {
    if (code != win::IOCTL_SCSI_PASS_THROUGH || input.size() < spt::kDataArea || output.size() < input.size()) {
      return win::Fail(win::ERROR_INVALID_FUNCTION);
    }
    std::copy(input.begin(), input.end(), output.begin());
    returned = static_cast<win::DWORD>(output.size());
    const auto data = output.subspan(spt::kDataArea);
    if (input[spt::kCdb] == win::kScsiModeSense6 && data.size() >= 12) {
      data[0] = 11;
      data[3] = 8;
      win::WriteBe32(data, 4, (std::uint32_t{density_} << 24) | blocks_);
      win::WriteBe32(data, 8, 512);
      return win::TRUE;
    }
    output[spt::kScsiStatus] = win::kScsiStatusCheckCondition;
    output[spt::kSenseArea + win::sense_data::kResponseCode] = 0x70;
    return win::TRUE;
  }

 private:
  std::uint8_t density_;
  std::uint32_t blocks_;
};

TEST(MediumProbe, TheModeSenseDescriptorGivesTheLastBlockWithoutTheDensityCode) {
  LibraryState().osKind = kOsWindows2000;
  const win::HANDLE reader = win::InsertHandle(std::make_shared<NoCapacityReader>(0x11, 40000));
  const auto capacity = ProbeCardCapacity(reader);
  win::CloseHandle(reader);
  ASSERT_TRUE(capacity.has_value());
  EXPECT_EQ(capacity->lastLba, 39999u);
  EXPECT_EQ(capacity->blockLength, 512u);
}

}  // namespace
}  // namespace pradvik
