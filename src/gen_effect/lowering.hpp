// Lowers schema type references to TypeScript types paired with Effect Schema
// expressions.
#pragma once

#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "codegen/model_table.hpp"
#include "gen_effect/module_names.hpp"
#include "schema/graph.hpp"

namespace tolv::gen_effect::lowering {

// A TypeScript type and the Effect Schema expression that decodes it.
struct TypeExpr {
    std::string ts;
    std::string schema;

    friend bool operator==(const TypeExpr&, const TypeExpr&) = default;
};

using EnumMap = std::map<std::string, schema::EnumDef>;

// What lowering reads besides the type: the enumerations, the models' type
// names, and the names by which the module reaches Schema and the globals.
struct Context {
    const EnumMap& enums;
    codegen::ModelTable& models;
    ModuleNames& names;
};

// The model whose fields are being lowered, and where the models are
// declared. A reference to the model itself, or to a model whose constant is
// declared after it, must be deferred with Schema.suspend: the constant does
// not exist yet when this one is built.
struct ModelScope {
    static constexpr std::size_t undeclared = std::numeric_limits<std::size_t>::max();

    codegen::ModelTable::NameId self = codegen::ModelTable::none;  // the model's type name
    const std::vector<std::size_t>* positions = nullptr;           // by name: where declared, or undeclared
    std::size_t position = 0;                                      // where this model is declared

    bool defers(codegen::ModelTable::NameId model) const;
};

// The pair for `ty`, its own optional/nullable flags applied last. Without a
// scope no model reference is deferred.
TypeExpr lower_with_enums(const schema::TypeRef& ty, Context& context, const ModelScope* scope = nullptr);

// The pair for `ty` without its own optional/nullable flags (nested
// references keep theirs).
TypeExpr lower_without_flags(const schema::TypeRef& ty, Context& context, const ModelScope* scope = nullptr);

// The TypeScript half alone, where the module prints no schema.
std::string lower_ts(const schema::TypeRef& ty, Context& context);

// A JSON value as a literal type; arrays and objects give the unknown pair.
TypeExpr lower_literal_value(const schema::JsonValue& value, ModuleNames& names);

// A double-quoted string literal (JSON string syntax).
std::string quote_js_string(std::string_view s);

// Wraps in Schema.UndefinedOr, Schema.NullOr or, with both flags,
// Schema.NullishOr. A model field's own optional nullable value is a property
// signature instead (render_field).
TypeExpr apply_optional_nullable(TypeExpr expr, bool optional, bool nullable, ModuleNames& names);

// Adds "null" and then "undefined" union members unless the text already has
// them as members of its outermost union.
std::string append_ts_flags(std::string ts, bool optional, bool nullable);

}  // namespace tolv::gen_effect::lowering
