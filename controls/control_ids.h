// Control ids of the shell's own windows, by template (resources/dialog/<template>.txt): the main
// window, the Information and About pages and the start-up notes, and the ids that several
// templates share. Each operation page and dialog keeps its other controls in its own header.
#pragma once

#include <array>

namespace tarnlok {

// The bold captions over a page's or dialog's groups, top to bottom: the Backup, Restore,
// Duplicate and Format pages and the recovery settings title their groups with these.
constexpr int kFirstGroupCaption = 1264;
constexpr int kSecondGroupCaption = 1265;
constexpr int kThirdGroupCaption = 1266;
constexpr int kFourthGroupCaption = 1267;

// The main window. The device list is named at the program's scope: the operations find it.
constexpr int kDeviceListControl = 1002;
namespace main_window {
constexpr int kSheetFrame = 1000;
constexpr int kIconStatic = 1009;
constexpr int kTitleMarker = 1010;
constexpr int kCloseButton = 1259;
constexpr int kMinimiseButton = 1260;
// The first of the row of pictures right of the title (1269 to 1273).
constexpr int kFirstTitlePicture = 1269;
// The frame's edges, which the 9x family does not show.
constexpr int kRightEdgePicture = 1275;
constexpr int kBottomEdgePicture = 1276;
constexpr int kTopEdgePicture = 1277;
constexpr int kLeftEdgePicture = 1278;
constexpr std::array<int, 4> kEdgePictures = {kBottomEdgePicture, kTopEdgePicture, kLeftEdgePicture, kRightEdgePicture};
// Statics and edits the window would show with a transparent text background; its template
// holds neither today.
constexpr std::array<int, 2> kClearTextControls = {1252, 1253};
}  // namespace main_window

// The Information page: a label beside each value.
namespace info_page {
constexpr int kHiddenFrame = 1018;
constexpr int kDriveLabel = 1019;
constexpr int kVolumeLabelLabel = 1020;
constexpr int kDrive = 1021;
constexpr int kVolumeLabel = 1022;
constexpr int kCapacityLabel = 1023;
constexpr int kFileSystemLabel = 1024;
constexpr int kCapacity = 1025;
constexpr int kFileSystem = 1026;
constexpr int kDeviceNameLabel = 1027;
constexpr int kDeviceName = 1028;
constexpr int kLowLevelSupport = 1029;
constexpr int kFirmware = 1035;
constexpr int kFirmwareLabel = 1037;
constexpr int kLowLevelSupportLabel = 1038;
constexpr int kHelpButton = 1165;
constexpr int kPieChart = 1168;
constexpr int kFrame = 1250;
constexpr int kHeading = 1262;
constexpr int kSubheading = 1263;
}  // namespace info_page

// The About page.
namespace about_page {
constexpr int kProductLabel = 1011;
constexpr int kBuildLabel = 1012;
constexpr int kProduct = 1013;
constexpr int kBuild = 1014;
constexpr int kNotice = 1015;
constexpr int kMakerName = 1017;
constexpr int kStreet = 1018;
constexpr int kTown = 1022;
constexpr int kMailLink = 1023;
constexpr int kWebLink = 1024;
constexpr int kSupportHeading = 1250;
}  // namespace about_page

// The start-up notes.
namespace startup_notes {
constexpr int kHideCheck = 1282;
constexpr int kNotesHeading = 1284;
constexpr int kPurpose = 1286;
constexpr int kMoreInformation = 1287;
constexpr int kWebLink = 1291;
}  // namespace startup_notes

}  // namespace tarnlok
