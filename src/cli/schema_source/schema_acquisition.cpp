#include "cli/schema_source/schema_acquisition.hpp"

#include <fmt/format.h>

#include "base/utf8.hpp"
#include "cli/output/path_text.hpp"
#include "schema/json_reader.hpp"

namespace tolv::cli {
namespace {

bool is_ascii_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }

bool is_dotted_identifier(std::string_view module) {
    std::size_t start = 0;
    for (;;) {
        std::size_t dot = module.find('.', start);
        std::string_view piece = module.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (!is_python_identifier(piece)) return false;
        if (dot == std::string_view::npos) return true;
        start = dot + 1;
    }
}

}  // namespace

bool is_python_identifier(std::string_view text) {
    if (text.empty()) return false;
    if (text[0] != '_' && !is_ascii_letter(text[0])) return false;
    for (char c : text.substr(1)) {
        if (c != '_' && !is_ascii_letter(c) && !is_ascii_digit(c)) return false;
    }
    return true;
}

Result<ProcessCommand> python_app_command(std::string python, std::string_view app) {
    std::size_t colon = app.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == app.size()) {
        return fail("--app must use <module>:<attr> format");
    }
    std::string_view module = app.substr(0, colon);
    std::string_view attr = app.substr(colon + 1);
    if (!is_dotted_identifier(module)) return fail("--app module must be a dotted Python identifier");
    if (!is_python_identifier(attr)) return fail("--app attr must be a Python identifier");

    std::string script = fmt::format(
        "import sys; sys.path.insert(0, '.'); from {0} import {1}; print({1}.dump_schema_json())", module, attr);
    return ProcessCommand{std::move(python), {"-c", std::move(script)}};
}

std::optional<std::string> top_level_python_module_name(std::string_view path) {
    auto name = path_text::file_name(path);
    if (!name) return std::nullopt;
    auto ext = path_text::extension(*name);
    if (!ext || *ext != "py") return std::nullopt;
    // An identifier is ASCII, so it is valid UTF-8 by construction.
    std::string_view stem = path_text::file_stem(*name);
    if (!is_python_identifier(stem)) return std::nullopt;
    return std::string(stem);
}

std::optional<SchemaDumpCommand> choose_schema_dump_command(const std::optional<std::string>& app,
                                                            const std::string& python,
                                                            const std::vector<std::string>& app_cmd,
                                                            ShortcutRule rule) {
    if (app) return SchemaDumpCommand{SchemaDumpCommand::Python{python, *app}};
    if (app_cmd.empty()) return std::nullopt;
    if (app_cmd.size() >= 2) {
        const std::string& script = app_cmd[1];
        bool bare = path_text::parent(script).value_or("").empty();
        if (rule == ShortcutRule::AnyDirectory || bare) {
            if (auto stem = top_level_python_module_name(script)) {
                return SchemaDumpCommand{SchemaDumpCommand::Python{app_cmd[0], *stem + ":app"}};
            }
        }
    }
    return SchemaDumpCommand{SchemaDumpCommand::Command{app_cmd}};
}

Result<ProcessCommand> process_command(const SchemaDumpCommand& command) {
    if (const auto* py = std::get_if<SchemaDumpCommand::Python>(&command.value)) {
        return python_app_command(py->python, py->app);
    }
    const auto& words = std::get<SchemaDumpCommand::Command>(command.value).words;
    if (words.empty()) return fail("schema dump command after -- must not be empty");
    return ProcessCommand{words.front(), {words.begin() + 1, words.end()}};
}

Result<schema::ApiGraph> schema_from_output(bool success, std::string_view stdout_bytes, std::string_view stderr_bytes,
                                            std::FILE* echo) {
    if (!stderr_bytes.empty()) {
        std::string text = lossy_utf8(stderr_bytes);
        std::fwrite(text.data(), 1, text.size(), echo);
        std::fflush(echo);
    }
    if (!success) return fail("user app schema dump subprocess failed");
    if (auto bad = validate_utf8(stdout_bytes)) {
        return std::unexpected(Error(bad->message()).context("schema dump stdout was not valid UTF-8"));
    }
    std::string_view trimmed = trim_unicode_whitespace(stdout_bytes);
    if (trimmed.empty()) return fail("schema dump stdout was empty");
    return with_context(schema::read_api_graph(trimmed),
                        "failed to parse schema dump stdout as ApiGraph JSON; schema dump must be the only stdout");
}

}  // namespace tolv::cli
