#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
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
    const std::filesystem::path link =
        std::filesystem::temp_directory_path() / ("kd-null-" + std::to_string(::getpid()));
    std::filesystem::create_symlink("/dev/null", link);
    EXPECT_EQ(PortDeviceKey(link.string()), PortDeviceKey("/dev/../dev/null"));
    std::filesystem::remove(link);
    EXPECT_NE(PortDeviceKey("/dev/zero"), PortDeviceKey("/dev/null"));
    EXPECT_NE(PortDeviceKey(link.string()), PortDeviceKey(link.string() + "2")) << "both gone";

    EXPECT_EQ(WindowsPortKey("com10"), WindowsPortKey("\\\\.\\COM10"));
    EXPECT_NE(WindowsPortKey("COM1"), WindowsPortKey("COM10"));
}

}  // namespace
}  // namespace kd::provision
