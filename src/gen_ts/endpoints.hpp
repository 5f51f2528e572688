// Exported functions of api.ts for commands, channels, uploads and static
// routes, each a thin call into the runtime module.
#pragma once

#include <string>
#include <vector>

#include "codegen/printer.hpp"
#include "gen_ts/key_mapping.hpp"
#include "schema/endpoint.hpp"
#include "schema/graph.hpp"

namespace tolv::gen_ts {

// "{ a: T; b?: U }": the type of the generated function's `args`.
std::string params_object_type(const std::vector<schema::Param>& params, const schema::ApiGraph& graph);

// The object literal handed to the runtime: source names as keys, wire-named
// arguments as values, models converted to source names; "{}" when empty.
std::string args_object(const std::vector<schema::Param>& params, const KeyMapper& keys);

// Prints the function of an rpc, channel, upload or static endpoint,
// preceded by its doc block. Does nothing for a ws endpoint.
void print_endpoint_function(codegen::Printer& printer, const schema::Endpoint& endpoint, const KeyMapper& keys);

}  // namespace tolv::gen_ts
