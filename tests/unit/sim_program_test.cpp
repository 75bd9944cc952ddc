#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "link/posix/deadline.h"
#include "link/posix/unique_fd.h"
#include "protocol/frame.h"
#include "protocol/md5.h"
#include "protocol/upload_frames.h"
#include "sim/frame_log.h"
#include "sim/options.h"
#include "sim/upload_dir.h"
#include "tests/support/processes.h"

extern char** environ;

namespace kd::sim {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using ::testing::HasSubstr;

bool Parse(std::vector<std::string_view> args, Options& options, std::string& error) {
    return ParseOptions(args, options, error);
}

std::string ParseError(std::vector<std::string_view> args) {
    Options options;
    std::string error;
    EXPECT_FALSE(Parse(args, options, error));
    return error;
}

TEST(SimOptions, TakesEveryFaultAndSetting) {
    Options options;
    std::string error;
    ASSERT_TRUE(Parse({"--link",
                       "/tmp/r",
                       "--state",
                       "s.state",
                       "--uploads=up",
                       "--log",
                       "l.log",
                       "--value",
                       "masterver=V9 long",
                       "--value",
                       "codeprefix=",
                       "--silent",
                       "--refuse-key",
                       "workmode",
                       "--refuse-key=scanmode",
                       "--refuse-all",
                       "--drop-every",
                       "3",
                       "--wrong-index-every",
                       "2",
                       "--split-gap",
                       "200",
                       "--garbage",
                       "5",
                       "--delay=750"},
                      options, error))
        << error;
    EXPECT_EQ(options.link, "/tmp/r");
    EXPECT_EQ(options.stateFile, "s.state");
    EXPECT_EQ(options.uploadDir, "up");
    EXPECT_EQ(options.logFile, "l.log");
    ASSERT_EQ(options.values.size(), 2u);
    EXPECT_EQ(options.values[0].second, "V9 long");
    EXPECT_EQ(options.values[1].second, "");
    const FaultPlan& f = options.faults;
    EXPECT_TRUE(f.silent && f.refuseAll);
    EXPECT_EQ(f.refusedKeys, (std::set<std::string>{"workmode", "scanmode"}));
    EXPECT_EQ(f.dropEvery, 3u);
    EXPECT_EQ(f.wrongIndexEvery, 2u);
    EXPECT_EQ(f.splitGapMs, 200u);
    EXPECT_EQ(f.garbageBytes, 5u);
    EXPECT_EQ(f.delayMs, 750u);

    Options device;
    ASSERT_TRUE(Parse({"--device", "/dev/ttyUSB0", "--baud", "115200"}, device, error)) << error;
    EXPECT_EQ(device.baud, 115200u);

    const std::string usage = UsageText();
    for (const char* fault : {"--silent", "--refuse-key", "--refuse-all", "--drop-every",
                              "--wrong-index-every", "--split-gap", "--garbage", "--delay"}) {
        EXPECT_THAT(usage, HasSubstr(fault));
    }
}

TEST(SimOptions, BadOptionsNameTheProblem) {
    EXPECT_THAT(ParseError({"--bogus"}), HasSubstr("unknown option '--bogus'"));
    EXPECT_THAT(ParseError({"stray"}), HasSubstr("unexpected argument"));
    EXPECT_THAT(ParseError({"--delay"}), HasSubstr("--delay: 1 required MS missing"));
    EXPECT_THAT(ParseError({"--log", "--silent"}), HasSubstr("not the option '--silent'"));
    EXPECT_THAT(ParseError({"--delay", "-5"}), HasSubstr("--delay"));
    EXPECT_THAT(ParseError({"--drop-every", "3x"}), HasSubstr("not a whole number"));
    EXPECT_THAT(ParseError({"--garbage", "99999999999"}), HasSubstr("--garbage"));
    EXPECT_THAT(ParseError({"--value", "nosuchkey=1"}), HasSubstr("known key"));
    EXPECT_THAT(ParseError({"--value", "workmode"}), HasSubstr("KEY=VALUE"));
    EXPECT_THAT(ParseError({"--silent=maybe"}), HasSubstr("--silent"));
    EXPECT_THAT(ParseError({"--baud", "9600"}), HasSubstr("--device"));
    EXPECT_THAT(ParseError({"--device", "/dev/x", "--baud", "12345"}),
                HasSubstr("not a supported speed"));
    EXPECT_THAT(ParseError({"--device", "/dev/x", "--link", "/tmp/r"}), HasSubstr("--link"));
    EXPECT_THAT(ParseError({"--state", ""}), HasSubstr("non-empty"));
}

TEST(SimUploadNames, StaysInsideItsDirectory) {
    EXPECT_EQ(SafeFileName("tmconfig.config"), "tmconfig.config");
    EXPECT_EQ(SafeFileName("../../etc/passwd"), "_._.._etc_passwd");
    EXPECT_EQ(SafeFileName(".hidden"), "_hidden");
    EXPECT_EQ(SafeFileName(".."), "_.");
    EXPECT_EQ(SafeFileName(std::string("a b\0c\xFF", 6)), "a_b_c_");
    EXPECT_EQ(SafeFileName(""), "_");
    EXPECT_EQ(SafeFileName(std::string(1000, 'x')).size(), 200u);
}

TEST(FrameLogLine, HasTimeDirectionHexAndNote) {
    const Bytes bytes = {0x68, 0xDD, 0xDD, 0x01, 0x00, 0x00, 0x00, 0x69};
    const auto now = std::chrono::system_clock::now();
    const std::regex form(R"(\d\d:\d\d:\d\d\.\d\d\d RX 68 DD DD 01 00 00 00 69  # handshake\n)");
    EXPECT_TRUE(
        std::regex_match(FrameLog::FrameLine(now, Direction::Rx, bytes, "handshake"), form));
    // Nothing went out for a dropped reply, so no bytes are shown as sent.
    const std::string dropped =
        FrameLog::FrameLine(now, Direction::Dropped, bytes, "dropped reply");
    EXPECT_THAT(dropped, ::testing::EndsWith(" TX   # dropped reply\n"));
}

// The program itself, on a real pseudo-terminal.

using test::ReadFile;
using test::TempDir;

// The simulator program with these arguments.
class SimProcess : public test::SimProcess {
  public:
    explicit SimProcess(const std::vector<std::string>& args)
        : test::SimProcess(KD_READER_SIM_PATH, args) {}
    std::string FirstLine() const { return PortPath(); }
};

UniqueFd OpenLine(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    termios tio{};
    if (fd.Valid() && ::tcgetattr(fd.Get(), &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd.Get(), TCSANOW, &tio);
    }
    return fd;
}

// Sends a request and collects its reply: header first, then what it announces.
Bytes Exchange(int fd, const Bytes& request) {
    if (::write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) {
        return {};
    }
    Bytes reply;
    const Deadline deadline(std::chrono::seconds(3));
    while (!deadline.Expired()) {
        const auto length = AnnouncedPayloadLength(reply);
        if (length && reply.size() >= kReplyHeaderSize + *length + 1) {
            break;
        }
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, deadline.RemainingMs()) <= 0) {
            break;
        }
        std::array<uint8_t, 256> chunk{};
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n <= 0) {
            break;
        }
        reply.insert(reply.end(), chunk.begin(), chunk.begin() + n);
    }
    return reply;
}

