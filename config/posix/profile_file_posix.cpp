#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>

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

// Closes the descriptor on every path.
struct Descriptor {
    explicit Descriptor(int opened) : fd(opened) {}
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// A new hidden file beside path, so that the rename never crosses file systems and
// never takes another's file; -1 with errno when none can be made.
int CreateBeside(const std::string& path, std::string& temporary) {
    const size_t slash = path.rfind('/');
    const size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary =
            path.substr(0, nameAt) + "." + path.substr(nameAt) + ".tmp-" + std::to_string(random());
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

bool WriteInPlace(const std::string& path, std::string_view bytes, std::string& error) {
    errno = 0;
    const Descriptor file(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (file.fd < 0 || !WriteAll(file.fd, bytes)) {
        error = Describe(errno != 0 ? errno : EIO);
        return false;
    }
    return true;
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
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        // A device or a pipe: nothing to replace, and the name must stay what it is.
        return WriteInPlace(path, bytes, error);
    }
    // A link stays a link: the file it names is replaced.
    std::error_code ignored;
    const std::filesystem::path linked = std::filesystem::is_symlink(path, ignored)
                                             ? std::filesystem::weakly_canonical(path, ignored)
                                             : std::filesystem::path();
    const std::string target = linked.empty() ? path : linked.string();
    std::string temporary;
    const Descriptor file(CreateBeside(target, temporary));
    if (file.fd < 0) {
        error = Describe(errno);
        return false;
    }
    // A replaced file keeps who may read it.
    errno = 0;
    if ((exists && ::fchmod(file.fd, existing.st_mode & 07777) != 0) || !WriteAll(file.fd, bytes) ||
        ::fsync(file.fd) != 0 || ::rename(temporary.c_str(), target.c_str()) != 0) {
        error = Describe(errno != 0 ? errno : EIO);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace kd::profile_file
