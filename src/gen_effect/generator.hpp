// The Effect client generator.
#pragma once

#include "codegen/generated_file.hpp"
#include "gen_effect/options.hpp"
#include "schema/graph.hpp"

namespace tolv::gen_effect {

// "api.ts" printed from the graph, then the runtime module "_effect_internal.ts".
codegen::GenerationResult generate_with_options(const schema::ApiGraph& graph, const EffectGenOptions& options);

}  // namespace tolv::gen_effect
