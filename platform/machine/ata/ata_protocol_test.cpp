// Conformance with the ATA section of docs/reader-protocol.md on every road of the IDE and
// PCMCIA readers: IDE pass-through (XP), ATA inside SCSI blocks (NT4) and the card driver (98,
// 95). The same commands give the same data and the same failures; the error register is
// checked where the road carries it.
// Blocks and vendor sub-commands are written as raw bytes on purpose: they check the reader's
// decoding against docs/reader-protocol.md, not against the constants it decodes with.
#include "platform/machine/testing/machine_roads.h"

#include <gtest/gtest.h>

namespace machine {
namespace {

using test_support::TaskFileBytes;

struct Row {
  const char* what;
  char reader;
  TaskFileBytes file;
  std::uint32_t size;
  bool writes;
  bool failed;
  std::uint8_t errorRegister;
  std::vector<std::pair<std::size_t, std::uint8_t>> dataBytes;
};

class AtaProtocolTest : public ::testing::TestWithParam<const char*> {
 protected:
  std::string Windows() const { return GetParam(); }

  void SetUp() override {
    test_support::WriteNumberedImage("ide.img", 2048);
    test_support::WriteNumberedImage("pcmcia.img", 2048);
    test_support::WriteNumberedImage("other.img", 2048);
    machine_ = std::make_unique<Machine>(test_support::Describe(R"({"version":1,"windows":")" + Windows() +
                                                                R"(","readers":[
      {"bus":"ide","maker":true,"letter":"E","card":{"kind":"cf","image":"ide.img","sectors":2048,
       "faults":[{"op":"read","sector":100,"times":"always"}]}},
      {"bus":"pcmcia","maker":true,"letter":"F","card":{"kind":"mmcsd","image":"pcmcia.img","sectors":2048,
       "writeProtected":true}},
      {"bus":"ide","letter":"G","card":{"kind":"cf","image":"other.img","sectors":2048}},
      {"bus":"pcmcia","maker":true,"letter":"H"}]})"));
    machine_->Install();
    roads_ = std::make_unique<test_support::MachineRoads>(Windows());
  }

  test_support::RoadAnswer Send(const Row& row) {
    return roads_->Ata(row.reader, static_cast<std::size_t>(row.reader - 'E'), row.file, row.size, row.writes);
  }

  void Check(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
      const test_support::RoadAnswer answer = Send(row);
      EXPECT_TRUE(answer.delivered) << row.what;
      EXPECT_EQ(answer.failed, row.failed) << row.what;
      if (answer.errorRegister && row.failed) {
        EXPECT_EQ(*answer.errorRegister, row.errorRegister) << row.what;
      }
      for (const auto& [offset, value] : row.dataBytes)
        EXPECT_EQ(answer.data.at(offset), value) << row.what << " @" << offset;
    }
  }

  std::unique_ptr<Machine> machine_;
  std::unique_ptr<test_support::MachineRoads> roads_;
};

