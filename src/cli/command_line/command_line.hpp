// cli/command_line: the command tree as data, the one parse of the words, help and error texts, the records.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "cli/command_line/args.hpp"

namespace tolv::cli {

// The parser answered by itself: help, version or a command-line error.
struct ParseExit {
    int status = 0;
    std::string stdout_text;
    std::string stderr_text;
};

using ParseOutcome = std::variant<Command, ParseExit>;

// `args` holds the program name first, then every argument as given.
ParseOutcome parse_command_line(const std::vector<std::string>& args);

}  // namespace tolv::cli
