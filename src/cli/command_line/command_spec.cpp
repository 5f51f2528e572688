#include "cli/command_line/command_spec.hpp"

#include <array>

namespace tolv::cli {
namespace {

constexpr std::string_view kOutHelp =
    "Output directory or api.ts path. Directories receive api.ts plus runtime siblings";
constexpr std::string_view kAppHelp = "Python Bridge object as <module>:<attr>";
constexpr std::string_view kLanguageHelp = "Client flavor to generate";
constexpr std::string_view kAppCmdHelp = "Schema-dump command to run if --app is not provided";

constexpr std::array<std::string_view, 2> kLanguages = {"typescript", "effect"};
constexpr std::array<std::string_view, 2> kTargets = {"python", "rust"};
constexpr std::array<std::string_view, 2> kSurfaces = {"effect", "promise"};

ArgSpec argument(std::string_view id, ArgForm form, std::string_view long_name, std::string_view value_name,
                 ValueKind kind, std::string_view help) {
    ArgSpec arg;
    arg.id = id;
    arg.form = form;
    arg.long_name = long_name;
    arg.value_name = value_name;
    arg.kind = kind;
    arg.help = help;
    return arg;
}

ArgSpec option(std::string_view id, std::string_view long_name, std::string_view value_name, ValueKind kind,
               std::string_view help) {
    return argument(id, ArgForm::Option, long_name, value_name, kind, help);
}

CommandSpec command(std::string_view name, std::string_view about) {
    CommandSpec spec;
    spec.name = name;
    spec.about = about;
    return spec;
}

ArgSpec required(ArgSpec arg) {
    arg.required = true;
    return arg;
}

ArgSpec repeatable(ArgSpec arg) {
    arg.repeatable = true;
    return arg;
}

ArgSpec with_default(ArgSpec arg, std::string_view value) {
    arg.default_value = value;
    return arg;
}

ArgSpec trailing_words() {
    return repeatable(argument("app_cmd", ArgForm::Trailing, "", "APP_CMD", ValueKind::OsString, kAppCmdHelp));
}

void add_surface_args(std::vector<ArgSpec>& args) {
    const auto surface = [](std::string_view id, std::string_view long_name, std::string_view help) {
        return option(id, long_name, "SURFACE", ValueKind::Surface, help);
    };
    args.push_back(surface("default", "surface",
                           "Default Effect-client return surface for endpoints without a per-kind override"));
    args.push_back(surface("commands", "commands", "Override the return surface used for `@command` endpoints"));
    args.push_back(surface("channels", "channels", "Override the return surface used for `@channel` endpoints"));
    args.push_back(surface("uploads", "uploads", "Override the return surface used for `@upload` endpoints"));
    args.push_back(surface("statics", "statics", "Override the return surface used for `@static_route` endpoints"));
    args.push_back(surface("websockets", "websockets", "Override the return surface used for `@websocket` endpoints"));
}

CommandSpec make_help_command() {
    CommandSpec help = command("help", "Print this message or the help of the given subcommand(s)");
    help.args = {repeatable(
        argument("subcommand", ArgForm::Trailing, "", "COMMAND", ValueKind::Text, "Print help for the subcommand(s)"))};
    help.has_help_flag = false;
    return help;
}

CommandSpec make_gen() {
    CommandSpec gen = command("gen", "Generate a TypeScript client from a schema-capable user app");
    gen.args = {
        required(argument("language", ArgForm::Positional, "", "LANGUAGE", ValueKind::Language, kLanguageHelp)),
        required(option("target", "target", "TARGET", ValueKind::Target, "Backend language to introspect")),
        required(option("out", "out", "OUT", ValueKind::Path, kOutHelp)),
        option("app", "app", "APP", ValueKind::Text, kAppHelp),
        with_default(
            option("python", "python", "PYTHON", ValueKind::OsString, "Python executable used for target=python"),
            "python"),
        option("rust_cmd", "rust-cmd", "COMMAND", ValueKind::Text,
               "Rust app launch command used for target=rust. The CLI appends --dump-schema-json"),
        repeatable(option("rust_args", "rust-arg", "ARG", ValueKind::OsString,
                          "Additional arguments passed to --rust-cmd before --dump-schema-json")),
    };
    add_surface_args(gen.args);
    return gen;
}

CommandSpec make_dev() {
    CommandSpec dev = command("dev", "Watch user source files and regenerate a TypeScript client on changes");
    dev.args = {
        required(option("out", "out", "OUT", ValueKind::Path, kOutHelp)),
        with_default(option("language", "language", "LANGUAGE", ValueKind::Language, kLanguageHelp), "typescript"),
        option("app", "app", "APP", ValueKind::Text, kAppHelp),
        with_default(option("python", "python", "PYTHON", ValueKind::OsString, "Python executable used with --app"),
                     "python"),
        with_default(option("debounce_ms", "debounce-ms", "DEBOUNCE_MS", ValueKind::U64,
                            "Debounce window for overlapping filesystem events"),
                     "250"),
        repeatable(option("watch_globs", "watch", "GLOB", ValueKind::Text,
                          "Glob-like watched source patterns. Defaults to recursive *.py under cwd")),
    };
    add_surface_args(dev.args);
    // The trailing words come last, after the surface options.
    dev.args.push_back(trailing_words());
    return dev;
}

CommandSpec make_schema_dump() {
    CommandSpec dump = command("dump", "Print the app's IR JSON schema to stdout");
    dump.args = {
        option("app", "app", "APP", ValueKind::Text, kAppHelp),
        with_default(option("python", "python", "PYTHON", ValueKind::OsString, "Python executable used with --app"),
                     "python"),
        option("compact", "compact", "", ValueKind::Flag,
               "Print a single-line JSON document instead of pretty-printed JSON"),
        trailing_words(),
    };
    return dump;
}

}  // namespace

std::span<const std::string_view> possible_values(ValueKind kind) {
    switch (kind) {
        case ValueKind::Language: return kLanguages;
        case ValueKind::Target: return kTargets;
        case ValueKind::Surface: return kSurfaces;
        default: return {};
    }
}

std::string possible_values_text(ValueKind kind) {
    auto values = possible_values(kind);
    if (values.empty()) return {};
    std::string text = "[possible values: ";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i != 0) text += ", ";
        text += values[i];
    }
    return text + "]";
}

std::string arg_display(const ArgSpec& arg) {
    std::string text;
    switch (arg.form) {
        case ArgForm::Positional: text.append("<").append(arg.value_name).append(">"); break;
        case ArgForm::Trailing: text.append("[").append(arg.value_name).append("]..."); break;
        case ArgForm::Option:
            text.append("--").append(arg.long_name);
            if (arg.takes_value()) text.append(" <").append(arg.value_name).append(">");
            break;
    }
    return text;
}

const CommandSpec& root_command() {
    static const CommandSpec help = make_help_command();
    static const CommandSpec gen = make_gen();
    static const CommandSpec dev = make_dev();
    static const CommandSpec dump = make_schema_dump();
    static const CommandSpec schema = [] {
        CommandSpec spec = command("schema", "Inspect and debug Tolv schemas");
        spec.subcommands = {&dump, &help};
        return spec;
    }();
    static const CommandSpec root = [] {
        CommandSpec spec = command("tolv", "Generate Tolv TypeScript clients");
        spec.subcommands = {&gen, &dev, &schema, &help};
        spec.has_version_flag = true;
        return spec;
    }();
    return root;
}

}  // namespace tolv::cli
