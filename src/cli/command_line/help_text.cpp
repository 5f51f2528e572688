#include "cli/command_line/help_text.hpp"

#include <algorithm>
#include <vector>

namespace tolv::cli {
namespace {

struct Row {
    std::string spec;  // what goes in the left column, after the indent
    std::string help;  // help text with its bracketed extras
    bool positional = false;
};

std::string spec_values(const ArgSpec& arg) {
    std::string extras;
    if (!arg.default_value.empty()) extras = "[default: " + std::string(arg.default_value) + "]";
    const std::string values = possible_values_text(arg.kind);
    if (!values.empty() && !extras.empty()) extras += ' ';
    return extras + values;
}

std::string help_with_extras(std::string_view help, const std::string& extras) {
    std::string text(help);
    if (!extras.empty()) {
        if (!text.empty()) text += ' ';
        text += extras;
    }
    return text;
}

// One section: specs padded to the widest one plus two spaces, then the help
// text on the same line. Help is never wrapped, whatever the terminal.
void write_section(std::string& out, std::string_view title, const std::vector<Row>& rows) {
    if (rows.empty()) return;
    std::size_t longest = 0;
    for (const auto& row : rows) longest = std::max(longest, row.spec.size());
    const std::size_t column = 2 + longest + 2;
    out += '\n';
    out += title;
    out += ":\n";
    for (const auto& row : rows) {
        out += "  ";
        out += row.spec;
        out.append(column - 2 - row.spec.size(), ' ');
        out += row.help;
        out += '\n';
    }
}

}  // namespace

namespace {

// The usage line: "[OPTIONS]" for the optional options, the required options,
// then the positional arguments; with `required_only`, the required ones alone.
std::string usage_line(const CommandSpec& command, std::string_view path, bool required_only) {
    std::string usage(path);
    const auto add = [&](const ArgSpec& arg) {
        usage += ' ';
        usage += arg_display(arg);
    };
    const bool has_optional_options = std::any_of(command.args.begin(), command.args.end(), [](const ArgSpec& arg) {
        return arg.form == ArgForm::Option && !arg.required;
    });
    if (has_optional_options && !required_only) usage += " [OPTIONS]";
    for (const auto& arg : command.args) {
        if (arg.form == ArgForm::Option && arg.required) add(arg);
    }
    for (const auto& arg : command.args) {
        if (arg.form != ArgForm::Option && (arg.required || !required_only)) add(arg);
    }
    if (!command.subcommands.empty()) usage += " <COMMAND>";
    return usage;
}

}  // namespace

std::string render_usage(const CommandSpec& command, std::string_view path) { return usage_line(command, path, false); }

std::string render_required_usage(const CommandSpec& command, std::string_view path) {
    return usage_line(command, path, true);
}

std::string render_help(const CommandSpec& command, std::string_view path) {
    std::string out(command.about);
    out += "\n\nUsage: ";
    out += render_usage(command, path);
    out += '\n';

    std::vector<Row> commands;
    for (const CommandSpec* sub : command.subcommands)
        commands.push_back({std::string(sub->name), std::string(sub->about), true});

    std::vector<Row> positionals;
    std::vector<Row> options;
    for (const auto& arg : command.args) {
        Row row{arg_display(arg), help_with_extras(arg.help, spec_values(arg)), arg.form != ArgForm::Option};
        if (row.positional) {
            positionals.push_back(std::move(row));
        } else {
            // Options without a short form line up after the room "-h, " takes.
            row.spec = "    " + row.spec;
            options.push_back(std::move(row));
        }
    }
    if (command.has_help_flag) options.push_back({"-h, --help", std::string(kHelpFlagHelp), false});
    if (command.has_version_flag) options.push_back({"-V, --version", std::string(kVersionFlagHelp), false});

    write_section(out, "Commands", commands);
    write_section(out, "Arguments", positionals);
    write_section(out, "Options", options);
    return out;
}

}  // namespace tolv::cli
