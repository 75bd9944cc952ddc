#include "cli/profile_file.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "cli/platform.h"

namespace kd::cli {

std::optional<profile::Profile> LoadProfile(const std::string& path, std::FILE* err) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(err, "kdcfg: %s: cannot open: %s\n", path.c_str(), std::strerror(errno));
        return std::nullopt;
    }
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    if (file.bad()) {
        std::fprintf(err, "kdcfg: %s: cannot read\n", path.c_str());
        return std::nullopt;
    }
    std::vector<profile::ParseError> errors;
    auto parsed = profile::Parse(text, errors);
    for (const profile::ParseError& error : errors) {
        std::fprintf(err, "kdcfg: %s:%zu: %s\n", path.c_str(), error.line, error.message.c_str());
    }
    return parsed;
}

namespace {

// A temporary name beside path, hidden, and new: the rename then never crosses file
// systems and never takes another's file.
std::FILE* CreateTemporaryBeside(const std::string& path, std::string& temporary) {
    const size_t slash = path.find_last_of("/\\");
    const size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary =
            path.substr(0, nameAt) + "." + path.substr(nameAt) + ".tmp-" + std::to_string(random());
        if (std::FILE* file = CreateNewFile(temporary)) {
            return file;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return nullptr;
}

// Writes straight into what path names, as a device or a pipe must be written.
std::string WriteInPlace(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return path + ": cannot open: " + std::strerror(errno);
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        return path + ": cannot write the whole profile";
    }
    return {};
}

}  // namespace

std::string ReplaceWhole(const std::string& path, const std::string& text) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        // /dev/stdout, a fifo: nothing to replace, and the name must stay what it is.
        return WriteInPlace(path, text);
    }
    // A link stays a link: the file it names is replaced.
    const fs::path linked = fs::is_symlink(fs::symlink_status(path, error))
                                ? fs::weakly_canonical(path, error)
                                : fs::path();
    const std::string target = error || linked.empty() ? path : linked.string();
    std::string temporary;
    std::FILE* file = CreateTemporaryBeside(target, temporary);
    if (file == nullptr) {
        return path + ": cannot create: " + std::strerror(errno);
    }
    errno = 0;
    bool whole = std::fwrite(text.data(), 1, text.size(), file) == text.size() && SyncFile(file);
    int code = errno;
    whole = std::fclose(file) == 0 && whole;
    code = code != 0 ? code : (errno != 0 ? errno : EIO);
    if (!whole) {
        std::remove(temporary.c_str());
        return path + ": cannot write the whole profile: " + std::strerror(code);
    }
    if (fs::exists(status)) {
        // A replaced file keeps who may read it: a profile made private stays private.
        fs::permissions(temporary, status.permissions(), error);
    }
    if (!MoveIntoPlace(temporary, target)) {
        code = errno;
        std::remove(temporary.c_str());
        return path + ": cannot replace: " + std::strerror(code);
    }
    return {};
}

bool SaveText(const std::string& path, const std::string& text, std::FILE* err) {
    const std::string error = ReplaceWhole(path, text);
    if (!error.empty()) {
        std::fprintf(err, "kdcfg: %s\n", error.c_str());
    }
    return error.empty();
}

std::string UtcNow() {
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date(day);
    const hh_mm_ss time(now - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld:%02ld:%02ld UTC", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), long(time.hours().count()),
                  long(time.minutes().count()), long(time.seconds().count()));
    return text;
}

}  // namespace kd::cli
