#include "cli/commands/upload.h"

#include <CLI/CLI.hpp>

#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/option_checks.h"
#include "cli/stop.h"
#include "cli/upload_progress.h"
#include "protocol/device_commands.h"
#include "provision/connect_reader.h"
#include "provision/upload_words.h"
#include "text/gbk.h"

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

// The file each upload takes when none is given, from the working folder.
constexpr char kFirmwareFile[] = "update";
constexpr char kConfigFile[] = "config";

const char* DefaultFile(bool firmware) {
    return firmware ? kFirmwareFile : kConfigFile;
}

const char* CommandName(bool firmware) {
    return firmware ? "upload-firmware" : "upload-config";
}

// What a stop signal found done, from how far the upload came.
void ReportStopped(const UploadRequest& request, UploadProgress& progress, bool checking,
                   std::FILE* err) {
    progress.Stopped();
    const char* name = CommandName(request.firmware);
    if (checking) {
        std::fprintf(err,
                     "kdcfg: %s interrupted after all %u blocks were sent and the wait was over, "
                     "while it checked the reader: its version was not checked\n",
                     name, progress.Blocks());
    } else if (!progress.Started()) {
        std::fprintf(err,
                     "kdcfg: %s interrupted before the reader took the upload's start: "
                     "nothing was changed on the reader\n",
                     name);
    } else if (!progress.Waiting()) {
        std::fprintf(err,
                     "kdcfg: %s interrupted after %u of %u blocks (%u bytes) were acknowledged: "
                     "the reader did not get the whole file; the update failed\n",
                     name, progress.BlocksDone(), progress.Blocks(), progress.BytesSent());
    } else {
        std::fprintf(err,
                     "kdcfg: %s interrupted after all %u blocks were sent and acknowledged, "
                     "before the reader had its whole wait to take the file in%s\n",
                     name, progress.Blocks(),
                     request.expectVersion ? "; its version was not checked" : "");
    }
}

// After a firmware upload: connects again and reads the version the reader runs.
int CheckVersion(Channel& channel, const std::string& expected,
                 const std::function<bool(std::string&)>& reconnect, std::FILE* out,
                 std::FILE* err) {
    const auto window =
        std::chrono::duration_cast<std::chrono::seconds>(provision::kReconnectWindow).count();
    std::fprintf(err, "connecting again (up to %lld s) to read the firmware version\n",
                 static_cast<long long>(window));
    std::string why;
    if (!reconnect(why)) {
        std::fprintf(err,
                     "kdcfg: the firmware was sent, but no reader answered within %lld s after "
                     "the wait (%s): its version is unknown\n",
                     static_cast<long long>(window), why.c_str());
        return kExitNoAnswer;
    }
    std::string version;
    const int read = ExchangeReadKey(&channel, kFirmwareVersionKey, version);
    if (read != kCommandOk) {
        std::fprintf(err, "kdcfg: the firmware was sent, but the reader %s its version (%s)\n",
                     read == kExchangeRefused ? "refused to tell" : "gave no valid reply with",
                     std::string(kFirmwareVersionKey).c_str());
        return read == kExchangeRefused ? kExitRefused : kExitNoAnswer;
    }
    if (version != expected) {
        std::fprintf(err, "kdcfg: the reader reports firmware %s after the update, not %s\n",
                     Shown(version).c_str(), Shown(expected).c_str());
        return kExitVersionMismatch;
    }
    std::fprintf(out, "firmware update sent; the reader answered again and reports %s\n",
                 Shown(version).c_str());
    return kExitOk;
}

}  // namespace

int RunUploadCommand(Channel& channel, const UploadRequest& request, UploadFiles& files,
                     Sleeper& sleeper, const std::function<bool(std::string&)>& reconnect,
                     ProgressView* progress, bool quiet, std::FILE* out, std::FILE* err) {
    UploadTarget target = request.firmware ? FirmwareUpload() : ConfigUpload();
    target.fileName = request.fileName;
    target.closingWaitMs = request.waitMs.value_or(target.closingWaitMs);
    UploadProgress shown(err, progress, sleeper, quiet);
    bool checking = false;
    try {
        const UploadOutcome outcome = RunUpload(&channel, target, files, shown, &shown);
        EraseProgress(progress);
        const int code = UploadExitCode(outcome);
        if (code == kExitOk && request.expectVersion) {
            checking = true;
            return CheckVersion(channel, *request.expectVersion, reconnect, out, err);
        }
        const std::string message =
            provision::DescribeUpload(outcome, request.firmware, request.fileName);
        std::fprintf(code == kExitOk ? out : err, "%s%s\n",
                     code == kExitOk ? "" : "kdcfg: ", message.c_str());
        if (outcome == UploadOutcome::FileMissing &&
            request.fileName == DefaultFile(request.firmware)) {
            const char* command = CommandName(request.firmware);
            std::fprintf(err,
                         "kdcfg: with no FILE given, %s sends ./%s from the current folder; to "
                         "send another file: kdcfg %s FILE\n",
                         command, request.fileName.c_str(), command);
        }
        return code;
    } catch (const Interrupted&) {
        ReportStopped(request, shown, checking, err);
        return kExitInterrupted;
    }
}

namespace {

void AddFileOption(CLI::App& command, Options& options, const char* what, const char* otherwise) {
    command.add_option("FILE", options.upload.file, what)->type_name("")->check(PathNotOption());
    command.final_callback([&options, otherwise] {
        if (options.upload.file.empty()) {
            options.upload.file = otherwise;
        }
    });
}

void AddWaitOption(CLI::App& command, Options& options, const char* otherwise) {
    command
        .add_option_function<unsigned>(
            "--wait", [&options](const unsigned& seconds) { options.upload.waitSeconds = seconds; },
            std::string("seconds the reader is given to take the file in after the last block "
                        "(default ") +
                otherwise + ")")
        ->type_name("SECONDS")
        ->check(CLI::Range(0u, 600u));
}

// A version a reader can send: GBK text, not empty.
std::string CheckVersionText(const std::string& text) {
    if (text.empty()) {
        return "needs the version the reader will report, not an empty text";
    }
    if (!text::Utf8ToGbk(text)) {
        return "has characters a reader cannot send";
    }
    return {};
}

}  // namespace

void AddUploadFirmwareOptions(CLI::App& command, Options& options) {
    AddFileOption(command, options, "the image to send (default: ./update)", kFirmwareFile);
    AddWaitOption(command, options, "30");
    command
        .add_option("--expect-version", options.upload.expectVersion,
                    "after the wait, connect again and exit 0 only when the reader reports this "
                    "firmware version (masterver); 15 when it reports another")
        ->type_name("VERSION")
        ->check(CLI::Validator([](std::string& text) { return CheckVersionText(text); }, ""));
}

void AddUploadConfigOptions(CLI::App& command, Options& options) {
    AddFileOption(command, options, "the file to send (default: ./config)", kConfigFile);
    AddWaitOption(command, options, "4");
}

}  // namespace kd::cli
