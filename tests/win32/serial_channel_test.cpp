// The Windows serial channel: a file refused as a port, and on a real port (COM1 mapped to
// a simulated reader under Wine) the read time-outs of one short read and of the designed
// read after it.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "link/serial_channel.h"
#include "protocol/device_commands.h"
#include "tests/win32/check.h"
#include "text/escape.h"

namespace kd::test {

namespace {

DWORD TimedRead(Channel& channel, uint32_t timeoutMs, int32_t& got) {
    uint8_t buffer[1024];
    const ULONGLONG start = ::GetTickCount64();
    got = channel.Read(buffer, 1025, timeoutMs);
    return static_cast<DWORD>(::GetTickCount64() - start);
}

void FileIsRefusedAsAPortAndLeftAlone() {
    KD_CASE("file refused as a port");
    char folder[MAX_PATH] = {};
    char path[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    KD_CHECK(::GetTempFileNameA(folder, "kdp", 0, path) != 0);
    const std::string content = "notes that must stay as they are\r\n";
    std::ofstream(path, std::ios::binary) << content;

    SerialSettings settings;
    settings.portPath = path;
    std::string error;
    KD_CHECK(!OpenSerialChannel(settings, error));
    KD_CHECK(error.find("not a serial port") != std::string::npos);
    // The path as the message shows it: escaped, its backslashes doubled.
    KD_CHECK(error.find(text::EscapeSystemText(path)) != std::string::npos);
    std::ifstream file(path, std::ios::binary);
    KD_CHECK_EQ(std::string(std::istreambuf_iterator<char>(file), {}), content);
    file.close();
    ::DeleteFileA(path);
}

void ShortReadThenTheDesignedOne(const std::string& port) {
    KD_CASE("read time-outs on a port");
    SerialSettings settings;
    settings.portPath = port;  // a bare name: the channel adds the device namespace
    std::string error;
    auto channel = OpenSerialChannel(settings, error);
    if (!KD_CHECK(channel != nullptr)) {
        std::printf("    %s\n", error.c_str());
        return;
    }
    int32_t got = -1;
    DWORD took = TimedRead(*channel, 50, got);
    KD_CHECK_EQ(got, 0);
    KD_CHECK(took >= 30 && took < 600);
    std::printf("    silent read of 50 ms: %lu ms\n", static_cast<unsigned long>(took));
    // The port's own time-outs are back for the next read.
    took = TimedRead(*channel, 2000, got);
    KD_CHECK_EQ(got, 0);
    KD_CHECK(took >= 1500 && took < 3000);
    std::printf("    silent designed read: %lu ms\n", static_cast<unsigned long>(took));
    KD_CHECK_EQ(Handshake(channel.get()), kCommandOk);
    channel->Close();
}

}  // namespace

void RunSerialChannelTests(const char* port) {
    FileIsRefusedAsAPortAndLeftAlone();
    if (port != nullptr) {
        ShortReadThenTheDesignedOne(port);
    }
}

}  // namespace kd::test
