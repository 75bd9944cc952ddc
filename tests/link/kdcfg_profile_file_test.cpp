// kdcfg and the profile file itself: what it refuses, before any port is opened.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/link/kdcfg_fixture.h"

namespace kd {
namespace {

using test::Kdcfg;
using test::RunResult;
using test::SimProcess;
using test::TempDir;
using ::testing::HasSubstr;
using ::testing::Not;

// No port by this name: a command that opened the port first would exit 3, not 11.
constexpr char kNoPort[] = "/nonexistent/ttyKD0";

TEST(KdcfgProfileFile, AProfileThatCannotBeUsedIsRefusedBeforeAnyPortIsOpened) {
    const TempDir files;
    ASSERT_EQ(::mkfifo((files / "fifo").c_str(), 0600), 0);
    test::WriteFile(files / "long.profile", "qrcode=1\n" + std::string(300, 'k') + "=1\n");
    test::WriteFile(files / "twice.profile", "a\x1B[2Jb=1\na\x1B[2Jb=2\n");
    const struct {
        std::string path;
        std::string said;
    } cases[] = {
        {files.Path().string(), "cannot read the profile: it is a folder"},
        {(files / "fifo").string(), "cannot read the profile: it is not a regular file"},
        {"/dev/zero", "cannot read the profile: it is not a regular file"},
        {(files / "long.profile").string(), "long.profile:2: the key name is 300 bytes long"},
        {(files / "twice.profile").string(), "twice.profile:2: a\\x1B[2Jb: already set on line 1"},
    };
    for (const auto& each : cases) {
        for (const char* command : {"apply", "diff"}) {
            const RunResult run = Kdcfg({"--port", kNoPort, command, each.path});
            EXPECT_EQ(run.exitCode, 11) << command << " " << each.path << ": " << run.err;
            EXPECT_THAT(run.err, HasSubstr(each.said)) << command;
            EXPECT_THAT(run.err, Not(HasSubstr("\x1B"))) << command;
        }
    }
    const RunResult many = Kdcfg(
        {"--port", kNoPort, "--port", "/nonexistent/ttyKD1", "apply", (files / "fifo").string()});
    EXPECT_EQ(many.exitCode, 11) << many.err;
    const RunResult station =
        Kdcfg({"station", "--watch", "/nonexistent/tty*", "--profile", files.Path().string()});
    EXPECT_EQ(station.exitCode, 11) << station.err;
    EXPECT_THAT(station.err, HasSubstr("it is a folder"));
}

TEST(KdcfgProfileFile, AMarkedProfileAppliesAndAReadOnlyOneIsNotReplaced) {
    const TempDir dir;
    SimProcess sim(KD_READER_SIM_PATH, {"--log", (dir / "frames.log").string(), "--state",
                                        (dir / "reader.state").string()});
    const auto kdcfg = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--port", sim.PortPath()});
        return Kdcfg(args);
    };
    ASSERT_EQ(kdcfg({"dump", "-o", (dir / "reader.profile").string()}).exitCode, 0);
    const std::string dumped = test::ReadFile(dir / "reader.profile");
    // The mark some editors put first is no part of the first key, which the reader holds.
    test::WriteFile(dir / "marked.profile", "\xEF\xBB\xBFqrcode=1\nworkmode=0\n");
    const RunResult diff = kdcfg({"diff", (dir / "marked.profile").string()});
    EXPECT_EQ(diff.exitCode, 0) << diff.out << diff.err;

    ::chmod((dir / "reader.profile").c_str(), 0444);
    const RunResult locked = kdcfg({"dump", "-o", (dir / "reader.profile").string()});
    EXPECT_EQ(locked.exitCode, 10);
    EXPECT_THAT(locked.err, HasSubstr("it is read-only"));
    EXPECT_EQ(test::ReadFile(dir / "reader.profile"), dumped);
}

}  // namespace
}  // namespace kd
