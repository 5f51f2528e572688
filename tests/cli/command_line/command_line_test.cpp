#include "cli/command_line/command_line.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tolv::cli {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::vector<std::string> words(std::initializer_list<std::string> rest) {
    std::vector<std::string> args{"tolv"};
    args.insert(args.end(), rest);
    return args;
}

template <class T>
T parsed(std::initializer_list<std::string> rest) {
    auto outcome = parse_command_line(words(rest));
    if (auto* exit = std::get_if<ParseExit>(&outcome)) {
        ADD_FAILURE() << "parser exited: " << exit->stderr_text;
        return T{};
    }
    auto& command = std::get<Command>(outcome);
    if (!std::holds_alternative<T>(command)) {
        ADD_FAILURE() << "another command was parsed";
        return T{};
    }
    return std::get<T>(command);
}

ParseExit exited(std::initializer_list<std::string> rest) {
    auto outcome = parse_command_line(words(rest));
    if (auto* exit = std::get_if<ParseExit>(&outcome)) return *exit;
    ADD_FAILURE() << "expected the parser to exit";
    return {};
}

TEST(CommandLine, GenWithEveryOption) {
    auto gen = parsed<GenArgs>({"gen", "effect", "--target", "rust", "--out", "web/api.ts", "--app=m:a", "--python",
                                "py3", "--rust-cmd", "./server", "--rust-arg", "a", "--rust-arg=--release", "--surface",
                                "promise", "--channels", "effect"});
    EXPECT_EQ(gen.language, Language::Effect);
    EXPECT_EQ(gen.target, BackendTarget::Rust);
    EXPECT_EQ(gen.out, "web/api.ts");
    EXPECT_EQ(gen.app, "m:a");
    EXPECT_EQ(gen.python, "py3");
    EXPECT_EQ(gen.rust_cmd, "./server");
    EXPECT_THAT(gen.rust_args, ElementsAre("a", "--release"));
    EXPECT_EQ(gen.surface.default_surface, gen_effect::ReturnSurface::Promise);
    EXPECT_EQ(gen.surface.channels, gen_effect::ReturnSurface::Effect);
    EXPECT_EQ(gen.surface.commands, std::nullopt);
}

TEST(CommandLine, DefaultsAndEmptyTexts) {
    auto gen = parsed<GenArgs>({"gen", "--target", "python", "--out", "x", "typescript", "--app", ""});
    EXPECT_EQ(gen.python, "python");
    EXPECT_EQ(gen.app, "");
    auto dev = parsed<DevArgs>({"dev", "--out", "x", "--debounce-ms", "0"});
    EXPECT_EQ(dev.language, Language::Typescript);
    EXPECT_EQ(dev.debounce_ms, 0u);
    EXPECT_TRUE(dev.watch_globs.empty());
    EXPECT_TRUE(dev.app_cmd.empty());
    EXPECT_EQ(parsed<DevArgs>({"dev", "--out", "x"}).debounce_ms, 250u);
    EXPECT_EQ(parsed<DevArgs>({"dev", "--out", "x", "--debounce-ms", "18446744073709551615"}).debounce_ms,
              18446744073709551615ULL);
}

TEST(CommandLine, TrailingWordsTakeEverythingAfterTheFirst) {
    auto dev = parsed<DevArgs>({"dev", "--out", "web/src", "--", "python", "server.py", "--port", "0"});
    EXPECT_THAT(dev.app_cmd, ElementsAre("python", "server.py", "--port", "0"));
    auto bare = parsed<DevArgs>({"dev", "--watch", "a", "--out", "o", "--watch", "b", "python", "-h", "--out", "--"});
    EXPECT_THAT(bare.watch_globs, ElementsAre("a", "b"));
    EXPECT_THAT(bare.app_cmd, ElementsAre("python", "-h", "--out", "--"));

    auto compact = parsed<SchemaDumpArgs>({"schema", "dump", "--compact", "--", "python", "server.py"});
    EXPECT_TRUE(compact.compact);
    EXPECT_THAT(compact.app_cmd, ElementsAre("python", "server.py"));
    auto not_compact = parsed<SchemaDumpArgs>({"schema", "dump", "--", "python", "server.py", "--compact"});
    EXPECT_FALSE(not_compact.compact);
    EXPECT_THAT(not_compact.app_cmd, ElementsAre("python", "server.py", "--compact"));
    auto hyphen_first = parsed<SchemaDumpArgs>({"schema", "dump", "--", "-x", "gen"});
    EXPECT_THAT(hyphen_first.app_cmd, ElementsAre("-x", "gen"));
}

