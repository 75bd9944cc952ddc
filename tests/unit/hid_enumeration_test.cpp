#include "link/hid_enumeration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fake_hid_platform.h"

namespace kd {
namespace {

using test::FakeHidDevice;

const std::string kReaderPath0 = "\\\\?\\hid#vid_0525&pid_a4ac&mi_01#7&1a&0&0000#{4d1e}";
const std::string kReaderPath1 = "\\\\?\\hid#vid_0525&pid_a4ac&mi_01#7&2b&0&0000#{4d1e}";

class HidReaderSearch : public ::testing::Test {
  protected:
    void Run() {
        EnumerateHidReaders(list, box, platform,
                            [this](std::string_view text) { prompts.emplace_back(text); });
    }

    std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (const HidDeviceInfo& reader : list) {
            paths.push_back(reader.devicePath);
        }
        return paths;
    }

    test::FakeHidPlatform platform;
    test::FakeHidListBox box;
    std::vector<HidDeviceInfo> list{{7, "stale", "stale"}};
    std::vector<std::string> prompts;
};

TEST_F(HidReaderSearch, OnlyTheCommandInterfaceOfTheReaderMatches) {
    platform.devices = {
        {"\\\\?\\hid#vid_0525&pid_a4ac&mi_00#7&1a&0&0000#{4d1e}"},
        {kReaderPath0},
        {"\\\\?\\hid#vid_0525&pid_a4ac&MI_01#upper"},  // the mark is case-sensitive
        {"\\\\?\\hid#vid_0526&pid_a4ac&mi_01#other", 0x0526},
        {"\\\\?\\hid#vid_0525&pid_a4ad&mi_01#other", kReaderVendorId, 0xA4AD},
    };

    Run();

    EXPECT_EQ(Paths(), (std::vector<std::string>{kReaderPath0}));
    EXPECT_EQ(box.entries.size(), 1u);
    EXPECT_EQ(box.selections, 1);
    EXPECT_EQ(platform.setsDestroyed, 1);
    EXPECT_EQ(platform.wrongClassCalls, 0);
}

TEST_F(HidReaderSearch, ReadersAreNumberedInDeviceOrder) {
    platform.devices = {{kReaderPath0}, {"\\\\?\\hid#keyboard", 0x046D, 0xC31C}, {kReaderPath1}};

    Run();

    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].number, 0);
    EXPECT_EQ(list[0].devicePath, kReaderPath0);
    EXPECT_EQ(list[0].displayName,
              "USB\xE8\xAE\xBE\xE5\xA4\x87"
              "0");
    EXPECT_EQ(list[1].number, 1);
    EXPECT_EQ(list[1].devicePath, kReaderPath1);
    EXPECT_EQ(list[1].displayName, "USB设备1");
    EXPECT_EQ(box.entries, (std::vector<std::string>{"USB设备0", "USB设备1"}));
    EXPECT_EQ(box.clears, 1);
    EXPECT_EQ(box.selections, 1);
}

TEST_F(HidReaderSearch, DevicesThatCannotBeReadAreSkipped) {
    FakeHidDevice closed{kReaderPath0};
    closed.opens = false;
    FakeHidDevice noPath{"never read"};
    noPath.pathResult = InterfacePathResult::Failed;
    platform.devices = {closed, noPath, {kReaderPath1}};

    Run();

    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].devicePath, kReaderPath1);
    EXPECT_EQ(list[0].number, 0);
    EXPECT_EQ(platform.attributesRead, (std::vector<std::string>{kReaderPath0, kReaderPath1}));
}

TEST_F(HidReaderSearch, NoMatchLeavesTheBoxEmptyAndUnselected) {
    box.entries = {"USB设备0"};
    platform.devices = {{"\\\\?\\hid#vid_0525&pid_a4ac&mi_00#only"}};

    Run();

    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(box.entries.empty());
    EXPECT_EQ(box.selections, 0);
    EXPECT_EQ(platform.setsCreated, 1);
    EXPECT_EQ(platform.setsDestroyed, 1);
}

TEST_F(HidReaderSearch, NoDeviceSetEmptiesListAndBox) {
    box.entries = {"USB设备0"};
    platform.setAvailable = false;

    Run();

    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(box.entries.empty());
    EXPECT_EQ(box.selections, 0);
    EXPECT_EQ(platform.setsDestroyed, 0);
}

TEST_F(HidReaderSearch, OutOfMemoryTellsTheUserAndStopsAtOnce) {
    FakeHidDevice starved{"unread"};
    starved.pathResult = InterfacePathResult::OutOfMemory;
    platform.devices = {{kReaderPath0}, starved, {kReaderPath1}};

    Run();

    EXPECT_EQ(prompts, (std::vector<std::string>{"内存不足!"}));
    EXPECT_EQ(Paths(), (std::vector<std::string>{kReaderPath0}));
    EXPECT_EQ(box.entries, (std::vector<std::string>{"USB设备0"}));
    EXPECT_EQ(box.selections, 0);
    EXPECT_EQ(platform.setsDestroyed, 1);
    EXPECT_EQ(platform.pathsAsked, (std::vector<uint32_t>{0, 1}));
}

}  // namespace
}  // namespace kd
