// Device tests on stand-ins of one Windows version: the stand-in readers installed
// (stand_in_reader.h), OsKind set as start-up sets it on that version and, on Windows 9x, the
// stand-in card driver opened, with a stand-in ASPI manager and a hand-made node chain.
#pragma once

#include "device/testing/device_test_support.h"
#include "device/testing/stand_in_aspi.h"
#include "device/testing/stand_in_chain.h"
#include "device/testing/stand_in_reader.h"
#include "platform/win/system/windows_version.h"

namespace tarnlok::test_support {

class StandInDeviceTest : public DeviceStateTest {
 protected:
  explicit StandInDeviceTest(win::WindowsVersion version) : machine(version) {}
  void SetUp() override;
  void TearDown() override;

  StandInMachine machine;
  win::HANDLE driver = win::INVALID_HANDLE_VALUE;  // the card driver, on Windows 9x
};

class StandInXpTest : public StandInDeviceTest {
 protected:
  StandInXpTest() : StandInDeviceTest(win::WindowsVersion::Xp) {}
};

class StandIn98Test : public StandInDeviceTest {
 protected:
  StandIn98Test() : StandInDeviceTest(win::WindowsVersion::Win98) {}

  StandInAspi aspi;
  StandInChain chain;
};

}  // namespace tarnlok::test_support
