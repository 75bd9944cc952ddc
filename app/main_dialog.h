#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_log.h"
#include "app/frame_log_dialog.h"
#include "app/scan_test_dialog.h"
#include "app/services.h"
#include "app/upload_dialog.h"
#include "link/channel.h"
#include "link/hid_enumeration.h"
#include "link/port_info.h"
#include "protocol/frame.h"
#include "protocol/upload.h"
#include "ui/dialog.h"

namespace kd {

// The main window (102) and the owner of the reader connection.
//
//   1006 port list, 1007 baud rate, 1008 data bits, 1009 stop bits, 1010 parity: the
//        device panel; 1011 the HID list and 1001 HID (both hidden)
//   1015 刷新       OnRefresh: enumerate the ports again
//   1002 连接设备   OnConnect: open the port, handshake, read version and build date
//   1003 更改配置   OnChangeConfig: the settings dialog over the connected reader
//   1004 更新固件, 1005 更新配置: the uploads (hidden)
//   1012, 1013     firmware version and build date; 1014 the status
//   1 退出          ends the program
// The window's menu (the system menu; the context menu on Linux) holds 关于配置工具 and,
// greyed out until a connect succeeds, the entries of kReaderMenu: 扫描测试… (OnScanTest:
// the reads as they come, listening paused while another window talks to the reader),
// 通信记录… (OnFrameLog),
// 固件升级… and 配置升级… (OnUploadDialog: the uploads with progress, in a dialog).
class MainDialog final : public ui::Dialog, private UploadHost {
  public:
    // Button bits of EndBusy.
    static constexpr uint32_t kRefreshBit = 0x01;
    static constexpr uint32_t kConnectBit = 0x02;
    static constexpr uint32_t kChangeConfigBit = 0x04;
    static constexpr uint32_t kUpdateFirmwareBit = 0x08;
    static constexpr uint32_t kUpdateConfigBit = 0x10;
    static constexpr uint32_t kNotConnectedMask = kRefreshBit | kConnectBit;
    static constexpr uint32_t kConnectedMask =
        kChangeConfigBit | kUpdateFirmwareBit | kUpdateConfigBit;

    explicit MainDialog(AppServices& services);
    ~MainDialog() override;

    void BeginBusy();
    void EndBusy(uint32_t mask);
    void ShowPrompt(std::string_view text);
    void FillDeviceLists();

    // The device commands, over the channel held.
    int Handshake();
    int QueryFirmwareVersion();
    int QueryBuildDate();
    int ExchangeCommand(CommandCode code, std::span<uint8_t> payload, uint16_t& length);

    Channel* GetChannel() const { return channel_.get(); }
    const std::vector<PortInfo>& PortRecords() const { return portRecords_; }
    const std::vector<HidDeviceInfo>& HidRecords() const { return hidRecords_; }

    // Button handlers.
    void OnRefresh();
    void OnConnect();
    void OnChangeConfig();
    void UploadFirmware();
    void UploadConfig();
    // Menu entries.
    void OnFrameLog();
    void OnScanTest();
    void OnFirmwareUploadDialog() { OnUploadDialog(true); }
    void OnConfigUploadDialog() { OnUploadDialog(false); }

    // Every frame since the last connect began.
    const FrameLog& Frames() const { return frameLog_; }

  protected:
    bool OnInitDialog() override;
    bool OnSysCommand(int command) override;

  private:
    // An entry of the window's menu that works on the connected reader.
    struct ReaderMenuEntry {
        int command;
        std::string_view text;
        void (MainDialog::*run)();
    };
    static const ReaderMenuEntry kReaderMenu[];
    void EnableReaderMenu(bool enabled);

    // What OnConnect read from the device panel, or the message naming what is missing.
    bool ReadSelectedSettings(SerialSettings& settings);
    void DropChannel();
    void Upload(bool firmware);
    void OnUploadDialog(bool firmware);
    // Opens the port, puts the frame tap over it and asks handshake, version and build
    // date; false with the channel dropped when any of them fails.
    bool OpenReader(const SerialSettings& settings);

    // UploadHost
    Channel* UploadChannel() override { return channel_.get(); }
    bool Reconnect() override;
    std::string ShownVersion() const override;
    std::string ShownBuildDate() const override;

    AppServices& services_;
    FrameLog frameLog_;
    std::unique_ptr<Channel> port_;     // the serial channel opened by connect
    std::unique_ptr<Channel> channel_;  // the tap over it that every exchange goes through
    SerialSettings settings_;           // of the last connect that succeeded
    std::vector<PortInfo> portRecords_;
    std::vector<HidDeviceInfo> hidRecords_;
    FrameLogDialog frameLogDialog_;  // after frameLog_, which it watches
    ScanTestDialog scanTestDialog_;  // listens on channel_
};

}  // namespace kd
