// Texts the shell formats: byte sizes, the Information page's capacities, the device rows.
#include "shell/device_rows.h"
#include "shell/main_app.h"
#include "device/card_query.h"
#include "shell/refresh_info_page.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tarnlok {
namespace {

TEST(FormatByteSize, UnitsSwitchAtPowersOfTwoAndTheDigitIsTruncated) {
  EXPECT_EQ(CMainApp::FormatByteSize(0), "0 Bytes");
  EXPECT_EQ(CMainApp::FormatByteSize(1023), "1023 Bytes");
  EXPECT_EQ(CMainApp::FormatByteSize(1024), "1 KB");
  EXPECT_EQ(CMainApp::FormatByteSize(1048575), "1023 KB");
  EXPECT_EQ(CMainApp::FormatByteSize(1048576), "1.0 MB");
  EXPECT_EQ(CMainApp::FormatByteSize(1572864), "1.5 MB");
  EXPECT_EQ(CMainApp::FormatByteSize(2097151), "1.9 MB");
  EXPECT_EQ(CMainApp::FormatByteSize(1073741823), "1023.9 MB");
  EXPECT_EQ(CMainApp::FormatByteSize(1073741824), "1.0 GB");
  EXPECT_EQ(CMainApp::FormatByteSize(5905580032), "5.5 GB");
}

TEST(CapacityText, SizeCodesOfRawCardsAndMegabytesOfTheOthers) {
  EXPECT_EQ(CapacityText(true, true, kSmartMedia, 6), "32 MB");
  EXPECT_EQ(CapacityText(true, true, kSmartMedia, 9), "256 MB") << "the IDE and PCMCIA readers know codes 9 to 12 too";
  EXPECT_EQ(CapacityText(true, true, kSmartMedia, 32), "") << "an unknown card's capacity is no size code";
  EXPECT_EQ(CapacityText(true, true, kCompactFlash, 0), " No Media");
  EXPECT_EQ(CapacityText(true, true, kCompactFlash, 128), "128 MB");
  EXPECT_EQ(CapacityText(false, true, kSmartMedia, 12), "2048 MB");
  EXPECT_EQ(CapacityText(false, true, kMemoryStick, 37), "128 MB");
  EXPECT_EQ(CapacityText(false, true, kMemoryStick, 20), "");
  EXPECT_EQ(CapacityText(false, false, kMmcSd, 64), " No Media");
  EXPECT_EQ(CapacityText(false, true, kMmcSd, 0), " No Media");
  EXPECT_EQ(CapacityText(false, true, kMmcSd, 33), "33 MB");
  EXPECT_EQ(FreeSpaceText(1572864.0), "Free:    1.5 MB");
  EXPECT_EQ(UsedSpaceText(0), "Used:    0.0 MB");
}

DeviceEntry Entry(win::BYTE bus, win::BYTE kind, win::BYTE otherMaker) {
  DeviceEntry entry;
  entry.busKind = bus;
  entry.deviceKind = kind;
  entry.otherMakerFlag = otherMaker;
  entry.driveLetter = 'F';
  std::memcpy(entry.vendor, "QUARNWEL", 8);
  std::memcpy(entry.product, "Card Reader", 12);
  return entry;
}

TEST(DeviceRows, ImagesByKindMakerAndBus) {
  EXPECT_EQ(DeviceImageIndex(Entry(kBusUsb, kMmcSd, 0)), 0);
  EXPECT_EQ(DeviceImageIndex(Entry(kBusUsb, kSmartMediaReader, 0)), 1);
  EXPECT_EQ(DeviceImageIndex(Entry(kBusUsb, kCompactFlash, 0)), 2);
  EXPECT_EQ(DeviceImageIndex(Entry(kBusUsb, kMemoryStickReader, 0)), 3);
  EXPECT_EQ(DeviceImageIndex(Entry(kBusUsb, kMemoryStickPro, 0)), 4);
  EXPECT_EQ(DeviceImageIndex(Entry(kBusUsb, kSmartMedia, 1)), 4);
  EXPECT_EQ(DeviceImageIndex(Entry(kBusIde, kCompactFlash, 0)), 5);
  EXPECT_EQ(DeviceImageIndex(Entry(kBusPcmcia, kMmcSd, 1)), 5);
}

TEST(DeviceRows, TheMakersBusReadersGoByTheirBusOthersKeepTheirVendor) {
  DeviceEntry ide = Entry(kBusIde, kCompactFlash, 0);
  RenameBusVendor(ide);
  EXPECT_EQ(DeviceRowText(ide), "(F:) IDE  Card Reader");
  DeviceEntry pcmcia = Entry(kBusPcmcia, kCompactFlash, 0);
  RenameBusVendor(pcmcia);
  EXPECT_EQ(DeviceRowText(pcmcia), "(F:) PCMCIA  Card Reader");
  DeviceEntry foreign = Entry(kBusIde, kCompactFlash, 1);
  RenameBusVendor(foreign);
  EXPECT_EQ(DeviceRowText(foreign), "(F:) QUARNWEL Card Reader");
}

}  // namespace
}  // namespace tarnlok
