#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/link/kdcfg_fixture.h"

// Uploads with their closing wait and the version check after a firmware update; and what
// Ctrl-C says was done.
namespace kd {
namespace {

using namespace std::chrono_literals;
using test::BackgroundProgram;
using test::RunResult;
using test::TempDir;
using ::testing::HasSubstr;

using Reader = test::LoggedReader;

// The requests the reader took after the upload's last block, in order.
std::vector<std::string> AfterLastBlock(const Reader& reader) {
    const std::string log = reader.FrameLog();
    std::vector<std::string> requests;
    for (size_t at = log.rfind("# upload block"); (at = log.find(" RX ", at)) != std::string::npos;
         ++at) {
        const size_t note = log.find("  # ", at) + 4;
        requests.push_back(log.substr(note, log.find('\n', note) - note));
    }
    return requests;
}

TEST(KdcfgUpload, ExpectVersionConnectsAgainAndPassesOnlyOnThatVersion) {
    TempDir files;
    test::WriteFile(files / "image", std::string(3000, '\x5A'));
    const std::string image = (files / "image").string();

    Reader updated({"--uploads", files.Path().string(), "--new-firmware-version", "V3.2.0"});
    const RunResult pass =
        updated.Kdcfg({"upload-firmware", image, "--wait", "0", "--expect-version", "V3.2.0"});
    EXPECT_EQ(pass.exitCode, 0) << pass.err;
    EXPECT_THAT(pass.out, HasSubstr("reports V3.2.0"));
    EXPECT_THAT(pass.err, HasSubstr("giving the reader 0 s"));
    // It asked the reader, after the image, over a connection of its own.
    EXPECT_EQ(AfterLastBlock(updated), (std::vector<std::string>{"handshake", "read masterver"}));

    // A reader that keeps its old firmware fails the check with its own code.
    Reader stuck({"--uploads", files.Path().string()});
    const RunResult mismatch =
        stuck.Kdcfg({"upload-firmware", image, "--wait", "0", "--expect-version", "V3.2.0"});
    EXPECT_EQ(mismatch.exitCode, 15) << mismatch.err;
    EXPECT_THAT(mismatch.err, HasSubstr("reports firmware V3.1.7 after the update, not V3.2.0"));

    // --wait sets the closing wait of both uploads; the version is only a firmware's.
    test::WriteFile(files / "config", "x");
    const RunResult config =
        stuck.Kdcfg({"upload-config", (files / "config").string(), "--wait", "1"});
    EXPECT_EQ(config.exitCode, 0) << config.err;
    EXPECT_THAT(config.err, HasSubstr("giving the reader 1 s"));
    EXPECT_EQ(stuck.Kdcfg({"upload-config", "--expect-version", "V3.2.0"}).exitCode, 2);
    EXPECT_EQ(stuck.Kdcfg({"upload-firmware", image, "--wait", "601"}).exitCode, 2);
}

TEST(KdcfgUpload, CtrlCSaysWhatWasDone) {
    TempDir files;
    test::WriteFile(files / "image", std::string(3000, '\x5A'));
    Reader reader({"--uploads", files.Path().string(), "--new-firmware-version", "V3.2.0"});
    std::filesystem::create_directories(files / "upload");
    BackgroundProgram upload(
        {KDCFG_PATH, "--port", reader.sim.PortPath(), "upload-firmware", (files / "image").string(),
         "--wait", "600", "--expect-version", "V3.2.0"},
        files / "upload");
    ASSERT_TRUE(upload.WaitForErr("giving the reader 600 s", 10s)) << upload.Err();
    upload.Signal(SIGINT);
    EXPECT_EQ(upload.Wait(5s), 130) << upload.Err();
    EXPECT_THAT(upload.Err(), HasSubstr("upload-firmware interrupted after all 3 blocks were sent "
                                        "and acknowledged, before the reader had its whole wait "
                                        "to take the file in; its version was not checked"));
    EXPECT_EQ(AfterLastBlock(reader), std::vector<std::string>{});

    // set names the keys that reached the reader unsaved.
    Reader slow({"--delay", "250"});
    std::filesystem::create_directories(files / "set");
    BackgroundProgram set({KDCFG_PATH, "--port", slow.sim.PortPath(), "set", "workmode=2",
                           "qrcode=0", "codeprefix=A", "nfcprefix=B", "codepostfix=C", "--store"},
                          files / "set");
    ASSERT_TRUE(slow.WaitForNoted("write ", 2));
    set.Signal(SIGINT);
    EXPECT_EQ(set.Wait(5s), 130) << set.Err();
    const std::vector<std::string> writes = slow.Writes();
    ASSERT_GE(writes.size(), 2u);
    ASSERT_LT(writes.size(), 5u);
    std::string names;
    for (const std::string& write : writes) {  // "write workmode=2"
        names += (names.empty() ? "" : ", ") + write.substr(6, write.find('=') - 6);
    }
    EXPECT_THAT(set.Err(), HasSubstr("set interrupted after " + std::to_string(writes.size()) +
                                     " of 5 writes: " + names + " written, not stored"));
}

}  // namespace
}  // namespace kd
