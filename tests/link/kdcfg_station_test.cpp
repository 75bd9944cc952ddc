#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/processes.h"

namespace kd {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::BackgroundProgram;
using test::SimProcess;
using test::TempDir;
using Clock = std::chrono::steady_clock;

// Three keys that differ from a new reader's.
constexpr char kProfile[] = "workmode=2\ncodeprefix=ST\nqrcode=0\n";

// A station over a folder of reader links, as /dev/serial/by-id is on a real one.
struct Line {
    Line() {
        fs::create_directories(dir / "links");
        test::WriteFile(dir / "profile", kProfile);
    }

    std::string Link(const std::string& name) const { return (dir / "links" / name).string(); }

    std::unique_ptr<BackgroundProgram> Station(const std::vector<std::string>& extra = {},
                                               const fs::path& profile = {},
                                               const fs::path& log = {}) const {
        return Run(Args(extra, profile, log));
    }

    std::vector<std::string> Args(const std::vector<std::string>& extra = {},
                                  const fs::path& profile = {}, const fs::path& log = {}) const {
        std::vector<std::string> args = {
            KDCFG_PATH,  "--baud",
            "115200",    "station",
            "--watch",   Link("usb-*"),
            "--profile", (profile.empty() ? dir / "profile" : profile).string(),
            "--log",     (log.empty() ? dir / "log" : log).string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }

    std::unique_ptr<BackgroundProgram> Run(const std::vector<std::string>& args) const {
        const fs::path output = dir / ("station" + std::to_string(++stations));
        fs::create_directories(output);
        return std::make_unique<BackgroundProgram>(args, output);
    }

    // A reader plugged in: its link appears in the watched folder.
    std::unique_ptr<SimProcess> Plug(const std::string& name, std::vector<std::string> extra = {},
                                     const std::string& state = "") const {
        const std::string file = state.empty() ? name : state;
        std::vector<std::string> args = {"--line-rate", "115200",
                                         "--link",      Link(name),
                                         "--state",     (dir / file).string(),
                                         "--log",       (dir / (file + ".log")).string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return std::make_unique<SimProcess>(KD_READER_SIM_PATH, args);
    }

    std::vector<nlohmann::json> Log() const {
        std::vector<nlohmann::json> records;
        std::istringstream lines(test::ReadFile(dir / "log"));
        for (std::string line; std::getline(lines, line);) {
            records.push_back(nlohmann::json::parse(line, nullptr, false));
        }
        return records;
    }

    TempDir dir;
    mutable int stations = 0;
};

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(KdcfgStation, TakesEachReaderOnceAsItComesAndLogsIt) {
    Line line;
    auto station = line.Station();
    auto a = line.Plug("usb-a");
    ASSERT_TRUE(station->WaitForOut("PASS " + line.Link("usb-a"), 5s)) << station->Err();
    auto b = line.Plug("usb-b");
    auto c = line.Plug("usb-c");
    ASSERT_TRUE(station->WaitForOut("PASS " + line.Link("usb-b"), 5s)) << station->Err();
    ASSERT_TRUE(station->WaitForOut("PASS " + line.Link("usb-c"), 5s)) << station->Err();

    // Unplugged and another reader plugged into the same port: taken again.
    EXPECT_EQ(a->Stop(SIGTERM), 0);
    std::this_thread::sleep_for(500ms);  // out long enough for the station to see it gone
    auto again = line.Plug("usb-a", {}, "usb-a-again");
    ASSERT_TRUE(station->WaitForOut("PASS " + line.Link("usb-a"), 5s, 2)) << station->Err();
    // Readers left plugged in are not taken twice.
    std::this_thread::sleep_for(600ms);
    station->Signal(SIGINT);
    const auto stopped = Clock::now();
    EXPECT_EQ(station->Wait(3s), 0) << station->Err();
    EXPECT_LT(SecondsSince(stopped), 1.5);
    const std::string out = station->Out();
    EXPECT_EQ(test::Occurrences(out, "PASS "), 4u) << out;
    EXPECT_NE(out.find("station: 4 readers, 4 passed, 0 failed, in 0:00:"), std::string::npos)
        << out;
    // Standard error is a file: one plain line, in order, as each phase of a reader starts.
    const std::string err = station->Err();
    const std::string reader = "kdcfg: station: " + line.Link("usb-b") + ": ";
    size_t at = 0;
    for (const char* phase : {"connecting\n", "reading 3 keys\n", "writing 3 keys\n", "storing\n",
                              "verifying 3 keys\n"}) {
        at = err.find(reader + phase, at);
        ASSERT_NE(at, std::string::npos) << phase << err;
    }
    EXPECT_EQ(err.find('\r'), std::string::npos);

    const std::vector<nlohmann::json> log = line.Log();
    ASSERT_EQ(log.size(), 4u) << test::ReadFile(line.dir / "log");
    std::vector<std::string> ports;
    for (const auto& record : log) {
        ASSERT_TRUE(record.is_object());
        ports.push_back(record["port"]);
        EXPECT_EQ(record["serialNumber"], "KD-000123");
        EXPECT_EQ(record["before"]["firmware"], "V3.1.7");
        EXPECT_EQ(record["after"]["firmware"], "V3.1.7");
        EXPECT_EQ(record["firmwareUploaded"], false);
        EXPECT_EQ(record["keysChanged"], 3);
        EXPECT_EQ(record["apply"], "verified");
        EXPECT_EQ(record["result"], "PASS");
        EXPECT_EQ(record["line"], "115200 8N1");
        // RFC 3339 in UTC, which log shippers read as a time.
        const std::string time = record.value("time", "");
        EXPECT_TRUE(std::regex_match(time, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")))
            << time;
    }
    EXPECT_EQ(ports.front(), line.Link("usb-a"));
    EXPECT_EQ(ports.back(), line.Link("usb-a"));
    for (const char* state : {"usb-a", "usb-b", "usb-c", "usb-a-again"}) {
        const std::string keys = test::ReadFile(line.dir / state);
        EXPECT_NE(keys.find("workmode=2\n"), std::string::npos) << state;
        EXPECT_NE(keys.find("codeprefix=ST\n"), std::string::npos) << state;
    }
}

TEST(KdcfgStation, UnpluggedReaderFailsAtOnceAndCtrlCLetsReadersInProgressFinish) {
    Line line;
    auto station = line.Station();
    // Slow replies: an apply takes about two seconds, so the unplug lands in its middle.
    auto pulled = line.Plug("usb-pulled", {"--delay", "150"});
    ASSERT_TRUE(station->WaitForErr(line.Link("usb-pulled") + ": reader found", 5s));
    std::this_thread::sleep_for(700ms);
    pulled->Stop(SIGKILL);
    fs::remove(line.Link("usb-pulled"));  // its pseudo-terminal's number may serve another
    const auto unplugged = Clock::now();
    ASSERT_TRUE(station->WaitForOut("FAIL " + line.Link("usb-pulled"), 5s)) << station->Err();
    EXPECT_LT(SecondsSince(unplugged), 1.0);
    EXPECT_NE(station->Out().find("nothing was written (the port has gone: unplugged?)"),
              std::string::npos)
        << station->Out();

    test::WriteFile(line.dir / "links" / "usb-file", "not a port");
    auto slow = line.Plug("usb-slow", {"--delay", "150"});
    ASSERT_TRUE(station->WaitForErr(line.Link("usb-slow") + ": reader found", 5s));
    std::this_thread::sleep_for(300ms);
    station->Signal(SIGINT);
    EXPECT_EQ(station->Wait(5s), 14) << station->Err();
    const std::string out = station->Out();
    EXPECT_NE(out.find("PASS " + line.Link("usb-slow")), std::string::npos) << out;
    EXPECT_NE(out.find("FAIL " + line.Link("usb-file") + ": "), std::string::npos) << out;
    EXPECT_NE(out.find("it is not a serial port"), std::string::npos) << out;
    EXPECT_NE(out.find("station: 3 readers, 1 passed, 2 failed"), std::string::npos) << out;
    EXPECT_NE(station->Err().find("stopping (stop signal); 2 readers in progress"),
              std::string::npos)
        << station->Err();
    EXPECT_EQ(line.Log().size(), 3u);
}

TEST(KdcfgStation, PutsFirmwareOnReadersThatNeedItAndChecksTheVersion) {
    Line line;
    const std::string image(5000, '\x5A');
    test::WriteFile(line.dir / "image", image);
    for (const char* uploads : {"up-new", "up-stuck", "up-current"}) {
        fs::create_directories(line.dir / uploads);
    }
    auto station = line.Station({"--firmware", (line.dir / "image").string(), "--firmware-version",
                                 "V3.2.0", "--firmware-wait", "0"});
    auto takes = line.Plug("usb-new", {"--uploads", (line.dir / "up-new").string(),
                                       "--new-firmware-version", "V3.2.0"});
    auto stuck = line.Plug("usb-stuck", {"--uploads", (line.dir / "up-stuck").string()});
    auto current = line.Plug("usb-current", {"--uploads", (line.dir / "up-current").string(),
                                             "--value", "masterver=V3.2.0"});
    for (const char* name : {"usb-new", "usb-stuck", "usb-current"}) {
        ASSERT_TRUE(station->WaitForOut(" " + line.Link(name) + " ", 10s)) << station->Err();
    }
    station->Signal(SIGTERM);
    EXPECT_EQ(station->Wait(3s), 14);
    const std::string err = station->Err();
    const std::string updating = "kdcfg: station: " + line.Link("usb-new") + ": ";
    const size_t upload = err.find(updating + "uploading 5000 bytes\n");
    EXPECT_NE(upload, std::string::npos) << err;
    EXPECT_NE(err.find(updating + "reconnecting\n", upload), std::string::npos) << err;
    EXPECT_EQ(err.find(line.Link("usb-current") + ": uploading"), std::string::npos) << err;

    std::map<std::string, nlohmann::json> byPort;
    for (const auto& record : line.Log()) {
        byPort[record["port"]] = record;
    }
    ASSERT_EQ(byPort.size(), 3u);
    const auto& updated = byPort[line.Link("usb-new")];
    EXPECT_EQ(updated["result"], "PASS") << updated;
    EXPECT_EQ(updated["firmwareUploaded"], true);
    EXPECT_EQ(updated["before"]["firmware"], "V3.1.7");
    EXPECT_EQ(updated["after"]["firmware"], "V3.2.0");
    EXPECT_EQ(updated["keysChanged"], 3);
    EXPECT_EQ(test::ReadFile(line.dir / "up-new" / "tesmor"), image);

    const auto& failed = byPort[line.Link("usb-stuck")];
    EXPECT_EQ(failed["result"], "FAIL");
    EXPECT_EQ(failed["reason"], "the firmware reads V3.1.7 after the upload, not V3.2.0");
    EXPECT_EQ(failed["apply"], nullptr);  // no profile on a reader with the wrong firmware

    const auto& skipped = byPort[line.Link("usb-current")];
    EXPECT_EQ(skipped["result"], "PASS");
    EXPECT_EQ(skipped["firmwareUploaded"], false);
    EXPECT_TRUE(fs::is_empty(line.dir / "up-current"));
}

TEST(KdcfgStation, RefusesBeforeWatchingWhatCannotWork) {
    Line line;
    test::WriteFile(line.dir / "bad-profile", "workmode=2\nnosuchkey=1\n");
    std::vector<std::unique_ptr<BackgroundProgram>> stations;
    stations.push_back(line.Station({}, line.dir / "bad-profile"));
    stations.push_back(line.Station(
        {"--firmware", (line.dir / "missing").string(), "--firmware-version", "V3.2"}));
    stations.push_back(line.Station({}, {}, line.dir / "no-such-dir" / "log"));
    test::WriteFile(line.dir / "numbered", "workmode=2\ndeviceno=KD-1\n");
    stations.push_back(line.Station({}, line.dir / "numbered"));
    const int codes[] = {11, 6, 10, 11};
    for (size_t i = 0; i < stations.size(); ++i) {
        EXPECT_EQ(stations[i]->Wait(3s), codes[i]) << stations[i]->Err();
        EXPECT_NE(stations[i]->Err().find("no port was watched"), std::string::npos)
            << stations[i]->Err();
    }
    EXPECT_NE(stations[0]->Err().find("bad-profile:2: nosuchkey: not a key of the catalogue"),
              std::string::npos)
        << stations[0]->Err();
    EXPECT_NE(stations[3]->Err().find("numbered:2: every reader would get deviceno=KD-1"),
              std::string::npos)
        << stations[3]->Err();
}

TEST(KdcfgStation, LostOutputOrLogStopsTakingReadersAndEveryRecordIsKept) {
    Line line;
    // Standard output is a pipe whose reader has gone, as when Ctrl-C also ended a tee.
    std::vector<std::string> piped = {
        "/bin/sh", "-c", "{ \"$@\"; echo $? >" + (line.dir / "code").string() + "; } | true", "sh"};
    for (const std::string& arg : line.Args()) {
        piped.push_back(arg);
    }
    auto station = line.Run(piped);
    auto slow = line.Plug("usb-slow", {"--delay", "150"});
    ASSERT_TRUE(station->WaitForErr(line.Link("usb-slow") + ": reader found", 5s));
    auto fast = line.Plug("usb-fast");
    EXPECT_EQ(station->Wait(10s), 0) << station->Err();
    EXPECT_EQ(test::ReadFile(line.dir / "code"), "10\n") << station->Err();
    const std::string err = station->Err();
    EXPECT_NE(err.find("stopping (standard output cannot be written); 1 reader in progress"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("station: 2 readers, 2 passed, 0 failed"), std::string::npos) << err;
    EXPECT_EQ(line.Log().size(), 2u);

    // The log removed while a reader is in progress: it finishes, then the station ends.
    fs::remove(line.dir / "log");
    // With --force every reader gets the profile's serial number, and its line shows it.
    test::WriteFile(line.dir / "numbered", std::string(kProfile) + "deviceno=KD-NEW\n");
    auto logged = line.Station({"--force"}, line.dir / "numbered", line.dir / "second.log");
    ASSERT_TRUE(logged->WaitForErr(line.Link("usb-slow") + ": reader found", 5s));
    ASSERT_TRUE(logged->WaitForOut("PASS " + line.Link("usb-fast"), 5s)) << logged->Err();
    auto late = line.Plug("usb-late", {"--delay", "150"});
    ASSERT_TRUE(logged->WaitForErr(line.Link("usb-late") + ": reader found", 5s));
    fs::remove(line.dir / "second.log");
    EXPECT_EQ(logged->Wait(5s), 10) << logged->Err();
    EXPECT_NE(logged->Err().find("was removed or replaced"), std::string::npos) << logged->Err();
    EXPECT_NE(logged->Out().find("PASS " + line.Link("usb-late") + " serial KD-NEW "),
              std::string::npos)
        << logged->Out();
}

TEST(KdcfgStation, AnotherReaderAfterTheFirmwareWaitIsTakenAnewAndSighupEndsWithTotals) {
    Line line;
    // The port's name is the system's UTF-8 text and shows as such in every line.
    const std::string port = "usb-\xE8\xAF\xBB";  // usb-读
    test::WriteFile(line.dir / "image", std::string(3000, '\x5A'));
    fs::create_directories(line.dir / "up");
    // A version with an edge blank is compared as the bytes the reader sends.
    auto station = line.Station({"--firmware", (line.dir / "image").string(), "--firmware-version",
                                 "V3.2.0 ", "--firmware-wait", "2"});
    auto first = line.Plug(port, {"--uploads", (line.dir / "up").string()});
    for (int i = 0; i < 100 && !fs::exists(line.dir / "up" / "tesmor"); ++i) {
        std::this_thread::sleep_for(50ms);
    }
    ASSERT_TRUE(fs::exists(line.dir / "up" / "tesmor")) << station->Err();
    // Another reader takes the name while the first takes in its image.
    auto second =
        line.Plug("new-b", {"--value", "deviceno=KD-B", "--value", "masterver=V3.2.0 "}, "usb-b");
    EXPECT_EQ(first->Stop(SIGTERM), 0);
    fs::rename(line.Link("new-b"), line.Link(port));
    ASSERT_TRUE(station->WaitForOut("PASS " + line.Link(port), 10s)) << station->Err();
    station->Signal(SIGHUP);
    EXPECT_EQ(station->Wait(3s), 14) << station->Err();
    const std::string out = station->Out();
    EXPECT_NE(out.find("FAIL " + line.Link(port) +
                       " serial KD-000123 firmware V3.1.7: "
                       "another reader answered on " +
                       line.Link(port)),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("PASS " + line.Link(port) + " serial KD-B "), std::string::npos) << out;
    EXPECT_NE(out.find("station: 2 readers, 1 passed, 1 failed"), std::string::npos) << out;
    const std::vector<nlohmann::json> log = line.Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1]["serialNumber"], "KD-B");
    EXPECT_EQ(log[1]["firmwareUploaded"], false);
}

// Such a profile would pass every reader of a shift without configuring any.
TEST(KdcfgStation, AProfileThatSetsNothingIsRefusedAndNoReaderIsTaken) {
    Line line;
    auto reader = line.Plug("usb-a");
    test::WriteFile(line.dir / "readerset", "# from a dump\nmasterver=V3.1.7\n");
    auto station = line.Station({}, line.dir / "readerset");
    EXPECT_EQ(station->Wait(3s), 11) << station->Out();
    EXPECT_NE(station->Err().find("the profile sets no key"), std::string::npos) << station->Err();
    EXPECT_NE(station->Err().find("no port was watched"), std::string::npos) << station->Err();
    EXPECT_EQ(station->Out(), "");
    EXPECT_FALSE(fs::exists(line.dir / "log"));
}

// A reader that the pattern finds under two names (by-id and by-path on a real station)
// is one reader: one record, no second run that finds its port taken.
TEST(KdcfgStation, TakesAReaderUnderTwoNamesOnce) {
    Line line;
    auto a = line.Plug("usb-a");
    fs::create_symlink(line.Link("usb-a"), line.Link("usb-path-1"));
    auto station = line.Station();
    ASSERT_TRUE(station->WaitForOut("PASS " + line.Link("usb-a"), 5s)) << station->Err();
    std::this_thread::sleep_for(600ms);
    station->Signal(SIGINT);
    EXPECT_EQ(station->Wait(3s), 0) << station->Err();
    EXPECT_NE(station->Out().find("station: 1 readers, 1 passed, 0 failed"), std::string::npos)
        << station->Out();
    EXPECT_EQ(line.Log().size(), 1u) << test::ReadFile(line.dir / "log");
}

}  // namespace
}  // namespace kd
