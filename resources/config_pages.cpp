#include "resources/config_pages.h"

#include "resources/config_ids.h"
#include "resources/ids.h"
#include "resources/strings.h"

namespace kd::resources {

using namespace ui;

namespace {

constexpr std::string_view kDialogTitle = "星澜配置工具KD系列(串口)V2.0.3";
constexpr std::string_view kPageFont = "System";
constexpr int kPageFontPoints = 10;

// Radio rows are groups of their own: the first button of a row and the first control
// after it carry kGroup.

namespace dialog = ids::config_dialog;
constexpr ControlTemplate kConfigDialogControls[] = {
    // The caption is not drawn: it names the row of tabs for screen readers.
    {dialog::kTabs, ControlKind::TabControl, "设置页", 7, 7, 377, 261, kGroup},
    // Neither button is the default one: Enter must not act on the page being edited.
    {dialog::kSaveButton, ControlKind::PushButton, "保存", 28, 274, 50, 14, kGroup},
    // The profile buttons between the two, in the row's free space and in the tab order.
    {dialog::kExportButton, ControlKind::PushButton, strings::kExportProfileButton, 90, 274, 56,
     14},
    {dialog::kImportButton, ControlKind::PushButton, strings::kImportProfileButton, 152, 274, 56,
     14},
    {dialog::kExitButton, ControlKind::PushButton, "退出", 220, 274, 50, 14},
};

namespace about = ids::about_page;
constexpr ControlTemplate kAboutControls[] = {
    {kUnnamedControl, ControlKind::Static, "版本信息", 20, 26, 36, 8, kGroup},
    {about::kVersion, ControlKind::Edit, "", 64, 24, 140, 12, kDisabled},
    {kUnnamedControl, ControlKind::Static, "设备号", 20, 48, 36, 8},
    {about::kDeviceNumber, ControlKind::Edit, "", 64, 46, 140, 12},
    {kUnnamedControl, ControlKind::Static, "出厂时间", 20, 70, 36, 8, kHidden},
    {about::kFactoryTime, ControlKind::Edit, "", 64, 68, 140, 12, kHidden},
};

namespace symbology = ids::symbology_page;
constexpr ControlTemplate kSymbologyControls[] = {
    {symbology::kQrCode, ControlKind::CheckBox, "QR码", 30, 24, 80, 10, kGroup},
    {symbology::kDmCode, ControlKind::CheckBox, "DM码", 30, 44, 80, 10},
    {symbology::kBarcode, ControlKind::CheckBox, "条码", 30, 64, 80, 10},
    {symbology::kPdf417, ControlKind::CheckBox, "PDF417码", 30, 84, 80, 10},
};

// Columns of the control page: x = 14, 82, 150, 218.
namespace control = ids::control_page;
constexpr ControlTemplate kControlControls[] = {
    {control::kCodeBeeper, ControlKind::CheckBox, "扫码扬声器", 14, 8, 60, 10, kGroup},
    {control::kNfcBeeper, ControlKind::CheckBox, "NFC扬声器", 82, 8, 60, 10},

    {control::kRebootLightOn, ControlKind::RadioButton, "重启开灯", 14, 24, 60, 10, kGroup},
    {control::kRebootLightRed, ControlKind::RadioButton, "重启开红灯", 82, 24, 60, 10},
    {control::kRebootLightPink, ControlKind::RadioButton, "重启开粉灯", 150, 24, 60, 10},
    {control::kRebootLightOff, ControlKind::RadioButton, "重启关灯", 218, 24, 60, 10},

    {kUnnamedControl, ControlKind::GroupBox, "工作模式", 6, 40, 68, 56, kGroup},
    {control::kWorkModeNormal, ControlKind::RadioButton, "普通模式", 14, 54, 54, 10, kGroup},
    {control::kWorkModeSingle, ControlKind::RadioButton, "单次模式", 14, 68, 54, 10},
    {control::kWorkModeInterval, ControlKind::RadioButton, "间隔模式", 14, 82, 54, 10},

    {kUnnamedControl, ControlKind::Static, "间隔时间", 82, 55, 34, 8, kGroup},
    {control::kIntervalTime, ControlKind::Edit, "", 118, 53, 50, 12},
    {kUnnamedControl, ControlKind::Static, "毫秒", 172, 55, 18, 8},

    {kUnnamedControl, ControlKind::GroupBox, "刷卡扫码行为设置", 198, 40, 142, 56},
    {control::kCodeRedFlash, ControlKind::CheckBox, "扫码闪红灯", 210, 56, 64, 10},
    {control::kNfcRedFlash, ControlKind::CheckBox, "刷卡闪红灯", 210, 74, 64, 10},

    {control::kNfcSwitch, ControlKind::CheckBox, "NFC开关", 14, 104, 50, 10},
    {kUnnamedControl, ControlKind::Static, "NFC输出字节：", 82, 105, 58, 8},
    {kUnnamedControl, ControlKind::Static, "起始位：", 142, 105, 32, 8},
    {control::kNfcContentBegin, ControlKind::Edit, "", 176, 103, 40, 12},
    {kUnnamedControl, ControlKind::Static, "结束位：", 224, 105, 32, 8},
    {control::kNfcContentEnd, ControlKind::Edit, "", 258, 103, 40, 12},

    {kUnnamedControl, ControlKind::GroupBox, "NFC输出格式", 6, 122, 334, 28, kGroup},
    {control::kNfcFormatRow[0], ControlKind::RadioButton, "char", 14, 135, 28, 10, kGroup},
    {control::kNfcFormatRow[1], ControlKind::RadioButton, "hex", 44, 135, 26, 10},
    {control::kNfcFormatRow[2], ControlKind::RadioButton, "dec", 72, 135, 26, 10},
    {control::kNfcFormatRow[3], ControlKind::RadioButton, "dec1", 100, 135, 30, 10},
    {control::kNfcFormatRow[4], ControlKind::RadioButton, "char1", 132, 135, 32, 10},
    {control::kNfcFormatRow[5], ControlKind::RadioButton, "hextochar", 166, 135, 48, 10},
    {control::kNfcFormatRow[6], ControlKind::RadioButton, "phidtochar", 216, 135, 52, 10},
    {control::kNfcFormatRow[7], ControlKind::RadioButton, "dec2", 270, 135, 30, 10},
    {control::kNfcFormatRow[8], ControlKind::RadioButton, "dec3", 302, 135, 30, 10},

    {kUnnamedControl, ControlKind::GroupBox, "二维码输出格式", 6, 152, 334, 28, kGroup},
    {control::kCodeFormatRow[0], ControlKind::RadioButton, "char", 14, 165, 28, 10, kGroup},
    {control::kCodeFormatRow[1], ControlKind::RadioButton, "hex", 44, 165, 26, 10},
    {control::kCodeFormatRow[2], ControlKind::RadioButton, "dec", 72, 165, 26, 10},
    {control::kCodeFormatRow[3], ControlKind::RadioButton, "dec1", 100, 165, 30, 10},
    {control::kCodeFormatRow[4], ControlKind::RadioButton, "char1", 132, 165, 32, 10},
    {control::kCodeFormatRow[5], ControlKind::RadioButton, "hextochar", 166, 165, 48, 10},
    {control::kCodeFormatRow[6], ControlKind::RadioButton, "phidtochar", 216, 165, 52, 10},
    {control::kCodeFormatRow[7], ControlKind::RadioButton, "dec2", 270, 165, 30, 10},
    {control::kCodeFormatRow[8], ControlKind::RadioButton, "dec3", 302, 165, 30, 10},

    {kUnnamedControl, ControlKind::GroupBox, "内容输出格式", 6, 182, 334, 28, kGroup},
    {control::kContentFormatRow[0], ControlKind::RadioButton, "char", 14, 195, 28, 10, kGroup},
    {control::kContentFormatRow[1], ControlKind::RadioButton, "hex", 44, 195, 26, 10},
    {control::kContentFormatRow[2], ControlKind::RadioButton, "dec", 72, 195, 26, 10},
    {control::kContentFormatRow[3], ControlKind::RadioButton, "dec1", 100, 195, 30, 10},
    {control::kContentFormatRow[4], ControlKind::RadioButton, "char1", 132, 195, 32, 10},
    {control::kContentFormatRow[5], ControlKind::RadioButton, "hextochar", 166, 195, 48, 10},
    {control::kContentFormatRow[6], ControlKind::RadioButton, "phidtochar", 216, 195, 52, 10},
    {control::kContentFormatRow[7], ControlKind::RadioButton, "dec2", 270, 195, 30, 10},
    {control::kContentFormatRow[8], ControlKind::RadioButton, "dec3", 302, 195, 30, 10},

    {kUnnamedControl, ControlKind::Static, "开发模式", 14, 217, 34, 8, kGroup},
    {control::kDevelopSerial, ControlKind::RadioButton, "串口开发", 82, 216, 54, 10, kGroup},
    {control::kDevelopHid, ControlKind::RadioButton, "HID开发模式", 150, 216, 62, 10},
    {control::kDevelopNormal, ControlKind::RadioButton, "正常模式", 218, 216, 54, 10},
};

// Prefix fields line up with the format buttons at x = 104.
namespace format = ids::output_format_page;
constexpr ControlTemplate kOutputFormatControls[] = {
    {format::kEnter, ControlKind::CheckBox, "回车", 14, 10, 40, 10, kGroup},
    {format::kWrap, ControlKind::CheckBox, "换行", 62, 10, 40, 10},

    {kUnnamedControl, ControlKind::GroupBox, "", 6, 28, 286, 66},
    {kUnnamedControl, ControlKind::Static, "条码二维码前后缀格式", 14, 41, 84, 8},
    {format::kCodePrePostHex, ControlKind::RadioButton, "hex", 104, 40, 32, 10, kGroup},
    {format::kCodePrePostChar, ControlKind::RadioButton, "char", 142, 40, 34, 10},
    {format::kCodePrefixBox, ControlKind::CheckBox, "条码二维码前缀", 14, 56, 76, 10, kGroup},
    {format::kCodePrefixField, ControlKind::Edit, "", 104, 55, 180, 12},
    {format::kCodePostfixBox, ControlKind::CheckBox, "条码二维码后缀", 14, 74, 76, 10},
    {format::kCodePostfixField, ControlKind::Edit, "", 104, 73, 180, 12},

    {kUnnamedControl, ControlKind::GroupBox, "", 6, 100, 286, 66},
    {kUnnamedControl, ControlKind::Static, "NFC前后缀格式", 14, 113, 84, 8},
    {format::kNfcPrePostHex, ControlKind::RadioButton, "hex", 104, 112, 32, 10, kGroup},
    {format::kNfcPrePostChar, ControlKind::RadioButton, "char", 142, 112, 34, 10},
    {format::kNfcPrefixBox, ControlKind::CheckBox, "NFC前缀", 14, 128, 76, 10, kGroup},
    {format::kNfcPrefixField, ControlKind::Edit, "", 104, 127, 180, 12},
    {format::kNfcPostfixBox, ControlKind::CheckBox, "NFC后缀", 14, 146, 76, 10},
    {format::kNfcPostfixField, ControlKind::Edit, "", 104, 145, 180, 12},

    {kUnnamedControl, ControlKind::Static, "NFC读取方式：", 14, 177, 60, 8},
    {format::kNfcReadNormal, ControlKind::RadioButton, "正常", 104, 176, 32, 10, kGroup},
    {format::kNfcReadContinuous, ControlKind::RadioButton, "连续", 142, 176, 34, 10},
};

// Two columns of line settings under the route box; the USB box below them.
namespace mode = ids::output_mode_page;
constexpr ControlTemplate kOutputModeControls[] = {
    {mode::kComOutput, ControlKind::CheckBox, "COM输出", 14, 12, 60, 10, kDisabled | kGroup},
    {mode::kBaudRateLabel, ControlKind::Static, "波特率", 26, 34, 28, 8},
    {mode::kBaudRate, ControlKind::ComboBox, "", 58, 32, 84, 120, kSorted | kGroup},
    {mode::kStopBitsLabel, ControlKind::Static, "停止位", 26, 54, 28, 8},
    {mode::kStopBits, ControlKind::ComboBox, "", 58, 52, 84, 40, kSorted | kGroup},
    {mode::kByteSizeLabel, ControlKind::Static, "数据位", 162, 34, 28, 8},
    {mode::kByteSize, ControlKind::ComboBox, "", 194, 32, 84, 60, kSorted | kGroup},
    {mode::kParityLabel, ControlKind::Static, "校验位", 162, 54, 28, 8},
    {mode::kParity, ControlKind::ComboBox, "", 194, 52, 84, 70, kSorted | kGroup},
    {mode::kUsbOutput, ControlKind::CheckBox, "USB转虚拟串口", 14, 76, 80, 10, kDisabled | kGroup},
};

}  // namespace

const DialogTemplate kConfigDialogTemplate{
    ids::kConfigDialog, DialogStyle::Modal, kDialogTitle,         391, 295,
    kPageFont,          kPageFontPoints,    kConfigDialogControls};
const DialogTemplate kAboutPageTemplate{
    ids::kAboutPage, DialogStyle::Child, "", 226, 138, kPageFont, kPageFontPoints, kAboutControls};
const DialogTemplate kSymbologyPageTemplate{
    ids::kSymbologyPage, DialogStyle::Child, "", 222, 146, kPageFont,
    kPageFontPoints,     kSymbologyControls};
const DialogTemplate kControlPageTemplate{
    ids::kControlPage, DialogStyle::Child, "", 346, 256, kPageFont,
    kPageFontPoints,   kControlControls};
const DialogTemplate kOutputFormatPageTemplate{
    ids::kOutputFormatPage, DialogStyle::Child,   "", 298, 214, kPageFont,
    kPageFontPoints,        kOutputFormatControls};
const DialogTemplate kOutputModePageTemplate{
    ids::kOutputModePage, DialogStyle::Child, "", 311, 215, kPageFont,
    kPageFontPoints,      kOutputModeControls};

}  // namespace kd::resources
