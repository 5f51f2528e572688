// Prints the Effect client's api.ts.
#pragma once

#include <string>

#include "gen_effect/options.hpp"
#include "schema/graph.hpp"

namespace tolv::gen_effect::printer {

// The override of the endpoint's kind, else the default surface. Websockets
// have no surface; they get the default.
ReturnSurface resolve_surface(const EffectGenOptions& options, schema::EndpointKind kind);

std::string print_api(const schema::ApiGraph& graph, const EffectGenOptions& options);

}  // namespace tolv::gen_effect::printer
