#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <CLI/CLI.hpp>

namespace kd::cli {

// kdcfg's help layout: the command list shows the first line of each command's
// description, a command's own help shows all of it, and the usage line names --port.
// An option shows the word for its value that its own code gives (PATH, N), never the
// parser's type names or checks ("TEXT", "UINT in [0 - 600]"); what the parser would add
// as "REQUIRED" or "Needs:" is said in words after the description, and descriptions
// are wrapped to fit a terminal of 80 columns.
class HelpFormatter final : public CLI::Formatter {
  public:
    HelpFormatter();

    std::string make_subcommand(const CLI::App* command) const override;
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_description(const CLI::App* app) const override;
    std::string make_option_opts(const CLI::Option* option) const override;
    std::string make_option_desc(const CLI::Option* option) const override;
};

// The program's help, then each command's own help under "Command NAME:", indented, with
// the footer that every command shares left out: all of it in one text, which the man
// page is made from.
std::string HelpOfEverything(const CLI::App& app, std::string_view sharedFooter);

// The help flag's words, for kdcfg and each command.
inline constexpr char kHelpFlagText[] = "show this help and exit";

}  // namespace kd::cli
