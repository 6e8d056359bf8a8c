// The program's settings key under HKLM: "Software\<maker>\Tarnlok V2\Settings", and the one
// reader and writer of its values that the program and its viewer share.
#pragma once

#include "controls/shell_state.h"

#include "platform/win/registry/registry.h"
#include "platform/win/system/types.h"

#include <cstddef>
#include <optional>
#include <string>

namespace tarnlok {

inline std::string SettingsKeyPath() { return std::string("Software\\") + kMakerWord + "\\" + kSettingsKeyTail; }

// Room for a folder or prefix text, its terminating zero included.
constexpr std::size_t kSettingTextRoom = 260;

// The settings key, opened with all access; closed when the object goes.
class SettingsKey {
 public:
  // create: made when missing. path: the key under HKLM.
  explicit SettingsKey(bool create = false);
  SettingsKey(const std::string& path, bool create);
  ~SettingsKey();
  SettingsKey(const SettingsKey&) = delete;
  SettingsKey& operator=(const SettingsKey&) = delete;

  bool IsOpen() const { return key_ != nullptr; }
  std::optional<win::BYTE> ReadByte(const char* name) const;
  // A text that fits kSettingTextRoom with its end; nullopt when missing or too long.
  std::optional<std::string> ReadText(const char* name) const;
  void WriteByte(const char* name, win::BYTE value);
  // Written without its terminating zero; ReadText finds the end in its zeroed room.
  void WriteText(const char* name, const std::string& text);
  void Flush();

 private:
  win::HKEY key_ = nullptr;
};

}  // namespace tarnlok
