#include "cli/command_table.h"

#include <algorithm>
#include <array>

#include "cli/commands/info_get_set.h"
#include "cli/commands/keys.h"
#include "cli/commands/ports.h"
#include "cli/commands/probe.h"
#include "cli/commands/upload.h"
#include "cli/station/command.h"
#include "cli/stop.h"

namespace kd::cli {

namespace {

// What each command sends to the reader, for its --help.

constexpr char kInfoSends[] =
    "Sends the handshake, then reads the keys masterver (firmware version) and\n"
    "slavever (build date), and prints one line for each.";

constexpr char kGetSends[] =
    "Sends one key read per KEY, in order, and prints KEY=VALUE for each.\n"
    "Stops at the first key the reader refuses or does not answer.";

constexpr char kSetSends[] =
    "Sends one key write per KEY=VALUE, in order, stopping at the first that fails.\n"
    "The reader keeps written keys until it is powered off, unless they are stored.\n"
    "Values that do not fit beside their key name are refused before anything is sent, "
    "and so are\nkeys and values the catalogue check of apply refuses (exit 2).\n"
    "Values are UTF-8, sent as GBK; \\xNN sends the byte NN and \\\\ a backslash.";

constexpr char kStoreSends[] =
    "Sends the store command: the reader saves every key written since it\n"
    "started, so that they survive a power cycle.";

constexpr char kKeysSends[] =
    "Sends nothing. Prints one line per key, in catalogue order: its name, the\n"
    "settings page and control that show it, its kind, and the values it takes.";

constexpr char kDumpSends[] =
    "Queries the firmware version and the build date, then reads every catalogue key and\n"
    "prints them as a profile (see the README). A key that cannot be read becomes a\n"
    "comment saying why, is named on standard error, and makes the exit code 4 or 5.\n"
    "With many ports, or when -o names a directory (or ends with '/'), each reader's\n"
    "profile goes into that directory as SERIAL.profile, named by its deviceno key\n"
    "(port-NAME.profile when it has none); a reader that stops answering gets no file.\n"
    "When no key could be read, -o FILE leaves FILE as it was.";

constexpr char kDiffSends[] =
    "Reads each key of the profile and prints each difference: '@ line N: KEY', then\n"
    "'- ' the reader's value and '+ ' the profile's. Sends no write.\n"
    "Exit 0 when they agree, 1 when they differ.";

constexpr char kApplySends[] =
    "Checks the profile against the catalogue first (unknown keys, values outside a key's\n"
    "values, each named with its line) and sends nothing if it fails, nor for a profile\n"
    "that sets no key (empty, or only masterver and historytime). Then reads the\n"
    "profile's keys, writes only those that differ, sends the store command once and\n"
    "reads every written key back. Keys the reader sets itself (masterver, historytime)\n"
    "are compared, never written. If a write fails, nothing is stored.";

constexpr char kUploadFirmwareSends[] =
    "Sends the upload start (target \"tesmor\", the file's length and MD5), then the\n"
    "file in blocks of 1012 bytes, each sent up to 4 times until the reader acknowledges\n"
    "it, then waits 30 s for the reader to take the image in. Power the reader off and\n"
    "on afterwards.";

constexpr char kUploadConfigSends[] =
    "Sends the upload start (target \"tmconfig.config\", the file's length and MD5), then\n"
    "the file in blocks of 1012 bytes, each sent up to 4 times until the reader\n"
    "acknowledges it, then waits 4 s for the reader to take the file in.";

constexpr char kPortsSends[] =
    "Prints one line per port: the name --port takes, then what the system knows\n"
    "about it: USB ids, manufacturer, product, serial number, stable by-id name\n"
    "(Linux) or friendly name (Windows). Nothing is opened or sent.";

constexpr char kPortsFooter[] =
    "--json prints a JSON array of objects. The other line options (--port, --baud and\n"
    "the rest) are taken and ignored here.";

constexpr char kProbeSends[] =
    "Sends one handshake at each rate of the window's list (9600 and 115200 first,\n"
    "then 110 to 57600), all at 8N1, then again at 8E1, 8O1, 8N2, 7E1 and 7O1, and\n"
    "stops at the first reply. Prints the settings as kdcfg options, e.g.\n"
    "--baud 115200 --data-bits 8 --stop-bits 1 --parity NONE. A try without an\n"
    "answer ends after a short silence, so the whole search takes seconds.";

constexpr char kProbeFooter[] =
    "--json prints one object: port, baud, dataBits, stopBits, parity and options.\n"
    "--baud, --data-bits, --stop-bits and --parity are taken and ignored here.\n"
    "Exit codes: 0 found, 3 the port cannot be opened, 4 no setting got an answer.";

constexpr char kStationSends[] =
    "Looks for ports matching --watch five times a second and takes each new one on a\n"
    "thread of its own (ports there at the start too). For each reader: sends the\n"
    "handshake (with --probe, first finds its line settings as probe does), reads\n"
    "deviceno, masterver and slavever; with --firmware, when masterver is not\n"
    "--firmware-version, sends the image as upload-firmware does, waits, connects again\n"
    "and reads masterver again; then applies the profile as apply does (writes what\n"
    "differs, stores once, reads back). Prints one PASS or FAIL line per reader and adds\n"
    "one JSON line to --log. A port is taken again only once it has gone away.";

constexpr char kStationFooter[] =
    "Ctrl-C, SIGTERM or SIGHUP: no new reader is taken; readers in progress finish (a\n"
    "firmware upload stops before its next block) and are recorded, then the totals are\n"
    "printed. Standard output that cannot be written, or a log that cannot be written or\n"
    "was removed or replaced, stops the station the same way (exit 10). Each record is\n"
    "in the log before its PASS or FAIL line is printed.\n"
    "A reader unplugged in the middle is a FAIL with its reason; another reader answering\n"
    "after the firmware wait fails the first and is then taken as a new one.\n"
    "--json: each reader's record, then the totals, as JSON lines on standard output.\n"
    "Line options (--baud, --data-bits, --stop-bits, --parity, --designed-timing) apply to\n"
    "every reader; --port, --ports, --trace and -v are not taken.\n"
    "Windows: --watch matches port names (e.g. 'COM*').\n"
    "Exit codes (the station's normal end is a stop signal): 0 every reader passed, 14 a\n"
    "reader failed, 10 output or the log failed, 2 usage, 6 the firmware file cannot be\n"
    "read, 11 the profile cannot be read, sets no key, the catalogue check refused it\n"
    "or it sets deviceno without --force (6, 10 and 11 before any port is watched).";

// How each command runs, from the options it owns.

int RunInfoOnPort(const Options& options, Channel& channel, const PortCall& call) {
    return RunInfo(channel, options.serial.portPath, options.json, call.out, call.err);
}

int RunGetOnPort(const Options& options, Channel& channel, const PortCall& call) {
    return RunGet(channel, options.get.keys, options.json, call.out, call.err);
}

int RunSetOnPort(const Options& options, Channel& channel, const PortCall& call) {
    const SetOptions& set = options.set;
    return RunSet(channel, set.assignments, set.store, set.force, call.out, call.err);
}

int RunStoreOnPort(const Options& /*options*/, Channel& channel, const PortCall& call) {
    return RunStore(channel, call.out, call.err);
}

int RunDumpOnPort(const Options& options, Channel& channel, const PortCall& call) {
    KeptDump* kept = nullptr;
    if (call.facts != nullptr && call.facts->keepDump) {
        kept = &call.facts->dump.emplace();
    }
    return RunDump(channel, options.serial.portPath, kept ? "" : options.dump.output, options.json,
                   call.out, call.err, kept);
}

int RunDiffOnPort(const Options& options, Channel& channel, const PortCall& call) {
    return RunDiff(channel, *options.profile.read, options.json, call.out, call.err);
}

int RunApplyOnPort(const Options& options, Channel& channel, const PortCall& call) {
    ApplySummary* summary =
        call.facts != nullptr && call.facts->apply ? &*call.facts->apply : nullptr;
    const ProfileOptions& profile = options.profile;
    return RunApply(channel, profile.file, *profile.read,
                    {profile.dryRun, profile.force, options.json}, call.out, call.err, summary);
}

int RunUpload(const Options& options, Channel& channel, const PortCall& call, bool firmware) {
    DiskUploadFiles files;
    StopSleeper sleeper(options.stop);
    return RunUploadCommand(channel, firmware, options.upload.file, files, sleeper, call.terminal,
                            call.out, call.err);
}

int RunUploadFirmwareOnPort(const Options& options, Channel& channel, const PortCall& call) {
    return RunUpload(options, channel, call, true);
}

int RunUploadConfigOnPort(const Options& options, Channel& channel, const PortCall& call) {
    return RunUpload(options, channel, call, false);
}

int RunKeysHere(const Options& options, std::FILE* out, std::FILE* /*err*/) {
    return RunKeys(options.json, out);
}

int RunPortsHere(const Options& options, std::FILE* out, std::FILE* err) {
    return RunPorts(options.json, out, err);
}

int RunProbeOnPort(const Options& options, std::FILE* out, std::FILE* err) {
    return RunProbe(options.serial, options.json, out, err, options.stop);
}

// What a stop signal left undone, where it is more than "nothing was changed on the reader".

const char* StoreCutShort(const Options& /*options*/) {
    return "the store was not sent";
}

const char* DumpCutShort(const Options& options) {
    return options.dump.output.empty()
               ? "nothing was changed on the reader"
               : "nothing was changed on the reader, and no profile was written";
}

const char* UploadCutShort(const Options& /*options*/) {
    return "the reader did not get the whole file; the update failed";
}

const std::array<Command, 13> kCommands = {{
    {.name = "info",
     .usage = "",
     .summary = "Checks that a reader answers and shows its versions.",
     .sends = kInfoSends,
     .scope = Scope::EveryPort,
     .json = true,
     .runOnPort = RunInfoOnPort},
    {.name = "get",
     .usage = "KEY...",
     .summary = "Reads configuration keys.",
     .sends = kGetSends,
     .scope = Scope::EveryPort,
     .json = true,
     .addOptions = AddGetOptions,
     .runOnPort = RunGetOnPort},
    {.name = "set",
     .usage = "KEY=VALUE... [--store] [--force]",
     .summary = "Writes configuration keys.",
     .sends = kSetSends,
     .scope = Scope::EveryPort,
     .addOptions = AddSetOptions,
     .runOnPort = RunSetOnPort},
    {.name = "store",
     .usage = "",
     .summary = "Saves the written keys on the reader.",
     .sends = kStoreSends,
     .scope = Scope::EveryPort,
     .cutShort = StoreCutShort,
     .runOnPort = RunStoreOnPort},
    {.name = "keys",
     .usage = "",
     .summary = "Lists the key catalogue; needs no port.",
     .sends = kKeysSends,
     .scope = Scope::Machine,
     .json = true,
     .run = RunKeysHere},
    {.name = "dump",
     .usage = "[-o FILE|DIR]",
     .summary = "Reads the whole configuration into a profile.",
     .sends = kDumpSends,
     .scope = Scope::EveryPort,
     .json = true,
     .cutShort = DumpCutShort,
     .namesFile = true,
     .addOptions = AddDumpOptions,
     .runOnPort = RunDumpOnPort},
    {.name = "diff",
     .usage = "PROFILE",
     .summary = "Compares a reader with a profile.",
     .sends = kDiffSends,
     .scope = Scope::EveryPort,
     .json = true,
     .readsProfile = true,
     .exitOneWord = "DIFFERS",
     .addOptions = AddDiffOptions,
     .runOnPort = RunDiffOnPort},
    {.name = "apply",
     .usage = "PROFILE [--dry-run] [--force]",
     .summary = "Puts a profile on a reader and proves that it took.",
     .sends = kApplySends,
     .scope = Scope::EveryPort,
     .json = true,
     .readsProfile = true,
     .exitOneWord = "SAME",
     .keepsSummary = true,
     .addOptions = AddApplyOptions,
     .runOnPort = RunApplyOnPort},
    {.name = "upload-firmware",
     .usage = "[FILE]",
     .summary = "Sends a firmware image (default file: ./update).",
     .sends = kUploadFirmwareSends,
     .scope = Scope::EveryPort,
     .cutShort = UploadCutShort,
     .addOptions = AddUploadFirmwareOptions,
     .runOnPort = RunUploadFirmwareOnPort},
    {.name = "upload-config",
     .usage = "[FILE]",
     .summary = "Sends a configuration file (default file: ./config).",
     .sends = kUploadConfigSends,
     .scope = Scope::EveryPort,
     .cutShort = UploadCutShort,
     .addOptions = AddUploadConfigOptions,
     .runOnPort = RunUploadConfigOnPort},
    {.name = "ports",
     .usage = "",
     .summary = "Lists the serial ports of this machine (no --port needed).",
     .sends = kPortsSends,
     .scope = Scope::Machine,
     .json = true,
     .footer = kPortsFooter,
     .run = RunPortsHere},
    {.name = "probe",
     .usage = "",
     .summary = "Finds the line settings the reader answers on.",
     .sends = kProbeSends,
     .scope = Scope::OnePort,
     .json = true,
     .footer = kProbeFooter,
     .run = RunProbeOnPort},
    {.name = "station",
     .usage = "--watch GLOB --profile FILE [--firmware FILE --firmware-version TEXT] "
              "[--firmware-wait SECONDS] [--log FILE] [--probe] [--force]",
     .summary = "Provisions each reader as it is plugged in, until Ctrl-C.",
     .sends = kStationSends,
     .scope = Scope::Watched,
     .json = true,
     .footer = kStationFooter,
     .addOptions = AddStationOptions,
     .check = CheckStationOptions,
     .watch = RunStation},
}};

}  // namespace

std::span<const Command> Commands() {
    return kCommands;
}

const Command* FindCommand(std::string_view name) {
    const auto found =
        std::find_if(kCommands.begin(), kCommands.end(),
                     [name](const Command& command) { return command.name == name; });
    return found == kCommands.end() ? nullptr : &*found;
}

const char* ScopeText(Scope scope) {
    switch (scope) {
        case Scope::Machine:
            return "this machine";
        case Scope::Watched:
            return "the ports it watches";
        case Scope::OnePort:
            return "one port";
        case Scope::EveryPort:
            break;
    }
    return "every port given";
}

}  // namespace kd::cli
