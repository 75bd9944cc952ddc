#include "link/posix/termios_setup.h"

namespace kd {

speed_t SpeedCode(uint32_t baudRate) {
    switch (baudRate) {
        case 110:
            return B110;
        case 134:
            return B134;
        case 150:
            return B150;
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 1800:
            return B1800;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        default:
            return B0;
    }
}

namespace {

void ApplyByteSize(termios& tio, uint8_t byteSize) {
    tcflag_t size;
    switch (byteSize) {
        case 5:
            size = CS5;
            break;
        case 6:
            size = CS6;
            break;
        case 7:
            size = CS7;
            break;
        case 8:
            size = CS8;
            break;
        default:
            return;
    }
    tio.c_cflag = (tio.c_cflag & ~CSIZE) | size;
}

void ApplyStopBits(termios& tio, StopBitsSetting stopBits) {
    if (stopBits == StopBitsSetting::One) {
        tio.c_cflag &= ~CSTOPB;
    } else if (stopBits == StopBitsSetting::Two) {
        tio.c_cflag |= CSTOPB;
    }
}

void ApplyParity(termios& tio, ParitySetting parity) {
    constexpr tcflag_t kParityBits = PARENB | PARODD | CMSPAR;
    tcflag_t bits;
    switch (parity) {
        case ParitySetting::None:
            bits = 0;
            break;
        case ParitySetting::Odd:
            bits = PARENB | PARODD;
            break;
        case ParitySetting::Even:
            bits = PARENB;
            break;
        // With CMSPAR the parity bit is fixed: PARODD makes it 1 (mark), else 0 (space).
        case ParitySetting::Mark:
            bits = PARENB | CMSPAR | PARODD;
            break;
        case ParitySetting::Space:
            bits = PARENB | CMSPAR;
            break;
        case ParitySetting::Keep:
        default:
            return;
    }
    tio.c_cflag = (tio.c_cflag & ~kParityBits) | bits;
}

}  // namespace

void ApplyLineSettings(termios& tio, const SerialSettings& settings) {
    // Raw bytes both ways. The byte size and parity set by cfmakeraw are put back below,
    // since texts we do not know must keep what the port had.
    const tcflag_t keptSize = tio.c_cflag & CSIZE;
    const tcflag_t keptParity = tio.c_cflag & (PARENB | PARODD | CMSPAR);
    cfmakeraw(&tio);
    tio.c_cflag = (tio.c_cflag & ~(CSIZE | PARENB | PARODD | CMSPAR)) | keptSize | keptParity;

    // Received parity is never tested and NUL bytes stay in the data; no XON/XOFF.
    tio.c_iflag &= ~(INPCK | IGNPAR | PARMRK | ISTRIP | IXON | IXOFF | IXANY);
    tio.c_cflag |= CLOCAL | CREAD;
    // A reader wired to reset on DTR would restart at every close.
    tio.c_cflag &= ~HUPCL;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;

    if (const speed_t speed = SpeedCode(settings.baudRate); speed != B0) {
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
    }
    ApplyByteSize(tio, settings.byteSize);
    ApplyStopBits(tio, ParseStopBits(settings.stopBits));
    ApplyParity(tio, ParseParity(settings.parity));
}

}  // namespace kd
