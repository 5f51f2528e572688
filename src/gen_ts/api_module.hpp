// The whole api.ts module of the plain client.
#pragma once

#include <string>

#include "schema/graph.hpp"

namespace tolv::gen_ts {

std::string print_api(const schema::ApiGraph& graph);

}  // namespace tolv::gen_ts
