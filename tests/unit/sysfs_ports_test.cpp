#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/command_line.h"
#include "cli/commands/ports.h"
#include "link/posix/sysfs_ports.h"

namespace fs = std::filesystem;

namespace {

// A fake root laid out as the kernel lays out sysfs and udev's by-id links.
class FakeSysfs : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("kd-sysfs-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "sys/class/tty");
        fs::create_directories(root_ / "sys/bus/platform/drivers/serial8250");
        fs::create_directories(root_ / "sys/bus/usb-serial/drivers/ftdi_sio");
        fs::create_directories(root_ / "sys/bus/serial-base/drivers/port");
    }
    void TearDown() override { fs::remove_all(root_); }

    void Write(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(root_ / file) << text << "\n";
    }

    // A tty whose class entry links to its node under devices, as in sysfs.
    fs::path AddTty(const std::string& name, const fs::path& deviceDir, const std::string& driver) {
        const fs::path node = root_ / deviceDir / "tty" / name;
        fs::create_directories(node);
        fs::create_directory_symlink(node, root_ / "sys/class/tty" / name);
        fs::create_directory_symlink(root_ / deviceDir, node / "device");
        if (!driver.empty()) {
            fs::create_directory_symlink(root_ / "sys/bus" / driver, root_ / deviceDir / "driver");
        }
        return node;
    }

    void AddUsbAdapter(const std::string& manufacturer = "FTDI",
                       const std::string& product = "FT232R USB UART") {
        const fs::path usb = "sys/devices/pci0000:00/0000:00:14.0/usb1/1-2";
        for (const auto& [file, text] : {std::pair<std::string, std::string>{"idVendor", "0403"},
                                         {"idProduct", "6001"},
                                         {"manufacturer", manufacturer},
                                         {"product", product},
                                         {"serial", "A50285BI"}}) {
            fs::create_directories(root_ / usb);
            std::ofstream(root_ / usb / file) << text << "\n";
        }
        AddTty("ttyUSB0", usb / "1-2:1.0/ttyUSB0", "usb-serial/drivers/ftdi_sio");
        fs::create_directories(root_ / "dev/serial/by-id");
        fs::create_symlink("../../ttyUSB0",
                           root_ / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    }

    fs::path root_;
};

TEST_F(FakeSysfs, KeepsRealPortsWithTheirUsbDetailsAndSkipsPlaceholders) {
    AddUsbAdapter();
    // 8250 ports: one with a UART found (type 4), placeholders (type 0).
    Write(AddTty("ttyS0", "sys/devices/pnp0/00:01", "platform/drivers/serial8250") / "type", "4");
    Write(
        AddTty("ttyS3", "sys/devices/platform/serial8250", "platform/drivers/serial8250") / "type",
        "0");
    // Newer kernels put a port device of their own between: still type 0, still skipped.
    Write(AddTty("ttyS2", "sys/devices/platform/serial8250/serial8250:0/serial8250:0.2",
                 "serial-base/drivers/port") /
              "type",
          "0");
    // A virtual console: no device behind it.
    fs::create_directories(root_ / "sys/devices/virtual/tty/tty1");
    fs::create_directory_symlink(root_ / "sys/devices/virtual/tty/tty1",
                                 root_ / "sys/class/tty/tty1");

    const auto ports = kd::ListSysfsPorts(root_);
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].devicePath, "/dev/ttyS0");
    EXPECT_FALSE(ports[0].usb);
    EXPECT_TRUE(ports[0].byIdPath.empty());

    const kd::SysfsPort& usb = ports[1];
    EXPECT_EQ(usb.devicePath, "/dev/ttyUSB0");
    EXPECT_EQ(usb.byIdPath, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    ASSERT_TRUE(usb.usb);
    EXPECT_EQ(usb.usb->vendorId, "0403");
    EXPECT_EQ(usb.usb->productId, "6001");
    EXPECT_EQ(usb.usb->manufacturer, "FTDI");
    EXPECT_EQ(usb.usb->product, "FT232R USB UART");
    EXPECT_EQ(usb.usb->serialNumber, "A50285BI");
}

