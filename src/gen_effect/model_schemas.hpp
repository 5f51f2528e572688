// Effect Schema declarations of the models, in dependency order.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "codegen/model_table.hpp"
#include "codegen/printer.hpp"
#include "gen_effect/lowering.hpp"

namespace tolv::gen_effect::lowering {

// Every model declaration in dependency order (cycles and their dependents
// last), each after an empty line.
void print_model_schemas(codegen::Printer& p, const codegen::ModelTable& models, const EnumMap& enums);

// A model referring to itself, directly or through a cycle, is declared as an
// interface and an annotated constant; any other as a constant and its type.
// `scope` names the model and where it is declared.
void print_model_schema(codegen::Printer& p, const schema::ModelDef& model, const EnumMap& enums,
                        const ModelScope& scope, bool self_referring);

// A field as an entry of Schema.Struct({ ... }) and as a member of the
// interface of a recursive model.
struct RenderedField {
    std::string schema_entry;
    std::string ts_member;
};

RenderedField render_field(const schema::Field& field, const EnumMap& enums, const ModelScope& scope);

}  // namespace tolv::gen_effect::lowering
