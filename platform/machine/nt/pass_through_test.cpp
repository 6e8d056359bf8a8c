// IOCTL_SCSI_PASS_THROUGH requests that do not add up fail cleanly and touch nothing beyond the
// caller's buffers; delivered requests come back with status, sense and length.
#include "platform/machine/testing/machine_testing.h"

#include <gtest/gtest.h>

namespace machine {
namespace {

namespace spt = win::scsi_pass_through;
using test_support::kDataOffset;
using test_support::kSenseOffset;

class PassThroughTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::WriteNumberedImage("cf.img", 256);
    machine_ = std::make_unique<Machine>(test_support::Describe(R"({"version":1,"readers":[
      {"maker":true,"letter":"E","card":{"kind":"cf","image":"cf.img","sectors":256}},
      {"bus":"floppy","letter":"A","card":{"kind":"floppy","image":"a.img","sectors":256}}]})"));
    machine_->Install();
    handle_ = test_support::OpenDevice("E:");
  }
  void TearDown() override { win::CloseHandle(handle_); }

  // A READ(10) block of one sector laid out as the system lays it out.
  static std::vector<std::uint8_t> ReadBlock(std::uint32_t dataLength, std::size_t bufferSize) {
    std::vector<std::uint8_t> block(bufferSize, 0);
    win::WriteLe16(block, spt::kLength, spt::kHeaderSize);
    win::WriteU8(block, spt::kCdbLength, 10);
    win::WriteU8(block, spt::kSenseInfoLength, 18);
    win::WriteU8(block, spt::kDataIn, win::SCSI_IOCTL_DATA_IN);
    win::WriteLe32(block, spt::kDataTransferLength, dataLength);
    win::WriteLe32(block, spt::kDataBufferOffset, kDataOffset);
    win::WriteLe32(block, spt::kSenseInfoOffset, kSenseOffset);
    block[spt::kCdb] = 0x28;
    block[spt::kCdb + 8] = static_cast<std::uint8_t>(dataLength / 512);
    return block;
  }

  // Sends block with the given buffer sizes; answers the last error, 0 on success.
  win::DWORD Send(std::vector<std::uint8_t>& block, std::size_t inSize, std::size_t outSize) {
    win::DWORD returned = 0;
    win::SetLastError(0xDEAD);
    const bool ok =
        win::DeviceIoControl(handle_, win::IOCTL_SCSI_PASS_THROUGH, block.data(), static_cast<win::DWORD>(inSize),
                             block.data(), static_cast<win::DWORD>(outSize), &returned, nullptr);
    returned_ = returned;
    return ok ? 0 : win::GetLastError();
  }

  std::unique_ptr<Machine> machine_;
  win::HANDLE handle_ = nullptr;
  win::DWORD returned_ = 0;
};

TEST_F(PassThroughTest, WholeRequestOfThirtyTwoKilobytesIsCarried) {
  auto block = ReadBlock(32768, kDataOffset + 32768);
  ASSERT_EQ(Send(block, block.size(), block.size()), 0U);
  EXPECT_EQ(win::ReadLe32(block, spt::kDataTransferLength), 32768U);
  EXPECT_EQ(win::ReadLe32(block, kDataOffset + 63 * 512), 63U);
  EXPECT_EQ(returned_, kDataOffset + 32768);
}

TEST_F(PassThroughTest, InconsistentRequestsFailWithInvalidParameter) {
  struct Case {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> spoil;
    std::size_t inSize;
    std::size_t outSize;
  };
  const std::size_t full = kDataOffset + 512;
  const std::vector<Case> cases{
      {"input shorter than the header", [](auto&) {}, 40, full},
      {"output shorter than the header", [](auto&) {}, full, 40},
      {"header length not 44", [](auto& b) { win::WriteLe16(b, spt::kLength, 48); }, full, full},
      {"data beyond the output", [](auto&) {}, full, full - 1},
      {"data length above 32768", [](auto& b) { win::WriteLe32(b, spt::kDataTransferLength, 32769); }, full, full},
      {"data offset inside the header", [](auto& b) { win::WriteLe32(b, spt::kDataBufferOffset, 20); }, full, full},
      {"data offset far outside", [](auto& b) { win::WriteLe32(b, spt::kDataBufferOffset, 0xFFFFFF00); }, full, full},
      {"sense area outside", [](auto& b) { win::WriteLe32(b, spt::kSenseInfoOffset, 0xFFFFFFF0); }, full, full},
      {"CDB length 0", [](auto& b) { win::WriteU8(b, spt::kCdbLength, 0); }, full, full},
      {"CDB length 17", [](auto& b) { win::WriteU8(b, spt::kCdbLength, 17); }, full, full},
      {"unknown direction", [](auto& b) { win::WriteU8(b, spt::kDataIn, 3); }, full, full},
      {"data out beyond the input", [](auto& b) { win::WriteU8(b, spt::kDataIn, win::SCSI_IOCTL_DATA_OUT); },
       full - 100, full},
  };
  for (const auto& testCase : cases) {
    auto block = ReadBlock(512, full);
    testCase.spoil(block);
    const auto before = block;
    EXPECT_EQ(Send(block, testCase.inSize, testCase.outSize), win::ERROR_INVALID_PARAMETER) << testCase.what;
    EXPECT_EQ(block, before) << testCase.what;
  }
}

