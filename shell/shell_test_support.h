// What the shell's tests share: a fixture that runs the whole program headless on a described
// machine, and small readers of the registry and of dialog controls.
#pragma once

#include "device/device_state.h"
#include "device/testing/card_images.h"
#include "device/testing/device_test_support.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/help_window.h"
#include "platform/ui/windows/win_app.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/registry/registry.h"
#include "platform/win/system/shell_services.h"
#include "shell/main_app.h"
#include "controls/settings_key.h"
#include "controls/shell_state.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace tarnlok::test_support {

// A CompactFlash and an MMC/SD card in USB readers, plain FAT volumes made by mkfs.fat; the
// CompactFlash volume has the label given.
inline std::string TwoReaders(const std::string& windows, const std::string& cfLabel = {}) {
  WriteImage("cf.img", Partitioned(FormattedVolume(16, 65536 - 64, cfLabel), 64));
  WriteImage("sd.img", Partitioned(FormattedVolume(12, 8192 - 64), 64));
  return R"({ "version": 1, "windows": ")" + windows + R"(", "readers": [
    { "bus": "usb", "maker": true, "firmware": "newer", "letter": "E",
      "card": { "kind": "cf", "image": "cf.img", "sectors": 65536 } },
    { "bus": "usb", "letter": "G", "card": { "kind": "mmcsd", "image": "sd.img", "sectors": 8192 } } ] })";
}

// Stores START = 1, so that the start-up notes stay away.
inline void HideNotes() {
  win::HKEY key = nullptr;
  win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE, SettingsKeyPath().c_str(), 0, nullptr, win::REG_OPTION_NON_VOLATILE,
                       win::KEY_ALL_ACCESS, nullptr, &key, nullptr);
  const win::BYTE start = 1;
  win::RegSetValueExA(key, kStartValue, 0, win::REG_BINARY, &start, 1);
  win::RegCloseKey(key);
}

inline std::string ItemText(ui::HWND dialog, int id) {
  char text[256] = {};
  ui::GetDlgItemTextA(dialog, id, text, sizeof(text));
  return text;
}

// The title of the topic the help window shows, then the window closed; empty when none opened.
inline std::string ShownHelpTopic() {
  const ui::HWND window = ui::HelpWindow();
  if (window == nullptr) return {};
  char title[256] = {};
  ui::GetWindowTextA(window, title, sizeof(title));
  win::WinHelpA(nullptr, nullptr, win::HELP_QUIT, 0);
  return title;
}

class ProgramTest : public DeviceStateTest {
 protected:
  void Start(const std::string& json) {
    machine_ = std::make_unique<machine::Machine>(machine::test_support::Describe(json));
    machine_->Install();
  }
  // The machine a person finds on the first start: its description and cards made afresh.
  void StartDefault() {
    machine_ = machine::Machine::Load();
    machine_->Install();
  }
  void TearDown() override {
    CurrentPageCode = 0;
    ActivePageHwnd = nullptr;
    DeviceStateTest::TearDown();
    machine_.reset();
  }
  int Run() { return ui::AfxWinMain(); }

  ui::TestDriver driver{[](const std::string& what) { ADD_FAILURE() << what; }};
  CMainApp app;
  std::unique_ptr<machine::Machine> machine_;
};

}  // namespace tarnlok::test_support
