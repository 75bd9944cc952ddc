#include "sim/own_file.h"

#include <cerrno>

namespace kd::sim {

bool ReplaceOwnFile(const std::filesystem::path& path, std::string_view bytes, std::string& error) {
    const files::Result written = files::ReplaceWhole(path.string(), bytes, kOwnFileRules);
    if (!written) {
        error = "cannot write " + path.string() + ": " + files::EnglishText(written);
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
    error = "cannot read " + path.string() + ": " + files::EnglishText(read);
    return ReadResult::Failed;
}

}  // namespace kd::sim
