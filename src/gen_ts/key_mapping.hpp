// Expressions that rebuild objects with their keys renamed between the
// client's wire names and the backend's source names.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "schema/graph.hpp"
#include "schema/types.hpp"

namespace tolv::gen_ts {

// The lambda parameter name for one level of array nesting.
std::string map_variable(std::size_t depth);

// `expr` with the keys of the models it holds renamed from wire names to
// source names (the direction of arguments and sent payloads).
std::string request_mapping_at_depth(const schema::TypeRef& ty, std::string_view expr, const schema::ApiGraph& graph,
                                     std::size_t depth);

// `expr` with the keys of the models it holds renamed from source names to
// wire names (the direction of results).
std::string response_mapping_at_depth(const schema::TypeRef& ty, std::string_view expr, const schema::ApiGraph& graph,
                                      std::size_t depth);

// True when a result of this type is converted: the type, after stepping
// through nested arrays, is a model reference.
bool response_needs_conversion(const schema::TypeRef& returns);

}  // namespace tolv::gen_ts
