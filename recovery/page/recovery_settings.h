// The recovery settings: the values under the program's settings key that the settings dialog
// writes and each recovery run reads, and the program-wide copies the run works with.
#pragma once

#include "controls/settings_key.h"

#include "platform/win/system/types.h"

#include <cstdint>
#include <string>

namespace tarnlok {

// Program-wide values, named after their registry values.
inline win::BYTE ShowThumbNail = 1;
inline win::BYTE AlwaysZero = 0;
inline win::BYTE RestoreAllFiles = 0;
inline win::BYTE ScanFile = 0;
// Bit n: type code n is looked for. 0 until the dialog's OK or a run loads it.
inline std::uint64_t TypeSelectionMask = 0;

constexpr const char* kShowThumbNailValue = "ShowThumbNail";
constexpr const char* kAlwaysZeroValue = "AlwaysZero";
constexpr const char* kRestoreAllFilesValue = "RestoreAllFiles";
constexpr const char* kScanFileValue = "Scan File";
constexpr const char* kDefaultFolderValue = "Default Folder";
constexpr const char* kDefaultFileValue = "Default File";
constexpr const char* kFallbackFolder = "C:\\Recover";
constexpr const char* kDefaultPrefix = "TLK";

struct FolderAndPrefix {
  std::string folder;
  std::string prefix;
};

// What the settings dialog's OK keeps.
struct RecoveryChoices {
  std::string folder;
  std::string prefix;
  std::uint64_t typeSelection = 0;
  bool showThumbnails = true;
  bool alwaysZero = false;
  bool restoreAllFiles = false;
  bool scanAllFiles = false;
};

// Sets the program-wide values from the choices, then writes them under the key when it is
// open; the choices hold for this program's runs even where the key cannot be written.
void StoreRecoveryChoices(const RecoveryChoices& choices, SettingsKey& key);

// The run's reader: the folder and prefix, and the four program-wide values as far as the key
// gives them.
FolderAndPrefix ReadRecoverySettings();

// The run's selection when TypeSelectionMask is 0: each type's value (a missing one counts as
// selected); codes 0 to 31 when the key cannot be opened.
std::uint64_t LoadTypeSelectionMask();

}  // namespace tarnlok
