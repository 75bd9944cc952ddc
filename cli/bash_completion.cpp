#include "cli/bash_completion.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <vector>

#include "catalogue/key_table.h"
#include "cli/command_line.h"

namespace kd::cli {

namespace {

// What completes a line, over the tables made from the command line.
constexpr char kFunctions[] = R"bash(
# Offers words of kind $1 that start with $2.
_kdcfg_offer() {
    local kind=$1 cur=$2 path
    case $kind in
        port)
            local ports=()
            while IFS= read -r path; do
                [[ $path == "$cur"* ]] && ports+=("$path")
            done < <(compgen -G '/dev/tty[A-Z]*'; compgen -G '/dev/serial/by-id/*')
            if ((${#ports[@]} > 0)); then
                COMPREPLY=("${ports[@]}")
                return
            fi
            # Any other path, such as a link to a pseudo-terminal.
            _kdcfg_offer file "$cur"
            ;;
        file)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            ;;
        key) mapfile -t COMPREPLY < <(compgen -W "$_kdcfg_keys" -- "$cur") ;;
        assignment)
            compopt -o nospace 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -W "$_kdcfg_writable_keys" -S = -- "$cur")
            ;;
    esac
}

_kdcfg() {
    COMPREPLY=()
    local cword=$COMP_CWORD cur=${COMP_WORDS[COMP_CWORD]} command='' word i
    # bash splits --port=PATH and KEY=VALUE at '=': the '=' is a word of its own.
    local before=${COMP_WORDS[cword - 1]} after_equals=''
    if [[ $cur == = ]]; then
        cur='' after_equals=1
    elif [[ $before == = ]] && ((cword >= 2)); then
        before=${COMP_WORDS[cword - 2]} after_equals=1
    fi
    # The command is the first word that is neither an option nor an option's value.
    for ((i = 1; i < cword; i++)); do
        word=${COMP_WORDS[i]}
        if [[ $word == -* ]]; then
            [[ -n $(_kdcfg_value "$command" "$word") ]] || continue
            [[ ${COMP_WORDS[i + 1]-} == = ]] && ((i++))
            ((i++))
        elif [[ -z $command && " $_kdcfg_commands " == *" $word "* ]]; then
            command=$word
        fi
    done
    if [[ $before == -* ]]; then
        local kind
        kind=$(_kdcfg_value "$command" "$before")
        if [[ -n $kind ]]; then
            _kdcfg_offer "$kind" "$cur"
            return
        fi
    fi
    # A value after KEY=: nothing to offer.
    [[ -n $after_equals ]] && return
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W \
            "$_kdcfg_line_options $(_kdcfg_command_options "$command")" -- "$cur")
    elif [[ -z $command ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$_kdcfg_commands" -- "$cur")
    else
        _kdcfg_offer "$(_kdcfg_arguments "$command")" "$cur"
    fi
}

complete -F _kdcfg kdcfg
)bash";

// What is completed in an option's value or a command's arguments; empty for a flag.
// Options say it by the name of their value (FILE, DIR, PATH, GLOB ...); arguments by
// their own name (KEY, KEY=VALUE, PROFILE, FILE).
std::string ValueKind(const CLI::Option& option) {
    if (option.get_items_expected_max() == 0) {
        return {};
    }
    if (option.get_lnames().empty() && option.get_snames().empty()) {
        const std::string& name = option.get_name();
        if (name.find('=') != std::string::npos) {
            return "assignment";
        }
        return name.find("KEY") != std::string::npos ? "key" : "file";
    }
    std::string type = option.get_type_name();
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (const char* file : {"FILE", "DIR", "PROFILE"}) {
        if (type.find(file) != std::string::npos) {
            return "file";
        }
    }
    for (const char* port : {"PATH", "PORT", "GLOB"}) {
        if (type.find(port) != std::string::npos) {
            return "port";
        }
    }
    return "text";
}

std::vector<std::string> Names(const CLI::Option& option) {
    std::vector<std::string> names;
    for (const std::string& name : option.get_snames()) {
        names.push_back("-" + name);
    }
    for (const std::string& name : option.get_lnames()) {
        names.push_back("--" + name);
    }
    return names;
}

