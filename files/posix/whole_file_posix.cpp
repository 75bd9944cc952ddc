#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <random>

#include "files/whole_file.h"

namespace kd::files {

namespace {

// A link chain longer than this is a loop, as the kernel counts.
constexpr int kMostLinks = 40;

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Closes now, so that a failed close is seen; false with errno set.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

Result FromErrno(int number) {
    switch (number) {
        case ENOENT:
        case ENOTDIR:
            return {Fault::NotFound, number};
        case EACCES:
        case EPERM:
        case EROFS:
            return {Fault::NoAccess, number};
        case EISDIR:
            return {Fault::IsDirectory, number};
        case ENOSPC:
        case EDQUOT:
            return {Fault::NoSpace, number};
        default:
            return {Fault::System, number != 0 ? number : EIO};
    }
}

Result FromErrno() {
    return FromErrno(errno);
}

Result KindFault(mode_t mode) {
    if (S_ISDIR(mode)) {
        return {Fault::IsDirectory, 0};
    }
    return S_ISREG(mode) ? Result{} : Result{Fault::NotRegular, 0};
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            errno = written == 0 ? EIO : errno;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// Reads to the end, or one byte past the limit.
Result ReadAll(int fd, std::string& bytes) {
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return FromErrno();
        }
        if (got == 0) {
            return {};
        }
        if (bytes.size() + static_cast<size_t>(got) > kLargestFile) {
            return {Fault::TooLarge, 0};
        }
        bytes.append(buffer, static_cast<size_t>(got));
    }
}

// A link may be followed when the caller made it, or the owner of its folder did: nobody
// else could have put it there to turn a write somewhere the caller never meant.
Result CheckLinkOwner(const std::string& link, const struct stat& linkStatus) {
    if (linkStatus.st_uid == ::geteuid()) {
        return {};
    }
    struct stat folder {};
    if (::stat(FolderOf(link).c_str(), &folder) != 0) {
        return FromErrno();
    }
    return folder.st_uid == linkStatus.st_uid ? Result{} : Result{Fault::ForeignLink, 0};
}

// Walks the links path names, each checked, to the name of what they lead to: the name a
// new file is renamed over. A link the kernel makes up (/proc/self/fd/1 naming a pipe) ends
// the walk where its text names nothing.
Result FollowLinks(const std::string& path, std::string& target) {
    target = path;
    for (int hop = 0; hop <= kMostLinks; ++hop) {
        struct stat status {};
        if (::lstat(target.c_str(), &status) != 0) {
            return hop == 0 ? FromErrno() : Result{};
        }
        if (!S_ISLNK(status.st_mode)) {
            return {};
        }
        if (Result owner = CheckLinkOwner(target, status); !owner) {
            return owner;
        }
        char text[PATH_MAX];
        const ssize_t length = ::readlink(target.c_str(), text, sizeof text - 1);
        if (length < 0) {
            return FromErrno();
        }
        const std::string next(text, static_cast<size_t>(length));
        target = next.starts_with('/') ? next : FolderOf(target) + "/" + next;
    }
    return FromErrno(ELOOP);
}

// A new hidden file beside target, so the rename never crosses file systems and never
// takes another's file.
int CreateBeside(const std::string& target, std::string& temporary) {
    const std::string folder = FolderOf(target);
    const std::string name = target.substr(target.rfind('/') + 1);
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folder + "/." + name + ".tmp-" + std::to_string(random());
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// A device or a pipe (dump -o /dev/stdout): nothing to replace, the name stays what it is.
Result WriteInPlace(const std::string& path, std::string_view bytes) {
    Descriptor file(::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC));
    if (!file.Valid() || !WriteAll(file.Get(), bytes) || !file.Close()) {
        return FromErrno();
    }
    return {};
}

// Read-only for everyone, or for this caller: written in place it would be refused, so it
// is not replaced either (a rename would not ask). No write bit at all means read-only
// also for root, as the Windows read-only mark does.
bool ReadOnly(const std::string& target, const struct stat& status) {
    return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
           ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0;
}

// Writes bytes beside target and renames the new file over it, with the old one's mode.
Result WriteBesideAndRename(const std::string& target, const struct stat* old,
                            std::string_view bytes) {
    std::string temporary;
    Descriptor file(CreateBeside(target, temporary));
    if (!file.Valid()) {
        return FromErrno();
    }
    if (old != nullptr && ::geteuid() == 0) {
        // Root replacing a user's profile leaves it the user's.
        [[maybe_unused]] const int ignored = ::fchown(file.Get(), old->st_uid, old->st_gid);
    }
    errno = 0;
    const bool written = (old == nullptr || ::fchmod(file.Get(), old->st_mode & 07777) == 0) &&
                         WriteAll(file.Get(), bytes) && ::fsync(file.Get()) == 0 && file.Close() &&
                         ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!written) {
        const int number = errno;
        ::unlink(temporary.c_str());
        return FromErrno(number);
    }
    // The rename itself is kept on disk once the folder is.
    const Descriptor folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid()) {
        ::fsync(folder.Get());
    }
    return {};
}

}  // namespace

Result ReadWhole(const std::string& path, std::string& bytes) {
    bytes.clear();
    // Looked at before it is opened: opening a port or a tape is not harmless.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return FromErrno();
    }
    if (Result kind = KindFault(status.st_mode); !kind) {
        return kind;
    }
    // Without waiting: a pipe put there meanwhile must not hold the caller.
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.Valid()) {
        return FromErrno();
    }
    if (::fstat(file.Get(), &status) != 0) {
        return FromErrno();
    }
    if (Result kind = KindFault(status.st_mode); !kind) {
        return kind;
    }
    if (static_cast<unsigned long long>(status.st_size) > kLargestFile) {
        return {Fault::TooLarge, 0};
    }
    Result read = ReadAll(file.Get(), bytes);
    if (!read) {
        bytes.clear();
    }
    return read;
}

Result ReplaceWhole(const std::string& path, std::string_view bytes, const ReplaceRules& rules) {
    std::string target;
    if (Result followed = FollowLinks(path, target); !followed) {
        if (followed.fault == Fault::NotFound) {
            return WriteBesideAndRename(path, nullptr, bytes);  // a new file
        }
        return followed;
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        // The name is there, and is a link: it leads nowhere, to target.
        if (errno != ENOENT) {
            return FromErrno();
        }
        return rules.createThroughDanglingLink ? WriteBesideAndRename(target, nullptr, bytes)
                                               : Result{Fault::DanglingLink, 0};
    }
    if (S_ISDIR(status.st_mode)) {
        return {Fault::IsDirectory, 0};
    }
    if (!S_ISREG(status.st_mode)) {
        return rules.devicesInPlace ? WriteInPlace(path, bytes) : Result{Fault::NotRegular, 0};
    }
    if (ReadOnly(target, status)) {
        return {Fault::ReadOnly, 0};
    }
    return WriteBesideAndRename(target, &status, bytes);
}

std::string SystemText(int code) {
    return std::strerror(code);
}

}  // namespace kd::files
