// The numbers of the program's resources other than strings (resources/<type>/<id>.<extension>):
// dialog templates, the keyboard table, icons and bitmaps.
#pragma once

#include "platform/win/system/types.h"

#include <array>

namespace tarnlok {

// Dialog templates.
constexpr win::UINT kAboutBoxTemplate = 100;
constexpr win::UINT kMainTemplate = 102;
constexpr win::UINT kInfoPageTemplate = 129;
constexpr win::UINT kBackupPageTemplate = 130;
constexpr win::UINT kRestorePageTemplate = 131;
constexpr win::UINT kDuplicatePageTemplate = 132;
constexpr win::UINT kRecoveryPageTemplate = 133;
constexpr win::UINT kFormatPageTemplate = 134;
constexpr win::UINT kAboutPageTemplate = 135;
constexpr win::UINT kRecvSettingsTemplate = 150;
constexpr win::UINT kMediaSizeTemplate = 151;
constexpr win::UINT kErrorPromptTemplate = 152;
constexpr win::UINT kProgressDlgTemplate = 153;
constexpr win::UINT kFormatSummaryTemplate = 157;
constexpr win::UINT kSplashTemplate = 175;
constexpr win::UINT kToolPageTemplate = 189;
constexpr win::UINT kStartupNotesTemplate = 248;

// The keyboard table of the operation pages.
constexpr win::UINT kKeyboardTable = 145;

// Icons of the main window and its tabs.
constexpr win::UINT kWindowIcon = 245;
constexpr win::UINT kInfoTabIcon = 198;
constexpr win::UINT kRecoveryTabIcon = 179;
constexpr win::UINT kToolsTabIcon = 199;
constexpr win::UINT kAboutTabIcon = 247;
// The device list's images in list order; the last stands for cards of the maker's IDE and
// PCMCIA readers.
constexpr std::array<win::UINT, 6> kDeviceIcons = {135, 136, 133, 134, 172, 173};

// Icons of the buttons.
constexpr win::UINT kBackupToolIcon = 138;
constexpr win::UINT kDuplicateToolIcon = 139;
constexpr win::UINT kRestoreToolIcon = 140;
constexpr win::UINT kFormatToolIcon = 159;
constexpr win::UINT kHelpIcon = 190;
constexpr win::UINT kOptionsIcon = 191;
constexpr win::UINT kBrowseIcon = 193;
constexpr win::UINT kCancelIcon = 194;
constexpr win::UINT kOkIcon = 195;
constexpr win::UINT kSelectAllIcon = 196;
constexpr win::UINT kClearAllIcon = 197;
constexpr win::UINT kRecoverIcon = 215;
constexpr win::UINT kBackupIcon = 216;
constexpr win::UINT kDuplicateIcon = 217;
constexpr win::UINT kRestoreIcon = 218;
constexpr win::UINT kFormatIcon = 219;

// Bitmaps.
constexpr win::UINT kPlaceholderBitmap = 155;
constexpr win::UINT kPageBackgroundBitmap = 220;
// The caption buttons: under the pointer or pressed, and at rest.
constexpr win::UINT kMinimiseHotBitmap = 226;
constexpr win::UINT kCloseHotBitmap = 227;
constexpr win::UINT kCloseBitmap = 229;
constexpr win::UINT kMinimiseBitmap = 230;
constexpr win::UINT kMainBackgroundBitmap = 239;

}  // namespace tarnlok
