#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "catalogue/key_table.h"
#include "catalogue/profile.h"
#include "protocol/device_commands.h"
#include "provision/apply.h"
#include "provision/dump_diff.h"
#include "provision/utc_time.h"
#include "tests/ui/modelled_reader.h"

namespace kd::provision {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A dump of the reader as the profile text a technician would keep.
std::string DumpText(test::ModelledReader& reader) {
    std::vector<profile::Item> items;
    for (const DumpedKey& key : Dump(reader.access)) {
        items.push_back({std::string(key.key->name), key.read.value, ""});
    }
    return profile::Format({}, items);
}

profile::Profile Parsed(const std::string& text) {
    std::vector<profile::ParseError> errors;
    auto parsed = profile::Parse(text, errors);
    EXPECT_THAT(errors, IsEmpty());
    return parsed.value_or(profile::Profile{});
}

TEST(Provision, ADumpAppliedBackChangesNothing) {
    test::ModelledReader reader;
    reader.Set("codeprefix", "\xBA\xF3 \\\r\n");
    const profile::Profile profile = Parsed(DumpText(reader));
    EXPECT_EQ(profile.entries.size(), catalogue::Keys().size());

    reader.requests.clear();
    const ApplyResult result = Apply(reader.access, profile, {});
    EXPECT_EQ(result.outcome, ApplyOutcome::NothingToDo);
    EXPECT_THAT(reader.Writes(), IsEmpty());
    EXPECT_TRUE(Diff(reader.access, profile).differences.empty());
}

TEST(Provision, OnlyChangedKeysAreWrittenStoredOnceAndReadBack) {
    test::ModelledReader source;
    source.Set("workmode", "2");
    source.Set("codepostfix", "\xBA\xF3\xD7\xBA");
    source.Set("com1_baudrate", "115200");
    source.Set("masterver", "V9");  // the reader's own: noted, never written
    const profile::Profile profile = Parsed(DumpText(source));

    test::ModelledReader target;
    const DiffResult diff = Diff(target.access, profile);
    ASSERT_EQ(diff.differences.size(), 4u);
    EXPECT_EQ(diff.differences[0].key, "com1_baudrate");
    EXPECT_EQ(diff.differences[0].reader.value, "9600");
    EXPECT_EQ(diff.differences[0].profileValue, "115200");

    target.requests.clear();
    const ApplyResult result = Apply(target.access, profile, {});
    EXPECT_EQ(result.outcome, ApplyOutcome::Verified);
    EXPECT_THAT(target.Writes(),
                ElementsAre("write com1_baudrate=115200", "write codepostfix=%BA%F3%D7%BA",
                            "write workmode=2", "store"));
    EXPECT_EQ(target.Value("codepostfix"), "\xBA\xF3\xD7\xBA");
    ASSERT_EQ(result.readOnly.size(), 1u);
    EXPECT_EQ(result.readOnly[0].key, "masterver");
    // Every written key is read back after the store.
    EXPECT_THAT(target.Reads(), testing::IsSupersetOf({"com1_baudrate", "workmode"}));
    EXPECT_EQ(std::count(target.requests.begin(), target.requests.end(), "read workmode"), 2);
}

TEST(Provision, TheCatalogueCheckRefusesBeforeAnythingIsSent) {
    const profile::Profile profile = Parsed(
        "# a profile\nworkmode=7\n\nqrcod=1\ncodeprefix=" + std::string(300, 'x') + "\nqrcode=0\n");
    test::ModelledReader reader;
    ApplyResult result = Apply(reader.access, profile, {});
    EXPECT_EQ(result.outcome, ApplyOutcome::CheckRefused);
    ASSERT_EQ(result.problems.size(), 3u);
    EXPECT_EQ(result.problems[0].line, 2u);
    EXPECT_EQ(result.problems[1].line, 4u);
    EXPECT_EQ(result.problems[2].line, 5u);
    EXPECT_FALSE(result.problems[2].forcible);
    EXPECT_THAT(reader.requests, IsEmpty());

    // --force sends what can be sent, but never a value past the key's limit.
    EXPECT_EQ(Apply(reader.access, profile, {.force = true}).outcome, ApplyOutcome::CheckRefused);
    const profile::Profile forcible = Parsed("workmode=7\nqrcode=0\n");
    result = Apply(reader.access, forcible, {.force = true});
    EXPECT_EQ(result.outcome, ApplyOutcome::Verified);
    EXPECT_EQ(reader.Value("workmode"), "7");
}

TEST(Provision, ARefusedWriteStoresNothingAndIsNamed) {
    test::ModelledReader reader;
    reader.model.SetFaults({.refusedKeys = {"workmode"}});
    const profile::Profile profile = Parsed("workmode=1\nqrcode=0\n");
    const ApplyResult result = Apply(reader.access, profile, {});
    EXPECT_EQ(result.outcome, ApplyOutcome::WriteFailed);
    // The read was refused too: the key is written, as its value is unknown.
    ASSERT_EQ(result.writes.size(), 2u);
    EXPECT_EQ(result.writes[0].writeError, KeyError::Refused);
    EXPECT_TRUE(result.writes[1].written);
    EXPECT_TRUE(result.UnsavedChanges());
    EXPECT_THAT(reader.Writes(), ElementsAre("write workmode=1", "write qrcode=0"));
}

TEST(Provision, AReaderThatGoesAwayStopsEverything) {
    test::ModelledReader reader;
    reader.onRequest = [&](std::string_view request) {
        if (request == "write dmcode=0") {
            reader.model.SetFaults({.silent = true});
        }
    };
    const profile::Profile profile = Parsed("qrcode=0\ndmcode=0\nonecode=0\n");
    const ApplyResult result = Apply(reader.access, profile, {});
    EXPECT_EQ(result.outcome, ApplyOutcome::WriteFailed);
    EXPECT_EQ(result.writes[1].writeError, KeyError::ReaderGone);
    EXPECT_EQ(result.writes[2].writeError, KeyError::NotAsked);
    EXPECT_THAT(reader.Writes(), ElementsAre("write qrcode=0", "write dmcode=0"));

    // A dump names the key that got no answer and asks nothing more.
    reader.requests.clear();
    const std::vector<DumpedKey> dumped = Dump(reader.access);
    EXPECT_EQ(dumped[0].read.error, KeyError::ReaderGone);
    EXPECT_EQ(dumped.back().read.error, KeyError::NotAsked);
    EXPECT_EQ(reader.requests.size(), 1u);
}

TEST(Provision, ADryRunListsTheWritesAndSendsNone) {
    test::ModelledReader reader;
    const ApplyResult result =
        Apply(reader.access, Parsed("qrcode=0\ndmcode=1\n"), {.dryRun = true});
    EXPECT_EQ(result.outcome, ApplyOutcome::DryRun);
    ASSERT_EQ(result.writes.size(), 1u);
    EXPECT_EQ(result.writes[0].key, "qrcode");
    EXPECT_THAT(reader.Writes(), IsEmpty());
}

// A reader that takes writes of the keys the window only writes, and refuses to read them.
class WriteOnlyUnread final : public KeyAccess {
  public:
    explicit WriteOnlyUnread(KeyAccess& inner) : inner_(inner) {}
    int ReadKey(std::string_view name, std::string& value) override {
        reads.emplace_back(name);
        const catalogue::KeyInfo* key = catalogue::FindKey(name);
        if (key != nullptr && key->access == catalogue::Access::WriteOnly) {
            return kExchangeRefused;
        }
        return inner_.ReadKey(name, value);
    }
    int WriteKey(std::string_view name, std::string_view value) override {
        return inner_.WriteKey(name, value);
    }
    int StoreKeys() override { return inner_.StoreKeys(); }
    std::vector<std::string> reads;

