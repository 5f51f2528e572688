// The block of a websocket endpoint in the Effect client: its event
// interfaces, the socket interface and the connect function.
#pragma once

#include "codegen/printer.hpp"
#include "gen_effect/lowering.hpp"
#include "schema/endpoint.hpp"

namespace tolv::gen_effect::printer {

// The whole block at indentation level 0. Websockets have a single form,
// whatever the return surface options say.
void print_websocket(codegen::Printer& p, const schema::Endpoint& endpoint, lowering::Context& context);

}  // namespace tolv::gen_effect::printer
