#include "cli/help_format.h"

#include <sstream>
#include <vector>

namespace kd::cli {

namespace {

constexpr size_t kLineWidth = 80;

// text broken into lines of at most width columns, at spaces.
std::string Wrapped(const std::string& text, size_t width) {
    std::string out;
    size_t column = 0;
    std::istringstream words(text);
    for (std::string word; words >> word;) {
        if (column > 0 && column + 1 + word.size() > width) {
            out += '\n';
            column = 0;
        } else if (column > 0) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
    }
    return out;
}

// The parser's own names for a value's type, which mean nothing to a user.
bool ParserTypeName(const std::string& name) {
    for (const char* own : {"TEXT", "UINT", "INT", "FLOAT", "BOOLEAN", "NUMBER", "ENUM"}) {
        if (name == own) {
            return true;
        }
    }
    return false;
}

}  // namespace

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

std::string HelpFormatter::make_option_opts(const CLI::Option* option) const {
    if (option->get_positional() || option->get_expected_max() == 0) {
        return {};  // an argument's name is its word; a flag takes none
    }
    // The parser adds its checks after a colon: "SECONDS:UINT in [0 - 600]".
    const std::string full = option->get_type_name();
    const std::string name = full.substr(0, full.find(':'));
    return name.empty() || ParserTypeName(name) ? " VALUE" : " " + name;
}

std::string HelpFormatter::make_option_desc(const CLI::Option* option) const {
    std::string text = option->get_description();
    if (option->get_required() && !option->get_positional()) {
        text += " (required)";
    }
    std::string needs;
    for (const CLI::Option* other : option->get_needs()) {
        needs += (needs.empty() ? "" : " and ") + other->get_name();
    }
    if (!needs.empty()) {
        text += " (only with " + needs + ")";
    }
    return Wrapped(text, kLineWidth - get_column_width());
}

}  // namespace kd::cli