Bytes Request(const Magic& magic, CommandCode code, std::string_view payload) {
    Bytes frame(kMaxFrameSize);
    frame.resize(BuildRequest(
        magic, code, {reinterpret_cast<const uint8_t*>(payload.data()), payload.size()}, frame));
    return frame;
}

Bytes WriteRequest(std::string_view name, std::string_view value) {
    std::array<uint8_t, 64> record{};
    const size_t size = EncodeKeyRecord(name, value, record);
    return Request(kCommandMagic, kWriteKeyCommand,
                   {reinterpret_cast<const char*>(record.data()), size});
}

const Bytes kHandshake = {0x68, 0xDD, 0xDD, 0x01, 0x00, 0x00, 0x00, 0x69};

TEST(SimProgram, ServesAPseudoTerminalAndKeepsStateAcrossARestart) {
    TempDir dir;
    const std::string link = (dir.Path() / "reader").string();
    const fs::path log = dir.Path() / "reader.log";
    const fs::path state = dir.Path() / "reader.state";
    const fs::path uploads = dir.Path() / "up";
    const std::vector<std::string> args = {
        "--link",  link,           "--log",     log.string(),
        "--state", state.string(), "--uploads", uploads.string()};
    {
        SimProcess sim(args);
        ASSERT_TRUE(sim.Started());
        const std::string slave = sim.FirstLine();
        ASSERT_THAT(slave, ::testing::StartsWith("/dev/"));
        EXPECT_EQ(fs::read_symlink(link).string(), slave);

        UniqueFd line = OpenLine(slave);
        ASSERT_TRUE(line.Valid());
        EXPECT_EQ(Exchange(line.Get(), kHandshake),
                  (Bytes{0x68, 0xDD, 0xDD, 0x01, 0x00, 0x00, 0x03, 0x00, 0x4B, 0x44, 0x31, 0x54}));

        // Closing our side and opening it again must not end the simulator's line.
        line.Reset();
        line = OpenLine(link);
        ASSERT_TRUE(line.Valid());
        EXPECT_EQ(Exchange(line.Get(), WriteRequest("workmode", "1")).at(kReplyStatusOffset), 0);
        EXPECT_EQ(Exchange(line.Get(), Request(kCommandMagic, kStoreKeysCommand, ""))
                      .at(kReplyStatusOffset),
                  0);
        EXPECT_THAT(ReadFile(state), HasSubstr("workmode=1\n"));

        const Bytes image = {'c', 'f', 'g'};
        Bytes frame(kMaxFrameSize);
        frame.resize(BuildUploadStartFrame(3, "../tmconfig.config", Md5Of(image), frame));
        EXPECT_EQ(Exchange(line.Get(), frame).at(kReplyStatusOffset), 0);
        frame.assign(kMaxFrameSize, 0);
        std::copy(image.begin(), image.end(), frame.begin() + kUploadDataOffset);
        frame.resize(SealUploadDataFrame(0, image.size(), frame));
        EXPECT_TRUE(AcknowledgesBlock(Exchange(line.Get(), frame), 0));
        EXPECT_EQ(ReadFile(uploads / "_._tmconfig.config"), "cfg");

        EXPECT_EQ(sim.Stop(), 0);
        EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
        const std::string logText = ReadFile(log);
        EXPECT_THAT(logText, HasSubstr(" RX 68 DD DD 01 00 00 00 69  # handshake\n"));
        EXPECT_THAT(logText, HasSubstr("# write workmode=1\n"));
        EXPECT_THAT(logText, HasSubstr("# store\n"));
    }
    {
        SimProcess sim(args);
        ASSERT_TRUE(sim.Started());
        const std::string slave = sim.FirstLine();
        ASSERT_FALSE(slave.empty());
        UniqueFd line = OpenLine(slave);
        const Bytes reply =
            Exchange(line.Get(), Request(kCommandMagic, kReadKeyCommand, "workmode"));
        ASSERT_GE(reply.size(), kReplyHeaderSize);
        const auto record = ParseKeyRecord(*ReplyPayload(reply));
        ASSERT_TRUE(record);
        EXPECT_EQ(record->value, "1");
        EXPECT_EQ(sim.Stop(SIGINT), 0);
    }
}

TEST(SimProgram, BadOptionsExitWithTwo) {
    SimProcess sim({"--drop-every", "often"});
    ASSERT_TRUE(sim.Started());
    EXPECT_EQ(sim.Wait(), 2);
}

TEST(SimProgram, MalformedStateFileStopsTheStart) {
    TempDir dir;
    const fs::path state = dir.Path() / "reader.state";
    test::WriteFile(state, "workmode=1\nnot a line\n");
    SimProcess sim({"--state", state.string()});
    ASSERT_TRUE(sim.Started());
    EXPECT_EQ(sim.Wait(), 1);
    EXPECT_EQ(ReadFile(state), "workmode=1\nnot a line\n");
}

}  // namespace
}  // namespace kd::sim
