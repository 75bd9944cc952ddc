#include "cli/many_ports/dump_directory.h"

#include <gtest/gtest.h>

namespace kd::cli {
namespace {

TEST(DumpDirectory, NamesFromTheWireStayPlainFileNames) {
    EXPECT_EQ(ProfileBaseName("KD-000123", "/dev/ttyUSB0"), "KD-000123");
    EXPECT_EQ(ProfileBaseName("../x\n", "/dev/ttyUSB0"), "_._x_");
    EXPECT_EQ(ProfileBaseName("..", "/dev/ttyUSB0"), "port-dev_ttyUSB0");
    EXPECT_EQ(ProfileBaseName("", "COM3"), "port-COM3");
    EXPECT_EQ(ProfileBaseName("-rf", "COM3"), "_rf");
    EXPECT_EQ(ProfileBaseName("a\\b/c\xB0\xA1", "COM3"), "a_b_c__");
    EXPECT_EQ(ProfileBaseName("nul.x", "COM3"), "_nul.x");
    EXPECT_EQ(ProfileBaseName("COM1", "COM3"), "_COM1");
    EXPECT_EQ(ProfileBaseName(std::string(300, 'A'), "COM3"), std::string(64, 'A'));
}

TEST(DumpDirectory, RepeatedNamesGetNumbersWhateverTheirCase) {
    EXPECT_EQ(UniqueNames({"a", "A", "b", "a", "a-2"}),
              std::vector<std::string>({"a", "A-2", "b", "a-3", "a-2-2"}));
}

}  // namespace
}  // namespace kd::cli
