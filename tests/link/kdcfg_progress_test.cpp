#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/link/kdcfg_fixture.h"

extern char** environ;

// kdcfg's progress lines and colour: redrawn on a terminal, plain lines on a pipe, nothing
// with --quiet, and colour only where it is wanted.
namespace kd {
namespace {

using test::LoggedReader;
using test::RunResult;

// The environment without NO_COLOR, and with it when noColor is given.
std::vector<std::string> Environment(const char* noColor) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!std::string(*entry).starts_with("NO_COLOR=")) {
            env.emplace_back(*entry);
        }
    }
    if (noColor != nullptr) {
        env.push_back(std::string("NO_COLOR=") + noColor);
    }
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& text : strings) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Runs kdcfg with standard output on a pipe and standard error on a pseudo-terminal of 200
// columns; err holds what the terminal was sent.
RunResult KdcfgWithTerminal(std::vector<std::string> args, const char* noColor = nullptr) {
    RunResult result;
    args.insert(args.begin(), KDCFG_PATH);
    int master = -1;
    int slave = -1;
    winsize size{};
    size.ws_col = 200;
    size.ws_row = 50;
    int out[2];
    if (::openpty(&master, &slave, nullptr, nullptr, &size) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        return result;
    }
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);  // the bytes kdcfg wrote, without a line discipline's changes
    ::tcsetattr(slave, TCSANOW, &raw);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, slave, STDERR_FILENO);
    std::vector<char*> argv = Pointers(args);
    std::vector<std::string> env = Environment(noColor);
    std::vector<char*> envp = Pointers(env);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(slave);
    ::close(out[1]);
    // Both until closed: a pseudo-terminal's master reports an error once the child is gone.
    pollfd fds[2] = {{out[0], POLLIN, 0}, {master, POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    for (int open = spawned == 0 ? 2 : 0; open > 0 && ::poll(fds, 2, -1) > 0;) {
        for (int i = 0; i < 2; ++i) {
            char piece[4096];
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            const ssize_t n = ::read(fds[i].fd, piece, sizeof piece);
            if (n > 0) {
                sinks[i]->append(piece, static_cast<size_t>(n));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    if (spawned == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    ::close(out[0]);
    ::close(master);
    return result;
}

// Whether a live line of the port was drawn showing what.
bool LineShowed(const std::string& err, const std::string& port, const std::string& what) {
    for (size_t at = err.find("\r" + port + " "); at != std::string::npos;
         at = err.find("\r" + port + " ", at + 1)) {
        if (err.substr(at, err.find("\033[K", at) - at).find(what) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST(KdcfgProgress, OnATerminalTheLineIsRedrawnAndTheDataStaysClean) {
    LoggedReader reader;
    ASSERT_FALSE(reader.sim.PortPath().empty());
    const RunResult piped = reader.Kdcfg({"dump"});
    const RunResult shown = KdcfgWithTerminal({"--port", reader.sim.PortPath(), "dump"});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_NE(shown.err.find("\rkdcfg: reading 1/"), std::string::npos) << shown.err;
    EXPECT_NE(shown.err.find("\rkdcfg: reading 37/"), std::string::npos) << shown.err;
    EXPECT_EQ(shown.err.find('\n'), std::string::npos) << shown.err;
    EXPECT_TRUE(shown.err.ends_with("\r\033[K")) << shown.err;  // taken off the screen
    // The profile is the same but for its time line.
    EXPECT_EQ(shown.out.size(), piped.out.size());
    EXPECT_EQ(shown.out.find('\033'), std::string::npos);
}

TEST(KdcfgProgress, OnAPipeEachPhaseIsOnePlainLineAndQuietLeavesOnlyTheResult) {
    LoggedReader reader;
    ASSERT_FALSE(reader.sim.PortPath().empty());
    test::WriteFile(reader.dir / "p.profile", "workmode=2\ncom1_baudrate=115200\nqrcode=1\n");
    const std::string profile = (reader.dir / "p.profile").string();
    const RunResult applied = reader.Kdcfg({"apply", profile});
    ASSERT_EQ(applied.exitCode, 0) << applied.err;
    EXPECT_EQ(applied.err,
              "kdcfg: reading 3 keys\nkdcfg: writing 2 keys\nkdcfg: storing\n"
              "kdcfg: verifying 2 keys\n");

    const RunResult probed = reader.Kdcfg({"probe"});
    EXPECT_EQ(probed.exitCode, 0) << probed.err;
    EXPECT_EQ(probed.err, "kdcfg: probing up to 60 line settings\n");

    const RunResult quiet = reader.Kdcfg({"--quiet", "diff", profile});
    EXPECT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_EQ(quiet.err, "");
    const RunResult quietApply = reader.Kdcfg({"apply", profile, "--quiet"});
    EXPECT_EQ(quietApply.err, "");
    EXPECT_EQ(quietApply.out, "nothing to do: the reader holds the profile; 0 keys changed\n");
}

TEST(KdcfgProgress, ManyPortsShowEachPortsPhaseLiveAndColourOnlyWhereWanted) {
    const test::TempDir uploads;  // where the readers keep what they took
    LoggedReader first({"--uploads", uploads.Path().string()});
    LoggedReader second({"--uploads", uploads.Path().string()});
    ASSERT_FALSE(first.sim.PortPath().empty());
    ASSERT_FALSE(second.sim.PortPath().empty());
    test::WriteFile(first.dir / "config", std::string(3000, 'c'));
    const std::vector<std::string> upload = {"--port",        first.sim.PortPath(),
                                             "--port",        second.sim.PortPath(),
                                             "upload-config", (first.dir / "config").string()};
    const RunResult live = KdcfgWithTerminal(upload);
    ASSERT_EQ(live.exitCode, 0) << live.err;
    // The four seconds' wait after the last block is drawn on each port's line, in place.
    EXPECT_TRUE(LineShowed(live.err, first.sim.PortPath(), " waiting ")) << live.err;
    EXPECT_TRUE(LineShowed(live.err, second.sim.PortPath(), " waiting "));
    EXPECT_NE(live.err.find("\033[2A"), std::string::npos);
    EXPECT_NE(live.err.find("\033[32mPASS\033[0m (exit 0)"), std::string::npos);
    EXPECT_EQ(live.out.find('\033'), std::string::npos) << live.out;  // a pipe: no colour

    const std::vector<std::string> info = {"--port", first.sim.PortPath(), "--port",
                                           second.sim.PortPath(), "info"};
    const RunResult noColor = KdcfgWithTerminal(info, "1");
    EXPECT_NE(noColor.err.find("\033[2A"), std::string::npos);  // still redrawn
    EXPECT_EQ(noColor.err.find("\033[32m"), std::string::npos) << noColor.err;
    const RunResult emptyNoColor = KdcfgWithTerminal(info, "");
    EXPECT_NE(emptyNoColor.err.find("\033[32mPASS"), std::string::npos) << emptyNoColor.err;

    std::vector<std::string> always = info;
    always.insert(always.begin(), {"--color", "always"});
    const RunResult forced = test::Kdcfg(always);
    EXPECT_NE(forced.out.find("\033[32mPASS\033[0m    "), std::string::npos) << forced.out;
    always.push_back("--json");
    EXPECT_EQ(test::Kdcfg(always).out.find('\033'), std::string::npos);
    EXPECT_EQ(test::Kdcfg(info).out.find('\033'), std::string::npos);
}

}  // namespace
}  // namespace kd
