#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

// The line options' defaults that stick: what the command line leaves out is taken from
// the environment (KDCFG_BAUD=115200), then from a configuration file of `name = value`
// lines (baud = 115200), then the built-in defaults stand.
namespace kd::cli {

// An environment variable's value; none when it is not set.
using Environment = std::function<std::optional<std::string>(const std::string& name)>;

// The process's own environment.
Environment SystemEnvironment();

// The options that take a default, by long name ("baud"), with their variables
// ("KDCFG_BAUD"), in the order --help lists them.
struct LineDefault {
    const char* name;
    const char* variable;
    bool portChoice;  // port and ports: the port comes from one place only
};
const std::vector<LineDefault>& LineDefaults();

// One `name = value` line of a configuration file.
struct ConfigEntry {
    std::string name;
    std::string value;
    size_t line = 0;
};

// The entries of a configuration file's text, or none with the faulty line and why.
struct ConfigFault {
    size_t line = 0;
    std::string message;
};
std::optional<std::vector<ConfigEntry>> ParseConfig(std::string_view text, ConfigFault& fault);

// Where the defaults come from for one run.
struct DefaultSources {
    Environment environment;
    std::string configFile;       // the file to read; "" for none
    bool configRequired = false;  // named by --config: a missing file is a fault
    // Options the command does not take (station: the ports and --trace); their
    // defaults are left unused.
    std::vector<std::string> notTaken;
};

// Gives each line option the command line left out its value from the environment or
// the file. "" when done, else what is wrong, naming the variable or the file and line.
std::string ApplyLineDefaults(CLI::App& app, const DefaultSources& sources);

}  // namespace kd::cli
