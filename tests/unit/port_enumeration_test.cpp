#include "link/port_enumeration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fake_serial_platform.h"

namespace kd {
namespace {

using test::FakeDevice;
using test::FakeSerialPlatform;

constexpr OsVersion kWindows98{4, 10, 2222, 1};
constexpr OsVersion kNt4{4, 0, 1381, 2};

std::vector<std::string> PortNames(const std::vector<PortInfo>& list) {
    std::vector<std::string> names;
    for (const PortInfo& port : list) {
        names.push_back(port.portName);
    }
    return names;
}

// Runs the search and returns the text it threw, or "" when it did not throw.
std::string FailureOf(std::vector<PortInfo>& list, FakeSerialPlatform& platform,
                      bool skipBusyPorts = false) {
    try {
        EnumerateSerialPorts(list, skipBusyPorts, platform);
    } catch (const EnumerationError& error) {
        return error.what();
    }
    return "";
}

FakeDevice Port(std::string path, std::string friendlyName, std::string description,
                std::string location = "") {
    return {std::move(path), std::move(friendlyName), std::move(description), std::move(location)};
}

// Ports found through the device-interface classes, on current systems.

TEST(SerialInterfaceSearch, PortInBothClassesIsListedOnceFromTheFirstPass) {
    FakeSerialPlatform platform;
    platform.Class(kSerialPortInterfaceClass).devices = {
        Port("\\\\?\\acpi#pnp0501#1", "Communications Port (COM1)", "Communications Port", "ACPI"),
        Port("\\\\?\\ftdibus#port", "USB Serial Port (COM7)", "USB Serial Port", "USB-Port_#0002")};
    platform.Class(kUsbDeviceInterfaceClass).devices = {
        Port("\\\\?\\usb#vid_0403", "USB Serial Port (COM7)", "USB Serial Port",
             "Port_#0002.Hub_#0001")};
    std::vector<PortInfo> list{{"stale", "COM99", "", false, ""}};

    EnumerateSerialPorts(list, false, platform);

    EXPECT_EQ(PortNames(list), (std::vector<std::string>{"COM1", "COM7"}));
    EXPECT_EQ(list[1].devicePath, "\\\\?\\ftdibus#port");
    EXPECT_TRUE(list[1].isUsb);
    EXPECT_FALSE(list[0].isUsb);
    EXPECT_EQ(platform.classesSearched,
              (std::vector<Guid>{kSerialPortInterfaceClass, kUsbDeviceInterfaceClass}));
    EXPECT_EQ(platform.setsCreated, 2);
    EXPECT_EQ(platform.setsDestroyed, 2);
    EXPECT_EQ(platform.callsOnDeadSets, 0);
}

TEST(SerialInterfaceSearch, PortNameComesFromTheFriendlyName) {
    FakeSerialPlatform platform;
    platform.Class(kSerialPortInterfaceClass).devices = {
        Port("a", "USB Serial Port (COM7)", "Serial converter", "USB"),
        Port("b", "COM12 modem", "Modem", "usb hub"),
        Port("c", "Modem on COMx", "Bad modem", "Hub on USB"),
        Port("d", "COMMS HUB (COM3)", "Hub port", "USB")};
    std::vector<PortInfo> list;

    EnumerateSerialPorts(list, false, platform);

    ASSERT_EQ(PortNames(list), (std::vector<std::string>{"COM7", "COM12", "COM", "COM3"}));
    EXPECT_EQ(list[0].friendlyName, "USB Serial Port (COM7)");
    EXPECT_EQ(list[0].description, "Serial converter");
    EXPECT_TRUE(list[0].isUsb);
    EXPECT_FALSE(list[1].isUsb);  // the location test is case-sensitive
    EXPECT_FALSE(list[2].isUsb);
}

TEST(SerialInterfaceSearch, InterfaceNeedsFriendlyNameAndDescription) {
    FakeSerialPlatform platform;
    FakeDevice noFriendly = Port("a", "", "Port A", "USB");
    noFriendly.friendlyName.reset();
    FakeDevice noDescription = Port("b", "Port B (COM2)", "");
    noDescription.description.reset();
    FakeDevice noLocation = Port("c", "Port C (COM3)", "Port C");
    noLocation.location.reset();
    platform.Class(kSerialPortInterfaceClass).devices = {noFriendly, noDescription, noLocation};
    std::vector<PortInfo> list;

    EnumerateSerialPorts(list, false, platform);

    ASSERT_EQ(PortNames(list), (std::vector<std::string>{"COM3"}));
    EXPECT_FALSE(list[0].isUsb);
    // Without a friendly name the description is not asked for, the location still is.
    std::vector<DeviceProperty> askedOfA;
    for (const auto& [path, property] : platform.propertiesRead) {
        if (path == "a") {
            askedOfA.push_back(property);
        }
    }
    EXPECT_EQ(askedOfA, (std::vector<DeviceProperty>{DeviceProperty::FriendlyName,
                                                     DeviceProperty::LocationInformation}));
}

TEST(SerialInterfaceSearch, PropertyValuesAreReadWithinTheirBytes) {
    FakeSerialPlatform platform;
    FakeDevice unterminated = Port("a", "Dial-up (COM9)", "Dial-up", "USB");
    unterminated.unterminated = true;
    FakeDevice full = Port("b", std::string(256, 'x'), "Long");
    full.unterminated = true;
    full.overstatedBy = 8;
    const FakeDevice tooLong = Port("c", std::string(256, 'y'), "Too long");  // 257 with NUL
    platform.Class(kSerialPortInterfaceClass).devices = {unterminated, full, tooLong};
    std::vector<PortInfo> list;

    EnumerateSerialPorts(list, false, platform);

    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].friendlyName, "Dial-up (COM9)");
    EXPECT_EQ(list[0].portName, "COM9");
    EXPECT_TRUE(list[0].isUsb);
    EXPECT_EQ(list[1].friendlyName, std::string(256, 'x'));
    for (std::size_t size : platform.propertyBufferSizes) {
        EXPECT_EQ(size, 256u);
    }
    for (std::size_t size : platform.detailBufferSizes) {
        EXPECT_EQ(size, 261u);
    }
}

