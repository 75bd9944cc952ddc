// What the window's port list shows for each port: the system's own words about it,
// through the escape rule.
#include <gtest/gtest.h>

#include <string>

#include "link/port_enumeration.h"
#include "link/posix/sysfs_port_source.h"
#include "tests/support/fake_serial_platform.h"

namespace kd {
namespace {

TEST(PortEntryText, WindowsShowsTheFriendlyNameAndAlwaysThePort) {
    test::FakeSerialPlatform platform;
    const WindowsPortSource source(platform);
    struct Case {
        PortInfo port;
        std::string shown;
    };
    const Case cases[] = {
        {{"\\\\.\\COM3", "COM3", "USB-SERIAL CH340 (COM3)", true, ""}, "USB-SERIAL CH340 (COM3)"},
        // The fixed list knows nothing more than the name.
        {{"\\\\.\\COM1", "COM1", "COM1", false, ""}, "COM1"},
        // A friendly name that does not name the port, or names another one, gets it.
        {{"\\\\.\\COM4", "COM4", "Bluetooth link", false, ""}, "Bluetooth link (COM4)"},
        {{"\\\\.\\COM1", "COM1", "Adapter (COM12)", false, ""}, "Adapter (COM12) (COM1)"},
        // The system's bytes are shown, never obeyed.
        {{"p", "COM5", "Ev\x1b[2Jil\\ (COM5)", false, ""}, "Ev\\x1B[2Jil\\\\ (COM5)"},
        // Only ports named COMn are listed.
        {{"\\\\?\\modem", "", "Modem on line", false, ""}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(source.EntryText(c.port), c.shown) << c.port.friendlyName;
    }
}

TEST(PortEntryText, LinuxShowsTheUsbDevicesWordsBesideThePath) {
    const SysfsPortSource source({});
    PortInfo usb{"/dev/ttyUSB0", "ttyUSB0", "", true, ""};
    usb.product = "USB2.0-Serial";
    usb.manufacturer = "QinHeng Electronics";
    usb.serialNumber = "A50285BI";
    usb.usbId = "1a86:7523";
    EXPECT_EQ(source.EntryText(usb),
              "ttyUSB0 (USB2.0-Serial, QinHeng Electronics, 序列号 A50285BI)");

    // A device without texts is known by its ids; a serial number alone still shows.
    PortInfo bare{"/dev/ttyACM0", "ttyACM0", "", true, ""};
    bare.usbId = "0525:a4a7";
    EXPECT_EQ(source.EntryText(bare), "ttyACM0 (USB 0525:a4a7)");
    bare.serialNumber = "42";
    EXPECT_EQ(source.EntryText(bare), "ttyACM0 (USB 0525:a4a7, 序列号 42)");

    // Each text through the escape rule, the path too.
    PortInfo odd{"/tmp/a\nb", "/tmp/a\nb", "", true, ""};
    odd.product = "Fake\\Reader\xff";
    odd.serialNumber = "\x1b]0;x\x07";
    EXPECT_EQ(source.EntryText(odd), "/tmp/a\\x0Ab (Fake\\\\Reader\\xFF, 序列号 \\x1B]0;x\\x07)");

    EXPECT_EQ(source.EntryText({"/dev/ttyS0", "ttyS0", "ttyS0", false, "ttyS0"}), "ttyS0");
    EXPECT_EQ(source.EntryText({"", "", "", false, ""}), "");
}

}  // namespace
}  // namespace kd
