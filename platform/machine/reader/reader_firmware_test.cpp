// The readers' answers to every command the system sends, through CreateFileA and
// IOCTL_SCSI_PASS_THROUGH as the system sends them.
// Blocks and vendor sub-commands are written as raw bytes on purpose: they check the reader's
// decoding against docs/reader-protocol.md, not against the constants it decodes with.
#include "platform/machine/testing/machine_testing.h"
#include "platform/win/layouts/identify_layout.h"

#include <gtest/gtest.h>

namespace machine {
namespace {

using test_support::OpenDevice;
using test_support::ScsiAnswer;
using test_support::SectorMark;
using test_support::SendScsi;

constexpr std::uint32_t kCardSectors = 4096;

class ReaderFirmwareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::WriteNumberedImage("cf.img", kCardSectors);
    test_support::WriteNumberedImage("sd.img", 2048);
    test_support::WriteNumberedImage("other.img", 1024);
    test_support::WriteNumberedImage("wide.img", 1024);
    machine_ = std::make_unique<Machine>(test_support::Describe(R"({"version":1,"windows":"xp","readers":[
      {"maker":true,"firmware":"newer","product":"CF Reader","letter":"E",
       "card":{"kind":"cf","image":"cf.img","sectors":4096,
               "faults":[{"op":"read","sector":10},{"op":"write","sector":20}]}},
      {"maker":true,"firmware":"older","product":"SD Reader","letter":"F",
       "card":{"kind":"mmcsd","image":"sd.img","sectors":2048}},
      {"maker":false,"vendor":"Generic","letter":"G","card":{"kind":"cf","image":"other.img","sectors":1024}},
      {"maker":true,"firmware":"wide","letter":"H","card":{"kind":"mspro","image":"wide.img","sectors":1024}},
      {"maker":true,"firmware":"newer","product":"SM MS Reader","letter":"I"}]})"));
    machine_->Install();
    for (const char letter : std::string("EFGHI")) handles_[letter] = OpenDevice(std::string(1, letter) + ":");
  }
  void TearDown() override {
    for (const auto& [letter, handle] : handles_) win::CloseHandle(handle);
  }

  ScsiAnswer Send(char letter, std::initializer_list<std::uint8_t> cdb, std::uint32_t length,
                  win::BYTE direction = win::SCSI_IOCTL_DATA_IN, const std::vector<std::uint8_t>& out = {}) {
    return SendScsi(handles_.at(letter), cdb, length, direction, out);
  }

  std::unique_ptr<Machine> machine_;
  std::map<char, win::HANDLE> handles_;
};

void ExpectCheckCondition(const ScsiAnswer& answer, std::uint8_t key, std::uint8_t asc) {
  EXPECT_TRUE(answer.delivered);
  EXPECT_EQ(answer.status, kStatusCheckCondition);
  EXPECT_EQ(answer.senseLength, 18);
  EXPECT_EQ(answer.sense[0], 0x70);
  EXPECT_EQ(answer.SenseKey(), key);
  EXPECT_EQ(answer.Asc(), asc);
}

void ExpectGood(const ScsiAnswer& answer, std::uint32_t transferred) {
  EXPECT_TRUE(answer.delivered);
  EXPECT_EQ(answer.status, kStatusGood);
  EXPECT_EQ(answer.senseLength, 0);
  EXPECT_EQ(answer.transferred, transferred);
}

std::string Text(const std::vector<std::uint8_t>& data, std::size_t from, std::size_t length) {
  return std::string(data.begin() + static_cast<std::ptrdiff_t>(from),
                     data.begin() + static_cast<std::ptrdiff_t>(from + length));
}

