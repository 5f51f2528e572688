#include "cli/command_line/command_line.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <optional>

#include "base/utf8.hpp"
#include "cli/command_line/command_spec.hpp"
#include "cli/command_line/help_text.hpp"
#include "cli/command_line/parse_errors.hpp"

namespace tolv::cli {
namespace {

constexpr int kUsageStatus = 2;

// Renders help for any command of the tree from its spec.
class SpecFormatter final : public CLI::Formatter {
public:
    void bind(const CLI::App* app, const CommandSpec* spec) { specs_[app] = spec; }

    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode) const override {
        auto found = specs_.find(app);
        if (found == specs_.end()) return {};
        return render_help(*found->second, name);
    }

private:
    std::map<const CLI::App*, const CommandSpec*> specs_;
};

// One command of the CLI11 tree with the CommandSpec it was built from.
struct Node {
    const CommandSpec* spec = nullptr;
    CLI::App* app = nullptr;
    std::string path;                                  // "tolv schema dump"
    std::map<std::string_view, CLI::Option*> options;  // by argument id
    std::vector<std::unique_ptr<Node>> children;

    Node* child(std::string_view name) const {
        for (const auto& c : children) {
            if (c->spec->name == name) return c.get();
        }
        return nullptr;
    }
};

void build_node(Node& node) {
    for (const ArgSpec& arg : node.spec->args) {
        CLI::Option* opt = nullptr;
        switch (arg.form) {
            case ArgForm::Option:
                opt = arg.takes_value() ? node.app->add_option("--" + std::string(arg.long_name))
                                        : node.app->add_flag("--" + std::string(arg.long_name));
                break;
            case ArgForm::Positional: opt = node.app->add_option(std::string(arg.id))->expected(1); break;
            case ArgForm::Trailing: opt = node.app->add_option(std::string(arg.id))->expected(-1); break;
        }
        // Repeats are kept here and judged after parsing, with our own message.
        opt->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        node.options[arg.id] = opt;
    }
    if (!node.spec->subcommands.empty()) node.app->require_subcommand(0, 1);
    for (const CommandSpec* sub : node.spec->subcommands) {
        auto child = std::make_unique<Node>();
        child->spec = sub;
        child->app = node.app->add_subcommand(std::string(sub->name), std::string(sub->about));
        child->path = node.path + " " + std::string(sub->name);
        if (!sub->has_help_flag) child->app->set_help_flag();
        build_node(*child);
        node.children.push_back(std::move(child));
    }
}

void bind_formatter(SpecFormatter& formatter, const Node& node) {
    formatter.bind(node.app, node.spec);
    for (const auto& child : node.children) bind_formatter(formatter, *child);
}

ParseExit usage_error(const ParseErrorText& text) { return ParseExit{kUsageStatus, "", text.render()}; }

const ArgSpec* find_long(const CommandSpec& spec, std::string_view name) {
    for (const ArgSpec& arg : spec.args) {
        if (arg.form == ArgForm::Option && arg.long_name == name) return &arg;
    }
    return nullptr;
}

const ArgSpec* trailing_arg(const CommandSpec& spec) {
    for (const ArgSpec& arg : spec.args) {
        if (arg.form == ArgForm::Trailing) return &arg;
    }
    return nullptr;
}

bool has_positional(const CommandSpec& spec) {
    return std::any_of(spec.args.begin(), spec.args.end(), [](const ArgSpec& a) { return a.form != ArgForm::Option; });
}

bool looks_like_option(std::string_view word) { return word.size() > 1 && word[0] == '-'; }

std::string possible_values_line(ValueKind kind) {
    auto values = possible_values(kind);
    if (values.empty()) return {};
    std::string line = "\n  [possible values: ";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i != 0) line += ", ";
        line += values[i];
    }
    return line + "]";
}

ParseErrorText missing_value(const ArgSpec& arg) {
    return {"a value is required for '" + arg_display(arg) + "' but none was supplied" + possible_values_line(arg.kind),
            {},
            std::nullopt};
}

