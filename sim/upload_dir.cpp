#include "sim/upload_dir.h"

#include "sim/own_file.h"

namespace kd::sim {

namespace {

// Well below the usual 255-byte limit, leaving room for the temporary file's suffix.
constexpr size_t kMaxNameLength = 200;

bool Allowed(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

}  // namespace

std::string SafeFileName(std::string_view target) {
    std::string name;
    for (char c : target.substr(0, kMaxNameLength)) {
        name.push_back(Allowed(c) ? c : '_');
    }
    if (name.empty()) {
        return "_";
    }
    // Hidden files would go unnoticed, and "." or ".." are not files at all.
    if (name.front() == '.') {
        name.front() = '_';
    }
    return name;
}

std::filesystem::path KeepUpload(const std::filesystem::path& dir, std::string_view target,
                                 std::span<const uint8_t> image, std::string& error) {
    const std::filesystem::path path = dir / SafeFileName(target);
    const std::string_view bytes(reinterpret_cast<const char*>(image.data()), image.size());
    if (!ReplaceOwnFile(path, bytes, error)) {
        return {};
    }
    return path;
}

}  // namespace kd::sim
