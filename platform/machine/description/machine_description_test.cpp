#include "platform/machine/description/machine_description.h"

#include <gtest/gtest.h>

#include <string>

namespace machine {
namespace {

const std::filesystem::path kFolder = "/machines/test";

MachineDescription Parse(const std::string& text) { return ParseMachineDescription(text, kFolder); }

// The message of the refusal, so a test can check that it names the key.
std::string Refusal(const std::string& text) {
  try {
    Parse(text);
  } catch (const MachineDescriptionError& error) {
    return error.what();
  }
  return "accepted";
}

TEST(MachineDescription, DefaultMachineIsXpWithSixReaders) {
  const auto machine = Parse(DefaultMachineDescriptionText());
  EXPECT_EQ(machine.windows, win::WindowsVersion::Xp);
  ASSERT_EQ(machine.readers.size(), 6U);
  const auto& cf = machine.readers[0];
  EXPECT_TRUE(cf.maker);
  EXPECT_EQ(cf.firmware, Firmware::Newer);
  EXPECT_EQ(cf.vendor, "Kestro  ");
  EXPECT_EQ(cf.product, "CF Reader       ");
  EXPECT_EQ(cf.card.kind, CardKind::CompactFlash);
  EXPECT_EQ(cf.card.sectors, 131072U);
  EXPECT_EQ(cf.card.image, kFolder / "cards" / "cf.img");
  EXPECT_EQ(cf.usb.vendorId, "55AA");
  const auto& smartMedia = machine.readers[1];
  EXPECT_EQ(smartMedia.card.kind, CardKind::SmartMedia);
  EXPECT_EQ(smartMedia.card.smartMediaDeviceCode, 0x75);  // 32 MB
  EXPECT_EQ(smartMedia.firmware, Firmware::Newer);
  const auto& memoryStick = machine.readers[2];
  EXPECT_EQ(memoryStick.card.kind, CardKind::MemoryStick);
  EXPECT_EQ(std::uint64_t{memoryStick.card.blocks} * memoryStick.card.pagesPerBlock * 512, 64ULL << 20);
  EXPECT_EQ(machine.readers[3].card.sectors * 512, 256ULL << 20);
  EXPECT_FALSE(machine.readers[3].maker);
  EXPECT_EQ(machine.readers[4].letter, 'A');
  EXPECT_EQ(machine.readers[4].card.sectors, 2880U);
  const auto& slot = machine.readers[5];
  EXPECT_EQ(slot.bus, Bus::Pcmcia);
  EXPECT_EQ(slot.card.kind, CardKind::CompactFlash);
  EXPECT_EQ(slot.card.sectors * 512, 32ULL << 20);
}

TEST(MachineDescription, DefaultsFollowBusAndMaker) {
  const auto machine = Parse(R"({"version":1,"windows":"98","readers":[
      {"bus":"usb"}, {"bus":"ide","maker":true,"card":{"kind":"sm"}}, {"bus":"floppy"}, {"bus":"ls120"},
      {"bus":"usb","maker":true,"firmware":"wide","card":{"kind":"ms","blocks":4096,"pagesPerBlock":32}}]})");
  EXPECT_EQ(machine.windows, win::WindowsVersion::Win98);
  const auto& generic = machine.readers[0];
  EXPECT_EQ(generic.letter, 'E');
  EXPECT_EQ(generic.firmware, Firmware::None);
  EXPECT_EQ(generic.vendor, "Generic ");
  EXPECT_EQ(generic.card.kind, CardKind::None);
  EXPECT_EQ(generic.storageBusType, 7);
  EXPECT_NE(generic.usb.vendorId, "55AA");
  EXPECT_NE(generic.usb.instance, machine.readers[4].usb.instance);

  const auto& ide = machine.readers[1];
  EXPECT_EQ(ide.letter, 'F');
  EXPECT_EQ(ide.storageBusType, 3);
  EXPECT_EQ(ide.card.smartMediaDeviceCode, 0x75);
  EXPECT_EQ(ide.card.image, kFolder / "cards" / "f.img");
  EXPECT_TRUE(ide.usb.vendorId.empty());

  EXPECT_EQ(machine.readers[2].letter, 'A');
  EXPECT_EQ(machine.readers[2].card.kind, CardKind::Floppy);
  EXPECT_FALSE(machine.readers[2].storageBusType.has_value());
  EXPECT_EQ(machine.readers[3].letter, 'B');
  EXPECT_EQ(machine.readers[3].card.sectors, 245760U);
  EXPECT_EQ(machine.readers[3].product, "LS-120 Drive    ");