// The commands CLI11 entered, root first.
std::vector<const Node*> selected_path(const Node& root) {
    std::vector<const Node*> path{&root};
    for (;;) {
        const Node* next = nullptr;
        for (const auto& child : path.back()->children) {
            if (child->app->parsed()) next = child.get();
        }
        if (!next) return path;
        path.push_back(next);
    }
}

const Node* selected_node(const Node& root) { return selected_path(root).back(); }

std::vector<std::string_view> subcommand_names(const CommandSpec& spec) {
    std::vector<std::string_view> names;
    for (const CommandSpec* sub : spec.subcommands) names.push_back(sub->name);
    return names;
}

bool takes_trailing_words(const CommandSpec& spec) { return trailing_arg(spec) != nullptr; }

// An unknown option word. `flag` is what is reported: "--name" without any
// "=value", or "-c" for the first character of a short word.
ParseErrorText unexpected_flag(const Node& node, const std::string& flag) {
    const CommandSpec& spec = *node.spec;
    ParseErrorText text{"unexpected argument '" + flag + "' found", {}, render_usage(spec, node.path)};
    bool similar_found = false;
    if (flag.starts_with("--")) {
        std::vector<std::string_view> longs;
        for (const ArgSpec& arg : spec.args) {
            if (arg.form == ArgForm::Option) longs.push_back(arg.long_name);
        }
        if (spec.has_help_flag) longs.push_back("help");
        if (spec.has_version_flag) longs.push_back("version");
        if (auto similar = most_similar(std::string_view(flag).substr(2), longs)) {
            text.tips.push_back("a similar argument exists: '--" + std::string(*similar) + "'");
            similar_found = true;
        }
    }
    // A command that takes trailing words offers the "--" way even when a
    // similar option exists: the word may have been meant for the command.
    if (has_positional(spec) && (!similar_found || takes_trailing_words(spec))) {
        text.tips.push_back("to pass '" + flag + "' as a value, use '-- " + flag + "'");
    }
    return text;
}

// A plain word for which the command has no place left.
ParseErrorText unexpected_word(const Node& node, const std::string& word) {
    return {"unexpected argument '" + lossy_utf8(word) + "' found", {}, render_usage(*node.spec, node.path)};
}

ParseErrorText unrecognized_subcommand(const Node& node, const std::string& word) {
    ParseErrorText text{"unrecognized subcommand '" + lossy_utf8(word) + "'", {}, render_usage(*node.spec, node.path)};
    auto names = subcommand_names(*node.spec);
    if (auto similar = most_similar(word, names)) {
        text.tips.push_back("a similar subcommand exists: '" + std::string(*similar) + "'");
    }
    return text;
}

// A subcommand name given after "--", where it can only be a stray value.
ParseErrorText subcommand_after_escape(const Node& node, const std::string& word) {
    return {"unexpected argument '--' found",
            {"subcommand '" + word + "' exists; to use it, remove the '--' before it"},
            render_usage(*node.spec, node.path)};
}

ParseErrorText unexpected_flag_value(const Node& node, const std::string& flag, const std::string& value) {
    return {"unexpected value '" + lossy_utf8(value) + "' for '" + flag + "' found; no more were expected",
            {},
            render_usage(*node.spec, node.path)};
}

ParseErrorText used_twice(const Node& node, const ArgSpec& arg) {
    return {"the argument '" + arg_display(arg) + "' cannot be used multiple times",
            {},
            render_usage(*node.spec, node.path)};
}

// ---- values -----------------------------------------------------------

// The reason an unsigned 64-bit number does not parse, as the standard
// library of the language the tool was first written in words it.
std::optional<std::string> u64_error(std::string_view text, std::uint64_t& value) {
    if (text.empty()) return "cannot parse integer from empty string";
    std::string_view digits = text;
    if (digits.size() > 1 && digits[0] == '+') digits.remove_prefix(1);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return "invalid digit found in string";
    }
    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec == std::errc::result_out_of_range) return "number too large to fit in target type";
    (void)ptr;
    return std::nullopt;
}

