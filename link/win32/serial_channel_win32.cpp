// The serial channel over the Windows communications API. The port is opened without
// FILE_FLAG_OVERLAPPED, so every ReadFile and WriteFile returns when its transfer has
// ended; the events only tell the one running transfer's end.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "link/chunked_write.h"
#include "link/port_name.h"
#include "link/serial_channel.h"
#include "link/win32/comm_setup.h"
#include "link/win32/unique_handle.h"
#include "text/escape.h"

namespace kd {

namespace {

constexpr int32_t kPortGone = -3;
// Beyond the line time-outs, a transfer that has not ended is taken as lost.
constexpr DWORD kWaitMarginMs = 1000;

class SerialChannel final : public Channel {
  public:
    SerialChannel(UniqueHandle port, const LineTimeouts& timeouts)
        : port_(std::move(port)), timeouts_(timeouts) {
        writeEvent_ = UniqueHandle(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        readEvent_ = UniqueHandle(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        writeOverlapped_.hEvent = writeEvent_.Get();
        readOverlapped_.hEvent = readEvent_.Get();
    }
    ~SerialChannel() override { Close(); }

    // The designed read asks for 65 bytes under the port's own time-outs. A shorter read,
    // or a shorter time-out, gets time-outs of its own for that one call.
    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) override {
        if (!port_.Valid()) {
            return kPortGone;
        }
        const DWORD want = static_cast<DWORD>(std::clamp(capacity, int32_t{0}, kReadChunk));
        if (want == 0) {
            return 0;
        }
        const DWORD totalMs = std::min(timeouts_.ReadTotalMs(kReadChunk), timeoutMs);
        const bool designed = want == kReadChunk && totalMs == timeouts_.ReadTotalMs(kReadChunk);
        COMMTIMEOUTS wanted =
            designed ? PortTimeouts(timeouts_) : SingleReadTimeouts(timeouts_, totalMs);
        if (!designedInPlace_ || !designed) {
            if (!::SetCommTimeouts(port_.Get(), &wanted)) {
                ClearErrors();
                return kPortGone;
            }
            designedInPlace_ = designed;
        }
        const int32_t got = ReadOnce(buffer, want, totalMs);
        if (!designed) {
            COMMTIMEOUTS restored = PortTimeouts(timeouts_);
            designedInPlace_ = ::SetCommTimeouts(port_.Get(), &restored) != FALSE;
        }
        return got;
    }

    int32_t Write(const uint8_t* bytes, int32_t count) override {
        if (count > 0 && !port_.Valid()) {
            return -1;
        }
        return WriteInChunks(bytes, count, [this](const uint8_t* chunk, int32_t size) {
            return WriteChunk(chunk, static_cast<DWORD>(size));
        });
    }

    void DiscardInput() override {
        if (port_.Valid()) {
            ::PurgeComm(port_.Get(), PURGE_RXCLEAR);
        }
    }

    uint32_t IntervalMs() const override { return timeouts_.readIntervalMs; }
    std::chrono::microseconds ByteTime() const override {
        return std::chrono::microseconds(timeouts_.byteTimeUs);
    }

    void Close() override { port_.Reset(); }

  private:
    int32_t ReadOnce(uint8_t* buffer, DWORD want, DWORD totalMs) {
        ::ResetEvent(readEvent_.Get());
        std::memset(readScratch_, 0, sizeof(readScratch_));
        DWORD count = 0;
        if (::ReadFile(port_.Get(), readScratch_, want, nullptr, &readOverlapped_)) {
            // Done under the line time-outs. Some drivers (Wine's among them) leave the
            // event unsignalled when the read ends empty, so it is not waited for here.
            ::GetOverlappedResult(port_.Get(), &readOverlapped_, &count, FALSE);
        } else if (::GetLastError() != ERROR_IO_PENDING ||
                   !AwaitTransfer(readEvent_, readOverlapped_, totalMs + kWaitMarginMs, count)) {
            // The port failed (a USB serial port unplugged, a framing error on a port that
            // aborts on errors) or the read never ended.
            ClearErrors();
            return kPortGone;
        }
        count = std::min(count, want);
        std::memcpy(buffer, readScratch_, count);
        return static_cast<int32_t>(count);
    }

    // A chunk is sent when WriteFile took all of it; one cut short by the write
    // time-out, or one whose end never comes, is a failure.
    bool WriteChunk(const uint8_t* bytes, DWORD size) {
        std::memset(writeScratch_, 0, sizeof(writeScratch_));
        std::memcpy(writeScratch_, bytes, size);
        ::ResetEvent(writeEvent_.Get());
        DWORD written = 0;
        if (::WriteFile(port_.Get(), writeScratch_, size, nullptr, &writeOverlapped_)) {
            ::GetOverlappedResult(port_.Get(), &writeOverlapped_, &written, FALSE);
        } else {
            const DWORD error = ::GetLastError();
            // Pending, or failed with no error code: wait for the end, within the budget.
            const DWORD budget = timeouts_.WriteTotalMs(size) + kWaitMarginMs;
            if ((error != ERROR_IO_PENDING && error != ERROR_SUCCESS) ||
                !AwaitTransfer(writeEvent_, writeOverlapped_, budget, written)) {
                ClearErrors();
                return false;
            }
        }
        if (written != size) {
            ClearErrors();
            return false;
        }
        return true;
    }

    // Waits for a running transfer up to waitMs. A transfer still running then is
    // cancelled and counts as failed.
    bool AwaitTransfer(const UniqueHandle& event, OVERLAPPED& overlapped, DWORD waitMs,
                       DWORD& count) {
        if (::WaitForSingleObject(event.Get(), waitMs) == WAIT_OBJECT_0) {
            return ::GetOverlappedResult(port_.Get(), &overlapped, &count, FALSE) != FALSE;
        }
        ::CancelIo(port_.Get());
        // The cancelled transfer ends before its buffer is used again.
        ::WaitForSingleObject(event.Get(), kWaitMarginMs);
        return false;
    }

    // After a failed transfer: a port that aborts on errors refuses every later transfer
    // until its error state is read.
    void ClearErrors() {
        DWORD errors = 0;
        COMSTAT status{};
        ::ClearCommError(port_.Get(), &errors, &status);
    }

    UniqueHandle port_;
    LineTimeouts timeouts_;
    bool designedInPlace_ = true;
    OVERLAPPED writeOverlapped_{};
    OVERLAPPED readOverlapped_{};
    UniqueHandle writeEvent_;
    UniqueHandle readEvent_;
    uint8_t readScratch_[kReadChunk] = {};
    uint8_t writeScratch_[kReadChunk] = {};
};

}  // namespace

std::unique_ptr<Channel> OpenSerialChannel(const SerialSettings& settings, std::string& error) {
    const std::string path = WindowsPortPath(settings.portPath);
    UniqueHandle port(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_READONLY, nullptr));
    if (!port.Valid()) {
        const DWORD code = ::GetLastError();
        const char* why = code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION
                              ? "it is in use by another program: "
                              : "";
        error = "cannot open serial port " + text::EscapeSystemText(settings.portPath) + ": " +
                why + SystemMessage(code);
        return nullptr;
    }
    const LineTimeouts timeouts = TimeoutsForLine(settings);
    std::string why;
    if (!ConfigurePort(port.Get(), settings, timeouts, why)) {
        error = "cannot open serial port " + text::EscapeSystemText(settings.portPath) + ": " + why;
        return nullptr;
    }
    return std::make_unique<SerialChannel>(std::move(port), timeouts);
}

}  // namespace kd
