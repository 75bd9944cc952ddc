#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "link/port_name.h"
#include "provision/port_watch.h"

namespace kd::provision {
namespace {

using Ports = std::vector<std::string>;

TEST(PortWatch, TakesAReaderOnceUntilItsPortHasGone) {
    PortWatch watch;
    EXPECT_EQ(watch.Take({"a", "b"}), (Ports{"a", "b"}));  // there at the start
    EXPECT_EQ(watch.Take({"a", "b", "c"}), (Ports{"c"}));
    EXPECT_EQ(watch.Busy(), 3u);

    // Done, still plugged in: left alone.
    watch.Finished("a");
    EXPECT_EQ(watch.Take({"a", "b", "c"}), Ports{});
    // Gone, then back: a new reader.
    EXPECT_EQ(watch.Take({"b", "c"}), Ports{});
    EXPECT_EQ(watch.Take({"a", "b", "c"}), (Ports{"a"}));

    // A port that goes and comes back while its reader is worked on (a reader restarting
    // on new firmware) is not taken a second time.
    EXPECT_EQ(watch.Take({"a", "c"}), Ports{});
    EXPECT_EQ(watch.Take({"a", "b", "c"}), Ports{});
    watch.Finished("b");
    EXPECT_EQ(watch.Take({"a", "b", "c"}), Ports{});
    EXPECT_EQ(watch.Busy(), 2u);
}

}  // namespace
}  // namespace kd::provision

namespace kd::provision {
namespace {

// One reader under its by-id and its by-path link: taken once, under the first name, and
// still once after it restarts on another device node.
TEST(PortWatch, TakesADeviceOnceWhateverItsNames) {
    std::map<std::string, std::string> devices = {
        {"by-id/a", "tty0"}, {"by-path/1", "tty0"}, {"by-path/2", "tty1"}};
    PortWatch watch([&](const std::string& port) { return devices.at(port); });
    EXPECT_EQ(watch.Take({"by-id/a", "by-path/1", "by-path/2"}), (Ports{"by-id/a", "by-path/2"}));
    EXPECT_EQ(watch.Busy(), 2u);

    // Restarted on new firmware, the reader is back as tty5 under both names.
    devices["by-id/a"] = devices["by-path/1"] = "tty5";
    EXPECT_EQ(watch.Take({"by-id/a", "by-path/1", "by-path/2"}), Ports{});
    watch.Finished("by-id/a");
    EXPECT_EQ(watch.Take({"by-path/1", "by-id/a", "by-path/2"}), Ports{}) << "done, still here";

    // Unplugged, then plugged in again: one new reader.
    EXPECT_EQ(watch.Take({"by-path/2"}), Ports{});
    EXPECT_EQ(watch.Take({"by-id/a", "by-path/1", "by-path/2"}), Ports{"by-id/a"});
    EXPECT_EQ(watch.Busy(), 2u);
}

TEST(PortDeviceKey, NamesOfOneDeviceShareTheirKey) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kd-port-key-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::create_symlink("/dev/null", dir / "null-link");
    std::filesystem::create_symlink(dir / "null-link", dir / "link-to-link");
    std::ofstream(dir / "file") << "x";
    const std::string null = PortDeviceKey("/dev/null");
    EXPECT_EQ(PortDeviceKey((dir / "null-link").string()), null);
    EXPECT_EQ(PortDeviceKey((dir / "link-to-link").string()), null);
    EXPECT_EQ(PortDeviceKey("/dev/../dev/null"), null);
    EXPECT_NE(PortDeviceKey("/dev/zero"), null);
    EXPECT_NE(PortDeviceKey((dir / "file").string()), null);
    EXPECT_NE(PortDeviceKey((dir / "gone").string()), PortDeviceKey((dir / "gone2").string()));
    std::filesystem::remove_all(dir);

    EXPECT_EQ(WindowsPortKey("COM10"), WindowsPortKey("\\\\.\\COM10"));
    EXPECT_EQ(WindowsPortKey("com10"), WindowsPortKey("\\\\.\\Com10"));
    EXPECT_NE(WindowsPortKey("COM1"), WindowsPortKey("COM10"));
}

}  // namespace
}  // namespace kd::provision
