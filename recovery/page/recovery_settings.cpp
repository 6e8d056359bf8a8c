#include "recovery/page/recovery_settings.h"

#include "recovery/file_types.h"

namespace tarnlok {

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
