// The block of a websocket endpoint: its two event interfaces, a typed socket
// class over the browser WebSocket, and a factory function.
#pragma once

#include <string_view>

#include "gen_ts/key_mapping.hpp"
#include "gen_ts/ts_printer.hpp"
#include "schema/endpoint.hpp"
#include "schema/graph.hpp"

namespace tolv::gen_ts {

// The whole block, at indentation level 0, without the empty line after it.
void print_websocket_block(TsPrinter& printer, const schema::Endpoint& endpoint, const KeyMapper& keys);

// The class body, printed one level deeper than the class head.
void print_websocket(TsPrinter& printer, const schema::Endpoint& endpoint, std::string_view server_events,
                     std::string_view client_events, const KeyMapper& keys);

}  // namespace tolv::gen_ts
