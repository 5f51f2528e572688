// The command tree of `tolv` as data: commands, their arguments, value names,
// defaults and help texts. The parser, the help and the error messages are
// all built from these tables.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tolv::cli {

enum class ValueKind {
    Flag,      // takes no value
    Text,      // must be valid UTF-8; may be empty
    OsString,  // any bytes
    Path,      // any bytes, not empty
    Language,
    Target,
    Surface,
    U64,
};

enum class ArgForm {
    Option,      // --name <VALUE>
    Positional,  // <VALUE>
    Trailing,    // [VALUE]...: every word from the first one on
};

struct ArgSpec {
    std::string_view id;
    ArgForm form = ArgForm::Option;
    std::string_view long_name;  // without "--"; empty for positionals
    std::string_view value_name;
    ValueKind kind = ValueKind::Text;
    std::string_view help;
    std::string_view default_value;  // empty: none
    bool required = false;
    bool repeatable = false;

    bool takes_value() const { return kind != ValueKind::Flag; }
};

struct CommandSpec {
    std::string_view name;
    std::string_view about;
    std::vector<ArgSpec> args;
    std::vector<const CommandSpec*> subcommands;  // "help" included where offered
    bool has_help_flag = true;
    bool has_version_flag = false;
};

// The words a value of this kind may take, in the order help lists them;
// empty for kinds that are not enumerations.
std::span<const std::string_view> possible_values(ValueKind kind);

// "[possible values: typescript, effect]"; empty for kinds without a list.
std::string possible_values_text(ValueKind kind);

// "--out <OUT>", "--compact", "<LANGUAGE>" or "[APP_CMD]...".
std::string arg_display(const ArgSpec& arg);

const CommandSpec& root_command();

inline constexpr std::string_view kVersion = "0.1.3";
inline constexpr std::string_view kHelpFlagHelp = "Print help";
inline constexpr std::string_view kVersionFlagHelp = "Print version";

}  // namespace tolv::cli
