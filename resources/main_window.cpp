#include "resources/main_window.h"

#include "resources/ids.h"

namespace kd::resources {

using namespace ui;
using namespace ids;

namespace {

// In template order, which is also the tab order.
constexpr ControlTemplate kMainControls[] = {
    {kExitButton, ControlKind::PushButton, "退    出", 399, 295, 60, 14, kDefaultButton | kGroup},
    {kUnnamedControl, ControlKind::Static, "请选择更新设备接口类型", 22, 21, 99, 8},
    {kSerialRadio, ControlKind::RadioButton, "串口", 21, 44, 32, 10, kGroup},
    {kHidRadio, ControlKind::RadioButton, "HID", 21, 129, 28, 10, kHidden},
    {kConnectButton, ControlKind::PushButton, "连接设备", 191, 295, 60, 14, kGroup},
    {kChangeConfigButton, ControlKind::PushButton, "更改配置", 295, 295, 60, 14, kDisabled},
    {kUpdateFirmwareButton, ControlKind::PushButton, "更新固件", 100, 312, 60, 14,
     kHidden | kDisabled},
    {kUpdateConfigButton, ControlKind::PushButton, "更新配置", 215, 312, 60, 14,
     kHidden | kDisabled},
    {kPortList, ControlKind::ComboBox, "", 105, 44, 70, 48},
    {kUnnamedControl, ControlKind::Static, "串口号", 66, 44, 25, 8},
    {kBaudRateList, ControlKind::ComboBox, "", 245, 44, 79, 107},
    {kUnnamedControl, ControlKind::Static, "波特率", 203, 44, 25, 8},
    {kDataBitsList, ControlKind::ComboBox, "", 105, 72, 48, 102, kSorted},
    {kUnnamedControl, ControlKind::Static, "数据位", 66, 72, 25, 8},
    {kStopBitsList, ControlKind::ComboBox, "", 245, 72, 48, 56, kSorted},
    {kUnnamedControl, ControlKind::Static, "停止位", 203, 72, 25, 8},
    {kParityList, ControlKind::ComboBox, "", 105, 99, 48, 47},
    {kUnnamedControl, ControlKind::Static, "校验位", 66, 99, 25, 8},
    {kHidList, ControlKind::ComboBox, "", 105, 130, 66, 48, kSorted | kHidden},
    {kUnnamedControl, ControlKind::Static, "HID口", 70, 130, 21, 8, kHidden},
    {kUnnamedControl, ControlKind::GroupBox, "", 14, 9, 507, 217},
    {kUnnamedControl, ControlKind::GroupBox, "", 14, 238, 507, 46},
    {kUnnamedControl, ControlKind::Static, "设备固件版本：", 24, 250, 66, 12},
    {kUnnamedControl, ControlKind::Static, "固件编译日期：", 24, 266, 63, 11},
    {kFirmwareVersionLabel, ControlKind::Static, "", 103, 250, 81, 11},
    {kBuildDateLabel, ControlKind::Static, "", 103, 266, 81, 8},
    {kUnnamedControl, ControlKind::Static, "设备状态：", 235, 250, 49, 12},
    {kStatusLabel, ControlKind::Static, "未连接", 295, 250, 81, 11},
    {kRefreshButton, ControlKind::PushButton, "刷    新", 87, 295, 60, 14},
};

constexpr ControlTemplate kAboutControls[] = {
    {kUnnamedControl, ControlKind::Icon, "", 11, 17, 20, 20, 0, kApplicationIcon},
    {kAboutVersionLine, ControlKind::Static, "", 40, 10, 119, 8},
    {kUnnamedControl, ControlKind::Static, "Copyright (C) 2026", 40, 25, 119, 8},
    {kExitButton, ControlKind::PushButton, "确定", 178, 6, 50, 14, kDefaultButton | kGroup},
};

// In template order, which is also the tab order: the list first, so that the arrow keys
// scroll it as soon as the window opens.
constexpr ControlTemplate kFrameLogControls[] = {
    {kUnnamedControl, ControlKind::Static, "自连接起收发的帧（最多保留 10000 条）", 7, 7, 300, 8},
    {kFrameLogList, ControlKind::ListBox, "", 7, 18, 446, 210, kGroup},
    {kFrameLogCopyButton, ControlKind::PushButton, "复制(&C)", 293, 234, 50, 14, kGroup},
    {kFrameLogSaveButton, ControlKind::PushButton, "保存(&S)...", 348, 234, 50, 14},
    {kFrameLogCloseButton, ControlKind::PushButton, "关闭", 403, 234, 50, 14},
};

// The reads list first, as in the frame log; the status last, as it names nothing.
constexpr ControlTemplate kScanTestControls[] = {
    {kUnnamedControl, ControlKind::Static, "收到的读码：时间、内容、各部分的十六进制", 7, 7, 300,
     8},
    {kScanTestList, ControlKind::ListBox, "", 7, 18, 446, 194, kGroup},
    {kScanTestClearButton, ControlKind::PushButton, "清除(&E)", 293, 234, 50, 14, kGroup},
    {kScanTestSaveButton, ControlKind::PushButton, "保存(&S)...", 348, 234, 50, 14},
    {kScanTestCloseButton, ControlKind::PushButton, "关闭", 403, 234, 50, 14},
    {kScanTestStatusLabel, ControlKind::Static, "", 7, 214, 446, 16},
};

}  // namespace

const DialogTemplate kMainWindowTemplate{
    kMainWindow,  DialogStyle::MainWindow, "星澜配置工具KD系列(串口)V2.0.3", 534, 329, "宋体", 9,
    kMainControls};

const DialogTemplate kAboutBoxTemplate{
    kAboutBox, DialogStyle::Modal, "关于配置工具", 235, 55, "宋体", 9, kAboutControls};

const ui::DialogTemplate kFrameLogTemplate{
    ids::kFrameLogWindow, ui::DialogStyle::Modal, "通信记录", 460, 255, "宋体", 9,
    kFrameLogControls};

const ui::DialogTemplate kScanTestTemplate{
    ids::kScanTestWindow, ui::DialogStyle::Modal, "扫描测试", 460, 255, "宋体", 9,
    kScanTestControls};

}  // namespace kd::resources
