// Endpoint functions of the Effect client: commands, channels, uploads and
// static routes, each in the return surface chosen for its kind.
#pragma once

#include <string>
#include <vector>

#include "codegen/printer.hpp"
#include "gen_effect/lowering.hpp"
#include "gen_effect/options.hpp"
#include "schema/endpoint.hpp"

namespace tolv::gen_effect::printer {

// The function of an rpc, channel, upload or static endpoint, preceded by its
// doc block, at indentation level 0.
void print_endpoint_function(codegen::Printer& p, const schema::Endpoint& endpoint, lowering::Context& context,
                             ReturnSurface surface);

// The type of the `args` object: "void" without parameters, else the
// required parameters first, each under its wire name.
std::string params_object(const std::vector<schema::Param>& params, lowering::Context& context);
// The object sent to the backend: every parameter under its source name.
std::string args_payload(const std::vector<schema::Param>& params, lowering::Context& context);
std::string param_payload_expr(const schema::Param& param, lowering::Context& context);

}  // namespace tolv::gen_effect::printer
