#include "platform/win/devices/device_io.h"

#include "platform/win/devices/device_namespace.h"
#include "platform/win/system/last_error.h"
#include "platform/win/system/windows_version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace win {
namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;

// Answers every code by writing its input reversed into the output.
class ReversingDevice final : public IoObject {
 public:
  BOOL Read(std::span<BYTE>, DWORD&) override { return Fail(ERROR_INVALID_FUNCTION); }
  BOOL Write(std::span<const BYTE>, DWORD&) override { return Fail(ERROR_INVALID_FUNCTION); }
  BOOL Seek(LONGLONG, DWORD, ULONGLONG&) override { return Fail(ERROR_INVALID_FUNCTION); }
  BOOL Flush() override { return Fail(ERROR_INVALID_FUNCTION); }
  std::optional<ULONGLONG> Size() override { return std::nullopt; }

  BOOL IoControl(DWORD code, std::span<const BYTE> input, std::span<BYTE> output, DWORD& bytesReturned) override {
    codes.push_back(code);
    if (failWith != ERROR_SUCCESS) return Fail(failWith);
    const std::size_t count = std::min(input.size(), output.size());
    for (std::size_t i = 0; i < count; ++i) output[i] = input[input.size() - 1 - i];
    bytesReturned = static_cast<DWORD>(count);
    return TRUE;
  }

  std::vector<DWORD> codes;
  DWORD failWith = ERROR_SUCCESS;
};

class DeviceIoControlTest : public ::testing::Test {
 protected:
  void SetUp() override { handle_ = InsertHandle(device_); }
  void TearDown() override {
    CloseHandle(handle_);
    SetWindowsVersion(WindowsVersion::Xp);
  }

  // Sends code with a 4-byte input and output; answers the result and the last error.
  std::pair<BOOL, DWORD> Send(DWORD code) {
    std::array<BYTE, 4> input{1, 2, 3, 4};
    std::array<BYTE, 4> output{};
    DWORD returned = kSentinel;
    SetLastError(kSentinel);
    const BOOL result = DeviceIoControl(handle_, code, input.data(), 4, output.data(), 4, &returned, nullptr);
    return {result, result ? ERROR_SUCCESS : GetLastError()};
  }

  std::shared_ptr<ReversingDevice> device_ = std::make_shared<ReversingDevice>();
  HANDLE handle_ = nullptr;
};

TEST_F(DeviceIoControlTest, DispatchesToTheDeviceWithItsInputAndOutput) {
  std::array<BYTE, 3> input{7, 8, 9};
  std::array<BYTE, 12> output{};
  DWORD returned = kSentinel;
  ASSERT_TRUE(DeviceIoControl(handle_, IOCTL_STORAGE_GET_DEVICE_NUMBER, input.data(), 3, output.data(), 12, &returned,
                              nullptr));
  EXPECT_EQ(device_->codes, std::vector<DWORD>{IOCTL_STORAGE_GET_DEVICE_NUMBER});
  EXPECT_EQ(returned, 3U);
  EXPECT_EQ(output[0], 9);
  EXPECT_EQ(output[2], 7);
}

TEST_F(DeviceIoControlTest, OneBlockServesAsInputAndOutput) {
  std::array<BYTE, 62> block{};
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<BYTE>(i);
  DWORD returned = 0;
  ASSERT_TRUE(
      DeviceIoControl(handle_, IOCTL_SCSI_PASS_THROUGH, block.data(), 62, block.data(), 62, &returned, nullptr));
  // Reversing in place would have read bytes it had already overwritten.
  for (std::size_t i = 0; i < block.size(); ++i) EXPECT_EQ(block[i], 61 - i) << i;
}

TEST_F(DeviceIoControlTest, TheDevicesFailureAndErrorComeBack) {
  device_->failWith = ERROR_NOT_READY;
  EXPECT_EQ(Send(FSCTL_LOCK_VOLUME), std::make_pair(FALSE, ERROR_NOT_READY));
}

struct Availability {
  WindowsVersion version;
  DWORD code;
  bool present;
};