TEST_F(ReaderFirmwareTest, InquiryNamesTheReaderAndCarriesTheMakersStatusWord) {
  const auto maker = Send('E', {0x12, 0, 0, 0, 42, 0}, 42);
  ExpectGood(maker, 42);
  EXPECT_EQ(maker.data[0], 0x00);  // direct access
  EXPECT_EQ(maker.data[1], 0x80);  // removable
  EXPECT_EQ(Text(maker.data, 8, 8), "Kestro  ");
  EXPECT_EQ(Text(maker.data, 16, 16), "CF Reader       ");
  EXPECT_EQ(Text(maker.data, 32, 4), "1.00");
  EXPECT_EQ(win::ReadLe32(maker.data, 36), 0x100U);
  EXPECT_EQ(win::ReadLe32(Send('F', {0x12, 0, 0, 0, 42, 0}, 42).data, 36), 0x80000U);
  EXPECT_EQ(win::ReadLe32(Send('H', {0x12, 0, 0, 0, 42, 0}, 42).data, 36), 0x20000400U);
  // No card: no kind bits, so the combined reader's word says nothing of Memory Stick.
  EXPECT_EQ(win::ReadLe32(Send('I', {0x12, 0, 0, 0, 42, 0}, 42).data, 36), 0U);
  EXPECT_EQ(Text(Send('G', {0x12, 0, 0, 0, 42, 0}, 42).data, 8, 8), "Generic ");
  EXPECT_EQ(win::ReadLe32(Send('G', {0x12, 0, 0, 0, 42, 0}, 42).data, 36), 0U);
  ExpectGood(Send('E', {0x12, 0, 0, 0, 32, 0}, 32), 32);
  ExpectCheckCondition(Send('E', {0x12, 1, 0x80, 0, 42, 0}, 42), 0x05, 0x24);
}

