// What the device tests share: a fixture with a scripted prompter that fails the test on a
// message box it was not told to expect, and that puts the program-wide device state back as it
// was at start.
#pragma once

#include "device/device_messages.h"
#include "device/device_state.h"
#include "platform/ui/dialogs/prompter.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnlok::testing {

// For a scripted prompter: an unexpected question fails the test instead of ending the process.
inline void FailTest(const std::string& what) { ADD_FAILURE() << what; }

// Clears the device list and the run state after each test.
class DeviceStateTest : public ::testing::Test {
 protected:
  void TearDown() override;
  ui::ScriptedPrompter prompter{FailTest};
};

}  // namespace tarnlok::testing
