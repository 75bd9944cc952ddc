#include "sim/atomic_file.h"

#include <fcntl.h>
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

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                         std::string& error) {
    const std::filesystem::path directory =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    // A hidden name in the same directory, so the rename never crosses file systems.
    // Created like any new file, so the umask gives it the usual permissions.
    static std::atomic<unsigned> counter{0};
    std::string temporary;
    UniqueFd fd;
    for (int attempt = 0; attempt < 100 && !fd.Valid(); ++attempt) {
        temporary = (directory / ("." + path.filename().string() + ".tmp-" +
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
    if (!WriteAll(fd.Get(), bytes)) {
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
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
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

}  // namespace kd::sim
