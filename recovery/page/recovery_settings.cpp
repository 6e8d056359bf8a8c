#include "recovery/page/recovery_settings.h"

#include "platform/win/system/last_error.h"
#include "recovery/file_types.h"
#include "controls/settings_key.h"

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

void StoreRecoveryChoices(const RecoveryChoices& choices, SettingsKey& key) {
  TypeSelectionMask = choices.typeSelection;
  ShowThumbNail = choices.showThumbnails ? 1 : 0;
  AlwaysZero = choices.alwaysZero ? 1 : 0;
  RestoreAllFiles = choices.restoreAllFiles ? 1 : 0;
  ScanFile = choices.scanAllFiles ? 1 : 0;
  if (!key.IsOpen()) return;
  key.WriteText(kDefaultFolderValue, choices.folder);
  key.WriteText(kDefaultFileValue, choices.prefix);
  for (int code = 0; code < recovery::kTypeCount; ++code) {
    const std::string extension(recovery::FileTypeTable[static_cast<std::size_t>(code)]);
    key.WriteByte(extension.c_str(), (TypeSelectionMask & recovery::TypeBit(code)) != 0 ? 1 : 0);
  }
  key.WriteByte(kShowThumbNailValue, ShowThumbNail);
  key.WriteByte(kAlwaysZeroValue, AlwaysZero);
  key.WriteByte(kRestoreAllFilesValue, RestoreAllFiles);
  key.WriteByte(kScanFileValue, ScanFile);
  key.Flush();
}

FolderAndPrefix ReadRecoverySettings() {
  const SettingsKey key;
  if (!key.IsOpen()) return {kFallbackFolder, kDefaultPrefix};
  ShowThumbNail = key.ReadByte(kShowThumbNailValue).value_or(1);
  AlwaysZero = key.ReadByte(kAlwaysZeroValue).value_or(0);
  RestoreAllFiles = key.ReadByte(kRestoreAllFilesValue).value_or(RestoreAllFiles);
  ScanFile = key.ReadByte(kScanFileValue).value_or(ScanFile);
  return {key.ReadText(kDefaultFolderValue).value_or(kFallbackFolder),
          key.ReadText(kDefaultFileValue).value_or(kDefaultPrefix)};
}

std::uint64_t LoadTypeSelectionMask() {
  const SettingsKey key;
  if (!key.IsOpen()) return recovery::kDefaultTypeSelection;
  std::uint64_t mask = 0;
  for (int code = 0; code < recovery::kTypeCount; ++code) {
    const std::string name(recovery::FileTypeTable[static_cast<std::size_t>(code)]);
    if (key.ReadByte(name.c_str()).value_or(1) != 0) mask |= recovery::TypeBit(code);
  }
  return mask;
}

}  // namespace tarnlok
