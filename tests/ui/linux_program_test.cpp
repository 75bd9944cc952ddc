// The Linux program below its window system: the single-instance lock, the port and HID
// lists from a fake sysfs tree, and the run of the main window on the headless back end.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/linux/instance_lock.h"
#include "app/linux/kdconfig_program.h"
#include "app/main_dialog.h"
#include "link/hid_enumeration.h"
#include "link/posix/sysfs_hid_platform.h"
#include "link/posix/unique_fd.h"
#include "resources/ids.h"
#include "resources/main_window.h"
#include "tests/support/fake_hid_platform.h"
#include "ui/headless/headless_toolkit.h"

namespace kd {
namespace {

namespace fs = std::filesystem;
using ui::headless::HeadlessToolkit;
using ui::headless::HeadlessWindow;

constexpr char kLockFile[] = "Tesmor_CONFIG_TOOLS_v5.5.x.lock";

class FakeSystem : public ::testing::Test {
  protected:
    void SetUp() override {
        base_ = fs::temp_directory_path() /
                ("kd-linux-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(base_);
        fs::create_directories(base_ / "locks");
        fs::create_directories(Root() / "sys/class/tty");
        fs::create_directories(Root() / "sys/class/hidraw");
        system_.root = Root();
        system_.lockDirectory = base_ / "locks";
    }
    void TearDown() override { fs::remove_all(base_); }

    fs::path Root() const { return base_ / "root"; }

    static void Write(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text << "\n";
    }

    // A tty of a USB adapter, or a serial-core port with its UART type.
    void AddTty(const std::string& name, const fs::path& deviceDir, const char* type = nullptr) {
        const fs::path node = Root() / deviceDir / "tty" / name;
        fs::create_directories(node);
        fs::create_directory_symlink(node, Root() / "sys/class/tty" / name);
        fs::create_directory_symlink(Root() / deviceDir, node / "device");
        if (type != nullptr) {
            Write(node / "type", type);
        }
    }

    // A hidraw node under a USB interface of a device with these ids.
    void AddHidraw(const std::string& node, const std::string& usbDevice, int interfaceNumber,
                   const std::string& hidId) {
        const fs::path usb = Root() / "sys/devices/pci0000:00/usb1" / usbDevice;
        const fs::path iface = usb / (usbDevice + ":1." + std::to_string(interfaceNumber));
        const fs::path hid = iface / ("0003:" + node);
        Write(usb / "bcdDevice", "0102");
        Write(iface / "bInterfaceNumber", "0" + std::to_string(interfaceNumber));
        Write(hid / "uevent", "DRIVER=hid-generic\nHID_ID=" + hidId + "\nHID_NAME=x");
        fs::create_directories(hid / "hidraw" / node);
        fs::create_directory_symlink(hid, hid / "hidraw" / node / "device");
        fs::create_directory_symlink(hid / "hidraw" / node, Root() / "sys/class/hidraw" / node);
    }

    // Runs the program over the headless toolkit; look sees its main window, if shown.
    int Run(const std::vector<std::string>& args,
            const std::function<void(HeadlessWindow&)>& look = {}) {
        const ParsedArguments parsed = ParseKdconfigArguments(args);
        EXPECT_TRUE(parsed.arguments) << parsed.error;
        toolkit_.OnModal(resources::kMainWindowTemplate.id, [&](HeadlessWindow& window) {
            shown_ = true;
            if (look) {
                look(window);
            }
        });
        return RunKdconfigProgram(*parsed.arguments, toolkit_, system_, warnings_);
    }

    fs::path base_;
    LinuxSystem system_;
    HeadlessToolkit toolkit_;
    std::ostringstream warnings_;
    bool shown_ = false;
};

std::vector<std::string> Entries(const HeadlessWindow& window, int id) {
    std::vector<std::string> entries;
    for (int i = 0; i < window.ComboCount(id); ++i) {
        entries.push_back(window.ComboItemText(id, i));
    }
    return entries;
}

TEST_F(FakeSystem, ASecondCopyWhileTheLockIsHeldSaysSoAndReturnsZero) {
    // Another copy holds the lock, as flock sees it.
    UniqueFd held(::open((base_ / "locks" / kLockFile).c_str(), O_RDWR | O_CREAT, 0600));
    ASSERT_EQ(::flock(held.Get(), LOCK_EX | LOCK_NB), 0);

    EXPECT_EQ(Run({}), 0);
    EXPECT_FALSE(shown_);
    ASSERT_EQ(toolkit_.Messages().size(), 1u);
    EXPECT_EQ(toolkit_.Messages()[0].text, "你已经打开了此配置工具，请先关闭程序");
    EXPECT_EQ(toolkit_.Messages()[0].caption, "kdconfig");

    // Once the other copy has gone, the lock is free; it is held while the window runs
    // and let go when the run ends.
    held.Reset();
    toolkit_.ClearMessages();
    EXPECT_EQ(Run({},
                  [&](HeadlessWindow&) {
                      UniqueFd other(::open((base_ / "locks" / kLockFile).c_str(), O_RDWR));
                      EXPECT_NE(::flock(other.Get(), LOCK_EX | LOCK_NB), 0);
                  }),
              0);
    EXPECT_TRUE(shown_);
    EXPECT_TRUE(toolkit_.Messages().empty());
    UniqueFd after(::open((base_ / "locks" / kLockFile).c_str(), O_RDWR));
    EXPECT_EQ(::flock(after.Get(), LOCK_EX | LOCK_NB), 0);
}

TEST_F(FakeSystem, NamedPortsComeFirstThenTheSystemsEachDeviceOnceSelectedByPath) {
    AddTty("ttyUSB0", "sys/devices/pci0000:00/usb1/1-2/1-2:1.0/ttyUSB0");
    const fs::path usb = Root() / "sys/devices/pci0000:00/usb1/1-2";
    Write(usb / "idVendor", "1a86");
    Write(usb / "idProduct", "7523");
    Write(usb / "product", "USB2.0-Serial");
    Write(usb / "serial", "A5\\0");
    AddTty("ttyS0", "sys/devices/pnp0/00:01", "4");
    AddTty("ttyS1", "sys/devices/platform/serial8250", "0");  // a placeholder
    const fs::path link = base_ / "reader-link";

    // The USB adapter named on the command line keeps its place and learns its words.
    Run({"--port", link.string(), "--port", "/dev/pts/7", "--port", "/dev/ttyUSB0", "--port",
         link.string()},
        [&](HeadlessWindow& window) {
            EXPECT_EQ(
                Entries(window, ids::kPortList),
                (std::vector<std::string>{link.string(), "pts/7",
                                          "ttyUSB0 (USB2.0-Serial, 序列号 A5\\\\0)", "ttyS0"}));
            EXPECT_EQ(window.ComboSelection(ids::kPortList), 0);
            auto& main = dynamic_cast<MainDialog&>(*window.GetDialog());
            ASSERT_TRUE(window.PickComboEntry(ids::kPortList, 1));
            const auto record = window.ComboItemData(ids::kPortList, 1);
            EXPECT_EQ(main.PortRecords().at(static_cast<size_t>(record)).devicePath, "/dev/pts/7");
        });
    EXPECT_TRUE(shown_);

    // Without named ports and without serial ports, the list is empty and says so.
    fs::remove_all(Root() / "sys/class/tty");
    Run({}, [&](HeadlessWindow& window) {
        EXPECT_EQ(window.ComboCount(ids::kPortList), 0);
        window.Click(ids::kConnectButton);
    });
    ASSERT_EQ(toolkit_.Messages().size(), 1u);
    EXPECT_EQ(toolkit_.Messages()[0].text, "没有需要连接的串口，请刷新设备重新选择");
}

TEST_F(FakeSystem, TheHidListHoldsTheReadersCommandInterfacesInNodeOrder) {
    AddHidraw("hidraw10", "1-4", 1, "0003:00000525:0000A4AC");
    AddHidraw("hidraw2", "1-3", 1, "0003:00000525:0000A4AC");
    AddHidraw("hidraw3", "1-3", 0, "0003:00000525:0000A4AC");  // the reader's keyboard side
    AddHidraw("hidraw4", "1-5", 1, "0003:00000525:0000A4AD");  // another product
    AddHidraw("hidraw5", "1-6", 1, "0003:0000046D:0000A4AC");  // another maker
    AddHidraw("hidraw6", "1-7", 1, "0003:00000525:broken");
    fs::create_directories(Root() / "sys/class/hidraw/hidraw7");  // no device behind it

    SysfsHidPlatform platform(Root());
    std::vector<HidDeviceInfo> list;
    test::FakeHidListBox box;
    EnumerateHidReaders(list, box, platform, [](std::string_view) { FAIL(); });

    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].devicePath, "/dev/hidraw2");
    EXPECT_EQ(list[1].devicePath, "/dev/hidraw10");
    EXPECT_EQ(box.entries, (std::vector<std::string>{"USB设备0", "USB设备1"}));
    EXPECT_EQ(platform.ReadAttributes("/dev/hidraw2")->versionNumber, 0x0102);
    EXPECT_FALSE(platform.ReadAttributes("/dev/../hidraw2"));
    EXPECT_FALSE(platform.GetClassDevices(Guid{}));

