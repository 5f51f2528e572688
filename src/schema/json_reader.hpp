// Reads the schema document into a graph. Never throws on bad input.
#pragma once

#include <string_view>

#include "base/error.hpp"
#include "schema/graph.hpp"

namespace tolv::schema {

// One error message with its " at line {} column {}" suffix, or the whole graph.
Result<ApiGraph> read_api_graph(std::string_view text);

}  // namespace tolv::schema
