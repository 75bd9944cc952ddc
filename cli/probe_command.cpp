#include "cli/probe_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <memory>
#include <string_view>

#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/stop.h"
#include "link/serial_channel.h"
#include "protocol/device_commands.h"
#include "resources/baud_rates.h"

namespace kd::cli {

namespace {

// A try ends when the line stays silent this long after the handshake has left, plus two
// byte times for the reply's first byte to come in whole. A reader answers within a few
// milliseconds; the whole search over 60 settings then takes seconds.
constexpr uint32_t kTrySilenceMs = 100;

uint32_t TrySilenceMs(const SerialSettings& line) {
    return kTrySilenceMs + 2 * BitsPerByte(line) * 1000 / std::max<uint32_t>(line.baudRate, 1);
}

constexpr uint32_t kFirstRates[] = {9600, 115200};

struct Framing {
    uint8_t dataBits;
    const char* parity;
    const char* stopBits;
};

constexpr Framing kFramings[] = {{8, "NONE", "1"}, {8, "EVEN", "1"}, {8, "ODD", "1"},
                                 {8, "NONE", "2"}, {7, "EVEN", "1"}, {7, "ODD", "1"}};

std::vector<uint32_t> ProbeRates() {
    std::vector<uint32_t> rates(std::begin(kFirstRates), std::end(kFirstRates));
    for (const std::string_view text : resources::kWindowBaudRates) {
        uint32_t rate = 0;
        std::from_chars(text.data(), text.data() + text.size(), rate);
        if (rate != 0 && std::find(rates.begin(), rates.end(), rate) == rates.end()) {
            rates.push_back(rate);
        }
    }
    return rates;
}

std::string AsOptions(const ProbeTry& found) {
    return "--baud " + std::to_string(found.baudRate) + " --data-bits " +
           std::to_string(found.dataBits) + " --stop-bits " + found.stopBits + " --parity " +
           found.parity;
}

nlohmann::json AsJson(const std::string& port, const ProbeTry& found) {
    return {{"port", ShownName(port)},    {"baud", found.baudRate},
            {"dataBits", found.dataBits}, {"stopBits", std::stoi(found.stopBits)},
            {"parity", found.parity},     {"options", AsOptions(found)}};
}

}  // namespace

std::vector<ProbeTry> ProbeOrder() {
    std::vector<ProbeTry> order;
    const std::vector<uint32_t> rates = ProbeRates();
    for (const Framing& framing : kFramings) {
        for (const uint32_t rate : rates) {
            order.push_back({rate, framing.dataBits, framing.parity, framing.stopBits});
        }
    }
    return order;
}

void AddProbeCommand(CLI::App& app) {
    CLI::App* probe = app.add_subcommand(
        "probe",
        "Finds the line settings the reader answers on.\n\n"
        "Sends one handshake at each rate of the window's list (9600 and 115200 first,\n"
        "then 110 to 57600), all at 8N1, then again at 8E1, 8O1, 8N2, 7E1 and 7O1, and\n"
        "stops at the first reply. Prints the settings as kdcfg options, e.g.\n"
        "--baud 115200 --data-bits 8 --stop-bits 1 --parity NONE. A try without an\n"
        "answer ends after a short silence, so the whole search takes seconds.");
    probe->group("Commands");
    probe->footer(
        "--json prints one object: port, baud, dataBits, stopBits, parity and options.\n"
        "--baud, --data-bits, --stop-bits and --parity are taken and ignored here.\n"
        "Exit codes: 0 found, 3 the port cannot be opened, 4 no setting got an answer.");
}

SerialSettings WithProbed(SerialSettings settings, const ProbeTry& found) {
    settings.baudRate = found.baudRate;
    settings.byteSize = found.dataBits;
    settings.parity = found.parity;
    settings.stopBits = found.stopBits;
    return settings;
}

ProbeResult FindLineSettings(const SerialSettings& settings, const std::function<bool()>& stopped) {
    ProbeResult result;
    for (const ProbeTry& attempt : ProbeOrder()) {
        if (stopped && stopped()) {
            break;
        }
        ++result.tried;
        const SerialSettings line = WithProbed(settings, attempt);
        std::string error;
        std::unique_ptr<Channel> channel = OpenSerialChannel(line, error);
        if (!channel) {
            // A driver may refuse one setting and take the others.
            result.openError = error;
            continue;
        }
        ++result.opened;
        const int answer = HandshakeWithin(channel.get(), TrySilenceMs(line));
        channel->Close();
        if (answer == kCommandOk || answer == kReaderRefused) {
            // A refusal is still an answer: the reader read the request at this setting.
            result.found = attempt;
            break;
        }
    }
    return result;
}

int RunProbe(const SerialSettings& settings, bool json, std::FILE* out, std::FILE* err,
             const std::atomic<int>* stop) {
    const ProbeResult result =
        FindLineSettings(settings, [stop] { return CauseOf(stop) != StopCause::None; });
    if (!result.found && CauseOf(stop) != StopCause::None) {
        std::fprintf(err,
                     "kdcfg: probe interrupted (%s) after %zu of %zu tries; no setting found\n",
                     StopName(CauseOf(stop)), result.tried, ProbeOrder().size());
        return StopExitCode(CauseOf(stop));
    }
    if (result.found) {
        if (json) {
            PrintJson(AsJson(settings.portPath, *result.found), out);
        } else {
            std::fprintf(out, "%s\n", AsOptions(*result.found).c_str());
        }
        return kExitOk;
    }
    if (result.opened == 0) {
        std::fprintf(err, "kdcfg: %s\n", result.openError.c_str());
        return kExitPortUnavailable;
    }
    std::fprintf(err,
                 "kdcfg: %s: no answer to the handshake in %zu tries (%zu settings the driver "
                 "refused)\n",
                 ShownName(settings.portPath).c_str(), result.opened, result.tried - result.opened);
    return kExitNoAnswer;
}

}  // namespace kd::cli
