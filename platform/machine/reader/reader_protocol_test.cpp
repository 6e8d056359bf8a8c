// Conformance with docs/reader-protocol.md, row by row, on XP and NT4 through win::CreateFileA
// and IOCTL_SCSI_PASS_THROUGH, on 98 and 95 through WNASPI32.DLL: the same readers answer
// alike on every road, each generation in its road's form.
// Blocks and vendor sub-commands are written as raw bytes on purpose: they check the reader's
// decoding against docs/reader-protocol.md, not against the constants it decodes with.
#include "platform/machine/testing/machine_testing.h"

#include <gtest/gtest.h>

namespace machine {
namespace {

using test_support::OpenDevice;
using test_support::ScsiAnswer;
using test_support::SendAspi;
using test_support::SendScsi;

constexpr win::BYTE kIn = win::SCSI_IOCTL_DATA_IN;
constexpr win::BYTE kOut = win::SCSI_IOCTL_DATA_OUT;
constexpr win::BYTE kNone = win::SCSI_IOCTL_DATA_UNSPECIFIED;

// One row: a block sent to a reader and what must come back.
struct Row {
  const char* what;
  char reader;
  std::vector<std::uint8_t> cdb;
  std::uint32_t length;
  win::BYTE direction;
  std::uint8_t status;
  std::uint32_t transferred;
  std::uint8_t senseKey;
  std::uint8_t asc;
  std::vector<std::pair<std::size_t, std::uint8_t>> dataBytes;  // offset and value the data must hold
};

class ReaderProtocolTest : public ::testing::TestWithParam<const char*> {
 protected:
  bool Aspi() const { return std::string(GetParam()) == "98" || std::string(GetParam()) == "95"; }

  // A vendor block of the older generation in the form its road takes, or in the other form.
  std::vector<std::uint8_t> Older(std::uint8_t sub, std::uint16_t length = 0, bool taken = true) const {
    const auto high = static_cast<std::uint8_t>(length >> 8);
    const auto low = static_cast<std::uint8_t>(length);
    if (Aspi() == taken) return {0x20, sub, 0, 0, 0, 0, high, low};
    return {low, 0, 0, 0, 0, 0xB0, high, sub};
  }

  void SetUp() override {
    test_support::WriteNumberedImage("cf.img", 2048);
    test_support::WriteNumberedImage("sd.img", 2048);
    test_support::WriteNumberedImage("g.img", 2048);
    test_support::WriteNumberedImage("w.img", 2048);
    machine_ =
        std::make_unique<Machine>(test_support::Describe(R"({"version":1,"windows":")" + std::string(GetParam()) +
                                                         R"(","readers":[
      {"maker":true,"firmware":"newer","letter":"E","card":{"kind":"cf","image":"cf.img","sectors":2048,
        "writeProtected":false,"faults":[{"op":"read","sector":100},{"op":"write","sector":200}]}},
      {"maker":true,"firmware":"older","letter":"F","card":{"kind":"mmcsd","image":"sd.img","sectors":2048}},
      {"letter":"G","card":{"kind":"cf","image":"g.img","sectors":2048,"writeProtected":true}},
      {"maker":true,"firmware":"wide","letter":"H","card":{"kind":"mspro","image":"w.img","sectors":2048}},
      {"maker":true,"firmware":"newer","letter":"I"}]})"));
    machine_->Install();
  }

  // One command on the reader: pass-through on the volume, or ASPI at the reader's host
  // adapter (every reader here is a USB reader, one host each, in letter order from E).
  ScsiAnswer Send(const Row& row) const {
    std::vector<std::uint8_t> out(row.direction == kOut ? row.length : 0, 0x5A);
    if (Aspi()) return SendAspi(static_cast<std::uint8_t>(row.reader - 'E'), row.cdb, row.length, row.direction, out);
    const auto handle = OpenDevice(std::string(1, row.reader) + ":");
    const ScsiAnswer answer = SendScsi(handle, row.cdb, row.length, row.direction, out);
    win::CloseHandle(handle);
    return answer;
  }

