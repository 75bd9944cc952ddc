#pragma once

#include <string>
#include <vector>

#include "tests/e2e_linux/script.h"

namespace kd::e2e {

// What a scenario is told of the run around it.
struct Setup {
    std::string outDir;     // screenshots go here
    std::string frameLog;   // the modelled reader's frame log
    std::string stateFile;  // its stored keys
    std::string kdconfig;   // the program file, for a second copy
    std::vector<std::string> programArguments;
    std::string firstPort;  // the name the port list shows first
    std::string scanFifo;   // each line written into it is a code read
};

// The main window: start-up defaults, a second copy, About, connect with its frames.
void MainWindowScenario(Script& script, const Setup& setup);
// The settings dialog: its read order, every page, Save's writes and store, reopening.
void SettingsScenario(Script& script, const Setup& setup);
// A reader that refuses one key: a failed read on opening, a failed save.
void SettingsFaultsScenario(Script& script, const Setup& setup);

// 通信记录 after connect: its entry, its frames, its names and keys, a screenshot.
void FrameLogScenario(Script& script, const Setup& setup);

// 扫描测试 after connect: reads from the FIFO with their hex, a new suffix saved in the
// settings dialog showing in the next read, names and keys, a screenshot.
void ScanTestScenario(Script& script, const Setup& setup);

// 固件升级 after connect: progress, 取消 after a few blocks, then a whole upload, the
// closing wait and the new version; screenshots.
void UploadScenario(Script& script, const Setup& setup);

// Shared steps.
inline const char kMainTitle[] = "星澜配置工具KD系列(串口)V2.0.3";
inline const char kAppName[] = "kdconfig";

// What the reader received: each request's note ("handshake", "read qrcode", ...), or
// its bytes in hex.
std::vector<std::string> Requests(const std::string& frameLog);
std::vector<std::string> RequestFrames(const std::string& frameLog);
std::string Joined(const std::vector<std::string>& lines, size_t from = 0);

// Waits for the main window, clicks 连接设备 and waits for 已连接.
void Connect(Script& script);
// Clicks 退出 on the main window and waits for it to go.
void Quit(Script& script);

}  // namespace kd::e2e
