// The block of a websocket endpoint: its two event interfaces, a typed socket
// class over the browser WebSocket, and a factory function.
#pragma once

#include "codegen/printer.hpp"
#include "gen_ts/api_context.hpp"
#include "schema/endpoint.hpp"

namespace tolv::gen_ts {

// The whole block, at indentation level 0, without the empty line after it.
void print_websocket_block(codegen::Printer& printer, const schema::Endpoint& endpoint, const ApiContext& api);

}  // namespace tolv::gen_ts
