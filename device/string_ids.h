// The numbers of the program's string table (resources/strings.txt) that the code names; kept
// here, beside the loading of program strings, so that every layer of the program shares them.
#pragma once

#include "platform/win/system/types.h"

namespace tarnlok {

// The program and its start-up.
constexpr win::UINT kStringTitleWithMaker = 103;
constexpr win::UINT kStringMappingName = 104;
constexpr win::UINT kStringNotEnoughMemory = 105;
constexpr win::UINT kStringDriverMissing = 106;
constexpr win::UINT kStringDriverCallFailed = 107;
constexpr win::UINT kStringNoDeviceConnected = 108;
constexpr win::UINT kStringFormatLibraryFailed = 57430;
constexpr win::UINT kStringProgramTitle = 57344;
constexpr win::UINT kStringAspiNotLoaded = 57418;
constexpr win::UINT kStringTools = 57465;
constexpr win::UINT kStringClose = 57507;
constexpr win::UINT kStringProductPattern = 1270;
constexpr win::UINT kStringVersion = 57464;
constexpr win::UINT kStringBuild = 57463;
constexpr win::UINT kStringCopyright = 57414;

// Device and card texts.
constexpr win::UINT kStringNoMediaText = 109;
constexpr win::UINT kStringMegabytes = 110;
constexpr win::UINT kStringMemoryStick = 1071;
constexpr win::UINT kStringSmartMedia = 1072;
constexpr win::UINT kStringSupportYes = 1272;
constexpr win::UINT kStringSupportNo = 1273;
constexpr win::UINT kStringUntitled = 57433;
constexpr win::UINT kStringOpenFailed = 1089;
constexpr win::UINT kStringOpenFailedPcmcia = 57422;
constexpr win::UINT kStringMediaNotFormatted = 1091;
constexpr win::UINT kStringNoMedia = 1090;
constexpr win::UINT kStringWriteProtected = 1097;
constexpr win::UINT kStringTooLarge = 1077;
constexpr win::UINT kStringNot9x = 57442;
constexpr win::UINT kStringDriveGone = 57449;
constexpr win::UINT kStringReinsertPcmcia = 57429;
constexpr win::UINT kStringReplaceMedia = 57435;

// Shared by the operations.
constexpr win::UINT kStringCancel = 1058;
constexpr win::UINT kStringTotalBlocks = 1041;
constexpr win::UINT kStringCurrentBlock = 1042;
constexpr win::UINT kStringFileFilter = 1073;
constexpr win::UINT kStringCancelQuestion = 1075;
constexpr win::UINT kStringReadFailed = 1076;
constexpr win::UINT kStringExtraDataUnreadable = 1086;
constexpr win::UINT kStringRedundantUnreadable = 1087;
constexpr win::UINT kStringWriteFailed = 1092;
constexpr win::UINT kStringEraseFailed = 1107;
constexpr win::UINT kStringFolderFailed = 1143;
constexpr win::UINT kStringFolderFailedReason = 1144;
constexpr win::UINT kStringPathNotFound = 1244;
constexpr win::UINT kStringAbort = 1150;
constexpr win::UINT kStringRetry = 1151;
constexpr win::UINT kStringIgnore = 1152;
constexpr win::UINT kStringIgnoreAll = 1153;

// Backup.
constexpr win::UINT kStringNoBackupFileName = 1078;
constexpr win::UINT kStringOverwrite = 1079;
constexpr win::UINT kStringBackupSameDrive = 1080;
constexpr win::UINT kStringBackupCloseOthers = 1081;
constexpr win::UINT kStringCreateFailed = 1083;
constexpr win::UINT kStringWritingImage = 1084;
constexpr win::UINT kStringNoUsedSpace = 1085;
constexpr win::UINT kStringBackupSucceeded = 1088;
constexpr win::UINT kStringBackupNoFreeSpace = 57434;
constexpr win::UINT kStringFreeSpaceUnknown = 61001;
constexpr win::UINT kStringBackupFileWriteFailed = 61002;

// Restore.
constexpr win::UINT kStringNoRestoreFileName = 1093;
constexpr win::UINT kStringRestoreNoDevice = 1094;
constexpr win::UINT kStringRestoreSameDrive = 1095;
constexpr win::UINT kStringRestoreWarning = 1096;
constexpr win::UINT kStringOpenImageFailed = 1098;
constexpr win::UINT kStringInvalidImage = 1099;
constexpr win::UINT kStringIncompleteImage = 1100;
constexpr win::UINT kStringOtherMedia = 1101;
constexpr win::UINT kStringDestinationMedia = 1102;
constexpr win::UINT kStringOtherSectorSize = 1103;
constexpr win::UINT kStringSmallerMedia = 1104;
constexpr win::UINT kStringDestinationSize = 1105;
constexpr win::UINT kStringRestoring = 1106;
constexpr win::UINT kStringRestored = 1109;

// Duplicate.
constexpr win::UINT kStringDuplicateNoDevice = 1110;
constexpr win::UINT kStringDuplicateCloseOthers = 1111;
constexpr win::UINT kStringNoDiskSpace = 1112;
constexpr win::UINT kStringNoDiskSpaceEnd = 1113;
constexpr win::UINT kStringReading = 1114;
constexpr win::UINT kStringInsertNewCard = 1115;
constexpr win::UINT kStringWriting = 1116;
constexpr win::UINT kStringDuplicated = 1117;
constexpr win::UINT kStringTemporaryFileFailed = 61010;

// Format.
constexpr win::UINT kStringFormatConfirm = 1211;
constexpr win::UINT kStringFormatDonePcmcia = 1212;
constexpr win::UINT kStringFormatDone = 1214;
constexpr win::UINT kStringFormatFailed = 1215;
constexpr win::UINT kStringFormatWriteProtected = 1216;
constexpr win::UINT kStringFormatDoneReinsert = 1217;
constexpr win::UINT kStringFormatSummaryTitle = 1218;

// Recovery, its settings and the media type dialog.
constexpr win::UINT kStringOptionsTitle = 1140;
constexpr win::UINT kStringNoFileType = 1141;
constexpr win::UINT kStringRecoverySameDrive = 1142;
constexpr win::UINT kStringFileFailed = 1145;
constexpr win::UINT kStringBadFolder = 1146;
constexpr win::UINT kStringVolumeBusy = 1147;
constexpr win::UINT kStringDriveUnreadable = 1148;
constexpr win::UINT kStringThumbnails = 1149;
constexpr win::UINT kStringProgressCaption = 1191;
constexpr win::UINT kStringOutOfMemory = 1192;
constexpr win::UINT kStringNothingFound = 1193;
constexpr win::UINT kStringReallyCancelQuestion = 1198;
constexpr win::UINT kStringMediaSizeTitle = 57423;
constexpr win::UINT kStringNoMediaSizeChosen = 57427;
constexpr win::UINT kStringInvalidMediaSize = 57428;
constexpr win::UINT kStringPrefixEmpty = 57437;
constexpr win::UINT kStringRecoveryNoFreeSpace = 57439;
constexpr win::UINT kStringLowFreeSpace = 57440;
constexpr win::UINT kStringRecoveryDiskFull = 57441;
constexpr win::UINT kStringCopying = 57511;

// Labels of the shell's windows and of the Tools page.
constexpr win::UINT kStringDriveDetails = 1018;
constexpr win::UINT kStringDeviceNameLabel = 1019;
constexpr win::UINT kStringFirmwareLabel = 1035;
constexpr win::UINT kStringDriveLabel = 1036;
constexpr win::UINT kStringVolumeLabelLabel = 1037;
constexpr win::UINT kStringCapacityLabel = 1038;
constexpr win::UINT kStringFileSystemLabel = 1039;
constexpr win::UINT kStringHelp = 1056;
constexpr win::UINT kStringLowLevelSupportLabel = 1274;
constexpr win::UINT kStringBlockDetails = 1194;
constexpr win::UINT kStringAnalysingBlocks = 1195;
constexpr win::UINT kStringNotesPurpose = 57513;
constexpr win::UINT kStringNotesMoreInformation = 57514;
constexpr win::UINT kStringHideNotes = 57516;
constexpr win::UINT kStringContinue = 1234;
constexpr win::UINT kStringBackupTool = 1057;
constexpr win::UINT kStringDuplicateTool = 1069;
constexpr win::UINT kStringRestoreTool = 1067;
constexpr win::UINT kStringFormatTool = 1208;
constexpr win::UINT kStringBackupToolNote = 57466;
constexpr win::UINT kStringDuplicateToolNote = 57467;
constexpr win::UINT kStringRestoreToolNote = 57468;
constexpr win::UINT kStringFormatToolNote = 57469;

// Labels of the operation pages and their dialogs.
constexpr win::UINT kStringDeviceInfoCaption = 1226;
constexpr win::UINT kStringOperationDeviceLabel = 1200;
constexpr win::UINT kStringOperationCapacityLabel = 1199;
constexpr win::UINT kStringProgressInfoCaption = 1225;
constexpr win::UINT kStringCloseButton = 1224;
constexpr win::UINT kStringBackupFileNameLabel = 1040;
constexpr win::UINT kStringWritingBackup = 1043;
constexpr win::UINT kStringBackupTypeCaption = 1044;
constexpr win::UINT kStringCopyUsedSpace = 1054;
constexpr win::UINT kStringExactDuplicate = 1055;
constexpr win::UINT kStringReadingSource = 1068;
constexpr win::UINT kStringRestoreFileNameLabel = 1059;
constexpr win::UINT kStringRestoringToMedia = 1066;
constexpr win::UINT kStringFormatTypeCaption = 1202;
constexpr win::UINT kStringQuickFormat = 1203;
constexpr win::UINT kStringFullFormat = 1204;
constexpr win::UINT kStringShowSummary = 1206;
constexpr win::UINT kStringNoteCaption = 1207;
constexpr win::UINT kStringFormatNote = 1209;
constexpr win::UINT kStringEnableBooting = 1210;
constexpr win::UINT kStringFat32 = 57431;
constexpr win::UINT kStringPanoramicMode = 57432;
constexpr win::UINT kStringSummaryTotalSpace = 1219;
constexpr win::UINT kStringSummaryBadSectors = 1220;
constexpr win::UINT kStringSummaryAvailable = 1221;
constexpr win::UINT kStringSummaryUnitSize = 1222;
constexpr win::UINT kStringSummaryUnitCount = 1223;

// Labels of the recovery page and its dialogs.
constexpr win::UINT kStringAnalysingSector = 1121;
constexpr win::UINT kStringRecoveredFiles = 1122;
constexpr win::UINT kStringOptionsButton = 1123;
constexpr win::UINT kStringRecoverButton = 1124;
constexpr win::UINT kStringOk = 1125;
constexpr win::UINT kStringSelectAll = 1128;
constexpr win::UINT kStringDeselectAll = 1129;
constexpr win::UINT kStringFolderNameCaption = 1130;
constexpr win::UINT kStringFolderNamePrompt = 1131;
constexpr win::UINT kStringFolderNameExample = 1132;
constexpr win::UINT kStringFileNameCaption = 1133;
constexpr win::UINT kStringFileNamePrompt = 1134;
constexpr win::UINT kStringRecoverTypeCaption = 1135;
constexpr win::UINT kStringDeletedFilesOnly = 1136;
constexpr win::UINT kStringAllFiles = 1137;
constexpr win::UINT kStringShowThumbnails = 1139;
constexpr win::UINT kStringStartFromSectorZero = 57420;
constexpr win::UINT kStringMediaSizePrompt = 57424;
constexpr win::UINT kStringNoteHeading = 57425;
constexpr win::UINT kStringMediaSizeWarning = 57426;
constexpr win::UINT kStringScanTypeCaption = 57508;
constexpr win::UINT kStringScanAllFiles = 57509;
constexpr win::UINT kStringScanSelectedType = 57510;

}  // namespace tarnlok
