// `tolv dev`: generate, then watch the sources and regenerate on change.
#pragma once

#include "base/error.hpp"
#include "cli/args.hpp"

namespace tolv::cli {

Result<void> run_dev(DevArgs args);

}  // namespace tolv::cli