std::optional<ParseErrorText> check_value(const Node& node, const ArgSpec& arg, const std::string& value) {
    const std::string shown = lossy_utf8(value);
    const bool needs_text = arg.kind != ValueKind::OsString && arg.kind != ValueKind::Path;
    if (needs_text && validate_utf8(value)) {
        return ParseErrorText{
            "invalid UTF-8 was detected in one or more arguments", {}, render_usage(*node.spec, node.path)};
    }
    if (arg.kind == ValueKind::Path && value.empty()) return missing_value(arg);
    auto allowed = possible_values(arg.kind);
    if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), value) == allowed.end()) {
        ParseErrorText text{
            "invalid value '" + shown + "' for '" + arg_display(arg) + "'" + possible_values_line(arg.kind),
            {},
            std::nullopt};
        if (auto similar = most_similar(value, allowed)) {
            text.tips.push_back("a similar value exists: '" + std::string(*similar) + "'");
        }
        return text;
    }
    if (arg.kind == ValueKind::U64) {
        std::uint64_t ignored = 0;
        if (auto reason = u64_error(value, ignored)) {
            return ParseErrorText{
                "invalid value '" + shown + "' for '" + arg_display(arg) + "': " + *reason, {}, std::nullopt};
        }
    }
    return std::nullopt;
}

// ---- reading the words in order ------------------------------------------

// What a word that begins with a hyphen names on the current command.
struct FlagWord {
    enum class Kind { Unknown, Help, Version, Arg };
    Kind kind = Kind::Unknown;
    const ArgSpec* arg = nullptr;
    std::string shown;                    // "--name" or "-c", as messages quote it
    std::optional<std::string> attached;  // the text after "=" of a long word
};

// The first character of a UTF-8 text (lossy), or the empty string.
std::string first_character(std::string_view text) {
    if (text.empty()) return {};
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t width = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    return lossy_utf8(text.substr(0, std::min(width, text.size())));
}

FlagWord classify_flag(const CommandSpec& spec, const std::string& word) {
    FlagWord flag;
    if (word.starts_with("--")) {
        const std::size_t eq = word.find('=');
        const std::string name = word.substr(2, eq == std::string::npos ? eq : eq - 2);
        flag.shown = "--" + lossy_utf8(name);
        if (eq != std::string::npos) flag.attached = word.substr(eq + 1);
        if ((flag.arg = find_long(spec, name))) {
            flag.kind = FlagWord::Kind::Arg;
        } else if (name == "help" && spec.has_help_flag) {
            flag.kind = FlagWord::Kind::Help;
        } else if (name == "version" && spec.has_version_flag) {
            flag.kind = FlagWord::Kind::Version;
        }
        return flag;
    }
    // A cluster of short flags is read from its first character; -h and -V
    // are the only short forms, and neither takes a value.
    const std::string first = first_character(std::string_view(word).substr(1));
    flag.shown = "-" + first;
    if (first == "h" && spec.has_help_flag) flag.kind = FlagWord::Kind::Help;
    if (first == "V" && spec.has_version_flag) flag.kind = FlagWord::Kind::Version;
    return flag;
}

using WalkResult = std::variant<std::vector<std::string>, ParseErrorText>;

// Reads the words the way the command line is meant to be read, reporting
// the first problem where it occurs: a missing value, an option given twice
// or a bad value is found at that option, before a later --help or unknown
// word. Returns the words reshaped for CLI11: options as "--name" "value",
// then "--" and the positional words, so that CLI11 reads each as meant.
class WordWalk {
public:
    explicit WordWalk(const Node& root) : node_(&root) {}

