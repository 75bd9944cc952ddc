#include "cli/station/command.h"

#include <CLI/CLI.hpp>

#include "cli/commands/dump_diff_apply.h"
#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/option_checks.h"
#include "cli/platform.h"
#include "cli/profile_file.h"
#include "cli/station/station.h"
#include "protocol/upload.h"
#include "provision/apply.h"
#include "text/gbk.h"

namespace kd::cli {

namespace {

// The key that tells readers apart: the same value on every reader is seldom meant, so
// it is taken only with --force.
bool AllowUnitKeys(const std::string& path, const profile::Profile& profile, bool force,
                   std::FILE* err) {
    bool allowed = true;
    for (const profile::Entry& entry : profile.entries) {
        if (entry.key != "deviceno") {
            continue;
        }
        std::fprintf(err,
                     "kdcfg: %s:%zu: %severy reader would get deviceno=%s; remove the line to "
                     "keep each reader's own number%s\n",
                     path.c_str(), entry.line, force ? "warning: " : "", Shown(entry.value).c_str(),
                     force ? "" : ", or give --force");
        allowed = force;
    }
    return allowed;
}

// The profile, read and checked against the catalogue, or none after saying why.
std::optional<profile::Profile> LoadStationProfile(const std::string& path, bool force,
                                                   std::FILE* err) {
    std::optional<profile::Profile> loaded = LoadProfileToWrite(path, err);
    if (!loaded) {
        return std::nullopt;
    }
    const std::vector<provision::CheckProblem> problems = provision::CheckProfile(*loaded);
    for (const provision::CheckProblem& problem : problems) {
        std::fprintf(err, "kdcfg: %s:%zu: %s: %s\n", path.c_str(), problem.line,
                     Shown(problem.key).c_str(), problem.message.c_str());
    }
    if (!problems.empty()) {
        return std::nullopt;
    }
    if (!AllowUnitKeys(path, *loaded, force, err)) {
        return std::nullopt;
    }
    return loaded;
}

}  // namespace

void AddStationOptions(CLI::App& app, Options& options) {
    StationOptions& station = options.station;
    CLI::App* command = &app;
    command
        ->add_option("--watch", station.watch, "the ports to watch, e.g. '/dev/serial/by-id/usb-*'")
        ->type_name("GLOB")
        ->required()
        ->check(PathNotOption());
    command->add_option("--profile", station.profile, "the profile to apply to every reader")
        ->type_name("FILE")
        ->required()
        ->check(PathNotOption());
    CLI::Option* firmware =
        command->add_option("--firmware", station.firmware, "the firmware image to send")
            ->type_name("FILE")
            ->check(PathNotOption());
    CLI::Option* version =
        command
            ->add_option("--firmware-version", station.firmwareVersion,
                         "the version the image reports (masterver); readers that report it "
                         "get no upload")
            ->type_name("TEXT");
    firmware->needs(version);
    version->needs(firmware);
    command
        ->add_option("--firmware-wait", station.firmwareWaitSeconds,
                     "seconds the reader is given to take in the image (default 30)")
        ->type_name("SECONDS")
        ->check(CLI::Range(0u, 600u))
        ->needs(firmware);
    command->add_option("--log", station.log, "add one JSON line per reader to FILE")
        ->type_name("FILE")
        ->check(PathNotOption());
    command->add_flag("--probe", station.probe,
                      "find each reader's line settings first, as probe does");
    command->add_flag("--force", station.force,
                      "take a profile that sets deviceno: every reader gets that number");
}

std::string CheckStationOptions(const Options& options) {
    if (!options.ports.empty() || !options.portPattern.empty()) {
        return "station: the ports come from --watch; --port and --ports are not taken";
    }
    if (options.trace || options.verbose) {
        return std::string("station: ") + (options.trace ? "--trace" : "-v") +
               " is not taken: the readers' frames would mix";
    }
    if (!options.station.firmware.empty() && options.station.firmwareVersion.empty()) {
        return "station: --firmware-version cannot be empty";
    }
    return {};
}

int RunStation(const Options& options, StopSignals& signals, std::FILE* out, std::FILE* err) {
    const StationOptions& station = options.station;
    std::optional<profile::Profile> profile =
        LoadStationProfile(station.profile, station.force, err);
    if (!profile) {
        std::fprintf(err, "kdcfg: station: the profile cannot be used; no port was watched\n");
        return kExitProfileRefused;
    }
    if (!station.firmware.empty() && !DiskUploadFiles().Open(station.firmware)) {
        std::fprintf(err,
                     "kdcfg: station: cannot open %s: the file does not exist or cannot be "
                     "read; no port was watched\n",
                     station.firmware.c_str());
        return kExitUploadFile;
    }
    // The reader sends its version as GBK bytes: compared as those, not as shown text.
    std::optional<std::string> firmwareVersion = text::Utf8ToGbk(station.firmwareVersion);
    if (!firmwareVersion) {
        std::fprintf(err,
                     "kdcfg: station: --firmware-version %s has characters a reader cannot "
                     "send; no port was watched\n",
                     Shown(station.firmwareVersion).c_str());
        return kExitUsage;
    }
    AppendFile log;
    if (std::string error; !station.log.empty() && !log.Open(station.log, error)) {
        std::fprintf(err, "kdcfg: station: %s; no port was watched\n", error.c_str());
        return kExitOutputFailed;
    }
    provision::StationSetup setup;
    setup.ports = {PortDevicePath, PortPresent};
    setup.serial = options.serial;
    setup.probe = station.probe;
    setup.designedTiming = options.designedTiming;
    setup.profile = std::move(*profile);
    setup.firmwareFile = station.firmware;
    setup.firmwareVersion = std::move(*firmwareVersion);
    setup.firmwareWaitMs = station.firmwareWaitSeconds * 1000;
    Station running(std::move(setup), station.watch,
                    {out, err, options.json, log.IsOpen() ? &log : nullptr});
    return running.Run(signals);
}

}  // namespace kd::cli
