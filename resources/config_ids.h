#pragma once

// Control ids of the settings dialog and its pages, exactly those of their templates.
// The dialog ids themselves (130 to 135) are in resources/ids.h. Pages reuse numbers
// for different controls, so each page has its own namespace.
namespace kd::ids {

namespace config_dialog {
inline constexpr int kTabs = 1015;
inline constexpr int kSaveButton = 1016;
inline constexpr int kExitButton = 1017;
// Apart from every page's ids.
inline constexpr int kExportButton = 1101;
inline constexpr int kImportButton = 1102;
}  // namespace config_dialog

namespace symbology_page {
inline constexpr int kQrCode = 1019;
inline constexpr int kDmCode = 1020;
inline constexpr int kBarcode = 1021;
inline constexpr int kPdf417 = 1078;
}  // namespace symbology_page

namespace output_mode_page {
inline constexpr int kComOutput = 1022;
inline constexpr int kBaudRate = 1040;
inline constexpr int kStopBits = 1041;
inline constexpr int kByteSize = 1042;
inline constexpr int kParity = 1043;
inline constexpr int kUsbOutput = 1063;
inline constexpr int kBaudRateLabel = 1064;
inline constexpr int kStopBitsLabel = 1065;
inline constexpr int kByteSizeLabel = 1066;
inline constexpr int kParityLabel = 1067;
}  // namespace output_mode_page

namespace output_format_page {
inline constexpr int kEnter = 1036;
inline constexpr int kWrap = 1037;
inline constexpr int kCodePrePostHex = 1053;
inline constexpr int kCodePrePostChar = 1054;
inline constexpr int kCodePrefixBox = 1029;
inline constexpr int kCodePrefixField = 1038;
inline constexpr int kCodePostfixBox = 1030;
inline constexpr int kCodePostfixField = 1033;
inline constexpr int kNfcPrePostHex = 1079;
inline constexpr int kNfcPrePostChar = 1080;
inline constexpr int kNfcPrefixBox = 1031;
inline constexpr int kNfcPrefixField = 1034;
inline constexpr int kNfcPostfixBox = 1032;
inline constexpr int kNfcPostfixField = 1035;
inline constexpr int kNfcReadNormal = 1091;
inline constexpr int kNfcReadContinuous = 1092;
// Rows in the order of their literals in the catalogue.
inline constexpr int kCodePrePostRow[] = {kCodePrePostHex, kCodePrePostChar};
inline constexpr int kNfcPrePostRow[] = {kNfcPrePostHex, kNfcPrePostChar};
inline constexpr int kNfcReadRow[] = {kNfcReadNormal, kNfcReadContinuous};
}  // namespace output_format_page

namespace control_page {
inline constexpr int kCodeBeeper = 1044;
inline constexpr int kNfcBeeper = 1077;
inline constexpr int kCodeRedFlash = 1089;
inline constexpr int kNfcRedFlash = 1090;
// Reboot lights 1073 to 1076, in the order of their literals.
inline constexpr int kRebootLightOn = 1073;
inline constexpr int kRebootLightRed = 1074;
inline constexpr int kRebootLightPink = 1075;
inline constexpr int kRebootLightOff = 1076;
inline constexpr int kRebootRow[] = {kRebootLightOn, kRebootLightRed, kRebootLightPink,
                                     kRebootLightOff};
// Work modes 1024 to 1026.
inline constexpr int kWorkModeNormal = 1024;
inline constexpr int kWorkModeSingle = 1025;
inline constexpr int kWorkModeInterval = 1026;
inline constexpr int kWorkModeRow[] = {kWorkModeNormal, kWorkModeSingle, kWorkModeInterval};
inline constexpr int kIntervalTime = 1028;
inline constexpr int kNfcSwitch = 1045;
inline constexpr int kNfcContentBegin = 1068;
inline constexpr int kNfcContentEnd = 1069;
// The three format rows: seven buttons with literals, then "dec2" and "dec3".
inline constexpr int kNfcFormatRow[] = {1046, 1047, 1048, 1049, 1050, 1051, 1052, 1081, 1082};
inline constexpr int kCodeFormatRow[] = {1053, 1054, 1055, 1056, 1057, 1058, 1059, 1083, 1084};
inline constexpr int kContentFormatRow[] = {1060, 1061, 1062, 1063, 1064, 1065, 1066, 1085, 1086};
// Development modes 1070 to 1072.
inline constexpr int kDevelopSerial = 1070;
inline constexpr int kDevelopHid = 1071;
inline constexpr int kDevelopNormal = 1072;
inline constexpr int kDevelopRow[] = {kDevelopSerial, kDevelopHid, kDevelopNormal};
}  // namespace control_page

namespace about_page {
inline constexpr int kVersion = 1018;
inline constexpr int kDeviceNumber = 1055;
inline constexpr int kFactoryTime = 1056;
}  // namespace about_page

}  // namespace kd::ids
