#include "platform/win/layouts/pass_through_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

namespace win {
namespace {

// The expected bytes are SCSI_PASS_THROUGH as the Win32 headers lay it out on x86 (a 44-byte
// header), written out by hand rather than through the layout's own offsets.
TEST(ScsiPassThroughHeader, FieldsLieWhereTheSystemReadsThem) {
  std::vector<BYTE> request(scsi_pass_through::kDataArea + 512, 0xEE);
  const std::array<BYTE, 10> cdb{0x28, 0, 0x00, 0x01, 0x02, 0x03, 0, 0x00, 0x01, 0};
  scsi_pass_through::WriteRequestHeader(request, cdb, SCSI_IOCTL_DATA_IN, 512);

  EXPECT_EQ(request[0], 44);  // Length
  EXPECT_EQ(request[1], 0);
  EXPECT_EQ(request[6], 10);  // CdbLength
  EXPECT_EQ(request[7], 18);  // SenseInfoLength: fixed-format sense
  EXPECT_EQ(request[8], 1);  // DataIn: SCSI_IOCTL_DATA_IN
  EXPECT_EQ(ReadLe32(request, 12), 512u);  // DataTransferLength
  EXPECT_EQ(ReadLe32(request, 16), 20u);  // TimeOutValue
  EXPECT_EQ(ReadLe32(request, 20), 62u);  // DataBufferOffset: after the header and the sense area
  EXPECT_EQ(ReadLe32(request, 24), 44u);  // SenseInfoOffset: right after the header
  EXPECT_TRUE(std::equal(cdb.begin(), cdb.end(), request.begin() + 28));
  EXPECT_EQ(request[62], 0xEE) << "the data area is the caller's";
}

TEST(ScsiPassThroughHeader, NeverWritesPastTheCdbFieldOrTheRequest) {
  std::array<BYTE, 20> longCdb{};
  std::iota(longCdb.begin(), longCdb.end(), BYTE{1});
  std::vector<BYTE> request(scsi_pass_through::kDataArea, 0xEE);
  scsi_pass_through::WriteRequestHeader(request, longCdb, SCSI_IOCTL_DATA_UNSPECIFIED, 0);
  EXPECT_EQ(request[28 + 15], 16);
  EXPECT_EQ(request[44], 0xEE) << "the sense area after the sixteen-byte field is untouched";

  std::vector<BYTE> shortRequest(30, 0);
  EXPECT_THROW(scsi_pass_through::WriteRequestHeader(shortRequest, longCdb, SCSI_IOCTL_DATA_IN, 0), FieldOutsideRecord);
}

}  // namespace
}  // namespace win
