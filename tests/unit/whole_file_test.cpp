// Whole files: what is read, what is replaced, and what is refused.
#include "files/whole_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kd {
namespace {

namespace fs = std::filesystem;
using files::Fault;

// A user the test is not: the owner of planted links.
constexpr uid_t kOtherUser = 65534;

class WholeFileTest : public ::testing::Test {
  protected:
    WholeFileTest()
        : folder(fs::temp_directory_path() / ("kd_whole_file_" + std::to_string(::getpid()))) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::ofstream(folder / "old.txt") << "qrcode=1\n";
        fs::permissions(folder / "old.txt", fs::perms::owner_read | fs::perms::owner_write);
    }
    ~WholeFileTest() override { fs::remove_all(folder); }

    static std::string Text(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    size_t Entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
    }
    Fault Read(const fs::path& path) const {
        std::string bytes = "left over";
        const files::Result read = files::ReadWhole(path.string(), bytes);
        EXPECT_TRUE(read || bytes.empty()) << path;
        return read.fault;
    }
    Fault Replace(const fs::path& path, const std::string& text = "qrcode=0\n") const {
        return files::ReplaceWhole(path.string(), text).fault;
    }

    fs::path folder;
};

TEST_F(WholeFileTest, ReadsOnlyARegularFileOfAtMostOneMebibyte) {
    std::ofstream(folder / "limit.txt") << std::string(files::kLargestFile, 'x');
    std::ofstream(folder / "over.txt") << std::string(files::kLargestFile + 1, 'x');
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Read(folder / "fifo"), Fault::NotRegular) << "no writer: it must not wait";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(Read(folder), Fault::IsDirectory);
    EXPECT_EQ(Read("/dev/zero"), Fault::NotRegular);
    EXPECT_EQ(Read(folder / "none.txt"), Fault::NotFound);
    EXPECT_EQ(Read(folder / "over.txt"), Fault::TooLarge);
    std::string bytes;
    ASSERT_TRUE(files::ReadWhole((folder / "limit.txt").string(), bytes));
    EXPECT_EQ(bytes.size(), files::kLargestFile);
}

TEST_F(WholeFileTest, ReplacesThroughALinkKeepingPermissionsAndLeavingNothingBehind) {
    fs::create_symlink("old.txt", folder / "link.txt");
    ASSERT_EQ(Replace(folder / "link.txt"), Fault::None);
    EXPECT_EQ(Text(folder / "old.txt"), "qrcode=0\n");
    EXPECT_TRUE(fs::is_symlink(folder / "link.txt"));
    EXPECT_EQ(fs::status(folder / "old.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Entries(), 2u);
}

// Refused, and nothing changed: a read-only file (also for root), a folder, a link to
// nothing (it stays a link), and a link someone else planted in a shared sticky folder.
TEST_F(WholeFileTest, RefusesWhatTheCallerMayNotReplace) {
    fs::permissions(folder / "old.txt",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(Replace(folder / "old.txt"), Fault::ReadOnly);
    EXPECT_EQ(Text(folder / "old.txt"), "qrcode=1\n");
    EXPECT_EQ(Replace(folder), Fault::IsDirectory);
    fs::create_symlink("gone.txt", folder / "dangling.txt");
    EXPECT_EQ(Replace(folder / "dangling.txt"), Fault::DanglingLink);
    EXPECT_TRUE(fs::is_symlink(folder / "dangling.txt"));
    EXPECT_FALSE(fs::exists(folder / "gone.txt"));
    EXPECT_EQ(Entries(), 2u);

    if (::geteuid() != 0) {
        GTEST_SKIP() << "a link owned by another user takes root to make";
    }
    // A shared sticky folder as /tmp is, owned by root, holding root's profile.
    const fs::path shared = folder / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    std::ofstream(shared / "root.txt") << "qrcode=1\n";
    fs::create_symlink("root.txt", shared / "planted.txt");
    ASSERT_EQ(::lchown((shared / "planted.txt").c_str(), kOtherUser, kOtherUser), 0);
    EXPECT_EQ(Replace(shared / "planted.txt"), Fault::ForeignLink);
    EXPECT_EQ(Text(shared / "root.txt"), "qrcode=1\n");
    // The same link made by the caller, or by the folder's owner, is followed.
    ASSERT_EQ(::lchown((shared / "planted.txt").c_str(), 0, 0), 0);
    EXPECT_EQ(Replace(shared / "planted.txt"), Fault::None);
    EXPECT_EQ(Text(shared / "root.txt"), "qrcode=0\n");
    EXPECT_TRUE(fs::is_symlink(shared / "planted.txt"));
}

TEST_F(WholeFileTest, WritesADeviceOrAPipeInPlace) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const std::string pipe = "/proc/self/fd/" + std::to_string(ends[1]);
    EXPECT_EQ(Replace(pipe, "qrcode=0\n"), Fault::None);
    ::close(ends[1]);
    char got[16] = {};
    EXPECT_EQ(::read(ends[0], got, sizeof got), 9);
    ::close(ends[0]);
    EXPECT_EQ(std::string(got), "qrcode=0\n");
    EXPECT_EQ(Replace("/dev/full"), Fault::NoSpace);
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

// A program's own file (the simulator's state): a device or a pipe is refused before it is
// opened, and a link to nothing, at the end of a chain, names the file to create.
TEST_F(WholeFileTest, OwnFileRulesRefuseDevicesAndCreateThroughALinkToNothing) {
    const files::ReplaceRules own{.devicesInPlace = false, .createThroughDanglingLink = true};
    const auto replace = [&](const fs::path& path) {
        return files::ReplaceWhole(path.string(), "qrcode=0\n", own).fault;
    };
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(replace(folder / "fifo"), Fault::NotRegular) << "no reader: it must not wait";
    EXPECT_EQ(replace("/dev/full"), Fault::NotRegular);
    EXPECT_EQ(replace(folder), Fault::IsDirectory);

    fs::create_directory(folder / "real");
    fs::create_symlink("real/new.txt", folder / "middle");
    fs::create_symlink(folder / "middle", folder / "first");
    ASSERT_EQ(replace(folder / "first"), Fault::None);
    EXPECT_EQ(Text(folder / "real" / "new.txt"), "qrcode=0\n");
    EXPECT_TRUE(fs::is_symlink(folder / "first"));
    EXPECT_TRUE(fs::is_symlink(folder / "middle"));
    // Through the same chain, the file now there is replaced, keeping its mode.
    fs::permissions(folder / "real" / "new.txt", fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(files::ReplaceWhole((folder / "first").string(), "qrcode=1\n", own).fault,
              Fault::None);
    EXPECT_EQ(Text(folder / "real" / "new.txt"), "qrcode=1\n");
    EXPECT_EQ(fs::status(folder / "real" / "new.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "real"), {}), 1);

    fs::create_symlink("missing/new.txt", folder / "lost");
    EXPECT_EQ(replace(folder / "lost"), Fault::NotFound);
    EXPECT_EQ(Entries(), 6u);
}

// A write that fails half-way (here: the file size limit, as a full disk would) leaves
// the old profile as it was.
TEST_F(WholeFileTest, AWriteThatFailsHalfWayLeavesTheOldProfileWhole) {
    const std::string path = (folder / "old.txt").string();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4, 4};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const files::Result written = files::ReplaceWhole(path, std::string(4096, 'x'));
        ::_exit(written ? 0 : (written.code == EFBIG ? 1 : 2));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "refused, saying why";
    EXPECT_EQ(Text(path), "qrcode=1\n");
    EXPECT_EQ(Entries(), 1u) << "the half-written file is gone";
}

}  // namespace
}  // namespace kd