  EXPECT_EQ(machine.readers[4].firmware, Firmware::Wide);
  EXPECT_EQ(machine.readers[4].card.blocks, 4096U);
  EXPECT_EQ(machine.readers[4].card.pagesPerBlock, 32U);
}

TEST(MachineDescription, FaultsAndPulledCards) {
  const auto machine = Parse(R"({"version":1,"readers":[{"card":{"kind":"cf","image":"/abs/cf.img",
      "faults":[{"op":"read","sector":5000},{"op":"write","sector":7,"times":3},{"op":"erase","block":2,"times":"always"}],
      "pulledAfterCommands":40,"writeProtected":true}}]})");
  const auto& card = machine.readers[0].card;
  EXPECT_EQ(card.image, "/abs/cf.img");
  EXPECT_TRUE(card.writeProtected);
  ASSERT_EQ(card.faults.size(), 3U);
  EXPECT_EQ(card.faults[0].sector, 5000U);
  EXPECT_EQ(card.faults[0].times, 1U);
  EXPECT_EQ(card.faults[1].operation, FaultOperation::Write);
  EXPECT_EQ(card.faults[1].times, 3U);
  EXPECT_EQ(card.faults[2].block, 2U);
  EXPECT_EQ(card.faults[2].times, 0U);
  EXPECT_EQ(card.pulledAfterCommands, 40U);
  const std::string flash = R"({"version":1,"readers":[{"maker":true,"card":{"kind":"ms","faults":[{"op":"readSpare",)";
  EXPECT_EQ(Parse(flash + R"("block":9}]}}]})").readers[0].card.faults[0].operation, FaultOperation::ReadSpare);
  EXPECT_NE(Refusal(flash + R"("sector":9}]}}]})").find("faults[0].op: readSpare needs a block"), std::string::npos);
}

TEST(MachineDescription, BlockListsNameBlocksOfTheCardOnce) {
  const std::string stick =
      R"({"version":1,"readers":[{"maker":true,"card":{"kind":"ms","blocks":512,"pagesPerBlock":16,)";
  EXPECT_EQ(Refusal(stick + R"("factoryBadBlocks":[3,511],"failingBlocks":[7]}}]})"), "accepted");
  EXPECT_NE(
      Refusal(stick + R"("factoryBadBlocks":[3,512]}}]})").find("readers[0].card.factoryBadBlocks: names a block past"),
      std::string::npos);
  EXPECT_NE(Refusal(stick + R"("factoryBadBlocks":[9,9]}}]})").find("factoryBadBlocks: names a block twice"),
            std::string::npos);
  // A 1 MB SmartMedia (code 0x6E) has 256 blocks.
  EXPECT_NE(
      Refusal(R"({"version":1,"readers":[{"maker":true,"card":{"kind":"sm","deviceCode":110,"failingBlocks":[256]}}]})")
          .find("readers[0].card.failingBlocks: names a block past the card's 256 blocks"),
      std::string::npos);
}

