// The Effect client generator.
#pragma once

#include <string>

#include "base/error.hpp"
#include "codegen/generated_file.hpp"
#include "gen_effect/options.hpp"
#include "schema/graph.hpp"

namespace tolv::gen_effect {

// "api.ts" printed from the graph, then the runtime module "_effect_internal.ts";
// fails when two schema entries would take one name (codegen::declare_names).
Result<codegen::GenerationResult> generate_with_options(const schema::ApiGraph& graph, const EffectGenOptions& options);

}  // namespace tolv::gen_effect

namespace tolv::gen_effect::printer {

// The api.ts module alone.
Result<std::string> print_api(const schema::ApiGraph& graph, const EffectGenOptions& options);

}  // namespace tolv::gen_effect::printer