  private:
    KeyAccess& inner_;
};

TEST(Provision, WriteOnlyKeysAreWrittenAndStoredButNeverReadBack) {
    test::ModelledReader reader;
    WriteOnlyUnread keys(reader.access);
    const ApplyResult result = Apply(
        keys, Parsed("io_outputs=comusb\nio_inits=comusb,com0,com2\nio_monitors=comusb\n"), {});
    EXPECT_EQ(result.outcome, ApplyOutcome::Verified);
    EXPECT_THAT(reader.Writes(),
                ElementsAre("write io_outputs=comusb", "write io_inits=comusb,com0,com2",
                            "write io_monitors=comusb", "store"));
    // Each key is read once before the writes; after the store only io_outputs again.
    EXPECT_THAT(keys.reads, ElementsAre("io_outputs", "io_inits", "io_monitors", "io_outputs"));
}

// Record times are RFC 3339 in UTC, cut to the second; the seconds since 1970 come from an
// independent calendar computation.
TEST(Provision, RecordTimesAreRfc3339InUtc) {
    using namespace std::chrono;
    const auto at = [](long long second, int millisecond = 0) {
        return system_clock::time_point(seconds(second) + milliseconds(millisecond));
    };
    EXPECT_EQ(UtcText(at(1796818205, 999)), "2026-12-09T12:10:05Z");
    EXPECT_EQ(UtcText(at(946684799)), "1999-12-31T23:59:59Z");
    EXPECT_EQ(UtcText(at(0)), "1970-01-01T00:00:00Z");
}

}  // namespace
}  // namespace kd::provision
