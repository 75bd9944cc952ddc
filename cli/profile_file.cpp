#include "cli/profile_file.h"

#include <vector>

namespace kd::cli {

std::optional<profile::Profile> LoadProfile(const std::string& path, std::FILE* err) {
    std::string text;
    if (const files::Result read = files::ReadWhole(path, text); !read) {
        std::fprintf(err, "kdcfg: %s: cannot read the profile: %s\n", path.c_str(),
                     files::EnglishText(read).c_str());
        return std::nullopt;
    }
    std::vector<profile::ParseError> errors;
    auto parsed = profile::Parse(text, errors);
    for (const profile::ParseError& error : errors) {
        std::fprintf(err, "kdcfg: %s:%zu: %s\n", path.c_str(), error.line, error.message.c_str());
    }
    return parsed;
}

std::string ReplaceWhole(const std::string& path, const std::string& text) {
    const files::Result written = files::ReplaceWhole(path, text);
    return written ? std::string() : path + ": cannot write: " + files::EnglishText(written);
}

bool SaveText(const std::string& path, const std::string& text, std::FILE* err) {
    const std::string error = ReplaceWhole(path, text);
    if (!error.empty()) {
        std::fprintf(err, "kdcfg: %s\n", error.c_str());
    }
    return error.empty();
}

}  // namespace kd::cli
