#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

#include "link/posix/line_rate.h"
#include "link/posix/termios_setup.h"
#include "link/serial_channel.h"
#include "protocol/device_commands.h"
#include "tests/link/pty_pair.h"
#include "tests/support/processes.h"

namespace kd {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::unique_ptr<Channel> Open(const std::string& path) {
    std::string error;
    SerialSettings settings;
    settings.portPath = path;
    auto channel = OpenSerialChannel(settings, error);
    EXPECT_TRUE(channel) << error;
    return channel;
}

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<milliseconds>(Clock::now() - since).count());
}

TEST(PosixSerialChannel, BurstComesBackInOneReadSoonAfterItsLastByte) {
    test::PtyPair pty;
    auto channel = Open(pty.slavePath);
    ASSERT_TRUE(channel);
    pty.Send(std::vector<uint8_t>(12, 0x42));
    const auto start = Clock::now();
    uint8_t buffer[1024];
    EXPECT_EQ(channel->Read(buffer, 256, 2000), 12);
    const long took = ElapsedMs(start);
    EXPECT_GE(took, 40);
    EXPECT_LT(took, 400);
}

TEST(PosixSerialChannel, SilenceGivesNothingAfterTheTotalTimeout) {
    test::PtyPair pty;
    auto channel = Open(pty.slavePath);
    ASSERT_TRUE(channel);
    const auto start = Clock::now();
    uint8_t buffer[1024];
    // A longer time-out than the designed one does not lengthen the read.
    EXPECT_EQ(channel->Read(buffer, 256, 10000), 0);
    const long took = ElapsedMs(start);
    EXPECT_GE(took, 1500);
    EXPECT_LT(took, 3000);
}

TEST(PosixSerialChannel, ShortTimeoutAndSmallCapacityEndTheReadEarly) {
    test::PtyPair pty;
    auto channel = Open(pty.slavePath);
    ASSERT_TRUE(channel);
    uint8_t buffer[1024];
    auto start = Clock::now();
    EXPECT_EQ(channel->Read(buffer, 256, 50), 0);
    long took = ElapsedMs(start);
    EXPECT_GE(took, 40);
    EXPECT_LT(took, 400);

    // A read that has all it can hold ends at once, and the rest waits for the next.
    pty.Send({1, 2, 3, 4, 5, 6, 7});
    std::this_thread::sleep_for(milliseconds(30));
    start = Clock::now();
    ASSERT_EQ(channel->Read(buffer, 5, 2000), 5);
    EXPECT_LT(ElapsedMs(start), 40);
    ASSERT_EQ(channel->Read(buffer, 256, 50), 2);
    EXPECT_EQ(buffer[1], 7);
}

TEST(PosixSerialChannel, SlowLineKeepsReadingAcrossItsLongerByteGaps) {
    test::PtyPair pty;
    std::string error;
    SerialSettings settings;
    settings.portPath = pty.slavePath;
    settings.baudRate = 110;  // 91 ms a byte on the wire
    auto channel = OpenSerialChannel(settings, error);
    ASSERT_TRUE(channel) << error;
    EXPECT_GE(channel->IntervalMs(), 182u);
    std::thread line([&pty] {
        for (uint8_t byte : {1, 2, 3}) {
            pty.Send({byte});
            std::this_thread::sleep_for(milliseconds(90));
        }
    });
    uint8_t buffer[1024];
    EXPECT_EQ(channel->Read(buffer, 256, 2000), 3);
    line.join();
}

TEST(PosixSerialChannel, LongReplyComesBackInReadsOfAtMost65) {
    test::PtyPair pty;
    auto channel = Open(pty.slavePath);
    ASSERT_TRUE(channel);
    std::vector<uint8_t> reply(100);
    for (size_t i = 0; i < reply.size(); ++i) {
        reply[i] = static_cast<uint8_t>(i);
    }
    pty.Send(reply);
    uint8_t buffer[1024];
    ASSERT_EQ(channel->Read(buffer, 1025, 2000), 65);
    EXPECT_EQ(buffer[64], 64);
    ASSERT_EQ(channel->Read(buffer, 1025, 2000), 35);
    EXPECT_EQ(buffer[0], 65);
    EXPECT_EQ(buffer[34], 99);
}

TEST(PosixSerialChannel, WritesEveryChunkAndNothingForZero) {
    test::PtyPair pty;
    auto channel = Open(pty.slavePath);
    ASSERT_TRUE(channel);
    std::vector<uint8_t> frame(130);
    for (size_t i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<uint8_t>(i * 7);
    }
    EXPECT_EQ(channel->Write(frame.data(), 130), 130);
    EXPECT_EQ(pty.Receive(), frame);
    EXPECT_EQ(channel->Write(frame.data(), 0), 0);
    EXPECT_TRUE(pty.Receive(50).empty());
}

