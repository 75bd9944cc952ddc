#include "cli/options.h"

#include <charconv>

#include "protocol/device_commands.h"

namespace kd::cli {

namespace {

std::optional<uint32_t> ParseNumber(const std::string& text) {
    uint32_t value = 0;
    const auto* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || at != end) {
        return std::nullopt;
    }
    return value;
}

ParseResult Fail(std::string message) {
    ParseResult result;
    result.error = std::move(message);
    return result;
}

// Walks the arguments; an option's value is inline ("--name=value") or the next argument.
struct Cursor {
    const std::vector<std::string>& args;
    size_t at = 0;

    bool Done() const { return at >= args.size(); }
    std::optional<std::string> TakeValue(const std::string* inlineValue) {
        if (inlineValue != nullptr) {
            return *inlineValue;
        }
        if (at >= args.size()) {
            return std::nullopt;
        }
        return args[at++];
    }
};

std::string ApplySerialOption(Options& options, const std::string& name, const std::string& value) {
    if (name == "--port") {
        if (value.empty()) {
            return "--port needs a path";
        }
        options.serial.portPath = value;
    } else if (name == "--baud") {
        const auto baud = ParseNumber(value);
        if (!baud || *baud == 0) {
            return "--baud needs a positive whole number, not '" + value + "'";
        }
        options.serial.baudRate = *baud;
    } else if (name == "--data-bits") {
        const auto bits = ParseNumber(value);
        if (!bits || *bits < 5 || *bits > 8) {
            return "--data-bits must be 5, 6, 7 or 8, not '" + value + "'";
        }
        options.serial.byteSize = static_cast<uint8_t>(*bits);
    } else if (name == "--stop-bits") {
        if (value != "1" && value != "2") {
            return "--stop-bits must be 1 or 2, not '" + value + "'";
        }
        options.serial.stopBits = value;
    } else if (name == "--parity") {
        if (ParseParity(value) == ParitySetting::Keep) {
            return "--parity must be NONE, ODD, EVEN, MARK or SPACE, not '" + value + "'";
        }
        options.serial.parity = value;
    } else {
        return "unknown option " + name;
    }
    return {};
}

std::string ParseCommandArguments(Options& options, const std::vector<std::string>& rest) {
    if (options.command == "info" || options.command == "store") {
        if (!rest.empty()) {
            return options.command + " takes no arguments";
        }
        return {};
    }
    if (options.command == "get") {
        if (rest.empty()) {
            return "get needs at least one key name";
        }
        for (const auto& key : rest) {
            if (key.empty() || key.size() > 255) {
                return "key names are 1 to 255 characters long";
            }
        }
        options.keys = rest;
        return {};
    }
    if (options.command == "set") {
        for (const auto& item : rest) {
            if (item == "--store") {
                options.store = true;
                continue;
            }
            const auto equals = item.find('=');
            if (equals == std::string::npos || equals == 0) {
                return "set takes KEY=VALUE, not '" + item + "'";
            }
            KeyAssignment assignment{item.substr(0, equals), item.substr(equals + 1)};
            // The value's length counts the bytes it stands for: set checks it.
            if (assignment.name.size() > 255) {
                return "key names are 1 to 255 characters long";
            }
            options.assignments.push_back(std::move(assignment));
        }
        if (options.assignments.empty()) {
            return "set needs at least one KEY=VALUE";
        }
        return {};
    }
    if (options.command == "upload-firmware" || options.command == "upload-config") {
        if (rest.size() > 1) {
            return options.command + " takes at most one file name";
        }
        options.uploadFile = rest.empty()
                                 ? (options.command == "upload-firmware" ? "update" : "config")
                                 : rest.front();
        return {};
    }
    return "unknown command '" + options.command + "'";
}

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& args) {
    Options options;
    Cursor cursor{args};
    while (!cursor.Done() && options.command.empty()) {
        std::string arg = cursor.args[cursor.at++];
        if (arg == "--help" || arg == "-h") {
            ParseResult result;
            result.help = true;
            return result;
        }
        if (arg == "--trace") {
            options.trace = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0) {
            options.command = arg;
            break;
        }
        std::string inlineValue;
        bool hasInline = false;
        if (const auto equals = arg.find('='); equals != std::string::npos) {
            inlineValue = arg.substr(equals + 1);
            arg.resize(equals);
            hasInline = true;
        }
        const auto value = cursor.TakeValue(hasInline ? &inlineValue : nullptr);
        if (!value) {
            return Fail(arg + " needs a value");
        }
        if (auto error = ApplySerialOption(options, arg, *value); !error.empty()) {
            return Fail(error);
        }
    }
    if (options.command.empty()) {
        return Fail("no command given");
    }
    if (options.serial.portPath.empty()) {
        return Fail("--port is required");
    }
    std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(cursor.at),
                                  args.end());
    if (auto error = ParseCommandArguments(options, rest); !error.empty()) {
        return Fail(error);
    }
    ParseResult result;
    result.options = std::move(options);
    return result;
}

std::string UsageText() {
    return "usage: kdcfg --port PATH [--baud N] [--data-bits 5|6|7|8] [--stop-bits 1|2]\n"
           "             [--parity NONE|ODD|EVEN|MARK|SPACE] [--trace] COMMAND\n"
           "\n"
           "commands:\n"
           "  info                      check that a reader answers; show firmware version and "
           "build date\n"
           "  get KEY...                read configuration keys, one KEY=VALUE line each\n"
           "  set KEY=VALUE... [--store]  write configuration keys; --store saves them on the "
           "reader\n"
           "  store                     save the written keys on the reader\n"
           "  upload-firmware [FILE]    send a firmware image (default: ./update)\n"
           "  upload-config [FILE]      send a configuration file (default: ./config)\n"
           "\n"
           "defaults: --baud 9600 --data-bits 8 --stop-bits 1 --parity NONE\n"
           "--trace shows every frame sent (>) and received (<) as hex on stderr\n"
           "\n"
           "values: a reader's texts are GBK (code page 936) bytes. get prints them as UTF-8;\n"
           "        control bytes, bytes that are not GBK text and the backslash print as\n"
           "        \\xNN and \\\\, so a value always stays on its own line. set takes the\n"
           "        same form: UTF-8 is sent as GBK, \\xNN sends the byte NN, \\\\ sends a\n"
           "        backslash. Any byte string can be given: set deviceno='\\xFF\\x00A'\n"
           "        sends FF 00 41, and what get prints can be given back to set.\n"
           "\n"
           "exit codes: 0 done, 2 usage error, 3 port cannot be opened,\n"
           "            4 the reader does not answer, 5 the reader refused,\n"
           "            6 upload file missing or unreadable, 7 upload start refused or "
           "unanswered,\n"
           "            8 a block could not be sent, 9 a block was not acknowledged\n";
}

}  // namespace kd::cli
