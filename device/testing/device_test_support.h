// What the device tests share: a prompter that answers from a script and records every text,
// and a fixture that puts the program-wide device state back as it was at start.
#pragma once

#include "device/device_messages.h"
#include "device/device_state.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace tarnlok::testing {

class ScriptedDevicePrompter final : public DevicePrompter {
 public:
  struct Asked {
    std::string text;
    win::UINT type = 0;
  };

  ScriptedDevicePrompter() : previous_(InstallDevicePrompter(this)) {}
  ~ScriptedDevicePrompter() override { InstallDevicePrompter(previous_); }
  ScriptedDevicePrompter(const ScriptedDevicePrompter&) = delete;
  ScriptedDevicePrompter& operator=(const ScriptedDevicePrompter&) = delete;

  void Answer(int button) { script_.push_back(button); }
  int Ask(const std::string& text, win::UINT type) override {
    asked_.push_back({text, type});
    if (script_.empty()) {
      ADD_FAILURE() << "unexpected message box: " << text;
      return IDOK;
    }
    const int answer = script_.front();
    script_.pop_front();
    return answer;
  }
  const std::vector<Asked>& AskedBoxes() const { return asked_; }

 private:
  DevicePrompter* previous_;
  std::deque<int> script_;
  std::vector<Asked> asked_;
};

// Clears the device list and the run state after each test.
class DeviceStateTest : public ::testing::Test {
 protected:
  void TearDown() override;
  ScriptedDevicePrompter prompter;
};

}  // namespace tarnlok::testing
