#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/link/kdcfg_fixture.h"

namespace kd {
namespace {

using test::KdcfgOn;
using test::RunProgram;
using test::RunResult;
using test::SimProcess;
using test::StartReaders;
using test::TempDir;

constexpr size_t kReaders = 8;
constexpr size_t kRefusing = 2;  // refuses to take workmode
constexpr size_t kSilent = 5;    // never answers

// Eight modelled readers at 115200 bit/s, each with its own state file.
struct Station {
    Station() {
        for (size_t i = 0; i < kReaders; ++i) {
            std::vector<std::string> args = {"--line-rate", "115200", "--state", StateFile(i)};
            if (i == kRefusing) {
                args.insert(args.end(), {"--refuse-key", "workmode"});
            }
            if (i == kSilent) {
                args.push_back("--silent");
            }
            readers.push_back(std::make_unique<SimProcess>(KD_READER_SIM_PATH, args));
        }
    }

    std::string StateFile(size_t i) const {
        return (dir / ("reader" + std::to_string(i))).string();
    }

    RunResult Kdcfg(const std::vector<std::string>& command) const {
        return test::KdcfgOn(readers, command, {"--baud", "115200"});
    }

    TempDir dir;
    std::vector<std::unique_ptr<SimProcess>> readers;
};

// The summary line of one port, or "" when it has none.
std::string SummaryLine(const std::string& out, const std::string& port) {
    const size_t at = out.find("\n" + port + " ");
    return at == std::string::npos ? "" : out.substr(at + 1, out.find('\n', at + 1) - at - 1);
}

TEST(KdcfgManyPorts, SetsEveryHealthyReaderAndReportsTheFailedOnes) {
    Station station;
    for (const auto& reader : station.readers) {
        ASSERT_FALSE(reader->PortPath().empty());
    }
    const RunResult run = station.Kdcfg({"set", "workmode=2", "--store"});
    // The silent reader gives 4, the refusing one 5: the worst decides.
    EXPECT_EQ(run.exitCode, 5) << run.err;
    EXPECT_NE(run.out.find("6 of 8 ports passed"), std::string::npos) << run.out;
    for (size_t i = 0; i < kReaders; ++i) {
        const std::string port = station.readers[i]->PortPath();
        const std::string line = SummaryLine(run.out, port);
        const bool healthy = i != kRefusing && i != kSilent;
        EXPECT_NE(line.find(healthy ? "KD-000123" : " - "), std::string::npos) << line;
        EXPECT_NE(line.find(healthy ? "PASS" : "FAIL"), std::string::npos) << line;
        const std::string state = test::ReadFile(station.StateFile(i));
        EXPECT_EQ(state.find("workmode=2") != std::string::npos, healthy) << i << ": " << state;
    }
    // Each port's messages come as one block under its name, not interleaved.
    const std::string refusing = "== " + station.readers[kRefusing]->PortPath() + "\n";
    const size_t block = run.err.find(refusing);
    ASSERT_NE(block, std::string::npos) << run.err;
    EXPECT_NE(run.err.substr(block + refusing.size())
                  .find("kdcfg: write workmode: the reader "
                        "refused\n"),
              std::string::npos)
        << run.err;
}

TEST(KdcfgManyPorts, JsonReportHasEveryPortInOrder) {
    Station station;
    const RunResult run = station.Kdcfg({"info", "--json"});
    EXPECT_EQ(run.exitCode, 4) << run.err;  // only the silent reader fails
    const auto report = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(report.is_discarded()) << run.out;
    EXPECT_EQ(report["command"], "info");
    EXPECT_EQ(report["exitCode"], 4);
    ASSERT_EQ(report["ports"].size(), kReaders);
    for (size_t i = 0; i < kReaders; ++i) {
        const auto& port = report["ports"][i];
        EXPECT_EQ(port["port"], station.readers[i]->PortPath());
        const bool healthy = i != kSilent;
        EXPECT_EQ(port["result"], healthy ? "PASS" : "FAIL");
        EXPECT_EQ(port["exitCode"], healthy ? 0 : 4);
        EXPECT_EQ(port["firmwareVersion"], healthy ? "V3.1.7" : "");
        EXPECT_TRUE(port["keysChanged"].is_null() && port["verified"].is_null()) << port;
        // The command's own JSON sits inside the report, per port.
        EXPECT_EQ(port["output"].is_object(), healthy) << port["output"];
        if (healthy) {
            EXPECT_EQ(port["output"]["port"], station.readers[i]->PortPath());
        }
    }
}

TEST(KdcfgManyPorts, PortsPatternFindsTheLinksAndRefusesAnEmptyMatch) {
    TempDir links;
    std::vector<std::unique_ptr<SimProcess>> readers;
    for (const char* name : {"usb-a", "usb-b"}) {
        readers.push_back(std::make_unique<SimProcess>(
            KD_READER_SIM_PATH, std::vector<std::string>{"--link", (links / name).string()}));
    }
    const RunResult run = RunProgram({KDCFG_PATH, "--ports", (links / "usb-*").string(), "info"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("2 of 2 ports passed"), std::string::npos) << run.out;
    EXPECT_NE(SummaryLine(run.out, (links / "usb-b").string()).find("PASS"), std::string::npos);

    const RunResult none = RunProgram({KDCFG_PATH, "--ports", (links / "none-*").string(), "info"});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_NE(none.err.find("nothing matches"), std::string::npos) << none.err;
}

// A profile's key=value lines, its comments (port, time) aside.
std::string KeyLines(const std::string& profile) {
    std::istringstream lines(profile);
    std::string keys;
    for (std::string line; std::getline(lines, line);) {
        keys += line.starts_with("#") ? "" : line + "\n";
    }
    return keys;
}

// The whitespace-separated columns of a summary line.
std::vector<std::string> Columns(const std::string& line) {
    std::istringstream words(line);
    std::vector<std::string> columns;
    for (std::string word; words >> word;) {
        columns.push_back(word);
    }
    return columns;
}

TEST(KdcfgManyPorts, DumpIntoDirectoryGivesEachReaderOneWholeFileInsideIt) {
    const auto readers = StartReaders({
        {"--value", "deviceno=KD-A", "--value", "workmode=1"},
        {"--value", "deviceno=KD-A", "--value", "workmode=2"},  // the same serial number
        {"--value", "deviceno=../x\n", "--value", "codeprefix=P3"},
        {"--drop-every", "3"},  // stops answering part way
    });
    const TempDir dir;
    const RunResult run = KdcfgOn(readers, {"dump", "-o", (dir / "out/dumps").string()});
    EXPECT_EQ(run.exitCode, 4) << run.err;
    EXPECT_NE(run.err.find("no profile saved: the reader stopped answering"), std::string::npos)
        << run.err;

    // Exactly one file for each reader that answered, nothing else anywhere under dir:
    // no temporary file, nothing outside the dump directory.
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path())) {
        if (!entry.is_directory()) {
            files.insert(entry.path().lexically_relative(dir.Path()).string());
        }
    }
    const std::vector<std::string> names = {"KD-A.profile", "KD-A-2.profile", "_._x_.profile"};
    EXPECT_EQ(files, std::set<std::string>({"out/dumps/" + names[0], "out/dumps/" + names[1],
                                            "out/dumps/" + names[2]}));
    for (size_t i = 0; i < names.size(); ++i) {
        const RunResult own = KdcfgOn({}, {"--port", readers[i]->PortPath(), "dump"});
        ASSERT_EQ(own.exitCode, 0) << own.err;
        EXPECT_EQ(KeyLines(test::ReadFile(dir / "out/dumps" / names[i])), KeyLines(own.out))
            << names[i];
    }
    // One port and a directory: the same naming.
    const RunResult one =
        KdcfgOn({}, {"--port", readers[0]->PortPath(), "dump", "-o", (dir / "one/").string()});
    EXPECT_EQ(one.exitCode, 0) << one.err;
    EXPECT_EQ(KeyLines(test::ReadFile(dir / "one" / names[0])),
              KeyLines(test::ReadFile(dir / "out/dumps" / names[0])));
}

TEST(KdcfgManyPorts, ApplySummaryAndReportSayWhatChangedAndWhatWasVerified) {
    const auto readers = StartReaders({{}, {"--refuse-key", "workmode"}});
    const TempDir dir;
    test::WriteFile(dir / "p", "qrcode=0\nworkmode=2\n");
    const RunResult run = KdcfgOn(readers, {"apply", (dir / "p").string()});
    EXPECT_EQ(run.exitCode, 12) << run.err;
    const auto healthy = Columns(SummaryLine(run.out, readers[0]->PortPath()));
    const auto refusing = Columns(SummaryLine(run.out, readers[1]->PortPath()));
    ASSERT_EQ(healthy.size(), 8u) << run.out;
    ASSERT_EQ(refusing.size(), 8u) << run.out;
    // Changed, verified, result: qrcode went to the refusing reader before workmode failed.
    EXPECT_EQ(std::vector(healthy.begin() + 3, healthy.begin() + 6),
              std::vector<std::string>({"2", "yes", "PASS"}));
    EXPECT_EQ(std::vector(refusing.begin() + 3, refusing.begin() + 6),
              std::vector<std::string>({"1", "no", "FAIL"}));

    // Again: the healthy reader holds the profile now, which is no failure.
    const RunResult again = KdcfgOn(readers, {"apply", (dir / "p").string(), "--json"});
    const auto report = nlohmann::json::parse(again.out, nullptr, false);
    ASSERT_FALSE(report.is_discarded()) << again.out;
    EXPECT_EQ(report["exitCode"], 12);
    const auto& ports = report["ports"];
    EXPECT_EQ(ports[0]["keysChanged"], 0);
    EXPECT_EQ(ports[0]["verified"], true);
    EXPECT_EQ(ports[0]["result"], "PASS");
    EXPECT_EQ(ports[0]["exitCode"], 0);
    EXPECT_EQ(ports[1]["keysChanged"], 0);
    EXPECT_EQ(ports[1]["verified"], false);
    EXPECT_EQ(ports[1]["result"], "FAIL");
    EXPECT_EQ(ports[1]["exitCode"], 12);
}

}  // namespace
}  // namespace kd

