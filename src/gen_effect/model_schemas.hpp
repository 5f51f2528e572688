// Effect Schema declarations of the models, in dependency order.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>

#include "codegen/printer.hpp"
#include "gen_effect/lowering.hpp"
#include "schema/graph.hpp"

namespace tolv::gen_effect::lowering {

// Every model declaration in dependency order (cycles and their dependents
// last), each after an empty line.
void print_model_schemas(codegen::Printer& p, const schema::ApiGraph& graph);

// Where a model is declared among the others. Without an order only the
// model's references to itself are deferred.
struct Placement {
    const DeclarationOrder* order = nullptr;
    std::size_t position = 0;
    bool on_cycle = false;  // refers to itself through other models
};

// A model referring to itself, directly or through a cycle, is declared as an
// interface and an annotated constant; any other as a constant and its type.
void print_model_schema(codegen::Printer& p, const schema::ModelDef& model, const EnumMap& enums,
                        const Placement& placement = {});

// A field as an entry of Schema.Struct({ ... }) and as a member of the
// interface of a recursive model.
struct RenderedField {
    std::string schema_entry;
    std::string ts_member;
};

RenderedField render_field(const schema::Field& field, const EnumMap& enums, const ModelScope& scope);
// The same with only the current model (PascalCase) deferred.
RenderedField render_field(const schema::Field& field, const EnumMap& enums, std::optional<std::string_view> current);

// The first model, in key order, whose key or name has the PascalCase form `name`.
const schema::ModelDef* find_model(const schema::ApiGraph& graph, std::string_view name);

// find_model for many names: one pass over the models up front.
class ModelIndex {
public:
    explicit ModelIndex(const schema::ApiGraph& graph);
    const schema::ModelDef* find(std::string_view name) const;

private:
    std::unordered_map<std::string, const schema::ModelDef*> by_name_;
};

// Adds the PascalCase names of the model references anywhere in `ty`.
void walk_model_refs(const schema::TypeRef& ty, std::set<std::string>& names);

}  // namespace tolv::gen_effect::lowering
