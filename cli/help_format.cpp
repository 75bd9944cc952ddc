#include "cli/help_format.h"

#include <sstream>

namespace kd::cli {

HelpFormatter::HelpFormatter() {
    label("Subcommands", "Commands");
    label("SUBCOMMAND", "COMMAND");
    label("Positionals", "Arguments");
}

std::string HelpFormatter::make_subcommand(const CLI::App* command) const {
    const std::string& description = command->get_description();
    std::ostringstream out;
    CLI::detail::format_help(out, command->get_display_name(true),
                             description.substr(0, description.find('\n')), get_column_width());
    return out.str();
}

std::string HelpFormatter::make_usage(const CLI::App* app, std::string name) const {
    if (app->get_parent() == nullptr) {
        return "Usage: " + name + " --port PATH [OPTIONS] COMMAND [ARGUMENTS]\n";
    }
    return CLI::Formatter::make_usage(app, std::move(name));
}

std::string HelpFormatter::make_description(const CLI::App* app) const {
    const std::string text = CLI::Formatter::make_description(app);
    return text.empty() ? text : text + "\n";
}

std::string HelpOfEverything(const CLI::App& app, std::string_view sharedFooter) {
    // Straight from the formatters: App::help would show only the command given.
    std::string text =
        app.get_formatter()->make_help(&app, app.get_name(), CLI::AppFormatMode::Normal);
    const std::string shared = "\n" + std::string(sharedFooter) + "\n";
    for (const CLI::App* command : app.get_subcommands({})) {
        std::string help = command->get_formatter()->make_help(
            command, app.get_name() + " " + command->get_name(), CLI::AppFormatMode::Normal);
        if (help.ends_with(shared)) {
            help.erase(help.size() - shared.size());
        }
        text += "\nCommand " + command->get_name() + ":\n";
        std::istringstream lines(help);
        for (std::string line; std::getline(lines, line);) {
            text += line.empty() ? "\n" : "  " + line + "\n";
        }
    }
    return text;
}

}  // namespace kd::cli
