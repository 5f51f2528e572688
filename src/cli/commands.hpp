// The body of the executable once the command line is parsed.
#pragma once

#include "base/error.hpp"
#include "cli/command_line/args.hpp"

namespace tolv::cli {

// The exit status of a command that did not fail: 0, or 128 plus the signal
// number when Ctrl-C, SIGTERM, SIGHUP or Ctrl-\ ended `gen` or `schema dump`
// (their backend's process group killed, nothing written or printed), and
// 131 after Ctrl-\ in every command, even once the output was written.
Result<int> run(Command command);

Result<int> run_gen(const GenArgs& args);
Result<int> run_schema_dump(const SchemaDumpArgs& args);

}  // namespace tolv::cli
