#include "sim/own_file.h"

#include <cerrno>

namespace kd::sim {

namespace {

std::string Why(const files::Result& result) {
    switch (result.fault) {
        case files::Fault::IsDirectory:
        case files::Fault::NotRegular:
            return "not a regular file";
        case files::Fault::TooLarge:
            return "larger than " + std::to_string(files::kLargestFile) + " bytes";
        case files::Fault::ReadOnly:
            return "it is read-only";
        case files::Fault::ForeignLink:
            return "a symbolic link another user made, not followed";
        case files::Fault::DanglingLink:
            return "a symbolic link to nothing";
        case files::Fault::None:
        case files::Fault::NotFound:
        case files::Fault::NoAccess:
        case files::Fault::NoSpace:
        case files::Fault::System:
            break;
    }
    return files::SystemText(result.code);
}

}  // namespace

bool ReplaceOwnFile(const std::filesystem::path& path, std::string_view bytes, std::string& error) {
    const files::Result written = files::ReplaceWhole(path.string(), bytes, kOwnFileRules);
    if (!written) {
        error = "cannot write " + path.string() + ": " + Why(written);
    }
    return static_cast<bool>(written);
}

ReadResult ReadOwnFile(const std::filesystem::path& path, std::string& content,
                       std::string& error) {
    const files::Result read = files::ReadWhole(path.string(), content);
    if (read) {
        return ReadResult::Read;
    }
    // Only nothing by that name; a file where a folder should be is a mistake.
    if (read.fault == files::Fault::NotFound && read.code == ENOENT) {
        return ReadResult::Missing;
    }
    error = "cannot read " + path.string() + ": " + Why(read);
    return ReadResult::Failed;
}

}  // namespace kd::sim
