#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

// The reader's configuration keys as the settings pages load and save them. Every name
// and literal lives here once, so what Save writes is byte for byte what loading
// compares against.
namespace kd::catalogue {

namespace key {
// Symbology page.
inline constexpr std::string_view kQrCode = "qrcode";
inline constexpr std::string_view kDmCode = "dmcode";
inline constexpr std::string_view kOneCode = "onecode";
inline constexpr std::string_view kPdf417Code = "pdf417code";
// Output mode page.
inline constexpr std::string_view kIoOutputs = "io_outputs";
inline constexpr std::string_view kIoInits = "io_inits";
inline constexpr std::string_view kIoMonitors = "io_monitors";
inline constexpr std::string_view kBaudRate = "com1_baudrate";
inline constexpr std::string_view kStopBits = "com1_stopbits";
inline constexpr std::string_view kByteSizes = "com1_bytesizes";
inline constexpr std::string_view kParitys = "com1_paritys";
// Output format page.
inline constexpr std::string_view kContentOrder = "contentorder";
inline constexpr std::string_view kCodePrefix = "codeprefix";
inline constexpr std::string_view kCodePostfix = "codepostfix";
inline constexpr std::string_view kNfcPrefix = "nfcprefix";
inline constexpr std::string_view kNfcPostfix = "nfcpostfix";
inline constexpr std::string_view kNfcContentOrder = "nfccontentorder";
inline constexpr std::string_view kCodePrePostFormat = "codeprepostformat";
inline constexpr std::string_view kNfcPrePostFormat = "nfcprepostformat";
inline constexpr std::string_view kNfcReadMethod = "nfcreadmethod";
// Control settings page.
inline constexpr std::string_view kCodeHint = "codehint";
inline constexpr std::string_view kNfcHint = "nfchint";
inline constexpr std::string_view kRebootHint = "reboothint";
inline constexpr std::string_view kWorkMode = "workmode";
inline constexpr std::string_view kIntervalTime = "intervaltime";
inline constexpr std::string_view kNfcContentBegin = "nfccontentbegin";
inline constexpr std::string_view kNfcContentEnd = "nfccontentend";
inline constexpr std::string_view kNfcAble = "nfcable";
inline constexpr std::string_view kNfcSerial = "nfcserial";
inline constexpr std::string_view kCom0DevName = "com0_devname";
inline constexpr std::string_view kNfcContentFormat = "nfccontentformat";
inline constexpr std::string_view kCodeContentFormat = "codecontentformat";
inline constexpr std::string_view kContentFormat = "contentformat";
inline constexpr std::string_view kDevelopCtrl = "developctrl";
inline constexpr std::string_view kScanMode = "scanmode";
// About page.
inline constexpr std::string_view kMasterVer = "masterver";
inline constexpr std::string_view kDeviceNo = "deviceno";
inline constexpr std::string_view kHistoryTime = "historytime";
}  // namespace key

namespace value {
inline constexpr std::string_view kOn = "1";
inline constexpr std::string_view kOff = "0";

// The output route and its fixed companions.
inline constexpr std::string_view kComOutput = "com1";
inline constexpr std::string_view kComInits = "com0,com1,hid1,com2";
inline constexpr std::string_view kComMonitors = "com1,hid1";
inline constexpr std::string_view kUsbOutput = "comusb";
inline constexpr std::string_view kUsbInits = "comusb,com0,com2";
inline constexpr std::string_view kUsbMonitors = "comusb";

// "contentorder": the fixed head, then the optional line-end tokens.
inline constexpr std::string_view kContentOrderHead = "PREFIX,CONTENT,POSTFIX";
inline constexpr std::string_view kEnterToken = "ENTER";
inline constexpr std::string_view kWrapToken = "WRAP";

inline constexpr std::string_view kNfcContentOrder = "NFCPREFIX,NFC,NFCPOSTFIX";

// Hint tokens of "codehint" and "nfchint".
inline constexpr std::string_view kBeeperToken = "1";
inline constexpr std::string_view kRedFlashToken = "26";

inline constexpr std::string_view kNfcSerial = "com0";
inline constexpr std::string_view kCom0DevName = "/dev/ttyS2";

inline constexpr char kTokenSeparator = ',';
}  // namespace value

// Choices, each in the order of its buttons on the page.
inline constexpr std::array<std::string_view, 2> kPrePostFormats = {"hex", "char"};
inline constexpr std::array<std::string_view, 2> kNfcReadMethods = {"0", "1"};
inline constexpr std::array<std::string_view, 3> kWorkModes = {"0", "1", "2"};
// A format row also shows "dec2" and "dec3", which stand for no literal.
inline constexpr std::array<std::string_view, 7> kContentFormats = {
    "char", "hex", "dec", "dec1", "char1", "hextochar", "phidtochar"};

struct RebootLight {
    std::string_view literal;
    // With this light the reader also takes the red-flash token of the hint keys.
    bool takesRedFlash;
};
inline constexpr std::array<RebootLight, 4> kRebootLights = {{
    {"7,11", true},     // 重启开灯
    {"8,9,11", false},  // 重启开红灯
    {"7,9,11", false},  // 重启开粉灯
    {"8,11", true},     // 重启关灯
}};

struct DevelopMode {
    std::string_view developCtrl;
    std::string_view scanMode;
};
inline constexpr std::array<DevelopMode, 3> kDevelopModes = {{
    {"1", "0"},  // 串口开发
    {"2", "1"},  // HID开发模式
    {"0", "0"},  // 正常模式
}};

// Matching rules of the loaders; all byte-wise and case-sensitive.
bool ExactMatch(std::string_view value, std::string_view literal);
bool Contains(std::string_view value, std::string_view literal);
bool NonEmpty(std::string_view value);

bool FlagIsOn(std::string_view value);
std::string_view FlagValue(bool on);

// Index of the literal that value equals exactly, or -1.
int MatchChoice(std::span<const std::string_view> literals, std::string_view value);
int MatchRebootLight(std::string_view value);
// Index of the pair that both values match, or -1.
int MatchDevelopMode(std::string_view developCtrl, std::string_view scanMode);

// "contentorder" for the two line-end boxes.
std::string ContentOrderValue(bool enter, bool wrap);
// "codehint" or "nfchint" from a beeper box and a red-flash box under a reboot light.
std::string HintValue(const RebootLight& light, bool beeper, bool redFlash);

// The longest value that may be written to this key.
size_t WriteLimit(std::string_view keyName);

}  // namespace kd::catalogue
