// `tolv dev`: generate, then watch the sources and regenerate on change.
#pragma once

#include "cli/args.hpp"
#include "base/error.hpp"

namespace tolv::cli {

Result<void> run_dev(DevArgs args);

}  // namespace tolv::cli
