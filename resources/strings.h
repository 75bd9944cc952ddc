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

// Looks up a string resource by id; empty for an id the table does not hold.
std::string_view Load(int id);

}  // namespace kd::strings
