#include "cli/commands/upload.h"

#include <CLI/CLI.hpp>

#include "cli/exit_codes.h"
#include "cli/option_checks.h"
#include "cli/upload_progress.h"

namespace kd::cli {

namespace {

struct UploadReport {
    int code;
    std::string message;
};

// What happened, with the meaning of the window's message, and the exit code.
UploadReport Describe(UploadOutcome outcome, bool firmware, const std::string& fileName) {
    const std::string what = firmware ? "firmware" : "configuration";
    switch (outcome) {
        case UploadOutcome::Done:
            return {kExitOk, what + " update sent: power the reader off and on for the new " +
                                 what + " to take effect"};
        case UploadOutcome::NoChannel:
            return {kExitNoAnswer, "no reader connection"};
        case UploadOutcome::FileMissing:
            return {kExitUploadFile,
                    "cannot open " + fileName + ": the file does not exist or cannot be read"};
        case UploadOutcome::StartWriteFailed:
            return {kExitUploadStartFailed,
                    what +
                        " upload failed at the start (1): the start frame could not be "
                        "written to the port"};
        case UploadOutcome::StartShortReply:
            return {kExitUploadStartFailed,
                    what + " upload failed at the start (2): no valid reply from the reader"};
        case UploadOutcome::StartRefused:
            return {kExitUploadStartFailed,
                    what + " upload failed at the start (3): the reader refused it"};
        case UploadOutcome::FileReadFailed:
            return {kExitUploadFile, "reading " + fileName +
                                         " failed: it gave fewer or other bytes than when it "
                                         "was opened; update failed"};
        case UploadOutcome::WriteFailed:
            return {kExitUploadTransmitFailed,
                    "transmit error: a block could not be written to the port; update failed"};
        case UploadOutcome::NotAcknowledged:
            break;
    }
    return {kExitUploadNotAcknowledged, "communication error: a block was not acknowledged after " +
                                            std::to_string(kUploadSendsPerBlock) +
                                            " sends; update failed"};
}

}  // namespace

std::string UploadFailure(UploadOutcome outcome, const std::string& fileName) {
    return Describe(outcome, true, fileName).message;
}

int RunUploadCommand(Channel& channel, bool firmware, const std::string& fileName,
                     UploadFiles& files, Sleeper& sleeper, bool terminal, std::FILE* out,
                     std::FILE* err) {
    UploadTarget target = firmware ? FirmwareUpload() : ConfigUpload();
    target.fileName = fileName;
    UploadProgress progress(err, terminal, sleeper);
    const UploadOutcome outcome = RunUpload(&channel, target, files, progress, &progress);
    const UploadReport report = Describe(outcome, firmware, fileName);
    std::fprintf(report.code == kExitOk ? out : err, "%s%s\n",
                 report.code == kExitOk ? "" : "kdcfg: ", report.message.c_str());
    return report.code;
}

namespace {

void AddFileOption(CLI::App& command, Options& options, const char* what, const char* otherwise) {
    command.add_option("FILE", options.uploadFile, what)->check(PathNotOption());
    command.final_callback([&options, otherwise] {
        if (options.uploadFile.empty()) {
            options.uploadFile = otherwise;
        }
    });
}

}  // namespace

void AddUploadFirmwareOptions(CLI::App& command, Options& options) {
    AddFileOption(command, options, "the image to send", "update");
}

void AddUploadConfigOptions(CLI::App& command, Options& options) {
    AddFileOption(command, options, "the file to send", "config");
}

}  // namespace kd::cli
