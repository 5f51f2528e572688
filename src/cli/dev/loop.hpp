// cli/dev: `tolv dev`: generate, then watch the sources and regenerate on change, until Ctrl-C, SIGTERM, SIGHUP or Ctrl-\.
#pragma once

#include "base/error.hpp"
#include "cli/command_line/args.hpp"

namespace tolv::cli {

Result<void> run_dev(DevArgs args);

}  // namespace tolv::cli