    WalkResult run(const std::vector<std::string>& args) {
        for (std::size_t i = 1; i < args.size(); ++i) {
            const std::string& word = args[i];
            std::optional<ParseErrorText> error;
            if (word == "--" && !escaped_) {
                if (auto pending = resolve()) return *pending;
                if (takes_trailing_words(*node_->spec)) return finish_with_trailing(args, i + 1);
                escaped_ = true;
                continue;
            }
            if (looks_like_option(word) && !escaped_) {
                FlagWord flag = classify_flag(*node_->spec, word);
                switch (flag.kind) {
                    case FlagWord::Kind::Unknown: return unexpected_flag(*node_, flag.shown);
                    case FlagWord::Kind::Help:
                    case FlagWord::Kind::Version: {
                        if (flag.attached) return unexpected_flag_value(*node_, flag.shown, *flag.attached);
                        if (auto pending = resolve()) return *pending;
                        // Asking for help or the version ends the reading.
                        options_.push_back(flag.kind == FlagWord::Kind::Help ? "--help" : "--version");
                        return finish();
                    }
                    case FlagWord::Kind::Arg: error = option(*flag.arg, flag.attached); break;
                }
            } else if (pending_) {
                const ArgSpec* arg = std::exchange(pending_, nullptr);
                error = take_value(*arg, word);
            } else {
                const CommandSpec& spec = *node_->spec;
                const Node* child = has_positional(spec) ? nullptr : node_->child(word);
                if (child && escaped_) return subcommand_after_escape(*node_, word);
                if (child) {
                    enter(*child, word);
                    continue;
                }
                if (takes_trailing_words(spec)) {
                    if (auto pending = resolve()) return *pending;
                    return finish_with_trailing(args, i);
                }
                const ArgSpec* slot = next_positional();
                if (!slot) {
                    if (!spec.subcommands.empty()) return unrecognized_subcommand(*node_, word);
                    return unexpected_word(*node_, word);
                }
                if (auto pending = resolve()) return *pending;
                // Checked when the next word is read, as an option value is.
                held_.emplace(slot, word);
                positionals_.push_back(word);
            }
            if (error) return *error;
        }
        if (auto pending = resolve()) return *pending;
        return finish();
    }

private:
    // The option named by a word: its value is attached, follows, or is missing.
    std::optional<ParseErrorText> option(const ArgSpec& arg, const std::optional<std::string>& attached) {
        if (!arg.takes_value()) {
            if (attached) return unexpected_flag_value(*node_, arg_display(arg), *attached);
            if (auto pending = resolve()) return pending;
            if (++occurrences_[arg.id] > 1) return used_twice(*node_, arg);
            options_.push_back("--" + std::string(arg.long_name));
            return std::nullopt;
        }
        if (auto pending = resolve()) return pending;
        if (attached) return take_value(arg, *attached);
        pending_ = &arg;
        return std::nullopt;
    }

    std::optional<ParseErrorText> take_value(const ArgSpec& arg, const std::string& value) {
        if (++occurrences_[arg.id] > 1 && !arg.repeatable) return used_twice(*node_, arg);
        if (auto bad = check_value(*node_, arg, value)) return bad;
        options_.push_back("--" + std::string(arg.long_name));
        options_.push_back(value);
        return std::nullopt;
    }

    // Settles what an earlier word left open: an option still without its
    // value, or a positional value not checked yet.
    std::optional<ParseErrorText> resolve() {
        if (pending_) return missing_value(*std::exchange(pending_, nullptr));
        if (held_) {
            auto [arg, value] = std::move(*held_);
            held_.reset();
            return check_value(*node_, *arg, value);
        }
        return std::nullopt;
    }

    const ArgSpec* next_positional() const {
        std::size_t index = 0;
        for (const ArgSpec& arg : node_->spec->args) {
            if (arg.form != ArgForm::Positional) continue;
            if (index++ == positionals_.size()) return &arg;
        }
        return nullptr;
    }

    void enter(const Node& child, const std::string& name) {
        path_.push_back(name);
        node_ = &child;
        occurrences_.clear();
    }

    WalkResult finish_with_trailing(const std::vector<std::string>& args, std::size_t from) {
        positionals_.insert(positionals_.end(), args.begin() + static_cast<std::ptrdiff_t>(from), args.end());
        return finish();
    }

