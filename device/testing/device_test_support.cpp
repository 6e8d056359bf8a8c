#include "device/testing/device_test_support.h"

#include "device/device_list.h"

namespace tarnlok::test_support {

void DeviceStateTest::TearDown() {
  FreeDeviceList();
  OperationBusy = 0;
  UsePlainSectorIo = 0;
  UseDriveLetterIo = 0;
  CardOnIdeBus = CardOnPcmciaBus = 0;
  MessageText.clear();
  PromptText.clear();
  EXPECT_EQ(prompter.Unanswered(), 0u) << "a scripted answer was never asked for";
}

}  // namespace tarnlok::test_support
