// The Effect client's api.ts module.
#pragma once

#include <string>

#include "gen_effect/options.hpp"
#include "schema/graph.hpp"

namespace tolv::gen_effect::printer {

std::string print_api(const schema::ApiGraph& graph, const EffectGenOptions& options);

}  // namespace tolv::gen_effect::printer