TEST(SerialInterfaceSearch, RecordsWithoutPortNumberKeepOnlyTheFirst) {
    FakeSerialPlatform platform;
    platform.Class(kSerialPortInterfaceClass).devices = {Port("a", "Bluetooth Link", "BT"),
                                                         Port("b", "Infrared Link", "IR")};
    std::vector<PortInfo> list;

    EnumerateSerialPorts(list, false, platform);

    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].devicePath, "a");
    EXPECT_EQ(list[0].portName, "");
}

TEST(SerialInterfaceSearch, BusyPortsAreDroppedOnlyWhenAskedTo) {
    FakeSerialPlatform platform;
    platform.Class(kSerialPortInterfaceClass).devices = {Port("a", "One (COM1)", "One"),
                                                         Port("b", "Two (COM2)", "Two"),
                                                         Port("c", "Three (COM3)", "Three")};
    platform.busyPaths = {"b"};
    std::vector<PortInfo> list;

    EnumerateSerialPorts(list, false, platform);
    EXPECT_EQ(PortNames(list), (std::vector<std::string>{"COM1", "COM2", "COM3"}));
    EXPECT_TRUE(platform.probed.empty());

    EnumerateSerialPorts(list, true, platform);
    EXPECT_EQ(PortNames(list), (std::vector<std::string>{"COM1", "COM3"}));
}

// Records after a removed one are looked at too, even when no later pass tidies again.
TEST(SerialInterfaceSearch, RemovalsLookAtTheSameIndexAgain) {
    FakeSerialPlatform platform;
    platform.Class(kSerialPortInterfaceClass).devices = {
        Port("a", "Busy (COM1)", "A"),  Port("b", "Busy (COM2)", "B"),
        Port("c", "Free (COM3)", "C"),  Port("d", "Again (COM3)", "D"),
        Port("e", "Third (COM3)", "E"), Port("f", "Free (COM4)", "F")};
    platform.Class(kUsbDeviceInterfaceClass).openError = 5;
    platform.busyPaths = {"a", "b"};
    std::vector<PortInfo> list;

    EXPECT_NE(FailureOf(list, platform, true), "");
    EXPECT_EQ(PortNames(list), (std::vector<std::string>{"COM3", "COM4"}));
    EXPECT_EQ(list[0].devicePath, "c");
}

// Failures of the device-installation calls.

TEST(SerialInterfaceFailure, VersionQueryFailure) {
    FakeSerialPlatform platform;
    platform.versionError = 0x1f;
    std::vector<PortInfo> list{{"stale", "COM99", "", false, ""}};

    EXPECT_EQ(FailureOf(list, platform), "Could not get OS version. (err=1f)");
    EXPECT_TRUE(list.empty());
}

TEST(SerialInterfaceFailure, ClassDevicesFailureKeepsTheFirstPassTidied) {
    FakeSerialPlatform platform;
    platform.Class(kSerialPortInterfaceClass).devices = {Port("a", "One (COM1)", "")};
    platform.Class(kUsbDeviceInterfaceClass).openError = 0xE000020B;
    std::vector<PortInfo> list;

    EXPECT_EQ(FailureOf(list, platform), "SetupDiGetClassDevs failed. (err=e000020b)");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].portName, "COM1");
    EXPECT_EQ(list[0].description, "One");
    EXPECT_EQ(platform.setsCreated, platform.setsDestroyed);
}