TEST_F(PassThroughTest, SenseComesBackOnlyWithCheckCondition) {
  auto good = ReadBlock(512, kDataOffset + 512);
  std::fill(good.begin() + kSenseOffset, good.begin() + kDataOffset, 0xEE);
  ASSERT_EQ(Send(good, good.size(), good.size()), 0U);
  EXPECT_EQ(good[spt::kScsiStatus], kStatusGood);
  EXPECT_EQ(good[spt::kSenseInfoLength], 0);
  EXPECT_EQ(good[kSenseOffset], 0xEE);

  auto outside = ReadBlock(512, kDataOffset + 512);
  win::WriteBe32(outside, spt::kCdb + 2, 4000);
  win::WriteU8(outside, spt::kSenseInfoLength, 14);
  ASSERT_EQ(Send(outside, outside.size(), outside.size()), 0U);
  EXPECT_EQ(outside[spt::kScsiStatus], kStatusCheckCondition);
  EXPECT_EQ(outside[spt::kSenseInfoLength], 14);
  EXPECT_EQ(outside[kSenseOffset + 2], 0x05);
  EXPECT_EQ(outside[kSenseOffset + 12], 0x21);
  EXPECT_EQ(outside[kSenseOffset + 14], 0);  // beyond the 14 bytes asked for
  EXPECT_EQ(win::ReadLe32(outside, spt::kDataTransferLength), 0U);
  EXPECT_EQ(returned_, kSenseOffset + 14);
}

TEST_F(PassThroughTest, ShortAnswerKeepsTheCallersBytesBeyondIt) {
  auto block = ReadBlock(64, kDataOffset + 64);
  block[spt::kCdb] = 0x12;
  block[spt::kCdb + 4] = 42;
  block[spt::kCdb + 8] = 0;
  win::WriteU8(block, spt::kCdbLength, 6);
  std::fill(block.begin() + kDataOffset, block.end(), 0xCC);
  ASSERT_EQ(Send(block, block.size(), block.size()), 0U);
  EXPECT_EQ(win::ReadLe32(block, spt::kDataTransferLength), 42U);
  EXPECT_EQ(block[kDataOffset + 41], 0);
  EXPECT_EQ(block[kDataOffset + 42], 0xCC);
  EXPECT_EQ(block.back(), 0xCC);
}

TEST_F(PassThroughTest, SeparateOutputReceivesHeaderAndData) {
  auto input = ReadBlock(512, kDataOffset + 512);
  std::vector<std::uint8_t> output(kDataOffset + 512, 0x55);
  win::DWORD returned = 0;
  ASSERT_TRUE(win::DeviceIoControl(handle_, win::IOCTL_SCSI_PASS_THROUGH, input.data(),
                                   static_cast<win::DWORD>(input.size()), output.data(),
                                   static_cast<win::DWORD>(output.size()), &returned, nullptr));
  EXPECT_EQ(win::ReadLe16(output, spt::kLength), 44);
  EXPECT_EQ(output[spt::kCdb], 0x28);
  EXPECT_EQ(output[kSenseOffset], 0);
  EXPECT_EQ(win::ReadLe32(output, kDataOffset), 0U);
  EXPECT_EQ(output[kDataOffset + 4], 0);
}

TEST_F(PassThroughTest, NeedsReadAndWriteAccessAndAScsiDevice) {
  const auto readOnly = test_support::OpenDevice("E:", win::GENERIC_READ);
  auto block = ReadBlock(512, kDataOffset + 512);
  win::DWORD returned = 0;
  EXPECT_FALSE(win::DeviceIoControl(readOnly, win::IOCTL_SCSI_PASS_THROUGH, block.data(),
                                    static_cast<win::DWORD>(block.size()), block.data(),
                                    static_cast<win::DWORD>(block.size()), &returned, nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
  win::CloseHandle(readOnly);

  const auto floppy = test_support::OpenDevice("A:");
  EXPECT_FALSE(win::DeviceIoControl(floppy, win::IOCTL_SCSI_PASS_THROUGH, block.data(),
                                    static_cast<win::DWORD>(block.size()), block.data(),
                                    static_cast<win::DWORD>(block.size()), &returned, nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_FUNCTION);
  win::CloseHandle(floppy);
}

TEST_F(PassThroughTest, Windows9xHasNoPassThrough) {
  win::SetWindowsVersion(win::WindowsVersion::Win98);
  auto block = ReadBlock(512, kDataOffset + 512);
  EXPECT_EQ(Send(block, block.size(), block.size()), win::ERROR_INVALID_FUNCTION);
}

}  // namespace
}  // namespace machine
