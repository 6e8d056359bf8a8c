#include "controls/settings_key.h"

#include "platform/win/system/last_error.h"

#include <array>
#include <cstring>

namespace tarnlok {

SettingsKey::SettingsKey(bool create) : SettingsKey(SettingsKeyPath(), create) {}

SettingsKey::SettingsKey(const std::string& path, bool create) {
  const win::LONG status =
      create ? win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, win::REG_OPTION_NON_VOLATILE,
                                    win::KEY_ALL_ACCESS, nullptr, &key_, nullptr)
             : win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, path.c_str(), 0, win::KEY_ALL_ACCESS, &key_);
  if (status != win::ERROR_SUCCESS) key_ = nullptr;
}

SettingsKey::~SettingsKey() {
  if (key_ != nullptr) win::RegCloseKey(key_);
}

std::optional<win::BYTE> SettingsKey::ReadByte(const char* name) const {
  if (key_ == nullptr) return std::nullopt;
  win::BYTE value = 0;
  win::DWORD size = 1;
  if (win::RegQueryValueExA(key_, name, nullptr, nullptr, &value, &size) != win::ERROR_SUCCESS) return std::nullopt;
  return value;
}

std::optional<std::string> SettingsKey::ReadText(const char* name) const {
  if (key_ == nullptr) return std::nullopt;
  std::array<char, kSettingTextRoom> text{};
  win::DWORD size = static_cast<win::DWORD>(text.size());
  if (win::RegQueryValueExA(key_, name, nullptr, nullptr, reinterpret_cast<win::BYTE*>(text.data()), &size) !=
      win::ERROR_SUCCESS)
    return std::nullopt;
  // A value written without its end that fills the whole room is no text we can trust.
  const std::size_t length = strnlen(text.data(), size);
  if (length == text.size()) return std::nullopt;
  return std::string(text.data(), length);
}

void SettingsKey::WriteByte(const char* name, win::BYTE value) {
  if (key_ != nullptr) win::RegSetValueExA(key_, name, 0, win::REG_BINARY, &value, 1);
}

void SettingsKey::WriteText(const char* name, const std::string& text) {
  if (key_ == nullptr) return;
  // Stored without its end: the readers zero their room before they read.
  win::RegSetValueExA(key_, name, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(text.data()),
                      static_cast<win::DWORD>(text.size()));
}

void SettingsKey::Flush() {
  if (key_ != nullptr) win::RegFlushKey(key_);
}

}  // namespace tarnlok
