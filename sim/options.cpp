#include "sim/options.h"

#include <charconv>

#include "link/posix/termios_setup.h"
#include "sim/key_store.h"

namespace kd::sim {

namespace {

// Delays above ten minutes are typing mistakes, not test plans.
constexpr unsigned kMaxDelayMs = 600000;
constexpr unsigned kMaxGarbage = 4096;
constexpr unsigned kMaxEvery = 1000000;

bool ParseNumber(std::string_view text, unsigned max, unsigned& value) {
    if (text.empty()) {
        return false;
    }
    unsigned parsed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec != std::errc() || end != text.data() + text.size() || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

bool KnownKey(std::string_view name) {
    for (const auto& key : DefaultKeys()) {
        if (key.name == name) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string_view UsageText() {
    return R"(usage: kdreader-sim [options]

Serves a modelled code reader on a new pseudo-terminal (its path is the first line on
standard output) or on a serial device, until SIGINT or SIGTERM.

  --link PATH            make PATH a symlink to the pseudo-terminal (removed at exit)
  --device PATH          serve on this serial device instead of a pseudo-terminal
  --baud N               line speed of --device (default 9600)
  --state FILE           load the keys from FILE at start, save them there on store
  --uploads DIR          keep received images here (default: current directory)
  --log FILE             frame log (default: standard error)
  --value KEY=VALUE      start with this value (repeatable; read-only keys too)
faults:
  --silent               never answer
  --refuse-key KEY       refuse reads and writes of KEY (repeatable)
  --refuse-all           refuse every request
  --drop-every N         do not send every Nth reply
  --wrong-index-every N  echo a wrong index for every Nth upload block, not taking it
  --split-gap MS         send each reply in two bursts MS apart
  --garbage N            send N noise bytes before each reply
  --delay MS             wait MS before each reply
  --help                 show this text
)";
}

bool ParseOptions(std::span<const std::string_view> args, Options& options, std::string& error) {
    bool baudGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::string_view inlineValue;
        bool hasInline = false;
        if (name.starts_with("--")) {
            if (const size_t equals = name.find('='); equals != std::string_view::npos) {
                inlineValue = name.substr(equals + 1);
                name = name.substr(0, equals);
                hasInline = true;
            }
        }
        // Takes the option's argument, inline or the next word.
        auto argument = [&](std::string_view& value) {
            if (hasInline) {
                value = inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = "option " + std::string(name) + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        auto number = [&](unsigned max, unsigned& value) {
            std::string_view text;
            if (!argument(text)) {
                return false;
            }
            if (!ParseNumber(text, max, value)) {
                error = "option " + std::string(name) + ": '" + std::string(text) +
                        "' is not a whole number from 0 to " + std::to_string(max);
                return false;
            }
            return true;
        };
        auto text = [&](std::string& value) {
            std::string_view given;
            if (!argument(given)) {
                return false;
            }
            if (given.empty()) {
                error = "option " + std::string(name) + " needs a non-empty value";
                return false;
            }
            value.assign(given);
            return true;
        };
        auto flag = [&](bool& value) {
            if (hasInline) {
                error = "option " + std::string(name) + " takes no value";
                return false;
            }
            value = true;
            return true;
        };

        bool ok = true;
        FaultPlan& faults = options.faults;
        if (name == "--help" || name == "-h") {
            ok = flag(options.help);
        } else if (name == "--link") {
            ok = text(options.link);
        } else if (name == "--device") {
            ok = text(options.device);
        } else if (name == "--baud") {
            unsigned baud = 0;
            ok = number(0xFFFFFFFFu, baud);
            if (ok && SpeedCode(baud) == B0) {
                error = "option --baud: " + std::to_string(baud) + " is not a supported speed";
                ok = false;
            }
            options.baud = baud;
            baudGiven = true;
        } else if (name == "--state") {
            ok = text(options.stateFile);
        } else if (name == "--uploads") {
            ok = text(options.uploadDir);
        } else if (name == "--log") {
            ok = text(options.logFile);
        } else if (name == "--value") {
            std::string pair;
            ok = text(pair);
            const size_t equals = pair.find('=');
            if (ok && (equals == std::string::npos || !KnownKey(pair.substr(0, equals)))) {
                error = "option --value: '" + pair + "' is not KEY=VALUE with a known key";
                ok = false;
            }
            if (ok) {
                options.values.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
            }
        } else if (name == "--silent") {
            ok = flag(faults.silent);
        } else if (name == "--refuse-all") {
            ok = flag(faults.refuseAll);
        } else if (name == "--refuse-key") {
            std::string key;
            ok = text(key);
            if (ok) {
                faults.refusedKeys.insert(key);
            }
        } else if (name == "--drop-every") {
            ok = number(kMaxEvery, faults.dropEvery);
        } else if (name == "--wrong-index-every") {
            ok = number(kMaxEvery, faults.wrongIndexEvery);
        } else if (name == "--split-gap") {
            ok = number(kMaxDelayMs, faults.splitGapMs);
        } else if (name == "--garbage") {
            ok = number(kMaxGarbage, faults.garbageBytes);
        } else if (name == "--delay") {
            ok = number(kMaxDelayMs, faults.delayMs);
        } else {
            error = name.starts_with("-") ? "unknown option " + std::string(name)
                                          : "unexpected argument '" + std::string(name) + "'";
            ok = false;
        }
        if (!ok) {
            return false;
        }
    }
    if (options.help) {
        return true;
    }
    if (baudGiven && options.device.empty()) {
        error = "--baud applies to --device only";
        return false;
    }
    if (!options.device.empty() && !options.link.empty()) {
        error = "--link applies to the pseudo-terminal only, not to --device";
        return false;
    }
    return true;
}

}  // namespace kd::sim
