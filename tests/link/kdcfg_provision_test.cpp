#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/link/kdcfg_fixture.h"

// dump, diff and apply against kdreader-sim on a pseudo-terminal.
namespace kd {
namespace {

using test::RunProgram;
using test::RunResult;
using test::TempDir;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Keeps its keys in its folder, as a reader keeps them over power cycles.
struct Reader : test::LoggedReader {
    explicit Reader(std::vector<std::string> args = {})
        : LoggedReader(std::move(args), Keys::InStateFile) {}
};

std::string Dumped(Reader& reader, const std::filesystem::path& file) {
    const RunResult dump = reader.Kdcfg({"dump", "-o", file.string()});
    EXPECT_EQ(dump.exitCode, 0) << dump.err;
    return test::ReadFile(file);
}

TEST(KdcfgProvision, DumpThenApplyIsNothingToDoAndThreeChangesAreWrittenStoredAndVerified) {
    Reader reader;
    const TempDir files;
    const std::string profile = Dumped(reader, files / "reader.profile");
    EXPECT_THAT(profile, HasSubstr("# firmware version: V3.1.7\n"));
    EXPECT_THAT(profile, HasSubstr("\nworkmode=0\n"));

    // A reader that already holds the profile is no failure: "apply && next" goes on.
    const RunResult same = reader.Kdcfg({"apply", (files / "reader.profile").string()});
    EXPECT_EQ(same.exitCode, 0) << same.err;
    EXPECT_THAT(same.out, HasSubstr("nothing to do: the reader holds the profile; 0 keys changed"));
    const RunResult dryRun =
        reader.Kdcfg({"apply", (files / "reader.profile").string(), "--dry-run", "--json"});
    EXPECT_EQ(dryRun.exitCode, 0) << dryRun.err;
    const auto unchanged = nlohmann::json::parse(dryRun.out, nullptr, false);
    ASSERT_TRUE(unchanged.is_object()) << dryRun.out;
    EXPECT_EQ(unchanged.value("keysChanged", -1), 0) << dryRun.out;
    EXPECT_EQ(reader.Kdcfg({"diff", (files / "reader.profile").string()}).exitCode, 0);

    std::string changed = profile;
    for (const auto& [from, to] : {std::pair{"workmode=0", "workmode=2"},
                                   {"qrcode=1", "qrcode=0"},
                                   {"deviceno=KD-000123", "deviceno=KD-7"}}) {
        changed.replace(changed.find(from), std::string(from).size(), to);
    }
    test::WriteFile(files / "changed.profile", changed);
    const RunResult diff = reader.Kdcfg({"diff", (files / "changed.profile").string(), "--json"});
    EXPECT_EQ(diff.exitCode, 1) << diff.err;
    const auto document = nlohmann::json::parse(diff.out);
    EXPECT_EQ(document["differences"].size(), 3u);
    EXPECT_EQ(document["differences"][0]["key"], "qrcode");
    EXPECT_EQ(document["differences"][0]["reader"], "1");

    const RunResult apply = reader.Kdcfg({"apply", (files / "changed.profile").string()});
    EXPECT_EQ(apply.exitCode, 0) << apply.err;
    EXPECT_THAT(apply.out, HasSubstr("3 keys changed; stored; read back and verified: 3 keys"));
    EXPECT_THAT(reader.Writes(),
                ElementsAre("write qrcode=0", "write workmode=2", "write deviceno=KD-7", "store"));
    const std::string state = "\n" + test::ReadFile(reader.dir / "reader.state");
    for (const char* line : {"\nqrcode=0\n", "\nworkmode=2\n", "\ndeviceno=KD-7\n"}) {
        EXPECT_THAT(state, HasSubstr(line));
    }
}

TEST(KdcfgProvision, DumpReplacesAFileWholeFollowsALinkAndWritesADeviceAsItIs) {
    Reader reader;
    const TempDir files;
    test::WriteFile(files / "real.profile", "old\n");
    const auto privateFile =
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
    std::filesystem::permissions(files / "real.profile", privateFile);
    std::filesystem::create_symlink("real.profile", files / "link");
    const std::string profile = Dumped(reader, files / "link");
    EXPECT_THAT(profile, HasSubstr("\nworkmode=0\n"));
    EXPECT_TRUE(std::filesystem::is_symlink(files / "link"));
    EXPECT_EQ(std::filesystem::status(files / "real.profile").permissions(), privateFile);
    // Nothing but the two names: the temporary file is gone.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(files.Path()), {}), 2);

    // A device is no file to replace: run as root, a rename would take /dev/stdout away.
    const RunResult toStdout = reader.Kdcfg({"dump", "-o", "/dev/stdout"});
    EXPECT_EQ(toStdout.exitCode, 0) << toStdout.err;
    EXPECT_THAT(toStdout.out, HasSubstr("\nworkmode=0\n"));
    EXPECT_TRUE(std::filesystem::is_symlink("/dev/stdout"));
}

TEST(KdcfgProvision, AStoreIsTakenOnlyFromItsOwnReply) {
    // Every reply sent twice, and the store never answered or refused: the second copy of
    // a write's acknowledgement once passed for the store's reply.
    const TempDir files;
    test::WriteFile(files / "p.profile", "workmode=1\nqrcode=0\n");
    for (const char* storeFault : {"--unanswered-store", "--refuse-store"}) {
        Reader reader({"--repeat-replies", "3", storeFault});
        const RunResult run = reader.Kdcfg({"apply", (files / "p.profile").string(), "--json"});
        EXPECT_EQ(run.exitCode, 12) << storeFault << run.err;
        const auto result = nlohmann::json::parse(run.out, nullptr, false);
        EXPECT_EQ(result.value("stored", true), false) << run.out;
        EXPECT_EQ(result.value("unsavedChanges", false), true) << run.out;
        EXPECT_THAT(run.err, HasSubstr("may run with unsaved changes until it is powered off"));
    }
}

TEST(KdcfgProvision, ApplyRefusesBeforeSendingAndNamesWhatFailed) {
    Reader reader({"--refuse-key", "intervaltime"});
    const TempDir files;
    test::WriteFile(files / "bad.profile", "# bad\nworkmode=9\nqrcode=1\nnokey=1\n");
    const RunResult refused = reader.Kdcfg({"apply", (files / "bad.profile").string()});
    EXPECT_EQ(refused.exitCode, 11);
    EXPECT_THAT(refused.err, HasSubstr("bad.profile:2: workmode"));
    EXPECT_THAT(refused.err, HasSubstr("bad.profile:4: nokey"));
    EXPECT_THAT(reader.Writes(), ElementsAre());

    test::WriteFile(files / "refused.profile", "intervaltime=500\nworkmode=1\n");
    const RunResult failed = reader.Kdcfg({"apply", (files / "refused.profile").string()});
    EXPECT_EQ(failed.exitCode, 12);
    EXPECT_THAT(failed.err, HasSubstr("write intervaltime: the reader refused"));
    EXPECT_THAT(failed.err, HasSubstr("unsaved changes"));
    EXPECT_THAT(reader.Writes(), ElementsAre("write intervaltime=500", "write workmode=1"));

    // A dump still writes what it could read, and says what it could not.
    const RunResult dump = reader.Kdcfg({"dump"});
    EXPECT_EQ(dump.exitCode, 5);
    EXPECT_THAT(dump.out, HasSubstr("# intervaltime: the reader refused\n"));
    EXPECT_THAT(dump.out, HasSubstr("\nnfccontentbegin=0\n"));
    EXPECT_THAT(dump.err, HasSubstr("read intervaltime: the reader refused"));
}

TEST(KdcfgProvision, GbkOddBytesAndLineEndsSurviveDumpAndApplyToAnotherReader) {
    const std::string gbk = "\xBA\xF3\xD7\xBA";
    const std::string odd = "\xFF x";
    const std::string lines = " \\\r\n ";
    Reader source({"--value", "codeprefix=" + gbk, "--value", "codepostfix=" + lines, "--value",
                   "deviceno=" + odd});
    const TempDir files;
    const std::string profile = Dumped(source, files / "source.profile");
    EXPECT_THAT(profile, HasSubstr("\ncodeprefix=后缀\n"));

    Reader target;
    const RunResult apply = target.Kdcfg({"apply", (files / "source.profile").string()});
    EXPECT_EQ(apply.exitCode, 0) << apply.err;
    const std::string state = test::ReadFile(target.dir / "reader.state");
    EXPECT_THAT(state, HasSubstr("\ncodeprefix=%BA%F3%D7%BA\n"));
    EXPECT_THAT(state, HasSubstr("\ncodepostfix= \\%0D%0A \n"));
    EXPECT_THAT(state, HasSubstr("\ndeviceno=%FF x\n"));
}

TEST(KdcfgProvision, JsonFormsAreOneDocumentAndKeysNeedNoPort) {
    const RunResult keys = RunProgram({KDCFG_PATH, "keys", "--json"});
    ASSERT_EQ(keys.exitCode, 0) << keys.err;
    const auto catalogue = nlohmann::json::parse(keys.out)["keys"];
    EXPECT_EQ(catalogue.size(), 38u);
    EXPECT_EQ(catalogue[20]["key"], "workmode");
    EXPECT_EQ(catalogue[20]["controls"][1], "单次模式");

    Reader reader({"--value", "codeprefix=\xBA\xF3\n"});
    const RunResult info = reader.Kdcfg({"--json", "info"});
    EXPECT_EQ(nlohmann::json::parse(info.out)["firmwareVersion"], "V3.1.7");
    const RunResult get = reader.Kdcfg({"get", "workmode", "codeprefix", "--json"});
    EXPECT_EQ(nlohmann::json::parse(get.out)["values"][1]["value"], "后\\x0A");
    EXPECT_EQ(reader.Kdcfg({"set", "workmode=1", "--json"}).exitCode, 2);
}

TEST(KdcfgProvision, AProfileThatSetsNothingIsRefusedBeforeAnyPortIsOpened) {
    const TempDir files;
    const std::string nowhere = (files / "no-such-port").string();
    for (const auto& [name, text] : {std::pair{"empty", ""},
                                     {"comments", "# line 7\n\n# to be filled in\n"},
                                     {"readerset", "masterver=V3.1.7\nhistorytime=2026-10-12\n"}}) {
        test::WriteFile(files / name, text);
        for (const char* command : {"apply", "diff"}) {
            const RunResult run =
                RunProgram({KDCFG_PATH, "--port", nowhere, command, (files / name).string()});
            EXPECT_EQ(run.exitCode, 11) << command << ' ' << name << ": " << run.err;
            EXPECT_THAT(run.err, HasSubstr(name + std::string(": the profile sets no key")));
        }
    }
}

TEST(KdcfgProvision, DumpKeepsTheFileWhenNoKeyCouldBeRead) {
    const TempDir files;
    const std::string good = "# kept\nqrcode=0\n";
    test::WriteFile(files / "good.profile", good);
    Reader silent({"--silent"});
    const RunResult none = silent.Kdcfg({"dump", "-o", (files / "good.profile").string()});
    EXPECT_EQ(none.exitCode, 4);
    EXPECT_THAT(none.err, HasSubstr("no key could be read"));
    EXPECT_EQ(test::ReadFile(files / "good.profile"), good);
}

TEST(KdcfgProvision, ATypedRateAppliesAndSetChecksTheCatalogueAsApplyDoes) {
    Reader reader({"--value", "com1_baudrate=12345"});
    const TempDir files;
    Dumped(reader, files / "own.profile");
    EXPECT_EQ(reader.Kdcfg({"apply", (files / "own.profile").string()}).exitCode, 0);

    for (const char* refused : {"workmode=99", "nosuchkey=1", "masterver=V9"}) {
        const RunResult set = reader.Kdcfg({"set", "qrcode=0", refused});
        EXPECT_EQ(set.exitCode, 2) << refused;
        EXPECT_THAT(set.err, HasSubstr(refused));
    }
    // --force sends what the check refuses, never a value past the key's limit.
    EXPECT_EQ(reader.Kdcfg({"set", "com1_baudrate=" + std::string(244, '1'), "--force"}).exitCode,
              2);
    EXPECT_EQ(reader.Kdcfg({"set", "workmode=99", "--force"}).exitCode, 0);
    EXPECT_THAT(reader.Writes(), ElementsAre("write workmode=99"));
}

}  // namespace
}  // namespace kd
