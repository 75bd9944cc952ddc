// kdconfig-e2e: runs the Linux program's own code with a scenario that drives its
// windows from inside, through QTest's input events, as a user would.
//
//   kdconfig-e2e --scenario NAME --out DIR --frame-log FILE [--state FILE]
//                [--kdconfig PATH] [--first-port NAME] [--scans FIFO] -- [kdconfig's arguments]
#include <CLI/CLI.hpp>
#include <cstdio>
#include <map>

#include "app/linux/run_kdconfig.h"
#include "tests/e2e_linux/scenarios.h"

int main(int argc, char** argv) {
    using namespace kd::e2e;
    std::vector<std::string> own;
    std::vector<std::string> program;
    bool past = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!past && arg == "--") {
            past = true;
        } else {
            (past ? program : own).push_back(arg);
        }
    }

    const std::map<std::string, void (*)(Script&, const Setup&)> scenarios = {
        {"main_window", MainWindowScenario},
        {"settings", SettingsScenario},
        {"settings_faults", SettingsFaultsScenario},
        {"frame_log", FrameLogScenario},
        {"scan_test", ScanTestScenario},
        {"upload", UploadScenario}};
    Setup setup;
    setup.programArguments = program;
    std::string name;
    CLI::App app("Drives kdconfig through a scenario", "kdconfig-e2e");
    app.add_option("--scenario", name)->required();
    app.add_option("--out", setup.outDir)->required();
    app.add_option("--frame-log", setup.frameLog)->required();
    app.add_option("--state", setup.stateFile);
    app.add_option("--kdconfig", setup.kdconfig);
    app.add_option("--first-port", setup.firstPort);
    app.add_option("--scans", setup.scanFifo);
    std::reverse(own.begin(), own.end());
    try {
        app.parse(own);
    } catch (const CLI::ParseError& error) {
        return app.exit(error);
    }
    const auto scenario = scenarios.find(name);
    if (scenario == scenarios.end()) {
        std::fprintf(stderr, "kdconfig-e2e: no scenario %s\n", name.c_str());
        return 2;
    }

    Script script;
    scenario->second(script, setup);
    kd::KdconfigHooks hooks;
    hooks.started = [&script] { script.Start(); };
    const int code = kd::RunKdconfig("kdconfig", program, hooks);

    if (!script.Finished()) {
        std::printf("FAIL - the program ended (code %d) before the scenario did\n", code);
        return 1;
    }
    std::printf("e2e %s: %d checks, %d failed; the program exited with %d\n", name.c_str(),
                script.Checks(), script.Failures(), code);
    return script.Failures() == 0 && script.Checks() > 0 && code == 0 ? 0 : 1;
}
