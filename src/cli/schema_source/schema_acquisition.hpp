// cli/schema_source: which backend command to run, running it with its output drained, its output as a graph.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/error.hpp"
#include "cli/schema_source/process.hpp"
#include "schema/graph.hpp"

namespace tolv::cli {

// How `dev` and `schema dump` obtain the schema.
struct SchemaDumpCommand {
    // The Python -c script for a `<module>:<attr>` Bridge object.
    struct Python {
        std::string python;
        std::string app;
        friend bool operator==(const Python&, const Python&) = default;
    };
    // A word list run as it stands: program, then its arguments.
    struct Command {
        std::vector<std::string> words;
        friend bool operator==(const Command&, const Command&) = default;
    };

    std::variant<Python, Command> value;

    friend bool operator==(const SchemaDumpCommand&, const SchemaDumpCommand&) = default;
};

// Validates `app` and builds `python -c <script>`. Starts nothing.
Result<ProcessCommand> python_app_command(std::string python, std::string_view app);

// Non-empty, ASCII letter or "_" first, then ASCII letters, digits or "_".
bool is_python_identifier(std::string_view text);

// The stem of a path whose last component is `<identifier>.py`, else nullopt.
std::optional<std::string> top_level_python_module_name(std::string_view path);

// Where the `python app.py` shortcut applies: `schema dump` only to a bare
// file name, `dev` whatever the directory part.
enum class ShortcutRule { BareFileNameOnly, AnyDirectory };

// --app wins (trailing words ignored); otherwise the trailing words, with the
// `.py` shortcut. nullopt when there is neither (the caller owns the message).
std::optional<SchemaDumpCommand> choose_schema_dump_command(const std::optional<std::string>& app,
                                                            const std::string& python,
                                                            const std::vector<std::string>& app_cmd, ShortcutRule rule);

// The process to run for a schema dump command (validates --app).
Result<ProcessCommand> process_command(const SchemaDumpCommand& command);

// Checks a finished child's result and parses its standard output. A
// non-empty stderr is first echoed to `echo` (invalid UTF-8 replaced).
Result<schema::ApiGraph> schema_from_output(bool success, std::string_view stdout_bytes, std::string_view stderr_bytes,
                                            std::FILE* echo = stderr);

}  // namespace tolv::cli
