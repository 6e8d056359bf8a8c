// Control ids of the shell's own windows, by template (resources/dialog/<template>.txt): the main
// window, the Information and About pages and the start-up notes. Each operation page and dialog
// keeps its controls in its own header.
#pragma once

#include <array>

namespace tarnlok {

// The main window. The device list is named at the program's scope: the operations find it.
constexpr int kDeviceListControl = 1002;
namespace main_window {
constexpr int kSheetFrame = 1000;
constexpr int kIconStatic = 1009;
constexpr int kTitleMarker = 1010;
constexpr int kCloseButton = 1259;
constexpr int kMinimiseButton = 1260;
// The frame's bottom, top, left and right edges, which the 9x family does not show.
constexpr std::array<int, 4> kEdgePictures = {1276, 1277, 1278, 1275};
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