    std::vector<std::string> finish() {
        std::vector<std::string> words = std::move(path_);
        words.insert(words.end(), options_.begin(), options_.end());
        if (!positionals_.empty()) {
            words.push_back("--");
            words.insert(words.end(), positionals_.begin(), positionals_.end());
        }
        return words;
    }

    const Node* node_;
    std::vector<std::string> path_;         // the subcommand names entered
    std::vector<std::string> options_;      // options of the current command
    std::vector<std::string> positionals_;  // its positional and trailing words
    std::map<std::string_view, int> occurrences_;
    const ArgSpec* pending_ = nullptr;
    std::optional<std::pair<const ArgSpec*, std::string>> held_;
    bool escaped_ = false;  // "--" seen on a command without trailing words
};

// The first word CLI11 left over, looked for from the deepest command up
// (CLI11 hands words it cannot place to the parent). The walk above reports
// such words itself; this is the fallback should CLI11 still leave one.
ParseErrorText extra_words(const std::vector<const Node*>& path) {
    const Node& deepest = *path.back();
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        for (const std::string& word : (*it)->app->remaining()) {
            if (word == "--") continue;
            if (!deepest.spec->subcommands.empty() && !looks_like_option(word)) {
                return unrecognized_subcommand(deepest, word);
            }
            return unexpected_word(deepest, word);
        }
    }
    return {"unexpected argument found", {}, render_usage(*deepest.spec, deepest.path)};
}

// Every value of every argument, as given; judged in the order of its CommandSpec.
struct Values {
    std::map<std::string_view, std::vector<std::string>> by_id;

    bool has(std::string_view id) const { return by_id.contains(id) && !by_id.at(id).empty(); }
    const std::string& one(std::string_view id) const { return by_id.at(id).front(); }
    std::optional<std::string> maybe(std::string_view id) const {
        return has(id) ? std::optional<std::string>(one(id)) : std::nullopt;
    }
    std::string or_default(std::string_view id, std::string_view fallback) const {
        return has(id) ? one(id) : std::string(fallback);
    }
    std::vector<std::string> all(std::string_view id) const {
        return by_id.contains(id) ? by_id.at(id) : std::vector<std::string>{};
    }
};

std::variant<Values, ParseErrorText> collect_values(const Node& node) {
    Values values;
    std::vector<const ArgSpec*> missing;
    for (const ArgSpec& arg : node.spec->args) {
        const CLI::Option* opt = node.options.at(arg.id);
        std::vector<std::string> given =
            arg.takes_value() ? opt->results() : std::vector<std::string>(opt->count(), "true");
        if (!arg.repeatable && given.size() > 1) {
            return ParseErrorText{"the argument '" + arg_display(arg) + "' cannot be used multiple times",
                                  {},
                                  render_usage(*node.spec, node.path)};
        }
        for (const auto& value : given) {
            if (!arg.takes_value()) break;
            if (auto error = check_value(node, arg, value)) return *error;
        }
        if (arg.required && given.empty()) missing.push_back(&arg);
        values.by_id[arg.id] = std::move(given);
    }
    if (!missing.empty()) {
        std::string message = "the following required arguments were not provided:";
        // Options first, then positionals, as the usage lists them.
        for (bool positional : {false, true}) {
            for (const ArgSpec* arg : missing) {
                if ((arg->form != ArgForm::Option) == positional) message += "\n  " + arg_display(*arg);
            }
        }
        return ParseErrorText{message, {}, render_required_usage(*node.spec, node.path)};
    }
    return values;
}

Language to_language(const std::string& word) { return word == "effect" ? Language::Effect : Language::Typescript; }

std::optional<gen_effect::ReturnSurface> to_surface(const Values& values, std::string_view id) {
    if (!values.has(id)) return std::nullopt;
    return values.one(id) == "promise" ? gen_effect::ReturnSurface::Promise : gen_effect::ReturnSurface::Effect;
}

SurfaceArgs surface_args(const Values& values) {
    return SurfaceArgs{
        .default_surface = to_surface(values, "default"),
        .commands = to_surface(values, "commands"),
        .channels = to_surface(values, "channels"),
        .uploads = to_surface(values, "uploads"),
        .statics = to_surface(values, "statics"),
        .websockets = to_surface(values, "websockets"),
    };
}

