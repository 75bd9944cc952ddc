#include "cli/line_defaults.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "files/whole_file.h"
#include "text/closest_word.h"
#include "text/escape.h"

namespace kd::cli {

namespace {

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A value may be quoted, as a shell pattern often is: ports = '/dev/serial/by-id/*'.
std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

const LineDefault* FindDefault(std::string_view name) {
    const auto& all = LineDefaults();
    const auto found = std::find_if(
        all.begin(), all.end(), [name](const LineDefault& entry) { return entry.name == name; });
    return found == all.end() ? nullptr : &*found;
}

std::string UnknownName(std::string_view name) {
    std::vector<std::string_view> names;
    std::string list;
    for (const LineDefault& entry : LineDefaults()) {
        names.push_back(entry.name);
        list += (list.empty() ? "" : ", ") + std::string(entry.name);
    }
    std::string message = "'" + text::EscapeSystemText(name) + "' is not a setting of this file";
    if (const auto near = text::ClosestWord(name, names)) {
        return message + "; did you mean " + std::string(*near) + "?";
    }
    return message + " (it takes " + list + ")";
}

// What a faulty line says, or "" for a good one (entry then filled, or left empty for a
// blank or comment line).
std::string ParseLine(std::string_view line, ConfigEntry& entry) {
    line = Trimmed(line);
    if (line.empty() || line.front() == '#') {
        return {};
    }
    if (line.front() == '[') {
        return "sections are not taken; write name = value lines";
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return "expected name = value, e.g. baud = 115200";
    }
    const std::string_view name = Trimmed(line.substr(0, equals));
    const std::string_view value = Unquoted(Trimmed(line.substr(equals + 1)));
    if (FindDefault(name) == nullptr) {
        return UnknownName(name);
    }
    if (value.empty()) {
        return std::string(name) + " has no value";
    }
    entry.name = name;
    entry.value = value;
    return {};
}

// The message of a CLI11 error without the option name it starts with.
std::string Reason(const CLI::Error& error, const std::string& option) {
    std::string text = error.what();
    if (text.starts_with(option + ": ")) {
        text.erase(0, option.size() + 2);
    }
    return text;
}

// A flag's word as CLI11 takes it: "true" or "false"; false for any other word.
bool FlagWord(std::string& value) {
    std::string lower;
    for (const char c : value) {
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (const char* yes : {"1", "yes", "true", "on"}) {
        if (lower == yes) {
            value = "true";
            return true;
        }
    }
    for (const char* no : {"0", "no", "false", "off"}) {
        if (lower == no) {
            value = "false";
            return true;
        }
    }
    return false;
}

struct Given {
    std::string where;  // KDCFG_BAUD, or FILE:LINE: baud
    std::string value;
};

// Hands the values to the option as if typed, through its checks.
std::string GiveOption(CLI::App& app, const LineDefault& entry, const std::vector<Given>& given) {
    if (given.empty()) {
        return {};
    }
    CLI::Option* option = app.get_option_no_throw(std::string("--") + entry.name);
    if (option == nullptr) {
        return {};
    }
    for (const Given& one : given) {
        std::string value = one.value;
        if (option->get_expected_max() == 0 && !FlagWord(value)) {
            return one.where + ": takes yes or no (or 1 or 0, true or false, on or off), not '" +
                   text::EscapeSystemText(one.value) + "'";
        }
        try {
            option->add_result(value);
            option->run_callback();
        } catch (const CLI::Error& error) {
            return one.where + ": " + Reason(error, option->get_name());
        }
    }
    return {};
}

bool Taken(const DefaultSources& sources, const LineDefault& entry) {
    return std::find(sources.notTaken.begin(), sources.notTaken.end(), entry.name) ==
           sources.notTaken.end();
}

// The file's entries; none with fault set when it cannot be used. A default file that is
// not there is no fault.
std::optional<std::vector<ConfigEntry>> ReadConfig(const DefaultSources& sources,
                                                   std::string& fault) {
    if (sources.configFile.empty()) {
        return std::vector<ConfigEntry>{};
    }
    const std::string shown = text::EscapeSystemText(sources.configFile);
    std::string bytes;
    if (const files::Result read = files::ReadWhole(sources.configFile, bytes); !read) {
        if (read.fault == files::Fault::NotFound && !sources.configRequired) {
            return std::vector<ConfigEntry>{};
        }
        fault = shown + ": cannot read the configuration file: " + files::EnglishText(read);
        return std::nullopt;
    }
    ConfigFault bad;
    auto entries = ParseConfig(bytes, bad);
    if (!entries) {
        fault = shown + ":" + std::to_string(bad.line) + ": " + bad.message;
    }
    return entries;
}

}  // namespace

Environment SystemEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    };
}

