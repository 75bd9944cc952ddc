#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "config/profile_file.h"

namespace kd::profile_file {

namespace {

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, CloseFile>;

std::string Describe(int number) {
    switch (number) {
        case ENOENT:
            return "文件或文件夹不存在";
        case EACCES:
        case EPERM:
        case EROFS:
            return "没有访问权限";
        case EISDIR:
            return "这是一个文件夹";
        case ENOSPC:
            return "磁盘空间不足";
        default:
            return std::strerror(number);
    }
}

}  // namespace

bool Read(const std::string& path, std::string& bytes, std::string& error) {
    errno = 0;
    const File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = Describe(errno);
        return false;
    }
    bytes.clear();
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        if (bytes.size() + got > kLargestProfile) {
            error = "文件过大，不是配置文件";
            return false;
        }
        bytes.append(buffer, got);
    }
    if (std::ferror(file.get()) != 0) {
        // A folder opens on Linux and fails on the first read.
        error = Describe(errno != 0 ? errno : EIO);
        return false;
    }
    return true;
}

bool Write(const std::string& path, std::string_view bytes, std::string& error) {
    errno = 0;
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = Describe(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed) {
        error = Describe(written ? errno : writeError);
        return false;
    }
    return true;
}

}  // namespace kd::profile_file
