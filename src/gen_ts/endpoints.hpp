// Exported functions of api.ts for commands, channels, uploads and static
// routes, each a thin call into the runtime module.
#pragma once

#include "codegen/printer.hpp"
#include "gen_ts/api_context.hpp"
#include "schema/endpoint.hpp"

namespace tolv::gen_ts {

// Prints the function of an rpc, channel, upload or static endpoint,
// preceded by its doc block. Does nothing for a ws endpoint.
void print_endpoint_function(codegen::Printer& printer, const schema::Endpoint& endpoint, const ApiContext& api);

}  // namespace tolv::gen_ts
