// The serial channel over the Windows communications API. The port is opened without
// FILE_FLAG_OVERLAPPED, so every ReadFile and WriteFile returns when its transfer has
// ended; the events only tell the one running transfer's end.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "link/serial_channel.h"
#include "link/win32/unique_handle.h"

namespace kd {

namespace {

constexpr int32_t kPortGone = -3;

class SerialChannel final : public Channel {
  public:
    explicit SerialChannel(UniqueHandle port) : port_(std::move(port)) {
        writeEvent_ = UniqueHandle(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        readEvent_ = UniqueHandle(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        writeOverlapped_.hEvent = writeEvent_.Get();
        readOverlapped_.hEvent = readEvent_.Get();
    }
    ~SerialChannel() override { Close(); }

    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) override {
        if (!port_.Valid()) {
            return kPortGone;
        }
        ::ResetEvent(readEvent_.Get());
        uint8_t scratch[kReadChunk] = {};
        const DWORD want = static_cast<DWORD>(std::clamp(capacity, int32_t{0}, kReadChunk));
        DWORD count = 0;
        if (::ReadFile(port_.Get(), scratch, want, nullptr, &readOverlapped_)) {
            // Done under the line time-outs. Some drivers (Wine's among them) leave the
            // event unsignalled when the read ends empty, so it is not waited for here.
            ::GetOverlappedResult(port_.Get(), &readOverlapped_, &count, FALSE);
        } else if (::GetLastError() == ERROR_IO_PENDING) {
            const DWORD waited = ::WaitForSingleObject(readEvent_.Get(), timeoutMs);
            if (waited == WAIT_TIMEOUT || waited == WAIT_FAILED) {
                return kPortGone;
            }
            ::GetOverlappedResult(port_.Get(), &readOverlapped_, &count, TRUE);
        } else {
            // The port failed outright, as when a USB serial port is unplugged.
            return kPortGone;
        }
        if (count == 0) {
            return 0;
        }
        count = std::min(count, want);
        std::memcpy(buffer, scratch, count);
        return static_cast<int32_t>(count);
    }

    int32_t Write(const uint8_t* bytes, int32_t count) override {
        if (count <= 0) {
            return count;
        }
        if (!port_.Valid()) {
            return -1;
        }
        for (int32_t sent = 0; sent < count; sent += kWriteChunk) {
            const int32_t chunk = std::min(kWriteChunk, count - sent);
            if (!WriteChunk(bytes + sent, static_cast<DWORD>(chunk))) {
                return -1;
            }
        }
        return count;
    }

    void DiscardInput() override {
        if (port_.Valid()) {
            ::PurgeComm(port_.Get(), PURGE_RXCLEAR);
        }
    }

    void Close() override { port_.Reset(); }

  private:
    // A chunk is sent when WriteFile took all of it; one cut short by the write
    // time-out is a failure.
    bool WriteChunk(const uint8_t* bytes, DWORD size) {
        uint8_t scratch[kReadChunk] = {};
        std::memcpy(scratch, bytes, size);
        ::ResetEvent(writeEvent_.Get());
        if (!::WriteFile(port_.Get(), scratch, size, nullptr, &writeOverlapped_)) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_IO_PENDING && error != ERROR_SUCCESS) {
                return false;
            }
            ::WaitForSingleObject(writeEvent_.Get(), INFINITE);
        }
        DWORD written = 0;
        if (!::GetOverlappedResult(port_.Get(), &writeOverlapped_, &written, TRUE)) {
            return false;
        }
        return written == size;
    }

    UniqueHandle port_;
    OVERLAPPED writeOverlapped_{};
    OVERLAPPED readOverlapped_{};
    UniqueHandle writeEvent_;
    UniqueHandle readEvent_;
};

void ConfigurePort(HANDLE port, const SerialSettings& settings) {
    // Nothing here is checked: a port that refuses a setting keeps what it had.
    ::SetCommMask(port, EV_RXCHAR | EV_TXEMPTY);
    ::SetupComm(port, 2048, 2048);

    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = kLineTimeouts.readIntervalMs;
    timeouts.ReadTotalTimeoutMultiplier = kLineTimeouts.readTotalMultiplierMs;
    timeouts.ReadTotalTimeoutConstant = kLineTimeouts.readTotalConstantMs;
    timeouts.WriteTotalTimeoutMultiplier = kLineTimeouts.writeTotalMultiplierMs;
    timeouts.WriteTotalTimeoutConstant = kLineTimeouts.writeTotalConstantMs;
    ::SetCommTimeouts(port, &timeouts);

    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    ::GetCommState(port, &dcb);
    dcb.BaudRate = settings.baudRate;
    dcb.ByteSize = settings.byteSize;
    switch (ParseStopBits(settings.stopBits)) {
        case StopBitsSetting::One:
            dcb.StopBits = ONESTOPBIT;
            break;
        case StopBitsSetting::Two:
            dcb.StopBits = TWOSTOPBITS;
            break;
        case StopBitsSetting::Keep:
            break;
    }
    switch (ParseParity(settings.parity)) {
        case ParitySetting::None:
            dcb.Parity = NOPARITY;
            break;
        case ParitySetting::Odd:
            dcb.Parity = ODDPARITY;
            break;
        case ParitySetting::Even:
            dcb.Parity = EVENPARITY;
            break;
        case ParitySetting::Mark:
            dcb.Parity = MARKPARITY;
            break;
        case ParitySetting::Space:
            dcb.Parity = SPACEPARITY;
            break;
        case ParitySetting::Keep:
            break;
    }
    dcb.fBinary = 1;
    dcb.fParity = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fTXContinueOnXoff = 0;
    dcb.fNull = 0;
    dcb.XonLim = 1024;
    dcb.XoffLim = 1024;
    ::SetCommState(port, &dcb);

    ::PurgeComm(port, PURGE_TXCLEAR | PURGE_RXCLEAR);
}

std::string SystemMessage(DWORD error) {
    char text[256] = {};
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                         0, text, sizeof(text), nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    return message + " (error " + std::to_string(error) + ")";
}

}  // namespace

std::unique_ptr<Channel> OpenSerialChannel(const SerialSettings& settings, std::string& error) {
    UniqueHandle port(::CreateFileA(settings.portPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_READONLY, nullptr));
    if (!port.Valid()) {
        const DWORD code = ::GetLastError();
        const char* why = code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION
                              ? "it is in use by another program: "
                              : "";
        error = "cannot open serial port " + settings.portPath + ": " + why + SystemMessage(code);
        return nullptr;
    }
    ConfigurePort(port.Get(), settings);
    return std::make_unique<SerialChannel>(std::move(port));
}

}  // namespace kd
