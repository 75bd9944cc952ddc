#include "cli/many_ports/dump_directory.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <set>
#include <system_error>

#include "cli/exit_codes.h"
#include "cli/profile_file.h"
#include "cli/run_command.h"

namespace kd::cli {

namespace {

constexpr size_t kMaxBaseName = 64;
constexpr std::string_view kEnding = ".profile";

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

bool IsAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    return text;
}

// Bytes from the wire or a path, as a name of safe characters.
std::string Cleaned(std::string_view text) {
    std::string name;
    for (const char c : text.substr(0, kMaxBaseName)) {
        name.push_back(IsAlnum(c) || c == '-' || c == '_' || c == '.' ? c : '_');
    }
    if (!name.empty() && (name.front() == '.' || name.front() == '-')) {
        name.front() = '_';  // no hidden file, no "..", nothing taken for an option
    }
    return name;
}

// CON, NUL, COM1 and the like name devices on Windows, whatever follows the dot.
bool IsWindowsDeviceName(const std::string& name) {
    static constexpr std::array<std::string_view, 4> kPlain = {"con", "prn", "aux", "nul"};
    const std::string stem = Lower(name.substr(0, name.find('.')));
    if (std::find(kPlain.begin(), kPlain.end(), stem) != kPlain.end()) {
        return true;
    }
    return stem.size() == 4 && (stem.starts_with("com") || stem.starts_with("lpt")) &&
           stem[3] >= '0' && stem[3] <= '9';
}

// With the separator the directory is written with: C:\out gets a backslash.
std::string JoinPath(const std::string& directory, const std::string& name) {
    if (!directory.empty() && IsSeparator(directory.back())) {
        return directory + name;
    }
    const bool backslashes =
        directory.find('\\') != std::string::npos && directory.find('/') == std::string::npos;
    return directory + (backslashes ? "\\" : "/") + name;
}

}  // namespace

bool DumpsIntoDirectory(const Options& options) {
    // Only dump takes -o, so an output names dump's.
    const std::string& output = options.dump.output;
    if (output.empty()) {
        return false;
    }
    std::error_code ignored;
    return options.ports.size() > 1 || IsSeparator(output.back()) ||
           std::filesystem::is_directory(output, ignored);
}

bool PrepareDumpDirectory(const std::string& directory, std::FILE* err) {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (!error && std::filesystem::is_directory(directory, error)) {
        return true;
    }
    std::fprintf(err, "kdcfg: %s: cannot hold the profiles: %s\n", directory.c_str(),
                 error ? error.message().c_str() : "not a directory");
    return false;
}

std::string ProfileBaseName(std::string_view serialNumber, std::string_view port) {
    std::string name = Cleaned(serialNumber);
    if (std::none_of(name.begin(), name.end(), IsAlnum)) {
        while (!port.empty() && IsSeparator(port.front())) {
            port.remove_prefix(1);
        }
        name = "port-" + Cleaned(port);
    }
    return IsWindowsDeviceName(name) ? "_" + name : name;
}

std::vector<std::string> UniqueNames(const std::vector<std::string>& names) {
    std::set<std::string> taken;
    std::vector<std::string> unique;
    for (const std::string& name : names) {
        std::string candidate = name;
        for (int n = 2; taken.contains(Lower(candidate)); ++n) {
            candidate = name + "-" + std::to_string(n);
        }
        taken.insert(Lower(candidate));
        unique.push_back(candidate);
    }
    return unique;
}

void SaveDumps(const std::string& directory, std::vector<PortReport>& reports) {
    std::vector<PortReport*> saving;
    std::vector<std::string> names;
    for (PortReport& report : reports) {
        if (!report.dump) {
            continue;
        }
        if (report.code == kExitInterrupted || report.code == kExitTerminated) {
            report.err += "kdcfg: no profile saved: interrupted\n";
            continue;
        }
        if (!report.dump->answered) {
            report.err += "kdcfg: no profile saved: the reader stopped answering\n";
            continue;
        }
        saving.push_back(&report);
        names.push_back(ProfileBaseName(report.dump->serialNumber, report.port));
    }
    names = UniqueNames(names);
    for (size_t i = 0; i < saving.size(); ++i) {
        PortReport& report = *saving[i];
        const std::string path = JoinPath(directory, names[i] + std::string(kEnding));
        const std::string error = ReplaceWhole(path, report.dump->text);
        if (error.empty()) {
            report.savedAs = path;
            report.err += "kdcfg: profile saved as " + path + "\n";
        } else {
            report.err += "kdcfg: " + error + "\n";
            report.code = std::max(report.code, static_cast<int>(kExitOutputFailed));
        }
    }
    for (PortReport& report : reports) {
        report.dump.reset();
    }
}

int DumpIntoDirectory(const Options& options, std::FILE* out, std::FILE* err) {
    std::vector<PortReport> reports(1);
    PortReport& report = reports.front();
    report.port = options.serial.portPath;
    ReaderFacts facts;
    facts.keepDump = true;
    report.code = OpenAndRun(options, options.liveErr, out, err, &facts);
    report.dump = std::move(facts.dump);
    SaveDumps(options.dump.output, reports);
    std::fputs(report.err.c_str(), err);
    return report.code;
}

}  // namespace kd::cli