TEST_P(AtaProtocolTest, CommandsAnswerAlikeOnEveryRoad) {
  // clang-format off
  Check({
      {"IDENTIFY", 'E', {0, 1, 0, 0, 0, 0xA0, 0xEC}, 512, false, false, 0,
       {{120, 0x00}, {121, 0x08}, {270, 0x53}, {271, 0x4B}, {314, 0x00}, {315, 0x01}}},
      {"IDENTIFY, PCMCIA slot and write protection", 'F', {0, 1, 0, 0, 0, 0xA0, 0xEC}, 512, false, false, 0,
       {{314, 0x20}, {316, 0x64}}},
      {"IDENTIFY, no card", 'H', {0, 1, 0, 0, 0, 0xA0, 0xEC}, 512, false, false, 0, {{120, 0}, {121, 0}, {316, 0x60}}},
      {"READ SECTORS", 'E', {0, 2, 7, 0, 0, 0xE0, 0x20}, 1024, false, false, 0, {{0, 7}, {512, 8}}},
      {"READ SECTORS, high LBA bits", 'E', {0, 1, 0x01, 0x04, 0, 0xE0, 0x20}, 512, false, false, 0, {{0, 1}, {1, 4}}},
      {"READ SECTORS beyond the card", 'E', {0, 1, 0, 0x08, 0, 0xE0, 0x20}, 512, false, true, 0x10, {}},
      {"READ SECTORS, read fault", 'E', {0, 1, 100, 0, 0, 0xE0, 0x20}, 512, false, true, 0x40, {}},
      {"READ SECTORS, no card", 'H', {0, 1, 0, 0, 0, 0xE0, 0x20}, 512, false, true, 0x02, {}},
      {"READ SECTORS, CHS", 'E', {0, 1, 1, 0, 0, 0xA0, 0x20}, 512, false, true, 0x04, {}},
      {"READ SECTORS, count above the data", 'E', {0, 2, 0, 0, 0, 0xE0, 0x20}, 512, false, true, 0x04, {}},
      {"WRITE SECTORS", 'E', {0, 1, 50, 0, 0, 0xE0, 0x30}, 512, true, false, 0, {}},
      {"read back", 'E', {0, 1, 50, 0, 0, 0xE0, 0x20}, 512, false, false, 0, {{0, 0x5A}, {511, 0x5A}}},
      {"WRITE SECTORS, write protected", 'F', {0, 1, 3, 0, 0, 0xE0, 0x30}, 512, true, true, 0x40, {}},
      {"GET MEDIA STATUS", 'E', {0, 0, 0, 0, 0, 0xA0, 0xDA}, 0, false, false, 0, {}},
      {"GET MEDIA STATUS, write protected", 'F', {0, 0, 0, 0, 0, 0xA0, 0xDA}, 0, false, true, 0x40, {}},
      {"GET MEDIA STATUS, no card", 'H', {0, 0, 0, 0, 0, 0xA0, 0xDA}, 0, false, true, 0x02, {}},
      {"vendor status", 'F', {0, 1, 0, 0, 0, 0xA0, 0x80}, 512, false, false, 0, {{0, 0x20}, {2, 0x08}, {4, 0}}},
      {"vendor status, no card", 'H', {0, 1, 0, 0, 0, 0xA0, 0x80}, 512, false, false, 0, {{0, 0xFF}, {1, 0x04}}},
      {"vendor identify", 'E', {0, 1, 0, 0, 0, 0xA0, 0x99}, 512, false, false, 0, {{121, 0x08}}},
      {"vendor lock and unlock", 'E', {0, 1, 0, 0, 0, 0xA0, 0x88}, 512, false, false, 0, {{0, 0}, {1, 0}}},
      {"unlock", 'E', {0, 1, 0, 0, 0, 0xA0, 0x89}, 512, false, false, 0, {}},
      {"vendor command, other maker", 'G', {0, 1, 0, 0, 0, 0xA0, 0x80}, 512, false, true, 0x04, {}},
      {"geometry of a plain card", 'E', {0, 1, 0, 0, 0, 0xA0, 0x84}, 512, false, true, 0x04, {}},
      {"IDENTIFY PACKET to an ATA reader", 'E', {0, 1, 0, 0, 0, 0xA0, 0xA1}, 512, false, true, 0x04, {}},
      {"unknown command", 'E', {0, 0, 0, 0, 0, 0xA0, 0xE5}, 0, false, true, 0x04, {}},
  });
  // clang-format on
}

TEST_P(AtaProtocolTest, TheSlaveAnswersNothing) {
  const test_support::RoadAnswer slave =
      Send({"IDENTIFY at the slave", 'E', {0, 1, 0, 0, 0, 0xB0, 0xEC}, 512, false, true, 0, {}});
  if (Windows() == "nt4") {
    EXPECT_TRUE(slave.delivered);
    EXPECT_TRUE(slave.failed) << "CHECK CONDITION 0B/00";
  } else {
    EXPECT_FALSE(slave.delivered);
    EXPECT_EQ(win::GetLastError(), win::ERROR_IO_DEVICE);
  }
}

INSTANTIATE_TEST_SUITE_P(Roads, AtaProtocolTest, ::testing::Values("xp", "nt4", "98", "95"));

}  // namespace
}  // namespace machine
