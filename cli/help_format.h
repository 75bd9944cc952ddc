#pragma once

#include <memory>
#include <string>

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

}  // namespace kd::cli
