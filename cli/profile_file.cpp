#include "cli/profile_file.h"

#include <vector>

namespace kd::cli {

std::string DescribeFileFault(const files::Result& result) {
    switch (result.fault) {
        case files::Fault::None:
            return "done";
        case files::Fault::IsDirectory:
            return "it is a folder, not a file";
        case files::Fault::NotRegular:
            return "it is not a regular file (a pipe, a device or a socket)";
        case files::Fault::TooLarge:
            return "it is larger than 1 MiB, so it is not a profile";
        case files::Fault::ReadOnly:
            return "it is read-only; make it writable to replace it";
        case files::Fault::ForeignLink:
            return "it is a symbolic link made by another user in a folder that is not "
                   "theirs; not followed";
        case files::Fault::DanglingLink:
            return "it is a symbolic link to a file that does not exist";
        case files::Fault::NotFound:
        case files::Fault::NoAccess:
        case files::Fault::NoSpace:
        case files::Fault::System:
            break;
    }
    return files::SystemText(result.code);
}

std::optional<profile::Profile> LoadProfile(const std::string& path, std::FILE* err) {
    std::string text;
    if (const files::Result read = files::ReadWhole(path, text); !read) {
        std::fprintf(err, "kdcfg: %s: cannot read the profile: %s\n", path.c_str(),
                     DescribeFileFault(read).c_str());
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
    return written ? std::string() : path + ": cannot write: " + DescribeFileFault(written);
}

bool SaveText(const std::string& path, const std::string& text, std::FILE* err) {
    const std::string error = ReplaceWhole(path, text);
    if (!error.empty()) {
        std::fprintf(err, "kdcfg: %s\n", error.c_str());
    }
    return error.empty();
}

}  // namespace kd::cli
