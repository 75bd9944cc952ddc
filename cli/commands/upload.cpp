#include "cli/commands/upload.h"

#include <CLI/CLI.hpp>

#include "cli/exit_codes.h"
#include "cli/option_checks.h"
#include "cli/upload_progress.h"
#include "provision/upload_words.h"

namespace kd::cli {

namespace {

// The exit code a script branches on.
int UploadExitCode(UploadOutcome outcome) {
    switch (outcome) {
        case UploadOutcome::Done:
            return kExitOk;
        case UploadOutcome::NoChannel:
            return kExitNoAnswer;
        case UploadOutcome::FileMissing:
        case UploadOutcome::FileReadFailed:
            return kExitUploadFile;
        case UploadOutcome::StartWriteFailed:
        case UploadOutcome::StartShortReply:
        case UploadOutcome::StartRefused:
            return kExitUploadStartFailed;
        case UploadOutcome::WriteFailed:
        case UploadOutcome::Cancelled:
            return kExitUploadTransmitFailed;
        case UploadOutcome::NotAcknowledged:
            break;
    }
    return kExitUploadNotAcknowledged;
}

}  // namespace

int RunUploadCommand(Channel& channel, bool firmware, const std::string& fileName,
                     UploadFiles& files, Sleeper& sleeper, bool terminal, std::FILE* out,
                     std::FILE* err) {
    UploadTarget target = firmware ? FirmwareUpload() : ConfigUpload();
    target.fileName = fileName;
    UploadProgress progress(err, terminal, sleeper);
    const UploadOutcome outcome = RunUpload(&channel, target, files, progress, &progress);
    const int code = UploadExitCode(outcome);
    const std::string message = provision::DescribeUpload(outcome, firmware, fileName);
    std::fprintf(code == kExitOk ? out : err, "%s%s\n",
                 code == kExitOk ? "" : "kdcfg: ", message.c_str());
    return code;
}

namespace {

void AddFileOption(CLI::App& command, Options& options, const char* what, const char* otherwise) {
    command.add_option("FILE", options.upload.file, what)->check(PathNotOption());
    command.final_callback([&options, otherwise] {
        if (options.upload.file.empty()) {
            options.upload.file = otherwise;
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
