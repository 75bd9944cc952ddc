#include "cli/station_command.h"

#include <CLI/CLI.hpp>

#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/option_checks.h"
#include "cli/profile_file.h"
#include "cli/provision_commands.h"
#include "cli/station.h"
#include "protocol/upload.h"
#include "provision/apply.h"

namespace kd::cli {

namespace {

constexpr char kStationText[] =
    "Provisions each reader as it is plugged in, until Ctrl-C.\n\n"
    "Looks for ports matching --watch five times a second and takes each new one on a\n"
    "thread of its own (ports there at the start too). For each reader: sends the\n"
    "handshake (with --probe, first finds its line settings as probe does), reads\n"
    "deviceno, masterver and slavever; with --firmware, when masterver is not\n"
    "--firmware-version, sends the image as upload-firmware does, waits, connects again\n"
    "and reads masterver again; then applies the profile as apply does (writes what\n"
    "differs, stores once, reads back). Prints one PASS or FAIL line per reader and adds\n"
    "one JSON line to --log. A port is taken again only once it has gone away.";

constexpr char kStationFooter[] =
    "Ctrl-C or SIGTERM: no new reader is taken; readers in progress finish (a firmware\n"
    "upload stops before its next block), then the totals are printed.\n"
    "A reader unplugged in the middle is a FAIL with its reason.\n"
    "--json: each reader's record, then the totals, as JSON lines on standard output.\n"
    "Line options (--baud, --data-bits, --stop-bits, --parity, --designed-timing) apply to\n"
    "every reader; --port, --ports and --trace are not taken.\n"
    "Windows: --watch matches port names (e.g. 'COM*'); readers are handled one after\n"
    "another, and Ctrl-C ends the program at once, without totals.\n"
    "Exit codes: 0 every reader passed, 14 a reader failed, 2 usage, 6 the firmware file\n"
    "cannot be read, 10 the log cannot be written, 11 the profile cannot be read, sets no\n"
    "key or the catalogue check refused it (6, 10 and 11 before any port is watched).";

// The keys that tell readers apart: the same value on every reader is seldom meant.
void WarnAboutUnitKeys(const std::string& path, const profile::Profile& profile, std::FILE* err) {
    for (const profile::Entry& entry : profile.entries) {
        if (entry.key == "deviceno") {
            std::fprintf(err,
                         "kdcfg: %s:%zu: warning: every reader gets deviceno=%s; remove the "
                         "line to keep each reader's own number\n",
                         path.c_str(), entry.line, Shown(entry.value).c_str());
        }
    }
}

// The profile, read and checked against the catalogue, or none after saying why.
std::optional<profile::Profile> LoadStationProfile(const std::string& path, std::FILE* err) {
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
    WarnAboutUnitKeys(path, *loaded, err);
    return loaded;
}

}  // namespace

void AddStationCommand(CLI::App& app, Options& options) {
    StationOptions& station = options.station;
    CLI::App* command = app.add_subcommand("station", kStationText);
    command->group("Commands");
    command->footer(kStationFooter);
    command
        ->add_option("--watch", station.watch, "the ports to watch, e.g. '/dev/serial/by-id/usb-*'")
        ->type_name("GLOB")
        ->required()
        ->check(PathNotOption());
    command->add_option("--profile", options.profile, "the profile to apply to every reader")
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
}

std::string CheckStationOptions(const Options& options) {
    if (!options.ports.empty() || !options.portPattern.empty()) {
        return "station: the ports come from --watch; --port and --ports are not taken";
    }
    if (options.trace) {
        return "station: --trace is not taken: the readers' frames would mix";
    }
    if (!options.station.firmware.empty() && options.station.firmwareVersion.empty()) {
        return "station: --firmware-version cannot be empty";
    }
    return {};
}

int RunStation(const Options& options, std::FILE* out, std::FILE* err) {
    const StationOptions& station = options.station;
    std::optional<profile::Profile> profile = LoadStationProfile(options.profile, err);
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
    AppendFile log;
    if (std::string error; !station.log.empty() && !log.Open(station.log, error)) {
        std::fprintf(err, "kdcfg: station: %s; no port was watched\n", error.c_str());
        return kExitOutputFailed;
    }
    StationSetup setup;
    setup.serial = options.serial;
    setup.probe = station.probe;
    setup.designedTiming = options.designedTiming;
    setup.profile = std::move(*profile);
    setup.firmwareFile = station.firmware;
    setup.firmwareVersion = station.firmwareVersion;
    setup.firmwareWaitMs = station.firmwareWaitSeconds * 1000;
    // Before any thread starts, so that every thread holds the signals back.
    StopSignals signals;
    Station running(std::move(setup), station.watch,
                    {out, err, options.json, log.IsOpen() ? &log : nullptr});
    return running.Run(signals);
}

}  // namespace kd::cli
