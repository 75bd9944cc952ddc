#include "app/linux/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace kd {

namespace fs = std::filesystem;

namespace {

std::string SystemError(const std::string& what, int code) {
    return what + ": " + std::strerror(code);
}

// A folder that only this user can write to: ours, a real folder, no group or other
// write bit. A link in its place is refused, not followed.
bool IsPrivateFolder(const fs::path& folder, uid_t user, std::string& error) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        error = SystemError(folder.string(), errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != user || (info.st_mode & (S_IWGRP | S_IWOTH))) {
        error = folder.string() + " is not a private folder of this user";
        return false;
    }
    return true;
}

// Lock names become file names: nothing may lead out of the folder.
std::string FileName(const char* name) {
    std::string file(name);
    for (char& c : file) {
        if (c == '/' || c == '\0') {
            c = '_';
        }
    }
    return file + ".lock";
}

}  // namespace

std::optional<fs::path> LockDirectory(const char* runtimeDir, uid_t user, const fs::path& tmp,
                                      std::string& error) {
    if (runtimeDir != nullptr && runtimeDir[0] == '/') {
        return fs::path(runtimeDir);
    }
    const fs::path own = tmp / ("kdconfig-" + std::to_string(user));
    if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) {
        error = SystemError(own.string(), errno);
        return std::nullopt;
    }
    if (!IsPrivateFolder(own, user, error)) {
        return std::nullopt;
    }
    return own;
}

bool LockFileProcessControl::CreateSingleInstanceMutex(const char* name) {
    if (!directory_) {
        return true;
    }
    const fs::path file = *directory_ / FileName(name);
    UniqueFd fd(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.Valid()) {
        warnings_ << "kdconfig: running without the single-instance lock: "
                  << SystemError(file.string(), errno) << "\n";
        return true;
    }
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            return false;
        }
        warnings_ << "kdconfig: running without the single-instance lock: "
                  << SystemError(file.string(), errno) << "\n";
        return true;
    }
    lock_ = std::move(fd);
    return true;
}

}  // namespace kd
