// The body of the executable once the command line is parsed.
#pragma once

#include "base/error.hpp"
#include "cli/command_line/args.hpp"

namespace tolv::cli {

Result<void> run(Command command);

Result<void> run_gen(const GenArgs& args);
Result<void> run_schema_dump(const SchemaDumpArgs& args);

}  // namespace tolv::cli
