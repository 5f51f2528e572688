// The settings of the development loop, fixed at start.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/dev/events.hpp"
#include "cli/generate/generate_client.hpp"
#include "cli/schema_source/schema_acquisition.hpp"
#include "gen_effect/options.hpp"

namespace tolv::cli {

struct DevConfig {
    std::string out;  // as given to --out
    std::string cwd;  // absolute
    std::vector<std::string> watch_globs;
    SchemaDumpCommand schema_command;
    std::uint64_t debounce_ms = 250;
    gen_effect::EffectGenOptions effect_options;
    Language language = Language::Typescript;
    // The files every regeneration writes, so their own events are ignored.
    OwnOutputs own_outputs;
};

}  // namespace tolv::cli