TEST_F(ReaderFirmwareTest, TestUnitReadyAndReadCapacityNeedACard) {
  ExpectGood(Send('E', {0, 0, 0, 0, 0, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED), 0);
  ExpectCheckCondition(Send('I', {0, 0, 0, 0, 0, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED), 0x02, 0x3A);

  const auto six = Send('E', {0x25, 0, 0, 0, 0, 0}, 8);
  ExpectGood(six, 8);
  EXPECT_EQ(win::ReadBe32(six.data, 0), kCardSectors - 1);
  EXPECT_EQ(win::ReadBe32(six.data, 4), 512U);
  EXPECT_EQ(Send('E', {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8).data, six.data);
  const auto none = Send('I', {0x25, 0, 0, 0, 0, 0}, 8);
  ExpectCheckCondition(none, 0x02, 0x3A);
  EXPECT_EQ(none.transferred, 0U);
  EXPECT_EQ(none.data, std::vector<std::uint8_t>(8, 0));
}

TEST_F(ReaderFirmwareTest, ModeSenseGivesWriteProtectionAndTheBlockDescriptor) {
  auto mode = Send('E', {0x1A, 0, 0, 0, 12, 0}, 12);
  ExpectGood(mode, 12);
  EXPECT_EQ(mode.data[0], 11);
  EXPECT_EQ(mode.data[2] & 0x80, 0);
  EXPECT_EQ(mode.data[3], 8);
  EXPECT_EQ(win::ReadBe32(mode.data, 4), kCardSectors);  // density 0, block count
  EXPECT_EQ(win::ReadBe32(mode.data, 8), 512U);
  machine_->SetWriteProtected('E', true);
  EXPECT_EQ(Send('E', {0x1A, 0, 0, 0, 12, 0}, 12).data[2] & 0x80, 0x80);
  ExpectCheckCondition(Send('I', {0x1A, 0, 0, 0, 12, 0}, 12), 0x02, 0x3A);
  ExpectCheckCondition(Send('E', {0x1A, 0, 0x1C, 0, 12, 0}, 12), 0x05, 0x24);
}

TEST_F(ReaderFirmwareTest, MakersPageTellsWhetherACardCanBeLoadedOrEjected) {
  const auto page = Send('E', {0x1A, 0x08, 0x20, 0, 9, 0}, 9);
  ExpectGood(page, 9);
  EXPECT_EQ(page.data[3], 0);  // no block descriptor
  EXPECT_EQ(page.data[4], 0x20);
  EXPECT_EQ(page.data[6], 1);
  EXPECT_EQ(Send('I', {0x1A, 0x08, 0x20, 0, 9, 0}, 9).data[6], 0);
  ExpectCheckCondition(Send('G', {0x1A, 0x08, 0x20, 0, 9, 0}, 9), 0x05, 0x24);
}

TEST_F(ReaderFirmwareTest, StartStopUnitEjectsAndLoadsTheCard) {
  ExpectGood(Send('E', {0x1B, 0, 0, 0, 2, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED), 0);
  ExpectCheckCondition(Send('E', {0, 0, 0, 0, 0, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED), 0x02, 0x3A);
  ExpectGood(Send('E', {0x1B, 0, 0, 0, 3, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED), 0);
  ExpectGood(Send('E', {0, 0, 0, 0, 0, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED), 0);
  ExpectCheckCondition(Send('I', {0x1B, 0, 0, 0, 3, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED), 0x02, 0x3A);
}

TEST_F(ReaderFirmwareTest, ReleaseBlockSucceedsWithoutData) {
  ExpectGood(Send('E', {0x1D, 0, 4, 0, 0, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED), 0);
  ExpectGood(Send('I', {0x1D, 0, 4, 0, 0, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED), 0);
  ExpectCheckCondition(Send('E', {0x1D, 0, 4, 0, 8, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED), 0x05, 0x24);
}

TEST_F(ReaderFirmwareTest, ReadAndWriteCountFromTheCardsFirstSector) {
  const auto read = Send('E', {0x28, 0, 0, 0, 0, 5, 0, 0, 3, 0}, 3 * 512);
  ExpectGood(read, 3 * 512);
  EXPECT_EQ(SectorMark(read.data, 0), 5U);
  EXPECT_EQ(SectorMark(read.data, 1024), 7U);

  std::vector<std::uint8_t> pattern(512, 0xA5);
  ExpectGood(Send('E', {0x2A, 0, 0, 0, 0, 9, 0, 0, 1, 0}, 512, win::SCSI_IOCTL_DATA_OUT, pattern), 512);
  EXPECT_EQ(Send('E', {0x28, 0, 0, 0, 0, 9, 0, 0, 1, 0}, 512).data, pattern);
  ExpectGood(Send('E', {0x28, 0, 0, 0, 0, 9, 0, 0, 0, 0}, 0), 0);
}

TEST_F(ReaderFirmwareTest, TransfersOutsideTheCardOrTheBufferAreRefused) {
  ExpectCheckCondition(Send('E', {0x28, 0, 0, 0, 0x0F, 0xFF, 0, 0, 2, 0}, 1024), 0x05, 0x21);
  ExpectCheckCondition(Send('E', {0x28, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 1, 0}, 512), 0x05, 0x21);
  // Four sectors asked, room for one.
  ExpectCheckCondition(Send('E', {0x28, 0, 0, 0, 0, 0, 0, 0, 4, 0}, 512), 0x05, 0x24);
  ExpectCheckCondition(Send('E', {0x2A, 0, 0, 0, 0, 0, 0, 0, 4, 0}, 512, win::SCSI_IOCTL_DATA_OUT), 0x05, 0x24);
  // A read the caller gave no data-in buffer for.
  ExpectCheckCondition(Send('E', {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 512, win::SCSI_IOCTL_DATA_OUT), 0x05, 0x24);
}

TEST_F(ReaderFirmwareTest, WriteProtectedCardRefusesWritesWithDataProtect) {
  machine_->SetWriteProtected('E', true);
  const std::vector<std::uint8_t> zeros(512, 0);
  ExpectCheckCondition(Send('E', {0x2A, 0, 0, 0, 0, 3, 0, 0, 1, 0}, 512, win::SCSI_IOCTL_DATA_OUT, zeros), 0x07, 0x27);
  EXPECT_EQ(SectorMark(Send('E', {0x28, 0, 0, 0, 0, 3, 0, 0, 1, 0}, 512).data), 3U);
}

TEST_F(ReaderFirmwareTest, FaultsAnswerMediumErrorAfterTheGoodSectors) {
  const auto read = Send('E', {0x28, 0, 0, 0, 0, 8, 0, 0, 4, 0}, 4 * 512);
  ExpectCheckCondition(read, 0x03, 0x11);
  EXPECT_EQ(read.transferred, 2 * 512U);
  EXPECT_EQ(SectorMark(read.data, 512), 9U);
  ExpectGood(Send('E', {0x28, 0, 0, 0, 0, 8, 0, 0, 4, 0}, 4 * 512), 4 * 512);  // the fault fired once

  const std::vector<std::uint8_t> ones(3 * 512, 1);
  const auto write = Send('E', {0x2A, 0, 0, 0, 0, 19, 0, 0, 3, 0}, 3 * 512, win::SCSI_IOCTL_DATA_OUT, ones);
  ExpectCheckCondition(write, 0x03, 0x0C);
  EXPECT_EQ(write.transferred, 512U);
  EXPECT_EQ(SectorMark(Send('E', {0x28, 0, 0, 0, 0, 20, 0, 0, 1, 0}, 512).data), 20U);
}

TEST_F(ReaderFirmwareTest, CardPulledAfterItsCommandsAnswersNotReady) {
  test_support::WriteNumberedImage("pulled.img", 64);
  Machine pulling(test_support::Describe(R"({"version":1,"readers":[{"maker":true,"letter":"K",
      "card":{"kind":"cf","image":"pulled.img","sectors":64,"pulledAfterCommands":3}}]})"));
  pulling.Install();
  const auto handle = OpenDevice("K:");
  for (int command = 0; command < 3; ++command)
    ExpectGood(SendScsi(handle, {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 512), 512);
  ExpectCheckCondition(SendScsi(handle, {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 512), 0x02, 0x3A);
  win::DWORD read = 0;
  std::vector<std::uint8_t> sector(512);
  EXPECT_FALSE(win::ReadFile(handle, sector.data(), 512, &read, nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_NOT_READY);
  win::CloseHandle(handle);
}

TEST_F(ReaderFirmwareTest, StatusCommandInEachGenerationsOwnForm) {
  const auto newer = Send('E', {0x20, 0x80, 0, 0, 0, 0, 0, 0}, 4);
  ExpectGood(newer, 4);
  EXPECT_EQ(win::ReadLe32(newer.data, 0), 0x100U);
  machine_->SetWriteProtected('E', true);
  EXPECT_EQ(win::ReadLe32(Send('E', {0x20, 0x80, 0, 0, 0, 0, 0, 0}, 4).data, 0), 0x120U);

  const auto older = Send('F', {0, 0, 0, 0, 0, 0xB0, 0, 0x80}, 4);
  ExpectGood(older, 4);
  EXPECT_EQ(win::ReadLe32(older.data, 0), 0x80000U);
  EXPECT_EQ(win::ReadLe32(Send('F', {0, 0, 0, 0, 0, 0, 0, 0x80}, 4).data, 0), 0x80000U);

  const auto wide = Send('H', {0x20, 0, 0, 0, 0, 0, 0, 0, 6, 0x80, 0, 0}, 6);
  ExpectGood(wide, 6);
  EXPECT_EQ(win::ReadLe32(wide.data, 0), 0x20000400U);
  ExpectGood(Send('H', {0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0}, 6), 4);

  const auto empty = Send('I', {0x20, 0x80, 0, 0, 0, 0, 0, 0}, 4);
  ExpectGood(empty, 4);
  EXPECT_EQ(win::ReadLe32(empty.data, 0), 0x04FFU);
}

TEST_F(ReaderFirmwareTest, ForeignFormsAndOtherMakersGetIllegalRequestAndNoData) {
  const auto firstToOlder = Send('F', {0x20, 0x80, 0, 0, 0, 0, 0, 0}, 4);
  ExpectCheckCondition(firstToOlder, 0x05, 0x20);
  EXPECT_EQ(firstToOlder.transferred, 0U);
  EXPECT_EQ(firstToOlder.data, std::vector<std::uint8_t>(4, 0));
  ExpectCheckCondition(Send('E', {0, 0, 0, 0, 0, 0xB0, 0, 0x80}, 4), 0x05, 0x20);
  ExpectCheckCondition(Send('E', {0x20, 0, 0, 0, 0, 0, 0, 0, 4, 0x80, 0, 0}, 4), 0x05, 0x20);
  ExpectCheckCondition(Send('H', {0x20, 0x80, 0, 0, 0, 0, 0, 0}, 4), 0x05, 0x20);
  ExpectCheckCondition(Send('G', {0x20, 0x80, 0, 0, 0, 0, 0, 0}, 4), 0x05, 0x20);
  ExpectCheckCondition(Send('G', {0, 0, 0, 0, 0, 0xB0, 0, 0x80}, 4), 0x05, 0x20);
  ExpectCheckCondition(Send('G', {0x20, 0, 0, 0, 0, 0, 0, 0, 4, 0x80, 0, 0}, 4), 0x05, 0x20);
}

TEST_F(ReaderFirmwareTest, LockAndUnlockTheReader) {
  const auto reader = machine_->ReaderAt('E');
  const auto lock = Send('E', {0x20, 0x88, 0, 0, 0, 0, 0, 0}, 2);
  ExpectGood(lock, 2);
  EXPECT_EQ(lock.data[0] | lock.data[1], 0);
  EXPECT_TRUE(reader->ReaderLocked());
  ExpectGood(Send('E', {0x20, 0x89, 0, 0, 0, 0, 0, 0}, 2), 2);
  EXPECT_FALSE(reader->ReaderLocked());

  ExpectGood(Send('F', {0, 0, 0, 0, 0, 0xB0, 0, 0x88}, 2), 2);
  EXPECT_TRUE(machine_->ReaderAt('F')->ReaderLocked());
  const auto empty = Send('I', {0x20, 0x88, 0, 0, 0, 0, 0, 0}, 2);
  EXPECT_EQ(win::ReadLe16(empty.data, 0), 0x04FF);
  EXPECT_FALSE(machine_->ReaderAt('I')->ReaderLocked());
}

TEST_F(ReaderFirmwareTest, IdentifyAnswersLikeAtaIdentifyData) {
  const auto identify = Send('E', {0x20, 0x99, 0, 0, 0, 0, 0, 0}, 512);
  ExpectGood(identify, 512);
  namespace layout = win::identify_layout;
  EXPECT_EQ(layout::ReadDoubleWord(identify.data, layout::kTotalSectors), kCardSectors);
  EXPECT_EQ(layout::ReadDoubleWord(identify.data, layout::kCardFlags), 0x100U);
  EXPECT_NE(layout::ReadWord(identify.data, layout::kFirstReaderMark), 0);
  EXPECT_NE(layout::ReadWord(identify.data, layout::kSecondReaderMark), 0);
  // The model text "Kestro" holds the first character of each pair in the word's high byte.
  EXPECT_EQ(std::string(identify.data.begin() + 54, identify.data.begin() + 60), "eKtsor");
  EXPECT_EQ(win::ReadLe32(Send('I', {0x20, 0x99, 0, 0, 0, 0, 0, 0}, 512).data, 120), 0U);
  EXPECT_EQ(win::ReadLe32(Send('F', {0, 0, 0, 0, 0, 0, 0x02, 0x99}, 512).data, 314), 0x40000U);
}

TEST_F(ReaderFirmwareTest, RawFlashSubCommandsFindNoRawCard) {
  ExpectCheckCondition(Send('E', {0x20, 0x84, 0, 0, 0, 0, 0, 0}, 4), 0x05, 0x24);
  const auto empty = Send('I', {0x20, 0x84, 0, 0, 0, 0, 0, 0}, 4);
  ExpectGood(empty, 2);
  EXPECT_EQ(win::ReadLe16(empty.data, 0), 0x04FF);
}

}  // namespace
}  // namespace machine
