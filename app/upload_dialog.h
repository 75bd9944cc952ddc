#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "protocol/upload.h"
#include "ui/dialog.h"

namespace kd {

// What the upload dialog asks of the window that holds the connection.
class UploadHost {
  public:
    virtual ~UploadHost() = default;
    virtual Channel* UploadChannel() = 0;
    // Opens the port again as the last connect did and reads the firmware version and
    // build date into the window. False when the reader does not answer: the window then
    // shows it is not connected.
    virtual bool Reconnect() = 0;
    // The firmware version and build date the window shows now.
    virtual std::string ShownVersion() const = 0;
    virtual std::string ShownBuildDate() const = 0;
};

// 固件升级 (141) and 配置升级 (142), owned by the main window, which takes no input
// while it runs, so no second action can start.
//
//   1411 the file (read-only), 1412 浏览…: choose another; 1413 its size, 1414 its MD5
//   1415 the progress bar; 1416 blocks sent, percentage, rate and time left
//   1417 what is happening: the closing wait's countdown, the outcome
//   1418-1421 firmware version and build date before and after (firmware only)
//   1 开始     OnOK: sends the file, the same frames as kdcfg's upload
//   2 取消     OnCancel: while blocks go out, stops after the current one; else closes
//
// Between blocks and during the closing wait the dialog lets the windows take input.
class UploadDialog final : public ui::Dialog, private UploadObserver, private Sleeper {
  public:
    UploadDialog(ui::Toolkit& toolkit, bool firmware, UploadHost& host, UploadFiles& files,
                 Sleeper& sleeper);
    ~UploadDialog() override;

  protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

  private:
    enum class Phase { Idle, Sending, Closing };

    void ShowFile(const std::string& path);
    void OnBrowse();
    void Finish(UploadOutcome outcome);
    void ShowVersions(bool after);
    void SetBusy(bool busy);

    // UploadObserver
    void OnStarted(uint32_t fileLength, uint32_t blocks) override;
    void OnBlockAcknowledged(uint32_t index, uint32_t bytesSent) override;
    void OnClosingWait(uint32_t milliseconds) override;
    bool KeepSending() override;
    // Sleeper: the closing wait, counted down on screen.
    void Sleep(uint32_t milliseconds) override;

    bool firmware_;
    UploadHost& host_;
    UploadFiles& files_;
    Sleeper& sleeper_;
    std::string path_;
    bool fileReadable_ = false;
    Phase phase_ = Phase::Idle;
    bool stopRequested_ = false;
    uint32_t fileLength_ = 0;
    uint32_t blocks_ = 0;
    std::chrono::steady_clock::time_point started_;
};

// "已发送 12/260 块  4%  速率 10.2 KB/s  剩余 1:05"; rate and time left once time has passed.
std::string UploadProgressText(uint32_t blocksSent, uint32_t blocks, uint32_t bytesSent,
                               uint32_t fileLength, std::chrono::milliseconds elapsed);

}  // namespace kd
