// The numbers that say which page is on show: the page codes kept in CurrentPageCode (and that
// choose a page's help topic), and the tabs of the main window's sheet in the order it adds them.
#pragma once

namespace tarnlok {

// CurrentPageCode of each page; 0 before any page has been shown.
constexpr int kInformationPageCode = 1;
constexpr int kBackupPageCode = 2;
constexpr int kRestorePageCode = 3;
constexpr int kDuplicatePageCode = 4;
constexpr int kRecoveryPageCode = 5;
constexpr int kFormatPageCode = 6;

// Modes of the one-operation sheet that the Tools page's buttons open: the page it shows.
constexpr int kModeBackup = 1;
constexpr int kModeDuplicate = 2;
constexpr int kModeRestore = 3;
constexpr int kModeFormat = 4;

// Tab indices of the main window's sheet.
constexpr int kInformationTab = 0;
constexpr int kRecoveryTab = 1;
constexpr int kToolsTab = 2;
constexpr int kAboutTab = 3;

}  // namespace tarnlok
