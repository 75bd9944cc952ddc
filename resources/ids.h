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

// Icon and strings.
inline constexpr int kApplicationIcon = 128;
inline constexpr int kAboutMenuString = 101;
inline constexpr int kToolVersionString = 104;

// The system menu's entries; the low four bits of a system command are the system's.
inline constexpr int kAboutCommand = 0x10;
inline constexpr int kFrameLogCommand = 0x20;

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

// About box (100).
inline constexpr int kAboutVersionLine = 1014;

}  // namespace kd::ids
