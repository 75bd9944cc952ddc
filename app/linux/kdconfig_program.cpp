#include "app/linux/kdconfig_program.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdlib>

#include "app/config_tool_app.h"
#include "app/linux/instance_lock.h"
#include "app/system_channel_opener.h"
#include "link/posix/sysfs_hid_platform.h"
#include "link/posix/sysfs_port_source.h"
#include "protocol/upload.h"
#include "resources/strings.h"

namespace kd {

namespace {

constexpr char kDescription[] =
    "The configuration tool for the KD readers: connect over a serial port, change the\n"
    "reader's settings, save them. Only one copy runs at a time.";

}  // namespace

ParsedArguments ParseKdconfigArguments(const std::vector<std::string>& args) {
    ParsedArguments parsed;
    KdconfigArguments arguments;
    CLI::App app(kDescription, "kdconfig");
    app.add_option("--port", arguments.ports,
                   "A serial port to list first (repeatable), such as a pseudo-terminal\n"
                   "that the system's port list does not show")
        ->type_name("PATH")
        ->take_all();
    const std::string version = "kdconfig " + std::string(strings::kToolVersion);
    app.set_version_flag("--version", version, "Print the version and exit");
    // The window system's own options (Qt's -platform, -display, ...) pass through.
    app.allow_extras();
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        parsed.output = app.help();
        return parsed;
    } catch (const CLI::CallForVersion&) {
        parsed.output = version + "\n";
        return parsed;
    } catch (const CLI::ParseError& error) {
        parsed.exitCode = 2;
        parsed.error = "kdconfig: " + std::string(error.what()) + "\n";
        return parsed;
    }
    arguments.extras = app.remaining();
    parsed.arguments = std::move(arguments);
    return parsed;
}

LinuxSystem LiveLinuxSystem() {
    LinuxSystem system;
    system.lockDirectory =
        LockDirectory(std::getenv("XDG_RUNTIME_DIR"), ::getuid(), "/tmp", system.lockProblem);
    return system;
}

int RunKdconfigProgram(const KdconfigArguments& arguments, ui::Toolkit& toolkit,
                       const LinuxSystem& system, std::ostream& warnings) {
    if (!system.lockDirectory) {
        warnings << "kdconfig: running without the single-instance lock: " << system.lockProblem
                 << "\n";
    }
    LockFileProcessControl process(system.lockDirectory, warnings);
    SysfsPortSource ports(arguments.ports, system.root);
    SysfsHidPlatform hid(system.root);
    SystemChannelOpener channels;
    DiskUploadFiles uploadFiles;
    ThreadSleeper sleeper;
    AppServices services{toolkit, process, ports, hid, channels, uploadFiles, sleeper};
    ConfigToolApp app(services);
    app.InitInstance();
    return process.ExitCode().value_or(0);
}

}  // namespace kd
