// Endpoint functions of the Effect client: commands, channels, uploads,
// static routes and websockets.
#pragma once

#include <string>
#include <vector>

#include "gen_effect/options.hpp"
#include "schema/graph.hpp"

namespace tolv::gen_effect::printer {

std::string emit_rpc(const schema::Endpoint& endpoint, const schema::ApiGraph& graph, ReturnSurface surface);
std::string emit_channel(const schema::Endpoint& endpoint, const schema::ApiGraph& graph, ReturnSurface surface);
std::string emit_upload(const schema::Endpoint& endpoint, const schema::ApiGraph& graph, ReturnSurface surface);
std::string emit_static(const schema::Endpoint& endpoint, const schema::ApiGraph& graph, ReturnSurface surface);
// Websockets have a single form, whatever the options.
std::string emit_websocket(const schema::Endpoint& endpoint, const schema::ApiGraph& graph);

// The type of the `args` object: "void" without parameters, else the
// required parameters first.
std::string params_object(const std::vector<schema::Param>& params, const schema::ApiGraph& graph);
std::string param_field(const schema::Param& param, const schema::ApiGraph& graph);
// The object sent to the backend: every parameter under its source name.
std::string args_payload(const std::vector<schema::Param>& params, const schema::ApiGraph& graph);
std::string param_payload_expr(const schema::Param& param, const schema::ApiGraph& graph);

}  // namespace tolv::gen_effect::printer
