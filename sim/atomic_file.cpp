#include "sim/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "link/posix/unique_fd.h"

namespace kd::sim {

namespace {

std::string Failure(const std::filesystem::path& path, const char* what, int code) {
    return "cannot write " + path.string() + ": " + what + " (" + std::strerror(code) + ")";
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// As the kernel, which gives up on a longer chain.
constexpr int kMaxLinkHops = 40;

// The file that path names once every symlink on the way is followed; a dangling link
// names the file to create.
bool ResolveLinks(const std::filesystem::path& path, std::filesystem::path& target,
                  std::string& error) {
    target = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0) {
            if (errno == ENOENT) {
                return true;
            }
            error = Failure(path, "cannot look at it", errno);
            return false;
        }
        if (!S_ISLNK(info.st_mode)) {
            return true;
        }
        std::error_code ec;
        const std::filesystem::path link = std::filesystem::read_symlink(target, ec);
        if (ec) {
            error = Failure(path, "cannot read the symlink", ec.value());
            return false;
        }
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    error = Failure(path, "symlinks do not end", ELOOP);
    return false;
}

// The permissions to give the new file: those of the file it replaces, if any.
bool ModeToKeep(const std::filesystem::path& path, const std::filesystem::path& target,
                mode_t& mode, bool& keep, std::string& error) {
    struct stat info {};
    keep = false;
    if (::stat(target.c_str(), &info) != 0) {
        if (errno == ENOENT) {
            return true;
        }
        error = Failure(path, "cannot look at it", errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "cannot write " + path.string() + ": not a regular file";
        return false;
    }
    mode = info.st_mode & 07777;
    keep = true;
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                         std::string& error) {
    std::filesystem::path target;
    mode_t mode = 0;
    bool keepMode = false;
    if (!ResolveLinks(path, target, error) || !ModeToKeep(path, target, mode, keepMode, error)) {
        return false;
    }
    const std::filesystem::path directory =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    // A hidden name in the same directory, so the rename never crosses file systems.
    // A new file is created like any other, so the umask gives it the usual permissions.
    static std::atomic<unsigned> counter{0};
    std::string temporary;
    UniqueFd fd;
    for (int attempt = 0; attempt < 100 && !fd.Valid(); ++attempt) {
        temporary = (directory / ("." + target.filename().string() + ".tmp-" +
                                  std::to_string(::getpid()) + "-" + std::to_string(++counter)))
                        .string();
        fd.Reset(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.Valid() && errno != EEXIST) {
            break;
        }
    }
    if (!fd.Valid()) {
        error = Failure(path, "cannot create a temporary file", errno);
        return false;
    }

    const char* step = nullptr;
    int code = 0;
    if (keepMode && ::fchmod(fd.Get(), mode) != 0) {
        step = "cannot keep its permissions";
        code = errno;
    } else if (!WriteAll(fd.Get(), bytes)) {
        step = "write failed";
        code = errno;
    } else if (::fsync(fd.Get()) != 0) {
        step = "flush to disk failed";
        code = errno;
    }
    // After a good fsync the data is on the disk; close cannot lose it any more.
    fd.Reset();
    if (step != nullptr) {
        ::unlink(temporary.c_str());
        error = Failure(path, step, code);
        return false;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int renameCode = errno;
        ::unlink(temporary.c_str());
        error = Failure(path, "rename failed", renameCode);
        return false;
    }
    // The rename itself is durable only once the directory is flushed.
    UniqueFd dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Valid()) {
        ::fsync(dir.Get());
    }
    return true;
}

ReadResult ReadSmallFile(const std::filesystem::path& path, size_t maxBytes, std::string& content,
                         std::string& error) {
    content.clear();
    // Without O_NONBLOCK a fifo would hold the open until a writer came.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        if (errno == ENOENT) {
            return ReadResult::Missing;
        }
        error = "cannot read " + path.string() + ": " + std::strerror(errno);
        return ReadResult::Failed;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        error = "cannot read " + path.string() + ": " + std::strerror(errno);
        return ReadResult::Failed;
    }
    if (!S_ISREG(info.st_mode)) {
        error = path.string() + " is not a regular file";
        return ReadResult::Failed;
    }
    const std::string tooLarge =
        path.string() + " is larger than " + std::to_string(maxBytes) + " bytes";
    if (static_cast<uint64_t>(info.st_size) > maxBytes) {
        error = tooLarge;
        return ReadResult::Failed;
    }
    // The file may grow while it is read: one byte past the limit is enough to know.
    content.resize(maxBytes + 1);
    size_t got = 0;
    while (got < content.size()) {
        const ssize_t n = ::read(fd.Get(), content.data() + got, content.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error = "cannot read " + path.string() + ": " + std::strerror(errno);
            return ReadResult::Failed;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    if (got > maxBytes) {
        error = tooLarge;
        return ReadResult::Failed;
    }
    content.resize(got);
    return ReadResult::Read;
}

}  // namespace kd::sim
