// The settings dialog over the modelled reader: what it reads on opening, what each page
// shows, Save's writes and store, and reopening; then a reader that refuses a key.
#include <QApplication>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <memory>

#include "tests/e2e_linux/scenarios.h"
#include "tests/e2e_linux/settings_steps.h"
#include "tests/e2e_linux/widgets.h"

namespace kd::e2e {

namespace {

const char* const kReads[] = {
    "qrcode",        "dmcode",           "onecode",           "pdf417code",
    "io_outputs",    "com1_baudrate",    "com1_stopbits",     "com1_bytesizes",
    "com1_paritys",  "contentorder",     "codeprefix",        "codepostfix",
    "nfcprefix",     "nfcpostfix",       "codeprepostformat", "nfcprepostformat",
    "nfcreadmethod", "codehint",         "reboothint",        "nfchint",
    "workmode",      "intervaltime",     "nfccontentbegin",   "nfccontentend",
    "nfcable",       "nfccontentformat", "codecontentformat", "contentformat",
    "developctrl",   "scanmode",         "masterver",         "deviceno",
    "historytime"};

const char* const kWrites[] = {"pdf417code=1",
                               "qrcode=0",
                               "dmcode=1",
                               "onecode=1",
                               "io_inits=com0,com1,hid1,com2",
                               "io_monitors=com1,hid1",
                               "io_outputs=com1",
                               "com1_baudrate=115200",
                               "com1_bytesizes=8",
                               "com1_stopbits=1",
                               "com1_paritys=EVEN",
                               "contentorder=PREFIX,CONTENT,POSTFIX,ENTER,WRAP",
                               "codeprefix=AB",
                               "codepostfix=",
                               "nfccontentorder=NFCPREFIX,NFC,NFCPOSTFIX",
                               "nfcprefix=N1",
                               "nfcpostfix=",
                               "intervaltime=250",
                               "nfchint=1",
                               "codehint=1",
                               "reboothint=8,9,11",
                               "workmode=2",
                               "nfcserial=com0",
                               "nfcable=1",
                               "com0_devname=/dev/ttyS2",
                               "nfccontentformat=hex",
                               "codeprepostformat=hex",
                               "nfcprepostformat=hex",
                               "nfcreadmethod=1",
                               "deviceno=KD-E2E-42",
                               "nfccontentbegin=0",
                               "nfccontentend=16",
                               "codecontentformat=char",
                               "contentformat=hex",
                               "developctrl=2",
                               "scanmode=1"};

std::string ExpectedReads() {
    std::vector<std::string> reads;
    for (const char* key : kReads) {
        reads.push_back(std::string("read ") + key);
    }
    return Joined(reads);
}

constexpr size_t kConnectRequests = 3;

void CheckOpened(Script& script, const Setup& setup) {
    script.Check("open: on the first tab, only the first page shown, no message", [] {
        return TabSelection(Settings()) == 0 && PageControl("sym", 1019)->isVisible() &&
               !PageControl("mode", 1022)->isVisible() &&
               !PageControl("about", 1018)->isVisible() && MessageBox() == nullptr;
    });
    script.CheckEqual(
        "open: after the connect, the pages read their keys in the designed order",
        [&setup] { return Joined(Requests(setup.frameLog), kConnectRequests); }, ExpectedReads());
    CheckAll(script, "open: every page shows the reader's values",
             {{"sym", 1019, "checked", "1"},
              {"sym", 1020, "checked", "1"},
              {"sym", 1021, "checked", "1"},
              {"sym", 1078, "checked", "0"},
              {"mode", 1022, "checked", "1"},
              {"mode", 1022, "enabled", "0"},
              {"mode", 1063, "shown", "0"},
              {"mode", 1040, "text", "9600"},
              {"mode", 1041, "text", "1"},
              {"mode", 1042, "text", "8"},
              {"mode", 1043, "text", "NONE"},
              {"mode", 1040, "items",
               "110|115200|1200|128000|134|14400|150|1800|19200|2400|256000|300|38400|4800|"
               "56000|57600|600|7200|9600"},
              {"fmt", 1036, "checked", "1"},
              {"fmt", 1037, "checked", "0"},
              {"fmt", 1053, "checked", "0"},
              {"fmt", 1054, "checked", "1"},
              {"fmt", 1029, "checked", "0"},
              {"fmt", 1038, "text", ""},
              {"fmt", 1079, "checked", "1"},
              {"fmt", 1092, "checked", "0"},
              {"fmt", 1091, "checked", "1"},
              {"ctl", 1044, "checked", "1"},
              {"ctl", 1089, "checked", "1"},
              {"ctl", 1077, "checked", "1"},
              {"ctl", 1090, "checked", "0"},
              {"ctl", 1073, "checked", "1"},
              {"ctl", 1024, "checked", "1"},
              {"ctl", 1028, "text", "1000"},
              {"ctl", 1045, "checked", "1"},
              {"ctl", 1068, "text", "0"},
              {"ctl", 1069, "text", "16"},
              {"ctl", 1047, "checked", "1"},
              {"ctl", 1053, "checked", "1"},
              {"ctl", 1060, "checked", "1"},
              {"ctl", 1072, "checked", "1"},
              {"about", 1018, "text", "V3.1.7"},
              {"about", 1018, "enabled", "0"},
              {"about", 1055, "text", "KD-000123"},
              {"about", 1056, "shown", "0"}});
}

// Sets a check box or radio button; checks that it holds afterwards.
void Set(Script& script, const std::string& page, int id, bool checked) {
    script.Try((checked ? "check " : "uncheck ") + page + ":" + std::to_string(id),
               [page, id, checked] {
                   return SetChecked(PageControl(page, id), checked) &&
                          Checked(PageControl(page, id)) == checked;
               });
}
void TypeInto(Script& script, const std::string& page, int id, const std::string& text) {
    script.Try("type " + text + " into " + page + ":" + std::to_string(id), [page, id, text] {
        return Type(PageControl(page, id), QString::fromStdString(text)) &&
               Text(PageControl(page, id)) == text;
    });
}
void PageShot(Script& script, const Setup& setup, const std::string& name) {
    script.Check("screenshot of " + name, [&setup, name] {
        return Shot(Settings(), setup.outDir + "/settings_" + name + ".png");
    });
}

void EditEveryPage(Script& script, const Setup& setup) {
    Set(script, "sym", 1019, false);
    Set(script, "sym", 1078, true);
    PageShot(script, setup, "symbology");
    script.Try("tab 1",
               [] { return PickTab(Settings(), 1) && PageControl("mode", 1022)->isVisible(); });
    script.Try("baud 115200, parity EVEN", [] {
        return Pick(PageControl("mode", 1040), "115200") && Pick(PageControl("mode", 1043), "EVEN");
    });
    PageShot(script, setup, "output_mode");
    script.Try("tab 2",
               [] { return PickTab(Settings(), 2) && PageControl("fmt", 1036)->isVisible(); });
    Set(script, "fmt", 1037, true);
    Set(script, "fmt", 1029, true);
    TypeInto(script, "fmt", 1038, "AB");
    Set(script, "fmt", 1031, true);
    TypeInto(script, "fmt", 1034, "N1");
    Set(script, "fmt", 1053, true);
    Set(script, "fmt", 1092, true);
    CheckAll(script, "format: the radio groups moved",
             {{"fmt", 1054, "checked", "0"}, {"fmt", 1091, "checked", "0"}});
    PageShot(script, setup, "output_format");
    script.Try("tab 3",
               [] { return PickTab(Settings(), 3) && PageControl("ctl", 1044)->isVisible(); });
    Set(script, "ctl", 1089, false);
    Set(script, "ctl", 1074, true);
    Set(script, "ctl", 1026, true);
    TypeInto(script, "ctl", 1028, "250");
    Set(script, "ctl", 1061, true);
    Set(script, "ctl", 1071, true);
    CheckAll(script, "control: the radio groups moved",
             {{"ctl", 1073, "checked", "0"},
              {"ctl", 1024, "checked", "0"},
              {"ctl", 1060, "checked", "0"},
              {"ctl", 1053, "checked", "1"},
              {"ctl", 1047, "checked", "1"},
              {"ctl", 1072, "checked", "0"}});
    PageShot(script, setup, "control");
    script.Try("tab 4",
               [] { return PickTab(Settings(), 4) && PageControl("about", 1018)->isVisible(); });
    TypeInto(script, "about", 1055, "KD-E2E-42");
    PageShot(script, setup, "about");
}

std::string StateMissing(const std::string& stateFile) {
    std::ifstream in(stateFile);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    std::string missing;
    for (const char* pair : kWrites) {
        if (std::find(lines.begin(), lines.end(), pair) == lines.end()) {
            missing += std::string(pair) + " ";
        }
    }
    return missing;
}

void SaveChecks(Script& script, const Setup& setup) {
    auto before = std::make_shared<size_t>(0);
    script.Do("click 保存", [before, &setup] {
        *before = Requests(setup.frameLog).size();
        Click(Control(Settings(), 1016));
    });
    WaitForMessage(script, "保存成功!");
    script.Check("save: the dialog stays open", [] { return Settings() != nullptr; });
    std::vector<std::string> writes;
    for (const char* pair : kWrites) {
        writes.push_back(std::string("write ") + pair);
    }
    writes.push_back("store");
    script.CheckEqual(
        "save: exactly the expected keys written in order, then one store",
        [before, &setup] { return Joined(Requests(setup.frameLog), *before); }, Joined(writes));
    script.CheckEqual(
        "save: the reader's state file holds every written value",
        [&setup] { return StateMissing(setup.stateFile); }, "");
}

}  // namespace

void SettingsScenario(Script& script, const Setup& setup) {
    Connect(script);
    OpenSettings(script);
    CheckOpened(script, setup);
    EditEveryPage(script, setup);
    SaveChecks(script, setup);
    CloseSettings(script);
    script.CheckEqual(
        "closed: still connected", [] { return Text(Control(MainWindow(), 1014)); }, "已连接");

    // Reopening reads everything again, starts on the first tab and shows what was saved.
    auto before = std::make_shared<size_t>(0);
    script.Do("note the requests so far",
              [before, &setup] { *before = Requests(setup.frameLog).size(); });
    OpenSettings(script);
    script.CheckEqual(
        "reopen: every key read again, in the same order",
        [before, &setup] { return Joined(Requests(setup.frameLog), *before); }, ExpectedReads());
    CheckAll(script, "reopen: the saved values are shown, on the first tab",
             {{"sym", 1019, "checked", "0"},
              {"sym", 1078, "checked", "1"},
              {"mode", 1040, "text", "115200"},
              {"mode", 1043, "text", "EVEN"},
              {"fmt", 1038, "text", "AB"},
              {"fmt", 1034, "text", "N1"},
              {"ctl", 1028, "text", "250"},
              {"ctl", 1071, "checked", "1"},
              {"about", 1055, "text", "KD-E2E-42"}});
    script.Check("reopen: on the first tab", [] { return TabSelection(Settings()) == 0; });
    ProfileChecks(script, setup);
    CloseSettings(script);
    Quit(script);
}

void SettingsFaultsScenario(Script& script, const Setup& setup) {
    Connect(script);
    script.Do("click 更改配置", [] { Click(Control(MainWindow(), 1003)); });
    WaitForMessage(script, "部分配置读取失败，保存将覆盖未能读取的设置，请检查设备连接后重新打开!");
    script.WaitFor("the settings dialog", [] { return Settings() != nullptr; });
    CheckAll(script, "a failed read: the dialog opens; the refused key shows empty",
             {{"about", 1055, "text", ""}, {"about", 1018, "text", "V3.1.7"}});
    script.Check("a failed read: warned once", [] { return MessageBox() == nullptr; });
    script.Do("click 保存", [] { Click(Control(Settings(), 1016)); });
    WaitForMessage(script, "保存失败，请检查设备连接后重试!");
    script.Check("a failed write: the rest of the writes and the store still went out", [&setup] {
        const auto requests = Requests(setup.frameLog);
        const auto refused = std::find(requests.begin(), requests.end(), "write deviceno=");
        return refused != requests.end() && requests.back() == "store" &&
               std::any_of(refused, requests.end(), [](const std::string& request) {
                   return request.starts_with("write nfccontentend=");
               });
    });
    CloseSettings(script);
    Quit(script);
}

}  // namespace kd::e2e