Command make_command(std::string_view name, const Values& values) {
    if (name == "gen") {
        return GenArgs{
            .language = to_language(values.one("language")),
            .target = values.one("target") == "rust" ? BackendTarget::Rust : BackendTarget::Python,
            .out = values.one("out"),
            .app = values.maybe("app"),
            .python = values.or_default("python", "python"),
            .rust_cmd = values.maybe("rust_cmd"),
            .rust_args = values.all("rust_args"),
            .surface = surface_args(values),
        };
    }
    if (name == "dev") {
        std::uint64_t debounce = 250;
        if (values.has("debounce_ms")) u64_error(values.one("debounce_ms"), debounce);
        return DevArgs{
            .out = values.one("out"),
            .language = to_language(values.or_default("language", "typescript")),
            .app = values.maybe("app"),
            .python = values.or_default("python", "python"),
            .debounce_ms = debounce,
            .watch_globs = values.all("watch_globs"),
            .app_cmd = values.all("app_cmd"),
            .surface = surface_args(values),
        };
    }
    return SchemaDumpArgs{
        .app = values.maybe("app"),
        .python = values.or_default("python", "python"),
        .compact = values.has("compact"),
        .app_cmd = values.all("app_cmd"),
    };
}

// `help [COMMAND]...`: the help of the named command, on standard output.
ParseExit help_for_words(const Node& help_node, const Node& owner) {
    const Node* target = &owner;
    for (const std::string& word : help_node.options.at("subcommand")->results()) {
        const Node* next = target->child(word);
        if (!next) return usage_error(unrecognized_subcommand(*target, word));
        target = next;
    }
    return ParseExit{0, render_help(*target->spec, target->path), ""};
}

}  // namespace

ParseOutcome parse_command_line(const std::vector<std::string>& args) {
    const CommandSpec& root_spec = root_command();
    if (args.size() <= 1) return ParseExit{kUsageStatus, "", render_help(root_spec, "tolv")};

    CLI::App app(std::string(root_spec.about), "tolv");
    auto formatter = std::make_shared<SpecFormatter>();
    app.formatter(formatter);
    app.set_help_flag("-h,--help", std::string(kHelpFlagHelp));
    app.set_version_flag("-V,--version", "tolv " + std::string(kVersion), std::string(kVersionFlagHelp));
    Node root;
    root.spec = &root_spec;
    root.app = &app;
    root.path = "tolv";
    build_node(root);
    bind_formatter(*formatter, root);

    auto walked = WordWalk(root).run(args);
    if (auto* error = std::get_if<ParseErrorText>(&walked)) return usage_error(*error);
    auto& words = std::get<std::vector<std::string>>(walked);
    std::reverse(words.begin(), words.end());  // CLI11 reads the vector from the back

    try {
        app.parse(words);
    } catch (const CLI::CallForHelp&) {
        return ParseExit{0, app.help(), ""};
    } catch (const CLI::CallForVersion& version) {
        return ParseExit{0, std::string(version.what()) + "\n", ""};
    } catch (const CLI::ExtrasError&) {
        return usage_error(extra_words(selected_path(root)));
    } catch (const CLI::ParseError& error) {
        const Node* node = selected_node(root);
        return usage_error({error.what(), {}, render_usage(*node->spec, node->path)});
    }

    const auto path = selected_path(root);
    const Node* node = path.back();
    if (path.size() >= 2 && node->spec->name == "help") return help_for_words(*node, *path[path.size() - 2]);
    // A command that needs a subcommand and got none (`tolv schema`, or only
    // "--") shows its help, as a usage error.
    if (!node->spec->subcommands.empty()) return ParseExit{kUsageStatus, "", render_help(*node->spec, node->path)};
    auto values = collect_values(*node);
    if (auto* error = std::get_if<ParseErrorText>(&values)) return usage_error(*error);
    return make_command(node->spec->name, std::get<Values>(values));
}

}  // namespace tolv::cli
