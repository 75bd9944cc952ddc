#include "link/win32/comm_setup.h"

namespace kd {

namespace {

void ApplyLineSettings(DCB& dcb, const SerialSettings& settings) {
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
}

std::string LineText(const SerialSettings& settings) {
    return std::to_string(settings.baudRate) + " baud, " + std::to_string(settings.byteSize) +
           " data bits, parity " + settings.parity + ", " + settings.stopBits + " stop bits";
}

}  // namespace

COMMTIMEOUTS PortTimeouts(const LineTimeouts& timeouts) {
    COMMTIMEOUTS native{};
    native.ReadIntervalTimeout = timeouts.readIntervalMs;
    native.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplierMs;
    native.ReadTotalTimeoutConstant = timeouts.readTotalConstantMs;
    native.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplierMs;
    native.WriteTotalTimeoutConstant = timeouts.writeTotalConstantMs;
    return native;
}

COMMTIMEOUTS SingleReadTimeouts(const LineTimeouts& timeouts, DWORD totalMs) {
    COMMTIMEOUTS native = PortTimeouts(timeouts);
    native.ReadTotalTimeoutMultiplier = 0;
    native.ReadTotalTimeoutConstant = totalMs;
    // All-zero totals would wait for the first byte without end; this pair returns at once.
    if (totalMs == 0) {
        native.ReadIntervalTimeout = MAXDWORD;
    }
    return native;
}

bool ConfigurePort(HANDLE port, const SerialSettings& settings, const LineTimeouts& timeouts,
                   std::string& why) {
    // The results of these are not needed: a port that takes no line settings is refused
    // below, and a port that takes them has queues and time-outs too.
    ::SetCommMask(port, EV_RXCHAR | EV_TXEMPTY);
    ::SetupComm(port, 2048, 2048);
    COMMTIMEOUTS native = PortTimeouts(timeouts);
    ::SetCommTimeouts(port, &native);

    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!::GetCommState(port, &dcb)) {
        why = "it is not a serial port: " + SystemMessage(::GetLastError());
        return false;
    }
    ApplyLineSettings(dcb, settings);
    if (!::SetCommState(port, &dcb)) {
        why = "the driver refused " + LineText(settings) + ": " + SystemMessage(::GetLastError());
        return false;
    }
    ::PurgeComm(port, PURGE_TXCLEAR | PURGE_RXCLEAR);
    return true;
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

}  // namespace kd