const std::vector<LineDefault>& LineDefaults() {
    static const std::vector<LineDefault> kDefaults = {
        {"port", "KDCFG_PORT", true},
        {"ports", "KDCFG_PORTS", true},
        {"baud", "KDCFG_BAUD", false},
        {"data-bits", "KDCFG_DATA_BITS", false},
        {"stop-bits", "KDCFG_STOP_BITS", false},
        {"parity", "KDCFG_PARITY", false},
        {"trace", "KDCFG_TRACE", false},
        {"designed-timing", "KDCFG_DESIGNED_TIMING", false},
    };
    return kDefaults;
}

std::optional<std::vector<ConfigEntry>> ParseConfig(std::string_view text, ConfigFault& fault) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);  // the mark some Windows editors put first
    }
    std::vector<ConfigEntry> entries;
    size_t number = 0;
    for (size_t start = 0; start < text.size(); ++number) {
        const size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        ConfigEntry entry;
        if (std::string problem = ParseLine(line, entry); !problem.empty()) {
            fault = {number + 1, std::move(problem)};
            return std::nullopt;
        }
        if (entry.name.empty()) {
            continue;
        }
        entry.line = number + 1;
        // A second line for one setting is a mistake to point at, except for port: each
        // names one more reader, as --port given again does.
        const auto earlier = std::find_if(entries.begin(), entries.end(),
                                          [&](const auto& e) { return e.name == entry.name; });
        if (earlier != entries.end() && entry.name != "port") {
            fault = {entry.line,
                     entry.name + " is already set on line " + std::to_string(earlier->line)};
            return std::nullopt;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string ApplyLineDefaults(CLI::App& app, const DefaultSources& sources) {
    std::string fault;
    const std::optional<std::vector<ConfigEntry>> file = ReadConfig(sources, fault);
    if (!file) {
        return fault;
    }
    const auto typed = [&app](const LineDefault& entry) {
        const CLI::Option* option = app.get_option_no_throw(std::string("--") + entry.name);
        return option != nullptr && option->count() > 0;
    };
    const auto variable = [&sources](const LineDefault& entry) {
        std::optional<std::string> value = sources.environment(entry.variable);
        return value && !value->empty() ? value : std::nullopt;  // set empty: not set
    };
    // The port comes whole from the first place that names one: a --port typed replaces
    // the file's ports, it does not add to them.
    bool portTyped = false;
    bool portInEnvironment = false;
    for (const LineDefault& entry : LineDefaults()) {
        portTyped = portTyped || (entry.portChoice && typed(entry));
        portInEnvironment = portInEnvironment || (entry.portChoice && variable(entry));
    }
    const std::string shown = text::EscapeSystemText(sources.configFile);
    for (const LineDefault& entry : LineDefaults()) {
        if (!Taken(sources, entry) || typed(entry) || (entry.portChoice && portTyped)) {
            continue;
        }
        std::vector<Given> given;
        if (const auto value = variable(entry)) {
            given.push_back({entry.variable, *value});
        } else if (!(entry.portChoice && portInEnvironment)) {
            for (const ConfigEntry& line : *file) {
                if (line.name == entry.name) {
                    given.push_back(
                        {shown + ":" + std::to_string(line.line) + ": " + line.name, line.value});
                }
            }
        }
        if (std::string problem = GiveOption(app, entry, given); !problem.empty()) {
            return problem;
        }
    }
    return {};
}

}  // namespace kd::cli
