#include "app/upload_messages.h"

namespace kd {

namespace {

constexpr char kCommunicationError[] = "与设备通信错误，请检查!";

}  // namespace

std::string UploadMessage(UploadOutcome outcome, bool firmware) {
    switch (outcome) {
        case UploadOutcome::Done:
            return firmware ? "更新固件成功,请把设备断电重启以使固件生效"
                            : "更新配置成功,请把设备断电重启以使配置生效";
        case UploadOutcome::NoChannel:
            return "设备信息错误，请检查!";
        case UploadOutcome::FileMissing:
            return "打开文件错误，请检查相关文件是否存在!";
        case UploadOutcome::StartWriteFailed:
            return firmware ? kCommunicationError : std::string("1") + kCommunicationError;
        case UploadOutcome::StartShortReply:
            return firmware ? kCommunicationError : std::string("2") + kCommunicationError;
        case UploadOutcome::StartRefused:
            return firmware ? kCommunicationError : std::string("3") + kCommunicationError;
        case UploadOutcome::FileReadFailed:
            return "读文件错误，更新失败!";
        case UploadOutcome::WriteFailed:
            return "传输错误，更新失败!";
        case UploadOutcome::Cancelled:
            return "升级已取消：设备中只有部分文件，请重新升级完整文件";
        case UploadOutcome::NotAcknowledged:
            return kCommunicationError;
    }
    return kCommunicationError;
}

}  // namespace kd
