// Help and usage text in the usual layout: about line, "Usage:", then the
// Commands, Arguments and Options sections, each help text on one line.
#pragma once

#include <string>
#include <string_view>

#include "cli/command_line/command_spec.hpp"

namespace tolv::cli {

// `path` is the command's full name, such as "tolv schema dump".
std::string render_help(const CommandSpec& command, std::string_view path);

// "tolv gen [OPTIONS] --target <TARGET> --out <OUT> <LANGUAGE>"
std::string render_usage(const CommandSpec& command, std::string_view path);

// The usage shown when required arguments are missing: only those.
std::string render_required_usage(const CommandSpec& command, std::string_view path);

}  // namespace tolv::cli
