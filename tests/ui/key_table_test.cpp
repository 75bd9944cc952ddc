#include "catalogue/key_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "catalogue/key_catalogue.h"
#include "config/config_dialog.h"
#include "tests/ui/modelled_reader.h"
#include "ui/headless/headless_toolkit.h"

namespace kd::catalogue {
namespace {

using ::testing::ElementsAreArray;
using ::testing::UnorderedElementsAre;

constexpr int kSave = 1016;

struct Observed {
    std::vector<std::string> reads;
    std::vector<std::pair<std::string, std::string>> writes;
};

// Opens the settings dialog over a reader in this state and presses 保存.
Observed OpenAndSave(const std::vector<std::pair<std::string, std::string>>& state) {
    test::ModelledReader reader;
    for (const auto& [name, value] : state) {
        reader.Set(name, value);
    }
    ui::headless::HeadlessToolkit toolkit;
    ConfigDialog dialog(toolkit, reader.access);
    ui::headless::HeadlessWindow& window = toolkit.Open(dialog);
    Observed observed;
    observed.reads = reader.Reads();
    window.Click(kSave);
    for (const std::string& request : reader.Writes()) {
        if (request.starts_with("write ")) {
            const size_t equals = request.find('=');
            observed.writes.emplace_back(request.substr(6, equals - 6), request.substr(equals + 1));
        }
    }
    return observed;
}

std::vector<std::string> TableNames(bool (*include)(const KeyInfo&)) {
    std::vector<std::string> names;
    for (const KeyInfo& key : Keys()) {
        if (include(key)) {
            names.emplace_back(key.name);
        }
    }
    return names;
}

TEST(KeyTable, AgreesWithWhatTheDialogReadsAndWrites) {
    // A reader on which every conditional read and write happens, and one on the USB
    // route with the other lights and line ends.
    const std::vector<std::vector<std::pair<std::string, std::string>>> states = {
        {{"nfcprefix", "N>"}},
        {{"io_outputs", "comusb"},
         {"reboothint", "8,9,11"},
         {"codehint", "1"},
         {"contentorder", "PREFIX,CONTENT,POSTFIX,ENTER,WRAP"},
         {"developctrl", "2"},
         {"scanmode", "1"}},
    };
    for (const auto& state : states) {
        const Observed observed = OpenAndSave(state);
        for (const std::string& name : observed.reads) {
            const KeyInfo* key = FindKey(name);
            ASSERT_NE(key, nullptr) << name;
            EXPECT_NE(key->access, Access::WriteOnly) << name;
        }
        for (const auto& [name, value] : observed.writes) {
            const KeyInfo* key = FindKey(name);
            ASSERT_NE(key, nullptr) << name;
            EXPECT_NE(key->access, Access::ReadOnly) << name;
            // Whatever the window writes passes the check that apply makes.
            EXPECT_EQ(CheckValue(*key, value), std::nullopt) << name << '=' << value;
        }
    }

    // With every page fully loaded, the table's order is the reading order, and Save
    // writes every key that is not read-only.
    const Observed full = OpenAndSave(states[0]);
    EXPECT_THAT(full.reads, ElementsAreArray(TableNames([](const KeyInfo& key) {
                    return key.access != Access::WriteOnly;
                })));
    std::set<std::string> written;
    for (const auto& write : full.writes) {
        written.insert(write.first);
    }
    const auto writable =
        TableNames([](const KeyInfo& key) { return key.access != Access::ReadOnly; });
    EXPECT_EQ(written, std::set<std::string>(writable.begin(), writable.end()));
}

// Save reads each key back from the control the table names for it: a reader whose keys
// hold values their neighbours do not share gets each one written back unchanged.
TEST(KeyTable, NamesTheControlFillShowsEachKeyIn) {
    std::vector<std::pair<std::string, std::string>> state = {{"nfcable", "1"}};
    const std::span<const KeyInfo> keys = Keys();
    for (const KeyInfo& key : keys) {
        if (key.access != Access::ReadWrite || key.composed != nullptr ||
            (key.kind == ControlKind::CheckBox && key.controls.size() > 1) ||
            key.name == "nfcable") {
            continue;
        }
        // Neighbours get different values; keys that share a row get the same button.
        const auto first = std::find_if(keys.begin(), keys.end(), [&](const KeyInfo& other) {
            return other.controls.data() == key.controls.data();
        });
        const size_t pick = static_cast<size_t>(first - keys.begin());
        const std::span<const std::string_view> choices =
            key.kind == ControlKind::ComboBox ? Suggestions(key) : key.literals;
        state.emplace_back(key.name, choices.empty() ? "t" + std::to_string(pick)
                                                     : std::string(choices[pick % choices.size()]));
    }
    const Observed observed = OpenAndSave(state);
    for (const auto& [name, value] : state) {
        EXPECT_THAT(observed.writes, ::testing::Contains(std::pair(name, value))) << name;
    }
}

// Apply, diff, set and the window's import all ask these; a key the catalogue does not
// know is sent with --force and read back like any other.
TEST(KeyTable, SaysWhichKeysAreNeverWrittenOrNeverRead) {
    struct Case {
        std::string_view name;
        bool readOnly;
        bool writeOnly;
    };
    for (const Case& key : {Case{"masterver", true, false}, Case{"historytime", true, false},
                            Case{"io_inits", false, true}, Case{"com0_devname", false, true},
                            Case{"deviceno", false, false}, Case{"qrcode", false, false},
                            Case{"nosuchkey", false, false}}) {
        EXPECT_EQ(IsReadOnly(key.name), key.readOnly) << key.name;
        EXPECT_EQ(IsWriteOnly(key.name), key.writeOnly) << key.name;
    }
}

TEST(KeyTable, CaptionsAndValuesComeFromTheTemplatesAndTheCatalogue) {
    const KeyInfo& interval = *FindKey("intervaltime");
    EXPECT_EQ(ControlCaption(interval.page, interval.controls[0]), "间隔时间");
    const KeyInfo& prefix = *FindKey("codeprefix");
    EXPECT_EQ(ControlCaption(prefix.page, prefix.controls[0]), "条码二维码前缀");
    const KeyInfo& workMode = *FindKey("workmode");
    EXPECT_EQ(PageCaption(workMode.page), "控制设置");
    EXPECT_EQ(ControlCaption(workMode.page, workMode.controls[1]), "单次模式");
    EXPECT_EQ(workMode.literals[1], "1");

    EXPECT_THAT(*AllowedValues(*FindKey("codehint")), UnorderedElementsAre("", "1", "26", "1,26"));
    EXPECT_EQ(AllowedValues(*FindKey("contentorder"))->size(), 4u);
    EXPECT_EQ(CheckValue(*FindKey("contentorder"), "PREFIX,CONTENT,POSTFIX,WRAP,ENTER"),
              ValueProblem::NotAllowed);
    EXPECT_EQ(CheckValue(*FindKey("com1_baudrate"), "14400"), std::nullopt);
    EXPECT_EQ(CheckValue(*FindKey("codeprefix"), std::string(WriteLimit("codeprefix"), 'x')),
              std::nullopt);
    EXPECT_EQ(CheckValue(*FindKey("codeprefix"), std::string(WriteLimit("codeprefix") + 1, 'x')),
              ValueProblem::TooLong);
    EXPECT_EQ(FindKey("slavever"), nullptr);
}

}  // namespace
}  // namespace kd::catalogue
