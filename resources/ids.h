#pragma once

// Control and resource ids, exactly those of the dialog templates.
namespace kd::ids {

// Dialogs.
inline constexpr int kAboutBox = 100;
inline constexpr int kMainWindow = 102;
inline constexpr int kConfigDialog = 130;
inline constexpr int kAboutPage = 131;
inline constexpr int kSymbologyPage = 132;
inline constexpr int kControlPage = 133;
inline constexpr int kOutputFormatPage = 134;
inline constexpr int kOutputModePage = 135;
inline constexpr int kFrameLogWindow = 140;
inline constexpr int kFirmwareUploadDialog = 141;
inline constexpr int kConfigUploadDialog = 142;
inline constexpr int kScanTestWindow = 143;

// Icon and strings.
inline constexpr int kApplicationIcon = 128;
inline constexpr int kAboutMenuString = 101;
inline constexpr int kToolVersionString = 104;

// The system menu's entries; the low four bits of a system command are the system's.
inline constexpr int kAboutCommand = 0x10;
inline constexpr int kFrameLogCommand = 0x20;
inline constexpr int kFirmwareUploadCommand = 0x30;
inline constexpr int kConfigUploadCommand = 0x40;
inline constexpr int kScanTestCommand = 0x50;

// Main window (102).
inline constexpr int kExitButton = 1;
inline constexpr int kSerialRadio = 1000;
inline constexpr int kHidRadio = 1001;
inline constexpr int kConnectButton = 1002;
inline constexpr int kChangeConfigButton = 1003;
inline constexpr int kUpdateFirmwareButton = 1004;
inline constexpr int kUpdateConfigButton = 1005;
inline constexpr int kPortList = 1006;
inline constexpr int kBaudRateList = 1007;
inline constexpr int kDataBitsList = 1008;
inline constexpr int kStopBitsList = 1009;
inline constexpr int kParityList = 1010;
inline constexpr int kHidList = 1011;
inline constexpr int kFirmwareVersionLabel = 1012;
inline constexpr int kBuildDateLabel = 1013;
inline constexpr int kStatusLabel = 1014;
inline constexpr int kRefreshButton = 1015;

// Frame log (140).
inline constexpr int kFrameLogList = 1401;
inline constexpr int kFrameLogCopyButton = 1402;
inline constexpr int kFrameLogSaveButton = 1403;
inline constexpr int kFrameLogCloseButton = 2;  // as the close box and Escape

// Scan test (143).
inline constexpr int kScanTestStatusLabel = 1431;
inline constexpr int kScanTestList = 1432;
inline constexpr int kScanTestClearButton = 1433;
inline constexpr int kScanTestSaveButton = 1434;
inline constexpr int kScanTestCloseButton = 2;  // as the close box and Escape

// Upload dialogs (141 firmware, 142 configuration).
inline constexpr int kUploadStartButton = 1;   // as Enter
inline constexpr int kUploadCancelButton = 2;  // as the close box and Escape
inline constexpr int kUploadFileEdit = 1411;
inline constexpr int kUploadBrowseButton = 1412;
inline constexpr int kUploadSizeLabel = 1413;
inline constexpr int kUploadMd5Label = 1414;
inline constexpr int kUploadProgressBar = 1415;
inline constexpr int kUploadProgressLabel = 1416;
inline constexpr int kUploadStatusLabel = 1417;
inline constexpr int kUploadOldVersionLabel = 1418;
inline constexpr int kUploadNewVersionLabel = 1419;
inline constexpr int kUploadOldDateLabel = 1420;
inline constexpr int kUploadNewDateLabel = 1421;
inline constexpr int kUploadVersionCaption = 1422;
inline constexpr int kUploadDateCaption = 1423;
inline constexpr int kUploadOldCaption = 1424;
inline constexpr int kUploadNewCaption = 1425;

// About box (100).
inline constexpr int kAboutVersionLine = 1014;

}  // namespace kd::ids
