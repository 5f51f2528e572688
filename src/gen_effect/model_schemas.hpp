// Effect Schema declarations of the models, in dependency order.
#pragma once

#include <string>

#include "codegen/printer.hpp"
#include "gen_effect/lowering.hpp"

namespace tolv::gen_effect::lowering {

// Every model declaration in dependency order (cycles and their dependents
// last), each after an empty line.
void print_model_schemas(codegen::Printer& p, Context& context);

// A field as an entry of Schema.Struct({ ... }) and, when `member` is set, as
// a member of the interface of a recursive model; `key_move` is the entry of
// the model's _keyMoves for a member a struct cannot rename itself, or empty.
// `moves_renames`: the model's _keyMoves moves every renamed member, because
// its renames chain.
struct RenderedField {
    std::string schema_entry;
    std::string ts_member;
    std::string key_move;
};

RenderedField render_field(const schema::Field& field, Context& context, const ModelScope& scope, bool member = true,
                           bool moves_renames = false);

}  // namespace tolv::gen_effect::lowering