TEST(PosixSerialChannel, DiscardDropsWhatArrivedUnread) {
    test::PtyPair pty;
    auto channel = Open(pty.slavePath);
    ASSERT_TRUE(channel);
    pty.Send({1, 2, 3, 4});
    std::this_thread::sleep_for(milliseconds(50));
    channel->DiscardInput();
    pty.Send({9});
    uint8_t buffer[1024];
    ASSERT_EQ(channel->Read(buffer, 256, 2000), 1);
    EXPECT_EQ(buffer[0], 9);
}

TEST(PosixSerialChannel, StaleReplyBeforeARequestIsNotTakenForItsReply) {
    test::PtyPair pty;
    auto channel = Open(pty.slavePath);
    ASSERT_TRUE(channel);
    // A late reply of an earlier exchange sits in the queue.
    pty.Send({0x66, 0xBB, 0xEE, 0x08, 0x00, 0x00, 0x0C, 0x00, 0x08, 'w', 'o',
              'r',  'k',  'm',  'o',  'd',  'e',  0x01, 0x00, '2',  0x00});
    std::this_thread::sleep_for(milliseconds(50));
    std::thread reader([&pty] {
        pty.Receive(100);
        pty.Send({0x66, 0xBB, 0xEE, 0x08, 0x00, 0x00, 0x0A, 0x00, 0x06, 'q', 'r', 'c', 'o', 'd',
                  'e', 0x01, 0x00, '1', 0x00});
    });
    std::string value;
    EXPECT_EQ(ReadKey(channel.get(), "qrcode", value), 1);
    EXPECT_EQ(value, "1");
    reader.join();
}

TEST(PosixSerialChannel, VanishedPeerGivesPortFailure) {
    test::PtyPair pty;
    auto channel = Open(pty.slavePath);
    ASSERT_TRUE(channel);
    pty.masterFd.Reset();
    const auto start = Clock::now();
    uint8_t buffer[1024];
    EXPECT_EQ(channel->Read(buffer, 256, 2000), -3);
    EXPECT_LT(ElapsedMs(start), 1000);
    EXPECT_LT(channel->Write(buffer, 8), 1);
}

