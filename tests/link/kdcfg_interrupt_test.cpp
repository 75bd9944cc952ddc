#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <termios.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "link/posix/unique_fd.h"
#include "tests/link/kdcfg_fixture.h"

// Ctrl-C, SIGTERM and SIGHUP in the middle of a command, against slow modelled readers.
namespace kd {
namespace {

using namespace std::chrono_literals;
using test::BackgroundProgram;
using test::TempDir;
using ::testing::HasSubstr;

// Seven keys that differ from a new reader's.
constexpr char kProfile[] =
    "codeprefix=A\ncodepostfix=B\nnfcprefix=C\nnfcpostfix=D\nworkmode=2\nqrcode=0\n"
    "intervaltime=500\n";

// The line settings the port holds, to compare before and after kdcfg had it.
std::string LineSettings(const std::string& port) {
    const UniqueFd fd(::open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
    termios tio{};
    if (!fd.Valid() || ::tcgetattr(fd.Get(), &tio) != 0) {
        return "unreadable";
    }
    return std::to_string(tio.c_iflag) + " " + std::to_string(tio.c_oflag) + " " +
           std::to_string(tio.c_cflag) + " " + std::to_string(tio.c_lflag) + " " +
           std::to_string(::cfgetospeed(&tio));
}

// A reader that answers each request after a pause, logging the requests it took.
struct SlowReader : test::LoggedReader {
    SlowReader() : LoggedReader({"--delay", "250"}, Keys::InStateFile) {}
};

// Where a background kdcfg's output goes.
std::filesystem::path OutputDir(const TempDir& dir, const std::string& name) {
    std::filesystem::create_directories(dir / name);
    return dir / name;
}

TEST(KdcfgInterrupt, ApplyAndDumpStopBetweenExchangesRestoreThePortAndSayWhatWasDone) {
    SlowReader reader;
    test::WriteFile(reader.dir / "profile", kProfile);
    const std::string before = LineSettings(reader.sim.PortPath());
    BackgroundProgram apply({KDCFG_PATH, "--baud", "19200", "--port", reader.sim.PortPath(),
                             "apply", (reader.dir / "profile").string()},
                            OutputDir(reader.dir, "apply"));
    ASSERT_TRUE(reader.WaitForNoted("write ", 2));
    apply.Signal(SIGINT);
    EXPECT_EQ(apply.Wait(5s), 130) << apply.Err();
    const size_t writes = reader.Noted("write ");
    EXPECT_LT(writes, 7u);
    EXPECT_THAT(apply.Err(), HasSubstr("apply interrupted after " + std::to_string(writes) +
                                       " of 7 writes; nothing stored; the reader runs with "
                                       "unsaved changes until it is powered off"));
    EXPECT_EQ(reader.Noted("store"), 0u);
    EXPECT_EQ(LineSettings(reader.sim.PortPath()), before);

    // A reading command cut short by SIGHUP writes no half a profile.
    const size_t reads = reader.Noted("read ");
    BackgroundProgram dump({KDCFG_PATH, "--baud", "19200", "--port", reader.sim.PortPath(), "dump",
                            "-o", (reader.dir / "dumped").string()},
                           OutputDir(reader.dir, "dump"));
    ASSERT_TRUE(reader.WaitForNoted("read ", reads + 2));
    dump.Signal(SIGHUP);
    EXPECT_EQ(dump.Wait(5s), 143) << dump.Err();
    EXPECT_THAT(dump.Err(), HasSubstr("dump interrupted (SIGHUP): nothing was changed on the "
                                      "reader, and no profile was written"));
    EXPECT_FALSE(std::filesystem::exists(reader.dir / "dumped"));
    EXPECT_EQ(LineSettings(reader.sim.PortPath()), before);
}

TEST(KdcfgInterrupt, EveryPortInProgressSaysInterrupted) {
    SlowReader first;
    SlowReader second;
    test::WriteFile(first.dir / "profile", kProfile);
    BackgroundProgram apply({KDCFG_PATH, "--port", first.sim.PortPath(), "--port",
                             second.sim.PortPath(), "apply", (first.dir / "profile").string()},
                            OutputDir(first.dir, "apply"));
    ASSERT_TRUE(first.WaitForNoted("write ", 1));
    ASSERT_TRUE(second.WaitForNoted("write ", 1));
    apply.Signal(SIGTERM);
    EXPECT_EQ(apply.Wait(5s), 143) << apply.Err();
    const std::string out = apply.Out();
    for (const SlowReader* reader : {&first, &second}) {
        const size_t row = out.find("\n" + reader->sim.PortPath() + " ");
        ASSERT_NE(row, std::string::npos) << out;
        EXPECT_THAT(out.substr(row, out.find('\n', row + 1) - row), HasSubstr("INTERRUPTED"));
        EXPECT_EQ(reader->Noted("store"), 0u);
    }
    EXPECT_THAT(out, HasSubstr("0 of 2 ports passed"));
}

}  // namespace
}  // namespace kd
