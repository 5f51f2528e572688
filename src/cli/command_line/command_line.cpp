#include "cli/command_line/command_line.hpp"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <utility>

#include "base/utf8.hpp"
#include "cli/command_line/command_spec.hpp"
#include "cli/command_line/help_text.hpp"
#include "cli/command_line/parse_errors.hpp"

namespace tolv::cli {
namespace {

constexpr int kUsageStatus = 2;

// A command of the tree as the words reached it.
struct Place {
    const CommandSpec* spec = nullptr;
    std::string path;  // "tolv schema dump"

    ParseErrorText error(std::string message, std::vector<std::string> tips = {}) const {
        return {std::move(message), std::move(tips), render_usage(*spec, path)};
    }
};

const CommandSpec* subcommand(const CommandSpec& spec, std::string_view name) {
    for (const CommandSpec* sub : spec.subcommands) {
        if (sub->name == name) return sub;
    }
    return nullptr;
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
    const std::string values = possible_values_text(kind);
    return values.empty() ? values : "\n  " + values;
}

ParseErrorText missing_value(const ArgSpec& arg) {
    return {"a value is required for '" + arg_display(arg) + "' but none was supplied" + possible_values_line(arg.kind),
            {},
            std::nullopt};
}

std::vector<std::string_view> subcommand_names(const CommandSpec& spec) {
    std::vector<std::string_view> names;
    for (const CommandSpec* sub : spec.subcommands) names.push_back(sub->name);
    return names;
}

// An unknown option word. `flag` is what is reported: "--name" without any
// "=value", or "-c" for the first character of a short word.
ParseErrorText unexpected_flag(const Place& place, const std::string& flag) {
    const CommandSpec& spec = *place.spec;
    ParseErrorText text = place.error("unexpected argument '" + flag + "' found");
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
    if (has_positional(spec) && (!similar_found || trailing_arg(spec))) {
        text.tips.push_back("to pass '" + flag + "' as a value, use '-- " + flag + "'");
    }
    return text;
}

ParseErrorText unrecognized_subcommand(const Place& place, const std::string& word) {
    ParseErrorText text = place.error("unrecognized subcommand '" + lossy_utf8(word) + "'");
    auto names = subcommand_names(*place.spec);
    if (auto similar = most_similar(word, names)) {
        text.tips.push_back("a similar subcommand exists: '" + std::string(*similar) + "'");
    }
    return text;
}

ParseErrorText unexpected_flag_value(const Place& place, const std::string& flag, const std::string& value) {
    return place.error("unexpected value '" + lossy_utf8(value) + "' for '" + flag + "' found; no more were expected");
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

std::optional<ParseErrorText> check_value(const Place& place, const ArgSpec& arg, const std::string& value) {
    const std::string shown = lossy_utf8(value);
    const bool needs_text = arg.kind != ValueKind::OsString && arg.kind != ValueKind::Path;
    if (needs_text && validate_utf8(value)) return place.error("invalid UTF-8 was detected in one or more arguments");
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

// Every value of the reached command's arguments, as given, by argument id.
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

// What the words asked for: the command they reached (and the one above it,
// for `help`), its values, or help or the version.
struct Walked {
    enum class Request { Run, Help, Version };
    Request request = Request::Run;
    Place place;
    Place parent;
    Values values;
};

using WalkResult = std::variant<Walked, ParseErrorText>;

// Reads the words the way the command line is meant to be read, reporting
// the first problem where it occurs: a missing value, an option given twice
// or a bad value is found at that option, before a later --help or unknown
// word.
class WordWalk {
public:
    explicit WordWalk(const CommandSpec& root) { walked_.place = Place{&root, "tolv"}; }

    WalkResult run(const std::vector<std::string>& args) {
        for (std::size_t i = 1; i < args.size(); ++i) {
            const std::string& word = args[i];
            std::optional<ParseErrorText> error;
            if (word == "--" && !escaped_) {
                if (auto pending = resolve()) return *pending;
                if (trailing_arg(spec())) return finish_with_trailing(args, i + 1);
                escaped_ = true;
                continue;
            }
            if (looks_like_option(word) && !escaped_) {
                FlagWord flag = classify_flag(spec(), word);
                switch (flag.kind) {
                    case FlagWord::Kind::Unknown: return unexpected_flag(place(), flag.shown);
                    case FlagWord::Kind::Help:
                    case FlagWord::Kind::Version: {
                        if (flag.attached) return unexpected_flag_value(place(), flag.shown, *flag.attached);
                        if (auto pending = resolve()) return *pending;
                        // Asking for help or the version ends the reading.
                        walked_.request =
                            flag.kind == FlagWord::Kind::Help ? Walked::Request::Help : Walked::Request::Version;
                        return std::move(walked_);
                    }
                    case FlagWord::Kind::Arg: error = option(*flag.arg, flag.attached); break;
                }
            } else if (pending_) {
                const ArgSpec* arg = std::exchange(pending_, nullptr);
                error = take_value(*arg, word);
            } else {
                const CommandSpec* child = has_positional(spec()) ? nullptr : subcommand(spec(), word);
                if (child && escaped_) {
                    return place().error("unexpected argument '--' found",
                                         {"subcommand '" + word + "' exists; to use it, remove the '--' before it"});
                }
                if (child) {
                    enter(*child);
                    continue;
                }
                if (trailing_arg(spec())) {
                    if (auto pending = resolve()) return *pending;
                    return finish_with_trailing(args, i);
                }
                const ArgSpec* slot = next_positional();
                if (!slot) {
                    if (!spec().subcommands.empty()) return unrecognized_subcommand(place(), word);
                    return place().error("unexpected argument '" + lossy_utf8(word) + "' found");
                }
                if (auto pending = resolve()) return *pending;
                // Checked when the next word is read, as an option value is.
                held_.emplace(slot, word);
                walked_.values.by_id[slot->id].push_back(word);
            }
            if (error) return *error;
        }
        if (auto pending = resolve()) return *pending;
        return std::move(walked_);
    }

private:
    const Place& place() const { return walked_.place; }
    const CommandSpec& spec() const { return *walked_.place.spec; }

    // The option named by a word: its value is attached, follows, or is missing.
    std::optional<ParseErrorText> option(const ArgSpec& arg, const std::optional<std::string>& attached) {
        if (!arg.takes_value()) {
            if (attached) return unexpected_flag_value(place(), arg_display(arg), *attached);
            if (auto pending = resolve()) return pending;
            if (auto twice = repeated(arg)) return twice;
            walked_.values.by_id[arg.id].emplace_back();
            return std::nullopt;
        }
        if (auto pending = resolve()) return pending;
        if (attached) return take_value(arg, *attached);
        pending_ = &arg;
        return std::nullopt;
    }

    std::optional<ParseErrorText> take_value(const ArgSpec& arg, const std::string& value) {
        if (auto twice = repeated(arg)) return twice;
        if (auto bad = check_value(place(), arg, value)) return bad;
        walked_.values.by_id[arg.id].push_back(value);
        return std::nullopt;
    }

    std::optional<ParseErrorText> repeated(const ArgSpec& arg) const {
        if (arg.repeatable || !walked_.values.has(arg.id)) return std::nullopt;
        return place().error("the argument '" + arg_display(arg) + "' cannot be used multiple times");
    }

    // Settles what an earlier word left open: an option still without its
    // value, or a positional value not checked yet.
    std::optional<ParseErrorText> resolve() {
        if (pending_) return missing_value(*std::exchange(pending_, nullptr));
        if (held_) {
            auto [arg, value] = std::move(*held_);
            held_.reset();
            return check_value(place(), *arg, value);
        }
        return std::nullopt;
    }

    const ArgSpec* next_positional() const {
        for (const ArgSpec& arg : spec().args) {
            if (arg.form == ArgForm::Positional && !walked_.values.has(arg.id)) return &arg;
        }
        return nullptr;
    }

    void enter(const CommandSpec& child) {
        walked_.parent = walked_.place;
        walked_.place = Place{&child, walked_.place.path + " " + std::string(child.name)};
        walked_.values = {};
    }

    Walked finish_with_trailing(const std::vector<std::string>& args, std::size_t from) {
        auto& words = walked_.values.by_id[trailing_arg(spec())->id];
        words.insert(words.end(), args.begin() + static_cast<std::ptrdiff_t>(from), args.end());
        return std::move(walked_);
    }

    Walked walked_;
    const ArgSpec* pending_ = nullptr;
    std::optional<std::pair<const ArgSpec*, std::string>> held_;
    bool escaped_ = false;  // "--" seen on a command without trailing words
};

// The required arguments not given, options first, then positionals, as the
// usage lists them.
std::optional<ParseErrorText> missing_arguments(const Place& place, const Values& values) {
    std::string message;
    for (bool positional : {false, true}) {
        for (const ArgSpec& arg : place.spec->args) {
            if (arg.required && !values.has(arg.id) && (arg.form != ArgForm::Option) == positional) {
                message += "\n  " + arg_display(arg);
            }
        }
    }
    if (message.empty()) return std::nullopt;
    return ParseErrorText{"the following required arguments were not provided:" + message,
                          {},
                          render_required_usage(*place.spec, place.path)};
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
ParseExit help_for_words(const std::vector<std::string>& words, Place target) {
    for (const std::string& word : words) {
        const CommandSpec* next = subcommand(*target.spec, word);
        if (!next) return usage_error(unrecognized_subcommand(target, word));
        target = Place{next, target.path + " " + std::string(next->name)};
    }
    return ParseExit{0, render_help(*target.spec, target.path), ""};
}

}  // namespace

ParseOutcome parse_command_line(const std::vector<std::string>& args) {
    const CommandSpec& root = root_command();
    if (args.size() <= 1) return ParseExit{kUsageStatus, "", render_help(root, "tolv")};

    auto walk = WordWalk(root).run(args);
    if (auto* error = std::get_if<ParseErrorText>(&walk)) return usage_error(*error);
    const Walked& walked = std::get<Walked>(walk);
    const Place& place = walked.place;
    switch (walked.request) {
        case Walked::Request::Help: return ParseExit{0, render_help(*place.spec, place.path), ""};
        case Walked::Request::Version: return ParseExit{0, "tolv " + std::string(kVersion) + "\n", ""};
        case Walked::Request::Run: break;
    }
    if (place.spec->name == "help") return help_for_words(walked.values.all("subcommand"), walked.parent);
    // A command that needs a subcommand and got none (`tolv schema`, or only
    // "--") shows its help, as a usage error.
    if (!place.spec->subcommands.empty()) return ParseExit{kUsageStatus, "", render_help(*place.spec, place.path)};
    if (auto missing = missing_arguments(place, walked.values)) return usage_error(*missing);
    return make_command(place.spec->name, walked.values);
}

}  // namespace tolv::cli