TEST(PosixSerialChannel, PortHeldByAnotherProcessCannotBeOpened) {
    test::PtyPair pty;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        std::string error;
        SerialSettings settings;
        settings.portPath = pty.slavePath;
        auto held = OpenSerialChannel(settings, error);
        const char ok = held ? 'y' : 'n';
        (void)!::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    std::string error;
    SerialSettings settings;
    settings.portPath = pty.slavePath;
    EXPECT_FALSE(OpenSerialChannel(settings, error));
    EXPECT_NE(error.find("in use"), std::string::npos) << error;
    // Killed without a chance to clean up, the other program leaves no lock behind.
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    auto reopened = OpenSerialChannel(settings, error);
    EXPECT_TRUE(reopened) << error;
    const UniqueFd look(::open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY));
    int exclusive = -1;
    ASSERT_EQ(::ioctl(look.Get(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
}

TEST(PosixSerialChannel, MissingPortGivesNoChannelAndSaysWhich) {
    std::string error;
    SerialSettings settings;
    settings.portPath = "/dev/kd-no-such-port";
    EXPECT_FALSE(OpenSerialChannel(settings, error));
    EXPECT_NE(error.find("/dev/kd-no-such-port"), std::string::npos) << error;
}

TEST(PosixSerialChannel, OtherRatesAreSetByNumberAndClosingRestoresThePort) {
    test::PtyPair pty;
    // The port as another program left it: a cooked terminal at 1200 baud that hangs up.
    const UniqueFd look(::open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY));
    termios before{};
    ASSERT_EQ(::tcgetattr(look.Get(), &before), 0);
    before.c_lflag |= ICANON | ECHO;
    before.c_cflag |= HUPCL;
    cfsetispeed(&before, B1200);
    cfsetospeed(&before, B1200);
    ASSERT_EQ(::tcsetattr(look.Get(), TCSANOW, &before), 0);

    std::string error;
    SerialSettings settings;
    settings.portPath = pty.slavePath;
    settings.baudRate = 250000;
    auto channel = OpenSerialChannel(settings, error);
    ASSERT_TRUE(channel) << error;
    termios during{};
    ASSERT_EQ(::tcgetattr(look.Get(), &during), 0);
    EXPECT_EQ(LineRate(look.Get()), 250000u);
    EXPECT_FALSE(during.c_lflag & (ICANON | ECHO));
    EXPECT_FALSE(during.c_cflag & HUPCL);

    channel->Close();
    termios after{};
    ASSERT_EQ(::tcgetattr(look.Get(), &after), 0);
    EXPECT_EQ(LineRate(look.Get()), 1200u);
    EXPECT_EQ(after.c_lflag & (ICANON | ECHO), tcflag_t{ICANON | ECHO});
    EXPECT_FALSE(after.c_cflag & HUPCL);

    // A rate no line can run at is refused with the port and the rate named.
    settings.baudRate = 0;
    EXPECT_FALSE(OpenSerialChannel(settings, error));
    EXPECT_NE(error.find(pty.slavePath), std::string::npos) << error;
    EXPECT_NE(error.find("0 baud"), std::string::npos) << error;
}

TEST(PosixSerialChannel, PathThatIsNotATerminalIsRefusedUntouched) {
    char path[] = "/tmp/kd-not-a-port-XXXXXX";
    const int made = ::mkstemp(path);
    ASSERT_GE(made, 0);
    const std::string content = "notes that must stay as they are\n";
    ASSERT_EQ(::write(made, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    ::close(made);

    std::string error;
    SerialSettings settings;
    settings.portPath = path;
    EXPECT_FALSE(OpenSerialChannel(settings, error));
    EXPECT_NE(error.find("not a serial port"), std::string::npos) << error;
    EXPECT_NE(error.find(path), std::string::npos) << error;
    std::ifstream file(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), content);
    ::unlink(path);
}

TEST(TermiosSetup, LineSettingsAndUnknownTextsKeepThePortsValues) {
    termios tio{};
    tio.c_cflag = CS7 | PARENB | CSTOPB | HUPCL;
    tio.c_iflag = IXON | INPCK | ICRNL;
    tio.c_lflag = ICANON | ECHO;
    SerialSettings settings;
    settings.baudRate = 115200;
    settings.byteSize = 8;
    settings.stopBits = "3";
    settings.parity = "even";
    ApplyLineSettings(tio, settings);
    EXPECT_EQ(cfgetospeed(&tio), B115200);
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t{CS8});
    EXPECT_TRUE(tio.c_cflag & CSTOPB);  // "3" keeps two stop bits
    EXPECT_TRUE(tio.c_cflag & PARENB);  // "even" in lower case keeps even parity
    EXPECT_FALSE(tio.c_cflag & HUPCL);  // closing must not drop DTR
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | INPCK | ICRNL));
    EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO));

    settings.stopBits = "1";
    settings.parity = "MARK";
    settings.byteSize = 5;
    ApplyLineSettings(tio, settings);
    EXPECT_FALSE(tio.c_cflag & CSTOPB);
    EXPECT_EQ(tio.c_cflag & (PARENB | CMSPAR | PARODD), tcflag_t{PARENB | CMSPAR | PARODD});
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t{CS5});

    settings.parity = "SPACE";
    ApplyLineSettings(tio, settings);
    EXPECT_EQ(tio.c_cflag & (PARENB | CMSPAR | PARODD), tcflag_t{PARENB | CMSPAR});
    settings.parity = "NONE";
    ApplyLineSettings(tio, settings);
    EXPECT_FALSE(tio.c_cflag & PARENB);

    for (uint32_t baud :
         {110u, 300u, 1200u, 2400u, 4800u, 9600u, 19200u, 38400u, 57600u, 115200u}) {
        EXPECT_NE(SpeedCode(baud), speed_t{B0}) << baud;
    }
}

TEST(PosixSerialChannel, APacedSimulatorNeverDeliversAByteBeforeItsLineTime) {
    // At 110 baud a byte takes 91 ms: the handshake's 8 bytes out and 12 back take 1818 ms.
    test::SimProcess sim(KD_READER_SIM_PATH,
                         {"--log", "/dev/null", "--line-rate", "110", "--turnaround", "0"});
    auto channel = Open(sim.PortPath());
    ASSERT_TRUE(channel);
    const uint8_t handshake[] = {0x68, 0xDD, 0xDD, 0x01, 0x00, 0x00, 0x00, 0x69};
    const auto start = Clock::now();
    ASSERT_EQ(channel->Write(handshake, 8), 8);
    uint8_t reply[12] = {};
    int32_t got = 0;
    while (got < 12 && ElapsedMs(start) < 5000) {
        const int32_t n = channel->Read(reply + got, 12 - got, 1000);
        ASSERT_GE(n, 0);
        got += n;
    }
    EXPECT_EQ(got, 12);
    EXPECT_GE(ElapsedMs(start), 20 * 10'000 / 110);
}

}  // namespace
}  // namespace kd