TEST(CommandLine, HelpAndVersionGoToStandardOutput) {
    for (auto args : {words({"--help"}), words({"-h"}), words({"help"})}) {
        auto exit = std::get<ParseExit>(parse_command_line(args));
        EXPECT_EQ(exit.status, 0);
        EXPECT_THAT(exit.stdout_text, StartsWith("Generate Tolv TypeScript clients\n\nUsage: tolv <COMMAND>\n"));
        EXPECT_EQ(exit.stderr_text, "");
    }
    auto version = exited({"-V"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.stdout_text, "tolv 0.1.3\n");
    EXPECT_EQ(exited({"--version"}).stdout_text, "tolv 0.1.3\n");

    auto dump_help = exited({"help", "schema", "dump"});
    EXPECT_EQ(dump_help.status, 0);
    EXPECT_THAT(dump_help.stdout_text, HasSubstr("Usage: tolv schema dump [OPTIONS] [APP_CMD]...\n"));
    EXPECT_THAT(exited({"schema", "help", "dump"}).stdout_text, HasSubstr("Usage: tolv schema dump"));
}

TEST(CommandLine, GenHelpListsValuesDefaultsAndPossibleValues) {
    auto help = exited({"gen", "--help"}).stdout_text;
    EXPECT_THAT(help, HasSubstr("Usage: tolv gen [OPTIONS] --target <TARGET> --out <OUT> <LANGUAGE>\n"));
    EXPECT_THAT(
        help,
        HasSubstr("\nArguments:\n  <LANGUAGE>  Client flavor to generate [possible values: typescript, effect]\n"));
    EXPECT_THAT(
        help, HasSubstr("      --python <PYTHON>       Python executable used for target=python [default: python]\n"));
    EXPECT_THAT(help, HasSubstr("  -h, --help                  Print help\n"));
    EXPECT_THAT(exited({"dev", "-h"}).stdout_text, HasSubstr("[default: 250]"));
}

TEST(CommandLine, BareCommandsShowHelpAsAnError) {
    auto root = std::get<ParseExit>(parse_command_line({"tolv"}));
    EXPECT_EQ(root.status, 2);
    EXPECT_EQ(root.stdout_text, "");
    EXPECT_THAT(root.stderr_text, StartsWith("Generate Tolv TypeScript clients\n"));
    auto schema = exited({"schema"});
    EXPECT_EQ(schema.status, 2);
    EXPECT_THAT(schema.stderr_text, StartsWith("Inspect and debug Tolv schemas\n\nUsage: tolv schema <COMMAND>\n"));
}

struct ErrorCase {
    std::vector<std::string> args;
    std::string first_line;
};

TEST(CommandLine, ErrorsExitTwoWithMessageAndHint) {
    const ErrorCase cases[] = {
        {{"gen", "--target", "python", "--out", "x"}, "error: the following required arguments were not provided:"},
        {{"gen", "--language", "effect", "--target", "python", "--out", "x"},
         "error: unexpected argument '--language' found"},
        {{"gen", "--version"}, "error: unexpected argument '--version' found"},
        {{"gen", "effect", "--target", "Python", "--out", "x"},
         "error: invalid value 'Python' for '--target <TARGET>'"},
        {{"dev", "--out", "x", "--language", "TypeScript"},
         "error: invalid value 'TypeScript' for '--language <LANGUAGE>'"},
        {{"dev", "--out", "x", "--debounce-ms", "1.5"},
         "error: invalid value '1.5' for '--debounce-ms <DEBOUNCE_MS>': invalid digit found in string"},
        {{"dev", "--out", "x", "--debounce-ms", "18446744073709551616"},
         "error: invalid value '18446744073709551616' for '--debounce-ms <DEBOUNCE_MS>': number too large to fit in "
         "target type"},
        {{"dev", "--out", "x", "--debounce-ms", "-5"}, "error: unexpected argument '-5' found"},
        {{"dev", "--out", "--app", "m:a"}, "error: a value is required for '--out <OUT>' but none was supplied"},
        {{"dev", "--out", "--"}, "error: a value is required for '--out <OUT>' but none was supplied"},
        {{"dev", "--out", "-h"}, "error: a value is required for '--out <OUT>' but none was supplied"},
        {{"dev", "--out", ""}, "error: a value is required for '--out <OUT>' but none was supplied"},
        {{"dev", "--out"}, "error: a value is required for '--out <OUT>' but none was supplied"},
        {{"dev", "--out", "a", "--out", "b"}, "error: the argument '--out <OUT>' cannot be used multiple times"},
        {{"gen", "effect", "--target", "rust", "--out", "x", "--rust-arg", "--release"},
         "error: unexpected argument '--release' found"},
        {{"gen", "effect", "--target", "rust", "--target", "Python"},
         "error: the argument '--target <TARGET>' cannot be used multiple times"},
        {{"gen", "-xyz"}, "error: unexpected argument '-x' found"},
        {{"gen", "--bogus=1"}, "error: unexpected argument '--bogus' found"},
        {{"schema", "dump", "--help=all"}, "error: unexpected value 'all' for '--help' found; no more were expected"},
        {{"gen", "effect", "extra", "--target", "rust", "--out", "x"}, "error: unexpected argument 'extra' found"},
        {{"gn"}, "error: unrecognized subcommand 'gn'"},
        {{"dev", "--out", "x", "-5", "a"}, "error: unexpected argument '-5' found"},
        {{"gen", "effect", "--target", "rust", "--out", "x", "--", "more"}, "error: unexpected argument 'more' found"},
        {{"schema", "--", "dump"}, "error: unexpected argument '--' found"},
        {{"schema", "--", "dupm"}, "error: unrecognized subcommand 'dupm'"},
        {{"schema", "dump", "--compact=yes"},
         "error: unexpected value 'yes' for '--compact' found; no more were expected"},
        {{"schema", "dupm"}, "error: unrecognized subcommand 'dupm'"},
        {{"dev", "--out", "x", "--app", "m\xFF:a"}, "error: invalid UTF-8 was detected in one or more arguments"},
    };
    for (const auto& c : cases) {
        auto args = c.args;
        args.insert(args.begin(), "tolv");
        auto outcome = parse_command_line(args);
        ASSERT_TRUE(std::holds_alternative<ParseExit>(outcome)) << c.first_line;
        const auto& exit = std::get<ParseExit>(outcome);
        EXPECT_EQ(exit.status, 2) << c.first_line;
        EXPECT_EQ(exit.stdout_text, "");
        EXPECT_THAT(exit.stderr_text, StartsWith(c.first_line + "\n"));
        EXPECT_THAT(exit.stderr_text, ::testing::EndsWith("\nFor more information, try '--help'.\n"));
    }
}

TEST(CommandLine, ErrorDetails) {
    auto missing = exited({"gen", "--out", "x"}).stderr_text;
    EXPECT_EQ(missing,
              "error: the following required arguments were not provided:\n"
              "  --target <TARGET>\n"
              "  <LANGUAGE>\n\n"
              "Usage: tolv gen --target <TARGET> --out <OUT> <LANGUAGE>\n\n"
              "For more information, try '--help'.\n");
    auto invalid = exited({"gen", "effect", "--target", "Python", "--out", "x"}).stderr_text;
    EXPECT_EQ(invalid,
              "error: invalid value 'Python' for '--target <TARGET>'\n"
              "  [possible values: python, rust]\n\n"
              "  tip: a similar value exists: 'python'\n\n"
              "For more information, try '--help'.\n");
    auto misspelt = exited({"gen", "--outt", "x"}).stderr_text;
    EXPECT_EQ(misspelt,
              "error: unexpected argument '--outt' found\n\n"
              "  tip: a similar argument exists: '--out'\n\n"
              "Usage: tolv gen [OPTIONS] --target <TARGET> --out <OUT> <LANGUAGE>\n\n"
              "For more information, try '--help'.\n");
    EXPECT_THAT(exited({"genn"}).stderr_text, HasSubstr("  tip: a similar subcommand exists: 'gen'\n"));
}

// Each word is judged when it is read: an error in an earlier word wins over
// a later --help, and a later unknown word wins over a positional value that
// is only checked when the next option arrives.
TEST(CommandLine, WordsAreJudgedInTheOrderGiven) {
    EXPECT_THAT(exited({"gen", "--bogus", "--help"}).stderr_text,
                StartsWith("error: unexpected argument '--bogus' found\n"));
    EXPECT_THAT(exited({"gen", "--surface", "both", "-h"}).stderr_text,
                StartsWith("error: invalid value 'both' for '--surface <SURFACE>'\n"));
    EXPECT_THAT(exited({"gen", "--help", "--bogus"}).stdout_text, StartsWith("Generate a TypeScript client"));
    EXPECT_THAT(exited({"gen", "-hx"}).stdout_text, StartsWith("Generate a TypeScript client"));
    EXPECT_THAT(exited({"gen", "Rust", "--bogus"}).stderr_text,
                StartsWith("error: unexpected argument '--bogus' found\n"));
    EXPECT_THAT(exited({"gen", "Rust", "--out", "x"}).stderr_text,
                StartsWith("error: invalid value 'Rust' for '<LANGUAGE>'\n"));
    EXPECT_THAT(exited({"dev", "--out", "a", "--out", "--app"}).stderr_text,
                StartsWith("error: a value is required for '--out <OUT>' but none was supplied\n"));
}

TEST(CommandLine, CommandsWithTrailingWordsOfferBothTips) {
    EXPECT_EQ(exited({"dev", "--outt", "x"}).stderr_text,
              "error: unexpected argument '--outt' found\n\n"
              "  tip: a similar argument exists: '--out'\n"
              "  tip: to pass '--outt' as a value, use '-- --outt'\n\n"
              "Usage: tolv dev [OPTIONS] --out <OUT> [APP_CMD]...\n\n"
              "For more information, try '--help'.\n");
    EXPECT_EQ(exited({"-x"}).stderr_text,
              "error: unexpected argument '-x' found\n\n"
              "Usage: tolv <COMMAND>\n\n"
              "For more information, try '--help'.\n");
}

TEST(CommandLine, CommandNeedingASubcommandShowsItsHelpWhenOnlyDashesFollow) {
    for (auto args : {words({"--"}), words({"schema", "--"})}) {
        auto exit = std::get<ParseExit>(parse_command_line(args));
        EXPECT_EQ(exit.status, 2);
        EXPECT_THAT(exit.stderr_text, HasSubstr("\n\nUsage: tolv"));
        EXPECT_THAT(exit.stderr_text, HasSubstr("\nCommands:\n"));
    }
}

TEST(CommandLine, HelpTextsStayOnOneLine) {
    auto help = exited({"dev", "--help"}).stdout_text;
    EXPECT_THAT(
        help,
        HasSubstr("\n      --out <OUT>                  Output directory or api.ts path. Directories receive api.ts "
                  "plus runtime siblings\n"));
    EXPECT_THAT(help, HasSubstr("\n      --language <LANGUAGE>        Client flavor to generate [default: typescript] "
                                "[possible values: typescript, effect]\n"));
    EXPECT_THAT(help,
                HasSubstr("\n      --statics <SURFACE>          Override the return surface used for `@static_route` "
                          "endpoints [possible values: effect, promise]\n"));
}

TEST(CommandLine, ParserAcceptsSurfacesWhateverTheLanguage) {
    auto gen = parsed<GenArgs>({"gen", "typescript", "--target", "python", "--out", "x", "--surface", "promise"});
    EXPECT_EQ(gen.surface.default_surface, gen_effect::ReturnSurface::Promise);
}

TEST(EffectOptions, BuiltFromSurfaceArgs) {
    SurfaceArgs none;
    auto defaults = effect_options_from(none);
    EXPECT_EQ(defaults.default_surface, gen_effect::ReturnSurface::Effect);
    EXPECT_EQ(defaults.commands, std::nullopt);
    SurfaceArgs some;
    some.default_surface = gen_effect::ReturnSurface::Promise;
    some.uploads = gen_effect::ReturnSurface::Effect;
    some.websockets = gen_effect::ReturnSurface::Promise;
    auto options = effect_options_from(some);
    EXPECT_EQ(options.default_surface, gen_effect::ReturnSurface::Promise);
    EXPECT_EQ(options.uploads, gen_effect::ReturnSurface::Effect);
    EXPECT_EQ(options.websockets, gen_effect::ReturnSurface::Promise);
    EXPECT_EQ(options.statics, std::nullopt);
}

}  // namespace
}  // namespace tolv::cli
