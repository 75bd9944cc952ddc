#include "app/linux/run_kdconfig.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "app/linux/kdconfig_program.h"
#include "resources/ids.h"
#include "ui/qt/qt_toolkit.h"

namespace kd {

namespace {

bool Set(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] != '\0';
}

// Without a display Qt gives up with an abort and talk of reinstalling; say it plainly.
// A platform chosen by hand (offscreen, vnc, ...) needs none.
bool HasDisplay(const std::vector<std::string>& qtArguments) {
    return Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM") ||
           std::find(qtArguments.begin(), qtArguments.end(), "-platform") != qtArguments.end();
}

}  // namespace

int RunKdconfig(const std::string& programName, const std::vector<std::string>& arguments,
                const KdconfigHooks& hooks) {
    const ParsedArguments parsed = ParseKdconfigArguments(arguments);
    if (!parsed.arguments) {
        std::fputs(parsed.output.c_str(), stdout);
        std::fputs(parsed.error.c_str(), stderr);
        return parsed.exitCode;
    }

    if (!HasDisplay(parsed.arguments->extras)) {
        std::fputs(
            "kdconfig: no display to open the window on (DISPLAY is not set); run it on a "
            "desktop, or under xvfb-run\n",
            stderr);
        return 1;
    }
    // Qt takes its own options out of what it is given and leaves the rest.
    std::vector<std::string> qtArguments{programName};
    qtArguments.insert(qtArguments.end(), parsed.arguments->extras.begin(),
                       parsed.arguments->extras.end());
    std::vector<char*> argv;
    for (std::string& argument : qtArguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    int argc = static_cast<int>(qtArguments.size());
    QApplication application(argc, argv.data());
    if (argc > 1) {
        std::fprintf(stderr, "kdconfig: unknown argument: %s (see kdconfig --help)\n", argv[1]);
        return 2;
    }
    QApplication::setApplicationName(QString::fromStdString(programName));

    ui::qt::QtToolkit toolkit({{ids::kApplicationIcon, QStringLiteral(":/kd/app.ico")}});
    if (hooks.started) {
        hooks.started();
    }
    return RunKdconfigProgram(*parsed.arguments, toolkit, LiveLinuxSystem(), std::cerr);
}

}  // namespace kd
