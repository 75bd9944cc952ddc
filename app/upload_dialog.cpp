#include "app/upload_dialog.h"

#include <algorithm>
#include <cstdio>

#include "app/upload_messages.h"
#include "resources/ids.h"
#include "resources/upload_dialog.h"
#include "text/escape.h"

namespace kd {

namespace {

// The countdown moves on in steps of this many milliseconds.
constexpr uint32_t kCountdownStepMs = 250;

std::string Decimal1(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string MinutesSeconds(uint64_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(seconds / 60),
                  static_cast<unsigned long long>(seconds % 60));
    return text;
}

}  // namespace

std::string UploadProgressText(uint32_t blocksSent, uint32_t blocks, uint32_t bytesSent,
                               uint32_t fileLength, std::chrono::milliseconds elapsed) {
    const uint64_t percent =
        fileLength == 0 ? 100 : uint64_t{bytesSent} * 100 / uint64_t{fileLength};
    std::string text = "已发送 " + std::to_string(blocksSent) + "/" + std::to_string(blocks) +
                       " 块  " + std::to_string(percent) + "%";
    if (elapsed.count() <= 0 || bytesSent == 0) {
        return text;
    }
    const double bytesPerSecond = bytesSent * 1000.0 / static_cast<double>(elapsed.count());
    const auto left = static_cast<uint64_t>((fileLength - bytesSent) / bytesPerSecond + 0.5);
    return text + "  速率 " + Decimal1(bytesPerSecond / 1024.0) + " KB/s  剩余 " +
           MinutesSeconds(left);
}

UploadDialog::UploadDialog(ui::Toolkit& toolkit, bool firmware, UploadHost& host,
                           UploadFiles& files, Sleeper& sleeper)
    : Dialog(toolkit,
             firmware ? resources::kFirmwareUploadTemplate : resources::kConfigUploadTemplate),
      firmware_(firmware),
      host_(host),
      files_(files),
      sleeper_(sleeper) {
    BindCommand(ids::kUploadBrowseButton, [this] { OnBrowse(); });
}

UploadDialog::~UploadDialog() = default;

bool UploadDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    for (const int id :
         {ids::kUploadOldCaption, ids::kUploadNewCaption, ids::kUploadVersionCaption,
          ids::kUploadDateCaption, ids::kUploadOldVersionLabel, ids::kUploadNewVersionLabel,
          ids::kUploadOldDateLabel, ids::kUploadNewDateLabel}) {
        ShowControl(id, firmware_);
    }
    SetProgress(ids::kUploadProgressBar, 0, 1);
    if (firmware_) {
        ShowVersions(false);
    }
    ShowFile(firmware_ ? FirmwareUpload().fileName : ConfigUpload().fileName);
    return true;
}

// Size and MD5 from one reading of the file, as the upload will announce them.
void UploadDialog::ShowFile(const std::string& path) {
    path_ = path;
    SetText(ids::kUploadFileEdit, text::EscapeSystemText(path));
    const std::unique_ptr<UploadFile> file = files_.Open(path);
    fileReadable_ = file != nullptr;
    if (!fileReadable_) {
        SetText(ids::kUploadSizeLabel, "");
        SetText(ids::kUploadMd5Label, "");
        SetText(ids::kUploadStatusLabel, "打开文件错误，请检查文件是否存在、能否读取!");
    } else {
        const Md5Digest digest = file->Digest();
        std::string md5 = ToHex(digest);
        md5.erase(std::remove(md5.begin(), md5.end(), ' '), md5.end());
        SetText(ids::kUploadSizeLabel, std::to_string(file->Length()) + " 字节");
        SetText(ids::kUploadMd5Label, md5);
        SetText(ids::kUploadStatusLabel, "");
    }
    EnableControl(ids::kUploadStartButton, fileReadable_ && host_.UploadChannel() != nullptr);
}

void UploadDialog::OnBrowse() {
    if (phase_ != Phase::Idle) {
        return;
    }
    ui::FileDialogRequest request{ui::FileDialogKind::Open,
                                  firmware_ ? "选择固件文件" : "选择配置文件", "所有文件 (*)", "*",
                                  ""};
    if (const auto chosen = GetToolkit().ChooseFile(this, request)) {
        ShowFile(*chosen);
    }
}

void UploadDialog::SetBusy(bool busy) {
    EnableControl(ids::kUploadBrowseButton, !busy);
    EnableControl(ids::kUploadCancelButton, true);
    EnableControl(ids::kUploadStartButton,
                  !busy && fileReadable_ && host_.UploadChannel() != nullptr);
    SetText(ids::kUploadCancelButton, busy ? "取消" : "关闭");
    SetCursor(busy ? ui::Cursor::Wait : ui::Cursor::Arrow);
}

