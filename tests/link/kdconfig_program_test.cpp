// The Linux program file where no window can open.
#include <gtest/gtest.h>

#include "resources/strings.h"
#include "tests/support/processes.h"

namespace kd {
namespace {

using test::RunProgram;

TEST(KdconfigProgram, HelpAndVersionNeedNoDisplayAndNoDisplayIsSaidPlainly) {
    const std::vector<std::string> noDisplay = {
        "/usr/bin/env",    "-u", "DISPLAY",         "-u",
        "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", KDCONFIG_PATH};
    auto help = noDisplay;
    help.push_back("--help");
    const auto helped = RunProgram(help);
    EXPECT_EQ(helped.exitCode, 0);
    EXPECT_NE(helped.out.find("--port PATH"), std::string::npos) << helped.out;

    auto version = noDisplay;
    version.insert(version.end(), {"-platform", "xcb", "--version"});
    const auto versioned = RunProgram(version);
    EXPECT_EQ(versioned.exitCode, 0) << versioned.err;
    EXPECT_EQ(versioned.out, "kdconfig " + std::string(strings::kToolVersion) + "\n");

    const auto started = RunProgram(noDisplay);
    EXPECT_EQ(started.exitCode, 1);
    EXPECT_NE(started.err.find("no display"), std::string::npos) << started.err;

    auto bad = noDisplay;
    bad.push_back("--port");
    const auto refused = RunProgram(bad);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("--port"), std::string::npos) << refused.err;
}

}  // namespace
}  // namespace kd