TEST(SerialInterfaceFailure, EnumFailureReleasesTheSetAndLeavesRecordsUntidied) {
    FakeSerialPlatform platform;
    test::FakeInterfaceClass& serial = platform.Class(kSerialPortInterfaceClass);
    serial.devices = {Port("a", "One (COM1)", ""), Port("b", "Two (COM2)", "Two")};
    serial.enumErrorIndex = 1;
    serial.enumError = 0xABC;
    std::vector<PortInfo> list;

    EXPECT_EQ(FailureOf(list, platform), "SetupDiEnumDeviceInterfaces failed. (err=abc)");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].portName, "");
    EXPECT_EQ(list[0].description, "");
    EXPECT_EQ(platform.setsCreated, 1);
    EXPECT_EQ(platform.setsDestroyed, 1);
}

TEST(SerialInterfaceFailure, PathLongerThanTheDetailBufferFails) {
    FakeSerialPlatform platform;
    platform.Class(kSerialPortInterfaceClass).devices = {Port("a", "One (COM1)", "One")};
    platform.Class(kUsbDeviceInterfaceClass).devices = {
        Port("b", "Two (COM2)", "Two"), Port(std::string(300, 'p'), "Three (COM3)", "Three")};
    std::vector<PortInfo> list;

    EXPECT_EQ(FailureOf(list, platform), "SetupDiGetDeviceInterfaceDetail failed. (err=7a)");
    EXPECT_EQ(PortNames(list), (std::vector<std::string>{"COM1", ""}));
    EXPECT_EQ(platform.setsCreated, 2);
    EXPECT_EQ(platform.setsDestroyed, 2);
    EXPECT_EQ(platform.callsOnDeadSets, 0);
}

// Older systems: the fixed list on the NT line, the registry elsewhere.

TEST(SerialFixedList, Nt4ListsSixteenPortsUnprobedWhenNotSkipping) {
    FakeSerialPlatform platform;
    platform.version = kNt4;
    std::vector<PortInfo> list;

    EnumerateSerialPorts(list, false, platform);

    ASSERT_EQ(list.size(), 16u);
    for (int n = 1; n <= 16; ++n) {
        const PortInfo& port = list[static_cast<std::size_t>(n - 1)];
        const std::string name = "COM" + std::to_string(n);
        EXPECT_EQ(port.devicePath, "\\\\.\\" + name);
        EXPECT_EQ(port.portName, name);
        EXPECT_EQ(port.friendlyName, name);
        EXPECT_EQ(port.description, name);
        EXPECT_FALSE(port.isUsb);
    }
    EXPECT_EQ(platform.setsCreated, 0);
    EXPECT_EQ(platform.keysOpened, 0);
    EXPECT_TRUE(platform.probed.empty());
}

TEST(SerialFixedList, SkippingBusyPortsProbesTheFixedNames) {
    FakeSerialPlatform platform;
    platform.version = kNt4;
    platform.busyPaths = {"\\\\.\\COM2", "\\\\.\\COM16"};
    std::vector<PortInfo> list;

    EnumerateSerialPorts(list, true, platform);

    ASSERT_EQ(list.size(), 14u);
    EXPECT_EQ(list[0].portName, "COM1");
    EXPECT_EQ(list[1].portName, "COM3");
    EXPECT_EQ(list.back().portName, "COM15");
}

class SerialRegistryWalk : public ::testing::Test {
  protected:
    SerialRegistryWalk() { platform.version = kWindows98; }

    FakeSerialPlatform platform;
    std::vector<PortInfo> list;
};

TEST_F(SerialRegistryWalk, TakesSerialIdentifiersAndEveryUsbPort) {
    platform.SetString("Enum\\Root\\*PNP0501\\0000", "PORTNAME", "COM1");
    platform.SetString("Enum\\Root\\*PNP0501\\0000", "FRIENDLYNAME", "Communications Port (COM1)");
    platform.SetString("Enum\\BIOS\\*PNP0500\\0C", "PORTNAME", "COM2");
    platform.SetString("Enum\\BIOS\\*PNP0303\\00", "PORTNAME", "COM5");  // a keyboard
    platform.SetString("Enum\\BIOS\\*PNP0501\\0D", "FRIENDLYNAME", "No port name");
    platform.SetString("Enum\\USBPORTS\\VID_067B\\0001", "PORTNAME", "COM4");
    platform.SetString("Enum\\USBPORTS\\VID_067B\\0001", "FRIENDLYNAME",
                       "USB to Serial (COM4) adapter");

    EnumerateSerialPorts(list, false, platform);

    ASSERT_EQ(PortNames(list), (std::vector<std::string>{"COM1", "COM2", "COM4"}));
    EXPECT_EQ(list[0].devicePath, "\\\\.\\COM1");
    EXPECT_EQ(list[0].description, "Communications Port");
    EXPECT_FALSE(list[0].isUsb);
    EXPECT_EQ(list[1].friendlyName, "COM2");
    EXPECT_EQ(list[1].description, "COM2");
    EXPECT_EQ(list[2].description, "USB to Serial (COM4) adapter");
    EXPECT_TRUE(list[2].isUsb);
    EXPECT_EQ(platform.keysOpen, 0);
    EXPECT_EQ(platform.setsCreated, 0);
}