// A broken or hostile device's strings: Latin-1 bytes, a control sequence, a backslash,
// a quote and a mark that reverses the line. Nothing may abort, be replaced or forge text.
TEST_F(FakeSysfs, StringsThatAreNotUtf8AreShownEscapedInTextAndJson) {
    AddUsbAdapter("M\xE4ker\\", "Z\xC3\xA4hler \"x\"\x1B[2J\xE2\x80\xAE");
    const auto found = kd::ListSysfsPorts(root_);
    ASSERT_EQ(found.size(), 1u);
    ASSERT_TRUE(found[0].usb);
    EXPECT_EQ(found[0].usb->manufacturer, "M\xE4ker\\") << "the bytes as the device gave them";
    kd::cli::ListedPort port;
    port.port = "/dev/ttyUSB0";
    port.isUsb = true;
    port.manufacturer = found[0].usb->manufacturer;
    port.product = found[0].usb->product;
    port.byId = "/dev/serial/by-id/x\nPASS";

    EXPECT_EQ(kd::cli::FormatPortsText({port}),
              "/dev/ttyUSB0 usb manufacturer=\"M\\xE4ker\\\\\" "
              "product=\"Zähler \\\"x\\\"\\x1B[2J\\xE2\\x80\\xAE\" "
              "by-id=\"/dev/serial/by-id/x\\x0APASS\"\n");

    const std::string text = kd::cli::FormatPortsJson({port});
    EXPECT_EQ(text.find("\xEF\xBF\xBD"), std::string::npos) << "no byte replaced: " << text;
    const auto json = nlohmann::json::parse(text);
    EXPECT_EQ(json[0]["manufacturer"], "M\\xE4ker\\\\");
    EXPECT_EQ(json[0]["product"], "Zähler \"x\"\\x1B[2J\\xE2\\x80\\xAE");
    EXPECT_EQ(json[0]["byId"], "/dev/serial/by-id/x\\x0APASS");
}

TEST_F(FakeSysfs, MissingTreeGivesNoPorts) {
    EXPECT_TRUE(kd::ListSysfsPorts(root_ / "nothing").empty());
}

TEST(PortsOutput, TextAndJsonCarryEveryField) {
    std::vector<kd::cli::ListedPort> ports(2);
    ports[0] = {
        "/dev/ttyUSB0", "/dev/serial/by-id/usb-x", "", true, "0403", "6001", "Maker \"A\"", "Uart",
        "S 1"};
    ports[1].port = "/dev/ttyS0";

    EXPECT_EQ(kd::cli::FormatPortsText(ports),
              "/dev/ttyUSB0 usb 0403:6001 manufacturer=\"Maker \\\"A\\\"\" product=\"Uart\" "
              "serial=\"S 1\" by-id=\"/dev/serial/by-id/usb-x\"\n/dev/ttyS0\n");

    const auto json = nlohmann::json::parse(kd::cli::FormatPortsJson(ports));
    ASSERT_TRUE(json.is_array());
    ASSERT_EQ(json.size(), 2u);
    EXPECT_EQ(json[0]["port"], "/dev/ttyUSB0");
    EXPECT_EQ(json[0]["usb"], true);
    EXPECT_EQ(json[0]["vendorId"], "0403");
    EXPECT_EQ(json[0]["manufacturer"], "Maker \"A\"");
    EXPECT_EQ(json[0]["serialNumber"], "S 1");
    EXPECT_EQ(json[0]["byId"], "/dev/serial/by-id/usb-x");
    EXPECT_TRUE(json[0]["friendlyName"].is_null());
    EXPECT_EQ(json[1]["usb"], false);
    EXPECT_TRUE(json[1]["vendorId"].is_null());
    EXPECT_EQ(kd::cli::FormatPortsJson({}), "[]\n");
}

TEST(PortsOptions, NeedsNoPortAndTakesJson) {
    const auto parsed = kd::cli::ParseOptions({"ports", "--json"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->command, "ports");
    EXPECT_TRUE(parsed.options->json);
    EXPECT_FALSE(kd::cli::ParseOptions({"info"}).options);
}

}  // namespace
