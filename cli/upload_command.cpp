#include "cli/upload_command.h"

#include "cli/exit_codes.h"
#include "cli/upload_progress.h"

namespace kd::cli {

namespace {

// Says what went wrong, with the meaning of the window's message, and picks the code.
int Report(UploadOutcome outcome, bool firmware, const std::string& fileName, std::FILE* out,
           std::FILE* err) {
    const char* what = firmware ? "firmware" : "configuration";
    switch (outcome) {
        case UploadOutcome::Done:
            std::fprintf(out,
                         "%s update sent: power the reader off and on for the new %s to "
                         "take effect\n",
                         what, what);
            return kExitOk;
        case UploadOutcome::NoChannel:
            std::fprintf(err, "kdcfg: no reader connection\n");
            return kExitNoAnswer;
        case UploadOutcome::FileMissing:
            std::fprintf(err, "kdcfg: cannot open %s: the file does not exist or cannot be read\n",
                         fileName.c_str());
            return kExitUploadFile;
        case UploadOutcome::StartWriteFailed:
            std::fprintf(err,
                         "kdcfg: %s upload failed at the start (1): the start frame could "
                         "not be written to the port\n",
                         what);
            return kExitUploadStartFailed;
        case UploadOutcome::StartShortReply:
            std::fprintf(err,
                         "kdcfg: %s upload failed at the start (2): no valid reply from the "
                         "reader\n",
                         what);
            return kExitUploadStartFailed;
        case UploadOutcome::StartRefused:
            std::fprintf(err, "kdcfg: %s upload failed at the start (3): the reader refused it\n",
                         what);
            return kExitUploadStartFailed;
        case UploadOutcome::FileReadFailed:
            std::fprintf(err,
                         "kdcfg: reading %s failed: it gave fewer or other bytes than when it "
                         "was opened; update failed\n",
                         fileName.c_str());
            return kExitUploadFile;
        case UploadOutcome::WriteFailed:
            std::fprintf(err,
                         "kdcfg: transmit error: a block could not be written to the port; "
                         "update failed\n");
            return kExitUploadTransmitFailed;
        case UploadOutcome::NotAcknowledged:
            std::fprintf(err,
                         "kdcfg: communication error: a block was not acknowledged after %d "
                         "sends; update failed\n",
                         kUploadSendsPerBlock);
            return kExitUploadNotAcknowledged;
    }
    return kExitNoAnswer;
}

}  // namespace

int RunUploadCommand(Channel& channel, bool firmware, const std::string& fileName,
                     UploadFiles& files, Sleeper& sleeper, bool terminal, std::FILE* out,
                     std::FILE* err) {
    UploadTarget target = firmware ? FirmwareUpload() : ConfigUpload();
    target.fileName = fileName;
    UploadProgress progress(err, terminal, sleeper);
    const UploadOutcome outcome = RunUpload(&channel, target, files, progress, &progress);
    return Report(outcome, firmware, fileName, out, err);
}

}  // namespace kd::cli
