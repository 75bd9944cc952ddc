#include "cli/profile_file.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

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

bool SaveText(const std::string& path, const std::string& text, std::FILE* err) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(err, "kdcfg: %s: cannot create: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(err, "kdcfg: %s: cannot write the whole profile\n", path.c_str());
        return false;
    }
    return true;
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