TEST_F(DeviceIoControlTest, CodesExistOnlyWhereTheWindowsVersionHasThem) {
  constexpr DWORD kDriverRequest = 10;  // a VxD's own code
  const std::array cases{
      Availability{WindowsVersion::Nt4, IOCTL_SCSI_PASS_THROUGH, true},
      Availability{WindowsVersion::Nt4, IOCTL_STORAGE_QUERY_PROPERTY, false},
      Availability{WindowsVersion::Nt4, IOCTL_IDE_PASS_THROUGH, false},
      Availability{WindowsVersion::Nt4, IOCTL_STORAGE_GET_DEVICE_NUMBER, true},
      Availability{WindowsVersion::Win2000, IOCTL_IDE_PASS_THROUGH, true},
      Availability{WindowsVersion::Xp, IOCTL_STORAGE_QUERY_PROPERTY, true},
      Availability{WindowsVersion::Xp, VWIN32_DIOC_DOS_INT25, false},
      Availability{WindowsVersion::Xp, kDriverRequest, false},
      Availability{WindowsVersion::Xp, 0x12345678, false},
      Availability{WindowsVersion::Win98, IOCTL_SCSI_PASS_THROUGH, false},
      Availability{WindowsVersion::Win95, FSCTL_LOCK_VOLUME, false},
      Availability{WindowsVersion::WinMe, SMART_RCV_DRIVE_DATA, false},
      Availability{WindowsVersion::WinMe, VWIN32_DIOC_DOS_INT26, true},
      Availability{WindowsVersion::Win95Osr2, VWIN32_DIOC_DOS_IOCTL, true},
      Availability{WindowsVersion::Win95, kDriverRequest, true},
  };
  for (const auto& entry : cases) {
    SetWindowsVersion(entry.version);
    device_->codes.clear();
    const auto [result, error] = Send(entry.code);
    SCOPED_TRACE(testing::Message() << "version " << static_cast<int>(entry.version) << " code 0x" << std::hex
                                    << entry.code);
    EXPECT_EQ(result != FALSE, entry.present);
    EXPECT_EQ(error, entry.present ? ERROR_SUCCESS : ERROR_INVALID_FUNCTION);
    EXPECT_EQ(device_->codes.size(), entry.present ? 1U : 0U);
  }
}

TEST_F(DeviceIoControlTest, ClosedAndForeignHandlesAreInvalid) {
  ASSERT_TRUE(CloseHandle(handle_));
  EXPECT_EQ(Send(FSCTL_LOCK_VOLUME), std::make_pair(FALSE, ERROR_INVALID_HANDLE));
  handle_ = InsertHandle(std::make_shared<KernelObject>());
  EXPECT_EQ(Send(FSCTL_LOCK_VOLUME), std::make_pair(FALSE, ERROR_INVALID_HANDLE));
  EXPECT_TRUE(device_->codes.empty());
}

TEST_F(DeviceIoControlTest, BuffersMustMatchTheirSizes) {
  std::array<BYTE, 4> buffer{};
  DWORD returned = kSentinel;
  SetLastError(kSentinel);
  EXPECT_FALSE(DeviceIoControl(handle_, FSCTL_LOCK_VOLUME, nullptr, 4, buffer.data(), 4, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NOACCESS);
  EXPECT_EQ(returned, 0U);
  SetLastError(kSentinel);
  EXPECT_FALSE(DeviceIoControl(handle_, FSCTL_LOCK_VOLUME, buffer.data(), 4, nullptr, 1, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NOACCESS);
  SetLastError(kSentinel);
  EXPECT_FALSE(DeviceIoControl(handle_, FSCTL_LOCK_VOLUME, buffer.data(), 4, buffer.data(), 4, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(device_->codes.empty());
  // No buffers at all is a complete request.
  EXPECT_TRUE(DeviceIoControl(handle_, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr));
  EXPECT_EQ(returned, 0U);
}

TEST(DeviceNamespace, OpensThroughTheMachinesOpener) {
  DWORD error = kSentinel;
  EXPECT_EQ(OpenDevice("E:", 0, 0, error), nullptr);
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);

  auto device = std::make_shared<ReversingDevice>();
  SetDeviceOpener(
      [device](std::string_view name, DWORD, DWORD shareMode, DWORD& openError) -> std::shared_ptr<IoObject> {
        if (name == "vwin32") return device;
        if (name == "E:" && shareMode == 0) openError = ERROR_SHARING_VIOLATION;
        return nullptr;
      });
  EXPECT_EQ(OpenDevice("vwin32", 0, 0, error), device);
  EXPECT_EQ(error, ERROR_SUCCESS);
  EXPECT_EQ(OpenDevice("E:", 0, 0, error), nullptr);
  EXPECT_EQ(error, ERROR_SHARING_VIOLATION);
  // An opener that names no reason still reports the device as missing.
  EXPECT_EQ(OpenDevice("TARNLOK.VXD", 0, 3, error), nullptr);
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
  SetDeviceOpener(nullptr);
}

}  // namespace
}  // namespace win