    // The main window fills its hidden list the same way.
    Run({}, [&](HeadlessWindow& window) {
        auto& main = dynamic_cast<MainDialog&>(*window.GetDialog());
        EXPECT_EQ(main.HidRecords().size(), 2u);
        EXPECT_EQ(window.ComboSelection(ids::kHidList), 0);
    });
}

TEST_F(FakeSystem, TheLockFolderIsTheRuntimeFolderOrAPrivateOneUnderTmp) {
    std::string error;
    EXPECT_EQ(LockDirectory("/run/user/1000", 1000, base_, error), fs::path("/run/user/1000"));

    // Unset or relative: a folder of the user's own, made private.
    const fs::path own = base_ / ("kdconfig-" + std::to_string(::getuid()));
    EXPECT_EQ(LockDirectory(nullptr, ::getuid(), base_, error), own);
    EXPECT_EQ(fs::status(own).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(LockDirectory("relative", ::getuid(), base_, error), own);

    // Refused when others may write to it, when a link stands in its place, or when it
    // belongs to someone else: the program then runs without the lock and says why.
    ::chmod(own.c_str(), 0777);
    EXPECT_FALSE(LockDirectory(nullptr, ::getuid(), base_, error));
    EXPECT_NE(error.find("not a private folder"), std::string::npos);
    fs::remove(own);
    fs::create_directory_symlink(base_ / "locks", own);
    EXPECT_FALSE(LockDirectory(nullptr, ::getuid(), base_, error));
    fs::remove(own);
    EXPECT_FALSE(LockDirectory(nullptr, ::getuid() + 1, base_, error));

    system_.lockDirectory.reset();
    system_.lockProblem = error;
    EXPECT_EQ(Run({}), 0);
    EXPECT_TRUE(shown_);
    EXPECT_NE(warnings_.str().find("without the single-instance lock"), std::string::npos);
}

TEST(KdconfigArguments, PortsInOrderAndTheWindowSystemsOptionsPassedOn) {
    const auto parsed =
        ParseKdconfigArguments({"--port", "/dev/pts/3", "-platform", "xcb", "--port=/dev/ttyS0"});
    ASSERT_TRUE(parsed.arguments) << parsed.error;
    EXPECT_EQ(parsed.arguments->ports, (std::vector<std::string>{"/dev/pts/3", "/dev/ttyS0"}));
    EXPECT_EQ(parsed.arguments->extras, (std::vector<std::string>{"-platform", "xcb"}));

    const auto help = ParseKdconfigArguments({"--help"});
    EXPECT_FALSE(help.arguments);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("--port"), std::string::npos);

    const auto missing = ParseKdconfigArguments({"--port"});
    EXPECT_FALSE(missing.arguments);
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.error.find("--port"), std::string::npos);
}

}  // namespace
}  // namespace kd
