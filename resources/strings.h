#pragma once

#include <string_view>

namespace kd::strings {

// The string table.
inline constexpr std::string_view kAboutMenu = "关于配置工具  (&A)...";  // 101
inline constexpr std::string_view kToolVersion = "1.0.5";                // 104

// The settings dialog's profile buttons, their file dialogs and what they tell.
inline constexpr std::string_view kExportProfileButton = "导出配置…";
inline constexpr std::string_view kImportProfileButton = "导入配置…";
inline constexpr std::string_view kExportProfileTitle = "导出配置";
inline constexpr std::string_view kImportProfileTitle = "导入配置";
inline constexpr std::string_view kProfileFilterName = "配置文件 (*.txt)";
inline constexpr std::string_view kProfilePattern = "*.txt";
inline constexpr std::string_view kProfileDefaultName = "读码器配置.txt";
inline constexpr std::string_view kExportDone = "配置已导出到：";
inline constexpr std::string_view kExportFailed = "无法写入配置文件：";
inline constexpr std::string_view kImportDone =
    "配置已导入到设置页，尚未写入设备。请检查后点击“保存”写入设备。";
inline constexpr std::string_view kImportUnreadable = "无法读取配置文件：";
inline constexpr std::string_view kImportRefusedHead = "无法导入配置文件：";
inline constexpr std::string_view kImportRefused = "配置文件未导入，设置页保持不变。";

// The main window's menu entries that work on the connected reader.
inline constexpr std::string_view kScanTestMenu = "扫描测试(&T)...";
inline constexpr std::string_view kFrameLogMenu = "通信记录(&L)...";
inline constexpr std::string_view kFirmwareUploadMenu = "固件升级(&F)...";
inline constexpr std::string_view kConfigUploadMenu = "配置升级(&G)...";

// The frame log window, its file dialog and what it tells.
inline constexpr std::string_view kFrameLogSaveTitle = "保存通信记录";
inline constexpr std::string_view kFrameLogFilterName = "文本文件 (*.txt)";
inline constexpr std::string_view kFrameLogPattern = "*.txt";
inline constexpr std::string_view kFrameLogDefaultName = "通信记录.txt";
inline constexpr std::string_view kFrameLogSaved = "通信记录已保存到：";
inline constexpr std::string_view kFrameLogSaveFailed = "无法写入文件：";
inline constexpr std::string_view kFrameLogCopyFailed = "无法把通信记录放到剪贴板。";

// The scan test window: what it says of its listening, its file dialog and what it tells.
inline constexpr std::string_view kScanTestListening = "正在监听：";
inline constexpr std::string_view kScanTestCodeEnds = "条码";
inline constexpr std::string_view kScanTestCardEnds = "卡号";
inline constexpr std::string_view kScanTestEndsAt = "以 ";
inline constexpr std::string_view kScanTestEndsWith = " 结束";
inline constexpr std::string_view kScanTestEndsByPause = "在停顿后结束";
inline constexpr std::string_view kScanTestElsewhere = "（输出口 io_outputs 为 ";
inline constexpr std::string_view kScanTestElsewhereEnd = "，读码结果不从串口发出）";
inline constexpr std::string_view kScanTestQueryFailed = "读取输出格式失败（";
inline constexpr std::string_view kScanTestQueryFailedEnd =
    "），只按末尾的 CR LF 分段。请关闭后重新打开。";
inline constexpr std::string_view kScanTestPaused = "暂停监听：设置窗口正在与设备通信";
inline constexpr std::string_view kScanTestPortFailed = "串口出错，监听已停止。请重新连接。";
inline constexpr std::string_view kScanTestNotConnected = "未连接设备，监听已停止。请重新连接。";
inline constexpr std::string_view kScanTestUnknownKind = "未知";
inline constexpr std::string_view kScanTestSaveTitle = "保存扫描测试结果";
inline constexpr std::string_view kScanTestDefaultName = "扫描测试.txt";
inline constexpr std::string_view kScanTestSaved = "扫描测试结果已保存到：";

// Looks up a string resource by id; empty for an id the table does not hold.
std::string_view Load(int id);

}  // namespace kd::strings