  void Check(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
      const ScsiAnswer answer = Send(row);
      EXPECT_TRUE(answer.delivered) << row.what;
      EXPECT_EQ(answer.status, row.status) << row.what;
      if (!Aspi()) {
        EXPECT_EQ(answer.transferred, row.transferred) << row.what;  // ASPI reports no count
      }
      EXPECT_EQ(answer.SenseKey(), row.senseKey) << row.what;
      EXPECT_EQ(answer.Asc(), row.asc) << row.what;
      for (const auto& [offset, value] : row.dataBytes)
        EXPECT_EQ(answer.data.at(offset), value) << row.what << " @" << offset;
    }
  }

  std::unique_ptr<Machine> machine_;
};

TEST_P(ReaderProtocolTest, StandardCommands) {
  // clang-format off
  Check({
      {"TEST UNIT READY, card", 'E', {0, 0, 0, 0, 0, 0}, 0, kNone, 0, 0, 0, 0, {}},
      {"TEST UNIT READY, no card", 'I', {0, 0, 0, 0, 0, 0}, 0, kNone, 2, 0, 2, 0x3A, {}},
      {"INQUIRY 42", 'E', {0x12, 0, 0, 0, 42, 0}, 42, kIn, 0, 42, 0, 0,
       {{0, 0x00}, {1, 0x80}, {2, 0x02}, {3, 0x02}, {4, 51}, {8, 'K'}, {36, 0x00}, {37, 0x01}, {38, 0}, {39, 0}}},
      {"INQUIRY, no card: status word 0", 'I', {0x12, 0, 0, 0, 42, 0}, 42, kIn, 0, 42, 0, 0,
       {{36, 0}, {37, 0}, {38, 0}, {39, 0}}},
      {"INQUIRY, other maker: no status word", 'G', {0x12, 0, 0, 0, 42, 0}, 42, kIn, 0, 42, 0, 0, {{37, 0}}},
      {"INQUIRY with EVPD", 'E', {0x12, 1, 0, 0, 42, 0}, 42, kIn, 2, 0, 5, 0x24, {}},
      {"READ CAPACITY 6-byte", 'E', {0x25, 0, 0, 0, 0, 0}, 8, kIn, 0, 8, 0, 0,
       {{0, 0}, {1, 0}, {2, 0x07}, {3, 0xFF}, {4, 0}, {5, 0}, {6, 0x02}, {7, 0}}},
      {"READ CAPACITY(10)", 'E', {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8, kIn, 0, 8, 0, 0, {{2, 0x07}, {3, 0xFF}}},
      {"READ CAPACITY, no card", 'I', {0x25, 0, 0, 0, 0, 0}, 8, kIn, 2, 0, 2, 0x3A, {}},
      {"MODE SENSE(6)", 'E', {0x1A, 0, 0, 0, 12, 0}, 12, kIn, 0, 12, 0, 0,
       {{0, 11}, {2, 0}, {3, 8}, {4, 0}, {6, 0x08}, {7, 0x00}, {10, 0x02}, {11, 0}}},
      {"MODE SENSE(6), write protected", 'G', {0x1A, 0, 0, 0, 12, 0}, 12, kIn, 0, 12, 0, 0, {{2, 0x80}}},
      {"MODE SENSE(6), no card", 'I', {0x1A, 0, 0, 0, 12, 0}, 12, kIn, 2, 0, 2, 0x3A, {}},
      {"maker's page", 'E', {0x1A, 0x08, 0x20, 0, 9, 0}, 9, kIn, 0, 9, 0, 0, {{0, 8}, {3, 0}, {4, 0x20}, {5, 3}, {6, 1}}},
      {"maker's page, no card", 'I', {0x1A, 0x08, 0x20, 0, 9, 0}, 9, kIn, 0, 9, 0, 0, {{6, 0}}},
      {"maker's page, other maker", 'G', {0x1A, 0x08, 0x20, 0, 9, 0}, 9, kIn, 2, 0, 5, 0x24, {}},
      {"START STOP eject, empty slot", 'I', {0x1B, 0, 0, 0, 2, 0}, 0, kNone, 2, 0, 2, 0x3A, {}},
      {"START STOP start", 'E', {0x1B, 0, 0, 0, 1, 0}, 0, kNone, 0, 0, 0, 0, {}},
      {"release", 'E', {0x1D, 0, 4, 0, 0, 0}, 0, kNone, 0, 0, 0, 0, {}},
      {"release, no card", 'I', {0x1D, 0, 4, 0, 0, 0}, 0, kNone, 0, 0, 0, 0, {}},
      {"release with a parameter list", 'E', {0x1D, 0, 4, 0, 1, 0}, 0, kNone, 2, 0, 5, 0x24, {}},
      {"READ(10)", 'E', {0x28, 0, 0, 0, 0, 3, 0, 0, 2, 0}, 1024, kIn, 0, 1024, 0, 0, {{0, 3}, {512, 4}}},
      {"READ(10) beyond the card", 'E', {0x28, 0, 0, 0, 0x07, 0xFF, 0, 0, 2, 0}, 1024, kIn, 2, 0, 5, 0x21, {}},
      {"READ(10) buffer shorter than asked", 'E', {0x28, 0, 0, 0, 0, 0, 0, 0, 2, 0}, 512, kIn, 2, 0, 5, 0x24, {}},
      {"READ(10) fault at sector 100", 'E', {0x28, 0, 0, 0, 0, 98, 0, 0, 4, 0}, 2048, kIn, 2, 1024, 3, 0x11, {{0, 98}}},
      {"READ(10), no card", 'I', {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 512, kIn, 2, 0, 2, 0x3A, {}},
      {"WRITE(10)", 'E', {0x2A, 0, 0, 0, 0, 5, 0, 0, 1, 0}, 512, kOut, 0, 512, 0, 0, {}},
      {"WRITE(10) fault at sector 200", 'E', {0x2A, 0, 0, 0, 0, 199, 0, 0, 2, 0}, 1024, kOut, 2, 512, 3, 0x0C, {}},
      {"WRITE(10) write protected", 'G', {0x2A, 0, 0, 0, 0, 5, 0, 0, 1, 0}, 512, kOut, 2, 0, 7, 0x27, {}},
      {"unknown opcode", 'E', {0x03, 0, 0, 0, 18, 0}, 18, kIn, 2, 0, 5, 0x20, {}},
  });
  // clang-format on
}

TEST_P(ReaderProtocolTest, VendorCommands) {
  // clang-format off
  Check({
      {"status, newer, command-first", 'E', {0x20, 0x80, 0, 0, 0, 0, 0, 0}, 4, kIn, 0, 4, 0, 0,
       {{0, 0x00}, {1, 0x01}, {2, 0}, {3, 0}}},
      {"status, no card", 'I', {0x20, 0x80, 0, 0, 0, 0, 0, 0}, 4, kIn, 0, 4, 0, 0, {{0, 0xFF}, {1, 0x04}, {2, 0}, {3, 0}}},
      {"status, older, its road's form", 'F', Older(0x80), 4, kIn, 0, 4, 0, 0, {{0, 0}, {1, 0}, {2, 0x08}, {3, 0}}},
      {"status, wide, 6 bytes", 'H', {0x20, 0, 0, 0, 0, 0, 0, 0, 6, 0x80, 0, 0}, 6, kIn, 0, 6, 0, 0,
       {{1, 0x04}, {3, 0x20}, {4, 0}, {5, 0}}},
      {"status, wide, default length", 'H', {0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0}, 6, kIn, 0, 4, 0, 0, {}},
      {"the other form to older", 'F', Older(0x80, 0, false), 4, kIn, 2, 0, 5, 0x20, {{0, 0}, {1, 0}}},
      {"command-last to newer", 'E', {0, 0, 0, 0, 0, 0xB0, 0, 0x80}, 4, kIn, 2, 0, 5, 0x20, {}},
      {"command-first to wide", 'H', {0x20, 0x80, 0, 0, 0, 0, 0, 0}, 4, kIn, 2, 0, 5, 0x20, {}},
      {"wide to newer", 'E', {0x20, 0, 0, 0, 0, 0, 0, 0, 4, 0x80, 0, 0}, 4, kIn, 2, 0, 5, 0x20, {}},
      {"vendor block to other maker", 'G', {0x20, 0x80, 0, 0, 0, 0, 0, 0}, 4, kIn, 2, 0, 5, 0x20, {}},
      {"sub-command below 0x80", 'E', {0x20, 0x10, 0, 0, 0, 0, 0, 0}, 4, kIn, 2, 0, 5, 0x20, {}},
      {"lock", 'E', {0x20, 0x88, 0, 0, 0, 0, 0, 0}, 2, kIn, 0, 2, 0, 0, {{0, 0}, {1, 0}}},
      {"lock, no card", 'I', {0x20, 0x88, 0, 0, 0, 0, 0, 0}, 2, kIn, 0, 2, 0, 0, {{0, 0xFF}, {1, 0x04}}},
      {"lock, older", 'F', Older(0x88), 2, kIn, 0, 2, 0, 0, {{0, 0}, {1, 0}}},
      {"unlock", 'E', {0x20, 0x89, 0, 0, 0, 0, 0, 0}, 2, kIn, 0, 2, 0, 0, {{0, 0}, {1, 0}}},
      {"unlock, no card", 'I', {0x20, 0x89, 0, 0, 0, 0, 0, 0}, 2, kIn, 0, 2, 0, 0, {{0, 0}, {1, 0}}},
      {"identify", 'E', {0x20, 0x99, 0, 0, 0, 0, 0, 0}, 512, kIn, 0, 512, 0, 0,
       {{98, 0x00}, {99, 0x02}, {120, 0x00}, {121, 0x08}, {270, 0x53}, {271, 0x4B}, {314, 0x00}, {315, 0x01}}},
      {"identify, no card", 'I', {0x20, 0x99, 0, 0, 0, 0, 0, 0}, 512, kIn, 0, 512, 0, 0, {{120, 0}, {121, 0}}},
      {"identify, older, MMC/SD flag", 'F', Older(0x99, 512), 512, kIn, 0, 512, 0, 0, {{316, 0x04}}},
      {"other sub-command, plain card", 'E', {0x20, 0x85, 0, 0, 0, 0, 0x02, 0}, 512, kIn, 2, 0, 5, 0x24, {}},
      {"other sub-command, no card", 'I', {0x20, 0x85, 0, 0, 0, 0, 0x02, 0}, 512, kIn, 0, 2, 0, 0, {{0, 0xFF}, {1, 0x04}}},
  });
  // clang-format on
}

TEST_P(ReaderProtocolTest, RefusedRequestsAndRoads) {
  if (Aspi()) {
    std::uint8_t status = 0;
    SendAspi(5, {0, 0, 0, 0, 0, 0}, 0, kNone, {}, &status);
    EXPECT_EQ(status, 0x81) << "no such host adapter";
    SendAspi(0, {}, 0, kNone, {}, &status);
    EXPECT_EQ(status, 0xE0) << "CDB length 0";
    const auto volume = OpenDevice("E:");
    EXPECT_FALSE(SendScsi(volume, {0, 0, 0, 0, 0, 0}, 0, kNone).delivered);
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_FUNCTION) << "Windows 9x has no pass-through";
    win::CloseHandle(volume);
    return;
  }
  const auto volume = OpenDevice("E:");
  EXPECT_FALSE(SendScsi(volume, {0x28, 0, 0, 0, 0, 0, 0, 0, 65, 0}, 65 * 512).delivered);
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(SendScsi(volume, {0x28, 0, 0, 0, 0, 0, 0, 0, 64, 0}, 64 * 512).delivered);
  EXPECT_FALSE(SendScsi(volume, {}, 0).delivered);  // CDB length 0
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);
  win::CloseHandle(volume);
  const auto readOnly = OpenDevice("E:", win::GENERIC_READ);
  EXPECT_FALSE(SendScsi(readOnly, {0, 0, 0, 0, 0, 0}, 0, kNone).delivered);
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
  win::CloseHandle(readOnly);
}

INSTANTIATE_TEST_SUITE_P(Roads, ReaderProtocolTest, ::testing::Values("xp", "nt4", "98", "95"));

}  // namespace
}  // namespace machine