void UploadDialog::OnOK() {
    if (phase_ != Phase::Idle || !fileReadable_ || host_.UploadChannel() == nullptr) {
        return;  // Enter while it runs, or with nothing to send
    }
    phase_ = Phase::Sending;
    stopRequested_ = false;
    SetBusy(true);
    if (firmware_) {
        ShowVersions(false);
    }
    SetText(ids::kUploadNewVersionLabel, "");
    SetText(ids::kUploadNewDateLabel, "");
    SetProgress(ids::kUploadProgressBar, 0, 1);
    SetText(ids::kUploadProgressLabel, "");
    SetText(ids::kUploadStatusLabel, "正在发送…");
    GetToolkit().RunSoon([this] {
        UploadTarget target = firmware_ ? FirmwareUpload() : ConfigUpload();
        target.fileName = path_;
        Finish(RunUpload(host_.UploadChannel(), target, files_, *this, this));
    });
}

void UploadDialog::Finish(UploadOutcome outcome) {
    std::string said = UploadMessage(outcome, firmware_);
    if (outcome == UploadOutcome::Done && firmware_) {
        SetText(ids::kUploadStatusLabel, "正在重新连接设备…");
        GetToolkit().ProcessEvents();
        if (host_.Reconnect()) {
            ShowVersions(true);
            said = "固件升级完成，设备已重新连接";
        } else {
            said = "固件已发送，但重新连接设备失败，请检查设备后重新连接";
        }
    }
    phase_ = Phase::Idle;
    SetText(ids::kUploadStatusLabel, said);
    SetBusy(false);
    if (outcome != UploadOutcome::Done) {
        MessageBox(said, "提示", ui::kMessageOk | ui::kMessageIconWarning);
    }
}

void UploadDialog::ShowVersions(bool after) {
    SetText(after ? ids::kUploadNewVersionLabel : ids::kUploadOldVersionLabel,
            host_.ShownVersion());
    SetText(after ? ids::kUploadNewDateLabel : ids::kUploadOldDateLabel, host_.ShownBuildDate());
}

void UploadDialog::OnCancel() {
    switch (phase_) {
        case Phase::Idle:
            EndDialog(ui::kResultCancel);
            return;
        case Phase::Sending:
            stopRequested_ = true;
            EnableControl(ids::kUploadCancelButton, false);
            SetText(ids::kUploadStatusLabel, "正在停止：当前块发完后停止…");
            return;
        case Phase::Closing:
            return;  // the whole file is there; the reader is taking it in
    }
}

void UploadDialog::OnStarted(uint32_t fileLength, uint32_t blocks) {
    fileLength_ = fileLength;
    blocks_ = blocks;
    started_ = std::chrono::steady_clock::now();
    SetProgress(ids::kUploadProgressBar, 0, static_cast<int>(std::max<uint32_t>(blocks, 1)));
    SetText(ids::kUploadProgressLabel, UploadProgressText(0, blocks, 0, fileLength, {}));
}

void UploadDialog::OnBlockAcknowledged(uint32_t index, uint32_t bytesSent) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started_);
    SetProgress(ids::kUploadProgressBar, static_cast<int>(index + 1),
                static_cast<int>(std::max<uint32_t>(blocks_, 1)));
    SetText(ids::kUploadProgressLabel,
            UploadProgressText(index + 1, blocks_, bytesSent, fileLength_, elapsed));
}

bool UploadDialog::KeepSending() {
    GetToolkit().ProcessEvents();
    return !stopRequested_;
}

void UploadDialog::OnClosingWait(uint32_t /*milliseconds*/) {
    phase_ = Phase::Closing;
    EnableControl(ids::kUploadCancelButton, false);
    SetProgress(ids::kUploadProgressBar, 1, 1);
    SetText(ids::kUploadProgressLabel,
            UploadProgressText(blocks_, blocks_, fileLength_, fileLength_,
                               std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - started_)));
}

void UploadDialog::Sleep(uint32_t milliseconds) {
    for (uint32_t left = milliseconds; left > 0;) {
        const uint32_t seconds = (left + 999) / 1000;
        SetText(ids::kUploadStatusLabel,
                "设备正在写入，请勿断电：还需等待 " + std::to_string(seconds) + " 秒");
        GetToolkit().ProcessEvents();
        const uint32_t step = std::min(left, kCountdownStepMs);
        sleeper_.Sleep(step);
        left -= step;
    }
    EnableControl(ids::kUploadCancelButton, true);
}

}  // namespace kd
