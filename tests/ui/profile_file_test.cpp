// The window's profile files: an export over an old profile replaces it whole or not at all.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "config/profile_file.h"

namespace kd {
namespace {

namespace fs = std::filesystem;

class ProfileFileTest : public ::testing::Test {
  protected:
    ProfileFileTest()
        : folder(fs::temp_directory_path() / ("kd_profile_file_" + std::to_string(::getpid()))) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::ofstream(folder / "old.txt") << "qrcode=1\n";
        fs::permissions(folder / "old.txt", fs::perms::owner_read | fs::perms::owner_write);
    }
    ~ProfileFileTest() override { fs::remove_all(folder); }

    std::string Text(const fs::path& file) const {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    size_t Entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
    }

    fs::path folder;
};

TEST_F(ProfileFileTest, ReplacesThroughALinkKeepingPermissionsAndLeavingNothingBehind) {
    fs::create_symlink("old.txt", folder / "link.txt");
    std::string error;
    ASSERT_TRUE(profile_file::Write((folder / "link.txt").string(), "qrcode=0\n", error)) << error;
    EXPECT_EQ(Text(folder / "old.txt"), "qrcode=0\n");
    EXPECT_TRUE(fs::is_symlink(folder / "link.txt"));
    EXPECT_EQ(fs::status(folder / "old.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Entries(), 2u);
}

// A write that fails half-way (here: the file size limit, as a full disk would) leaves
// the old profile as it was.
TEST_F(ProfileFileTest, AWriteThatFailsHalfWayLeavesTheOldProfileWhole) {
    const std::string path = (folder / "old.txt").string();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4, 4};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string error;
        const bool written = profile_file::Write(path, std::string(4096, 'x'), error);
        ::_exit(written ? 0 : (error.empty() ? 2 : 1));
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