TEST_F(SerialRegistryWalk, DescriptionCutOnlyForATrailingBracket) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Foo (COM3)", "Foo"},      {"Foo (COM3) spare", "Foo (COM3) spare"},
        {" (COM3)", " (COM3)"},     {"Foo (a) (COM3)", "Foo (a) (COM3)"},
        {"Foo(COM3)", "Foo(COM3)"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string key = "Enum\\Root\\*PNP0501\\" + std::to_string(i);
        platform.SetString(key, "PORTNAME", "COM" + std::to_string(i + 1));
        platform.SetString(key, "FRIENDLYNAME", cases[i].first);
    }

    EnumerateSerialPorts(list, false, platform);

    ASSERT_EQ(list.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(list[i].description, cases[i].second) << cases[i].first;
    }
}

TEST_F(SerialRegistryWalk, SamePortNameOverwritesTheFirstRecord) {
    platform.SetString("Enum\\Root\\*PNP0501\\0000", "PORTNAME", "COM3");
    platform.SetString("Enum\\Root\\*PNP0501\\0000", "FRIENDLYNAME", "First (COM3)");
    platform.SetString("Enum\\Root\\*PNP0501\\0001", "PORTNAME", "COM1");
    platform.SetString("Enum\\USBPORTS\\VID_1\\0000", "PORTNAME", "COM3");
    platform.SetString("Enum\\USBPORTS\\VID_1\\0000", "FRIENDLYNAME", "Second (COM3)");

    EnumerateSerialPorts(list, false, platform);

    ASSERT_EQ(PortNames(list), (std::vector<std::string>{"COM3", "COM1"}));
    EXPECT_EQ(list[0].friendlyName, "Second (COM3)");
    EXPECT_TRUE(list[0].isUsb);
}

TEST_F(SerialRegistryWalk, ValuesWithoutNulAndOversizedValues) {
    platform.Key("Enum\\Root\\*PNP0501\\0000").values["PORTNAME"] = "COM6";
    platform.SetString("Enum\\Root\\*PNP0501\\0001", "PORTNAME", std::string(127, 'C'));
    platform.SetString("Enum\\Root\\*PNP0501\\0002", "PORTNAME", std::string(128, 'D'));

    EnumerateSerialPorts(list, false, platform);

    EXPECT_EQ(PortNames(list), (std::vector<std::string>{"COM6", std::string(127, 'C')}));
}

TEST_F(SerialRegistryWalk, FailuresNameTheKeyAndCloseEveryKey) {
    struct Case {
        std::string failing;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"Enum", "Could not read from HKLM\\Enum"},
        {"Enum\\BIOS", "Could not read from HKLM\\Enum\\BIOS"},
        {"Enum\\BIOS\\*PNP0501", "Could not read from HKLM\\Enum\\BIOS\\*PNP0501"},
        {"Enum\\BIOS\\*PNP0501\\0001", "Could not read from HKLM\\Enum\\...\\0001"},
    };
    for (const Case& c : cases) {
        FakeSerialPlatform fresh;
        fresh.version = kWindows98;
        fresh.SetString("Enum\\BIOS\\*PNP0501\\0000", "PORTNAME", "COM1");
        fresh.SetString("Enum\\BIOS\\*PNP0501\\0001", "PORTNAME", "COM2");
        fresh.Key(c.failing).failOpen = true;
        std::vector<PortInfo> found;

        EXPECT_EQ(FailureOf(found, fresh), c.text);
        EXPECT_EQ(fresh.keysOpen, 0) << c.failing;
    }
}

TEST_F(SerialRegistryWalk, RecordsBeforeAFailureStayUntidied) {
    platform.SetString("Enum\\BIOS\\*PNP0501\\0000", "PORTNAME", "COM1");
    platform.SetString("Enum\\BIOS\\*PNP0501\\0000", "FRIENDLYNAME", "Port (COM1)");
    platform.Key("Enum\\BIOS\\*PNP0501\\0001").failOpen = true;

    EXPECT_EQ(FailureOf(list, platform), "Could not read from HKLM\\Enum\\...\\0001");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].portName, "COM1");
    EXPECT_EQ(list[0].description, "");
    EXPECT_EQ(platform.keysOpen, 0);
}

}  // namespace
}  // namespace kd