namespace kd {
namespace {

// One reader under a name that would forge a line, clear the screen and is not UTF-8, under
// a link to that link, twice more by name and through a pattern; and a second reader. Each
// reader is run once, under the first name given, which is shown escaped everywhere.
TEST(KdcfgManyPorts, EachReaderRunsOnceUnderItsFirstNameShownEscaped) {
    TempDir links;
    const auto readers = StartReaders({{}, {}});
    const std::string hostile = (links / "x\nPASS fake\x1B[2J\xFF").string();
    const std::string shown = (links / "x\\x0APASS fake\\x1B[2J\\xFF").string();
    const std::string again = (links / "r2").string();
    std::filesystem::create_symlink(readers[0]->PortPath(), hostile);
    std::filesystem::create_symlink(hostile, again);
    std::vector<std::string> args = {
        KDCFG_PATH, "--port", hostile, "--port",  readers[1]->PortPath(), "--port",
        again,      "--port", hostile, "--ports", (links / "*").string(), "info"};
    const RunResult run = RunProgram(args);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("2 of 2 ports passed"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find(again + " is the same port as " + shown), std::string::npos) << run.err;
    for (const std::string* text : {&run.out, &run.err}) {
        EXPECT_EQ(text->find("\nPASS fake"), std::string::npos) << *text;
        EXPECT_EQ(text->find('\x1B'), std::string::npos) << *text;
    }
    EXPECT_NE(run.out.find("== " + shown + "\n"), std::string::npos) << run.out;
    EXPECT_NE(SummaryLine(run.out, shown).find("PASS"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("kdcfg: " + shown + ": PASS"), std::string::npos) << run.err;

    args.push_back("--json");
    const RunResult report = RunProgram(args);
    EXPECT_EQ(report.out.find("\xEF\xBF\xBD"), std::string::npos) << "a byte was replaced";
    const auto document = nlohmann::json::parse(report.out, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << report.out;
    ASSERT_EQ(document["ports"].size(), 2u) << report.out;
    EXPECT_EQ(document["ports"][0]["port"], shown);
    EXPECT_EQ(document["ports"][0]["output"]["port"], shown);
}

}  // namespace
}  // namespace kd