bool Shown(const CLI::Option& option) {
    return !option.get_group().empty();
}

std::string Joined(const std::vector<std::string>& words, const char* between) {
    std::string text;
    for (const std::string& word : words) {
        text += (text.empty() ? "" : between) + word;
    }
    return text;
}

// The case arms of _kdcfg_value: "COMMAND OPTION" for a command's own options, before
// "* OPTION" for the line options, which every command takes.
struct Tables {
    std::vector<std::string> commands;
    std::vector<std::string> lineOptions;
    std::string commandOptions;  // case arms of _kdcfg_command_options
    std::string commandValues;   // case arms of _kdcfg_value
    std::string lineValues;
    std::string arguments;  // case arms of _kdcfg_arguments
};

void AddOptionValue(std::string& arms, const std::string& pattern, const CLI::Option& option) {
    const std::string kind = ValueKind(option);
    if (!kind.empty()) {
        std::vector<std::string> patterns;
        for (const std::string& name : Names(option)) {
            patterns.push_back(pattern + name + "\"");
        }
        arms += "        " + Joined(patterns, " | ") + ") echo " + kind + " ;;\n";
    }
}

void AddCommand(Tables& tables, const CLI::App& command) {
    const std::string& name = command.get_name();
    tables.commands.push_back(name);
    std::vector<std::string> own;
    for (const CLI::Option* option : command.get_options()) {
        if (!Shown(*option)) {
            continue;
        }
        if (option->get_lnames().empty() && option->get_snames().empty()) {
            tables.arguments += "        " + name + ") echo " + ValueKind(*option) + " ;;\n";
            continue;
        }
        for (const std::string& optionName : Names(*option)) {
            if (std::find(tables.lineOptions.begin(), tables.lineOptions.end(), optionName) ==
                tables.lineOptions.end()) {
                own.push_back(optionName);
            }
        }
        AddOptionValue(tables.commandValues, "\"" + name + " ", *option);
    }
    if (!own.empty()) {
        tables.commandOptions += "        " + name + ") echo '" + Joined(own, " ") + "' ;;\n";
    }
}

Tables Walk(const CLI::App& app) {
    Tables tables;
    for (const CLI::Option* option : app.get_options()) {
        if (Shown(*option)) {
            const auto names = Names(*option);
            tables.lineOptions.insert(tables.lineOptions.end(), names.begin(), names.end());
            AddOptionValue(tables.lineValues, "*\" ", *option);
        }
    }
    for (const CLI::App* command : app.get_subcommands({})) {
        AddCommand(tables, *command);
    }
    return tables;
}

std::string KeyLists() {
    std::vector<std::string> all;
    std::vector<std::string> writable;
    for (const catalogue::KeyInfo& key : catalogue::Keys()) {
        all.emplace_back(key.name);
        if (key.access != catalogue::Access::ReadOnly) {
            writable.emplace_back(key.name);
        }
    }
    return "_kdcfg_keys='" + Joined(all, " ") + "'\n_kdcfg_writable_keys='" +
           Joined(writable, " ") + "'\n";
}

}  // namespace

std::string BashCompletionScript() {
    Tables tables;
    VisitCommandLine([&tables](const CLI::App& app) { tables = Walk(app); });
    return "# bash completion for kdcfg. Made by the build from kdcfg's own command line "
           "and\n# key catalogue: do not edit.\n\n_kdcfg_commands='" +
           Joined(tables.commands, " ") + "'\n_kdcfg_line_options='" +
           Joined(tables.lineOptions, " ") + "'\n" + KeyLists() +
           "\n# A command's own options.\n_kdcfg_command_options() {\n    case $1 in\n" +
           tables.commandOptions +
           "    esac\n}\n\n"
           "# What the value of option $2 is, after command $1 (which may be empty): port, "
           "file or\n# text; nothing for a flag.\n_kdcfg_value() {\n    case \"$1 $2\" in\n" +
           tables.commandValues + tables.lineValues +
           "    esac\n}\n\n"
           "# What command $1's arguments are: key, assignment (KEY=VALUE) or file.\n"
           "_kdcfg_arguments() {\n    case $1 in\n" +
           tables.arguments + "    esac\n}\n" + kFunctions;
}

}  // namespace kd::cli
