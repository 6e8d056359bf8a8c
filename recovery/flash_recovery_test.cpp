// Recovery of the default machine's SmartMedia and Memory Stick cards through their block maps:
// the engine run over the map must find the deleted photographs and write exactly what it
// writes when it runs over the logical sectors the reader's own firmware shows.
#include "device/device_state.h"
#include "device/enum_devices_nt.h"
#include "device/testing/machine_fixture.h"
#include "device/card_reads.h"
#include "device/card_session.h"
#include "platform/machine/description/default_cards.h"
#include "platform/machine/flash/flash_geometry.h"
#include "platform/machine/testing/machine_testing.h"
#include "recovery/flash_block_map.h"
#include "recovery/recovery_engine.h"
#include "recovery/testing/engine_harness.h"
#include "recovery/testing/memory_source.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace recovery {
namespace {

using test_support::Bytes;

struct DefaultCard {
  char letter;
  FlashLayout layout;
};

class DefaultFlashCards : public tarnlok::test_support::MachineDeviceTest,
                          public ::testing::WithParamInterface<DefaultCard> {
 protected:
  void SetUp() override {
    std::filesystem::remove_all(tarnlok::test_support::TestDataHome() / "cards");
    const std::string text = machine::DefaultMachineDescriptionText();
    machine::MakeDefaultCards(machine::test_support::Describe(text));
    Start(text, 7);
    ASSERT_EQ(tarnlok::EnumDevicesNt(), 1);
    entry_ = tarnlok::test_support::EntryAt(GetParam().letter);
    ASSERT_NE(entry_, nullptr);
    ASSERT_TRUE(session_.Open(*entry_));
    tarnlok::OperationBusy = 1;
  }
  void TearDown() override {
    session_.Release();
    MachineDeviceTest::TearDown();
  }

  // The volume starts where the master boot record's first partition says.
  static CardFacts FactsOf(SectorSource& source) {
    Bytes mbr(512);
    EXPECT_TRUE(source.Read(0, mbr));
    CardFacts card;
    card.volumeStart = win::ReadLe32(mbr, 446 + 8);
    card.sectorsPerRead = 32;
    return card;
  }

  tarnlok::DeviceEntry* entry_ = nullptr;
  tarnlok::CardSession session_;
};

TEST_P(DefaultFlashCards, TheDeletedPhotographsComeBackAsFromTheReadersOwnSectors) {
  const FlashLayout& layout = GetParam().layout;
  CardFlashReads reads(session_.Handle(), *entry_, layout);
  FlashBlockMap map(layout);
  BlockMapObserver quiet;
  ASSERT_EQ(map.Build(reads, quiet), BlockMapEnd::Completed);
  FlashSectorSource flash(map, reads);

  const auto volume = machine::StandardVolumeFor(static_cast<std::uint8_t>(layout.mediaSizeCode));
  ASSERT_TRUE(volume.has_value());
  const auto sectors = static_cast<win::DWORD>(volume->LogicalSectors());
  Bytes logical(std::size_t{sectors} * 512);
  for (win::DWORD first = 0; first < sectors; first += 64) {
    ASSERT_TRUE(tarnlok::ReadCardSectors(session_.Handle(), *entry_, first, std::min<win::DWORD>(64, sectors - first),
                                         512, logical.data() + std::size_t{first} * 512));
  }
  test_support::MemorySectorSource reader(logical);

  test_support::Harness throughMap("flash-map"), throughReader("flash-reader");
  const RunSummary mapped =
      RecoveryEngine(throughMap.state, flash, throughMap.observer).Run(throughMap.Settings(), FactsOf(flash));
  const RunSummary plain = RecoveryEngine(throughReader.state, reader, throughReader.observer)
                               .Run(throughReader.Settings(), FactsOf(reader));
  EXPECT_EQ(mapped.end, RunEnd::Completed);
  EXPECT_EQ(plain.end, RunEnd::Completed);
  EXPECT_EQ(mapped.boot.fileSystem, plain.boot.fileSystem);
  const auto found = throughMap.Outputs();
  int photographs = 0;
  for (const auto& [name, bytes] : found) {
    if (bytes.size() > 4096 && bytes[0] == 0xFF && bytes[1] == 0xD8) ++photographs;
  }
  EXPECT_GE(photographs, 1) << "the deleted photograph";
  EXPECT_TRUE(found == throughReader.Outputs());
}

INSTANTIATE_TEST_SUITE_P(Cards, DefaultFlashCards,
                         ::testing::Values(DefaultCard{'F', SmartMediaLayout({6, 32, 2048})},
                                           DefaultCard{'H', MemoryStickLayout(4096, 32)}),
                         [](const ::testing::TestParamInfo<DefaultCard>& card) {
                           return card.param.letter == 'F' ? std::string("SmartMedia") : std::string("MemoryStick");
                         });

}  // namespace
}  // namespace recovery
