#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/commands/dump_diff_apply.h"
#include "cli/options.h"
#include "link/channel.h"

namespace CLI {
class App;
}

// kdcfg's commands, each once: --help, the README's command list and the dispatch in main
// are made from this table.
namespace kd::cli {

class StopSignals;
class ProgressView;

// Where a command does its work.
enum class Scope {
    Machine,    // this machine: no port is opened, no stop signal is waited for
    Watched,    // the ports it watches, until a stop signal
    OnePort,    // the one port given
    EveryPort,  // every port given, at once
};

// What identifies the reader on a port, and what the command did, for a report over many
// ports.
struct ReaderFacts {
    std::string serialNumber;
    std::string firmwareVersion;
    std::optional<ApplySummary> apply;  // apply, from the port's opening on
    bool keepDump = false;              // dump, set by the caller: keep the profile for a
                                        // directory instead of printing it
    std::optional<KeptDump> dump;       // the profile kept, once dump has read it
};

// What a command runs with on one open port.
struct PortCall {
    bool terminal = false;  // err is a terminal: progress may be drawn in place
    std::FILE* out = nullptr;
    std::FILE* err = nullptr;
    ReaderFacts* facts = nullptr;      // for a report over many ports; null for one port
    ProgressView* progress = nullptr;  // where long work tells how far it has come
    // Closes the port and connects to the reader again, as the station does after its
    // firmware wait; false, with why, when no reader answered in time. Throws Interrupted
    // when a stop signal ended the wait.
    std::function<bool(std::string& why)> reconnect;
};

struct Command {
    const char* name;
    const char* usage;    // its arguments and own options, for the README's list
    const char* summary;  // one line
    const char* sends;    // what it sends to the reader
    Scope scope;
    bool json = false;          // has a JSON form
    bool readsProfile = false;  // reads a profile before any port is opened
    // What a stop signal left undone; null: nothing was changed on the reader.
    const char* (*cutShort)(const Options& options) = nullptr;
    // For a report over many ports: the word for exit 1 where it is no failure ("DIFFERS";
    // null: exit 1 failed), whether the port keeps an apply summary from its opening
    // on, and whether each port's JSON names the file it was saved to.
    const char* exitOneWord = nullptr;
    bool keepsSummary = false;
    bool namesFile = false;
    // A stop signal is one of its normal ends: it says itself what the stop meant, in its
    // exit code too.
    bool listens = false;
    const char* footer = nullptr;  // its own --help footer; null: the one every command has
    void (*addOptions)(CLI::App& command, Options& options) = nullptr;
    // What the parse cannot check by itself; "" when the options fit together. Null: the
    // scope's rule, a port for a command that opens one.
    std::string (*check)(const Options& options) = nullptr;
    // Exactly one, as its scope says: Machine and OnePort, Watched, EveryPort.
    int (*run)(const Options& options, std::FILE* out, std::FILE* err) = nullptr;
    int (*watch)(const Options& options, StopSignals& signals, std::FILE* out,
                 std::FILE* err) = nullptr;
    int (*runOnPort)(const Options& options, Channel& channel, const PortCall& call) = nullptr;
};

// Every command, in the order --help lists them.
std::span<const Command> Commands();

// The command of that name, or null.
const Command* FindCommand(std::string_view name);

// "this machine", "the ports it watches", "one port", "every port given".
const char* ScopeText(Scope scope);

}  // namespace kd::cli