TEST(MachineDescription, RefusalsNameTheKey) {
  EXPECT_EQ(
      Refusal("{\n  \"version\": 1,\n  \"windows\": xp }"),
      "machine description: line 3, column 14: not valid JSON: syntax error while parsing value - invalid literal; "
      "last read: '\"windows\": x'");
  EXPECT_EQ(Refusal(R"({"version":1,"readers":[{"card":{"sectors":92E23447}}]})").find("[json.exception"),
            std::string::npos);
  EXPECT_NE(Refusal(R"({"version":1,"readers":[{"card":{"sectors":92E23447}}]})").find("not valid JSON"),
            std::string::npos);
  EXPECT_NE(Refusal(R"({"windows":"xp"})").find("version: is required"), std::string::npos);
  EXPECT_EQ(Refusal(R"({"version":2})"), "machine description: version: must be 1");
  EXPECT_NE(Refusal(R"({"version":1,"windows":"vista"})").find("windows: must be one of 95, 95osr2"),
            std::string::npos);
  EXPECT_NE(Refusal(R"({"version":1,"readers":[{},{"card":{"kind":"xd"}}]})").find("readers[1].card.kind"),
            std::string::npos);
  EXPECT_NE(Refusal(R"({"version":1,"readers":[{"colour":"red"}]})").find("readers[0].colour: unknown key"),
            std::string::npos);
  EXPECT_NE(Refusal(R"({"version":1,"readers":[{"letter":"E"},{"letter":"e"}]})").find("readers[1].letter: is taken"),
            std::string::npos);
  EXPECT_NE(Refusal(R"({"version":1,"readers":[{"letter":"C"}]})").find("readers[0].letter"), std::string::npos);
  EXPECT_NE(Refusal(R"({"version":1,"readers":[{"letter":"Z"}]})").find("readers[0].letter"), std::string::npos);
  EXPECT_NE(Refusal(R"({"version":1,"readers":[{"card":{"kind":"sm","deviceCode":119}}]})")
                .find("readers[0].card.deviceCode: is no SmartMedia device code"),
            std::string::npos);
  EXPECT_NE(Refusal(R"({"version":1,"readers":[{"card":{"kind":"ms","blocks":16384,"pagesPerBlock":32}}]})")
                .find("readers[0].card.blocks: a Memory Stick holds at most 262144 pages"),
            std::string::npos);
  EXPECT_NE(Refusal(R"({"version":1,"readers":[{"card":{"kind":"ms","pagesPerBlock":64}}]})")
                .find("readers[0].card.pagesPerBlock: must lie between 1 and 32"),
            std::string::npos);
  EXPECT_NE(Refusal(R"({"version":1,"readers":[{"card":{"kind":"floppy"}}]})").find("does not fit"), std::string::npos);
  EXPECT_NE(Refusal(R"({"version":1,"readers":[{"firmware":"newer"}]})").find("readers[0].firmware"),
            std::string::npos);
  EXPECT_NE(Refusal(R"({"version":1,"readers":[{"vendor":"ABCDEFGHI"}]})").find("longer than 8"), std::string::npos);
  EXPECT_NE(Refusal(R"({"version":1,"readers":[{"card":{"kind":"cf","sectors":-5}}]})").find("whole number"),
            std::string::npos);
  EXPECT_NE(Refusal(R"({"version":1,"readers":[{"card":{"kind":"sm","sectors":100}}]})").find("card.sectors"),
            std::string::npos);
  EXPECT_NE(Refusal(R"({"version":1,"readers":[{"card":{"kind":"cf","faults":[{"op":"read"}]}}]})")
                .find("readers[0].card.faults[0]: needs either sector or block"),
            std::string::npos);
  EXPECT_NE(Refusal(R"({"version":1,"readers":[{"bus":"ide","usb":{}}]})").find("readers[0].usb"), std::string::npos);
  EXPECT_NE(
      Refusal(R"({"version":1,"windows":"98","cardDriver":"broken"})").find("cardDriver: must be one of installed"),
      std::string::npos);
}

TEST(MachineDescription, RawFlashCardsFitEveryCardSlotButNoDrive) {
  for (const std::string bus : {"usb", "ide", "pcmcia"}) {
    for (const std::string kind : {"sm", "ms", "mspro"}) {
      const std::string reader = R"({"bus":")" + bus + R"(","maker":true,"card":{"kind":")" + kind + R"("}})";
      EXPECT_EQ(Refusal(R"({"version":1,"windows":"98","readers":[)" + reader + "]}"), "accepted") << bus << kind;
    }
  }
  for (const std::string bus : {"floppy", "ls120"}) {
    for (const std::string kind : {"sm", "ms", "mspro"}) {
      const std::string reader = R"({"bus":")" + bus + R"(","card":{"kind":")" + kind + R"("}})";
      EXPECT_NE(Refusal(R"({"version":1,"readers":[)" + reader + "]}").find("does not fit"), std::string::npos)
          << bus << kind;
    }
  }
}

TEST(MachineDescription, CardDriverState) {
  EXPECT_EQ(Parse(R"({"version":1,"windows":"98"})").cardDriver, CardDriverState::Installed);
  EXPECT_EQ(Parse(R"({"version":1,"windows":"98","cardDriver":"missing"})").cardDriver, CardDriverState::Missing);
  EXPECT_EQ(Parse(R"({"version":1,"windows":"95","cardDriver":"failing"})").cardDriver, CardDriverState::Failing);
}

TEST(MachineDescription, LettersRunOutAfterX) {
  std::string readers;
  for (int i = 0; i < 20; ++i) readers += std::string(i ? "," : "") + "{}";
  const auto text = R"({"version":1,"readers":[)" + readers + "]}";
  EXPECT_EQ(Parse(text).readers.back().letter, 'X');
  EXPECT_NE(Refusal(R"({"version":1,"readers":[)" + readers + ",{}]}").find("readers[20].letter"), std::string::npos);
}

}  // namespace
}  // namespace machine
