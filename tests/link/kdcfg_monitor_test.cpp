#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "link/posix/unique_fd.h"
#include "tests/link/kdcfg_fixture.h"

// kdcfg monitor against modelled readers that read codes and cards.
namespace kd {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using ::testing::Not;

// A code read "A1" with the prefix 0D 41 given in hex and CR LF, and a card read "77"
// with the prefix "N:" given as characters, one after the other, over and over.
std::vector<std::string> ReaderThatScans() {
    return {"--value",      "contentorder=PREFIX,CONTENT,POSTFIX,ENTER,WRAP",
            "--value",      "codeprefix=0D41",
            "--value",      "codeprepostformat=hex",
            "--value",      "nfcprefix=N:",
            "--value",      "nfcprepostformat=char",
            "--scan",       "A1",
            "--scan-nfc",   "77",
            "--scan-every", "300"};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(KdcfgMonitor, ShowsCodeAndCardReadsPartByPartAsTextAndJson) {
    test::LoggedReader reader(ReaderThatScans());
    const auto text = reader.Kdcfg({"monitor", "--count", "2"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_THAT(text.out,
                HasSubstr("  code  A1  [prefix 0D 41 | content 41 31 | CR 0D | LF 0A]\n"));
    EXPECT_THAT(text.out, HasSubstr("  nfc  77  [prefix 4E 3A | content 37 37]\n"));
    EXPECT_EQ(Lines(text.out).size(), 2u);
    EXPECT_THAT(text.err, HasSubstr("code reads end with 0D 0A; card reads end after a pause"));

    const auto json = reader.Kdcfg({"monitor", "--count", "2", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const std::vector<std::string> lines = Lines(json.out);
    ASSERT_EQ(lines.size(), 2u) << json.out;
    for (const std::string& line : lines) {
        const auto read = nlohmann::json::parse(line);
        EXPECT_THAT(read["time"].get<std::string>(), ::testing::EndsWith("Z"));
        if (read["kind"] == "code") {
            EXPECT_EQ(read["content"], "A1");
            EXPECT_EQ(read["hex"], "0D4141310D0A");
            EXPECT_EQ(read["parts"], nlohmann::json::parse(
                                         R"([{"part":"prefix","hex":"0D41"},{"part":"content",
                                         "hex":"4131"},{"part":"CR","hex":"0D"},
                                         {"part":"LF","hex":"0A"}])"));
        } else {
            EXPECT_EQ(read["kind"], "nfc");
            EXPECT_EQ(read["hex"], "4E3A3737");
        }
    }
}

TEST(KdcfgMonitor, ExpectEndsAtTheFirstReadAndSaysWhetherItHeldTheText) {
    test::LoggedReader reader({"--scan", "LABEL-1", "--scan-every", "300"});
    const auto pass = reader.Kdcfg({"monitor", "--expect", "LABEL-1", "--for", "20"});
    EXPECT_EQ(pass.exitCode, 0) << pass.err;
    EXPECT_EQ(Lines(pass.out).size(), 1u);
    const auto fail = reader.Kdcfg({"monitor", "--expect", "LABEL-2", "--for", "20"});
    EXPECT_EQ(fail.exitCode, 16) << fail.err;
    EXPECT_THAT(fail.err, HasSubstr("the read holds \"LABEL-1\", not \"LABEL-2\""));

    // Ctrl-C is how a plain monitor ends.
    test::BackgroundProgram monitor({KDCFG_PATH, "--port", reader.sim.PortPath(), "monitor"},
                                    reader.dir.Path());
    ASSERT_TRUE(monitor.WaitForOut("LABEL-1", 10s));
    monitor.Signal(SIGINT);
    EXPECT_EQ(monitor.Wait(5s), 0) << monitor.Err();
    EXPECT_THAT(monitor.Err(), Not(HasSubstr("SIGINT")));
}

// The reader answers slowly; a read it sends between two of monitor's queries would be
// discarded before the next request if the exchanges dropped what is not a reply.
TEST(KdcfgMonitor, AReadThatComesWhileTheKeysAreReadIsShown) {
    test::TempDir fifoDir;
    const std::string fifo = (fifoDir / "scans").string();
    test::LoggedReader reader({"--delay", "300", "--scans", fifo});
    test::BackgroundProgram monitor(
        {KDCFG_PATH, "--port", reader.sim.PortPath(), "monitor", "--count", "1", "--for", "10"},
        reader.dir.Path());
    ASSERT_TRUE(reader.WaitForNoted("read io_outputs", 1));
    {
        const UniqueFd writer(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        ASSERT_TRUE(writer.Valid());
        ASSERT_EQ(::write(writer.Get(), "DURING\n", 7), 7);
    }
    EXPECT_EQ(monitor.Wait(20s), 0) << monitor.Err();
    EXPECT_THAT(monitor.Out(), HasSubstr("  code  DURING  [content 44 55 52 49 4E 47 | CR 0D]\n"));
    // It did come in the middle: before the last query.
    const std::string log = reader.FrameLog();
    ASSERT_NE(log.find("# read nfcprepostformat"), std::string::npos);
    EXPECT_LT(log.find("sent a code read"), log.find("# read nfcprepostformat"));
}

}  // namespace
}  // namespace kd
