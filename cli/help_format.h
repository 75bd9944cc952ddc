#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <CLI/CLI.hpp>

namespace kd::cli {

// kdcfg's help layout: the command list shows the first line of each command's
// description, a command's own help shows all of it, and the usage line names --port.
class HelpFormatter final : public CLI::Formatter {
  public:
    HelpFormatter();

    std::string make_subcommand(const CLI::App* command) const override;
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_description(const CLI::App* app) const override;
};

// The program's help, then each command's own help under "Command NAME:", indented, with
// the footer that every command shares left out: all of it in one text, which the man
// page is made from.
std::string HelpOfEverything(const CLI::App& app, std::string_view sharedFooter);

}  // namespace kd::cli
