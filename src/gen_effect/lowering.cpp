#include "gen_effect/lowering.hpp"

#include <unordered_set>
#include <vector>

#include "codegen/printer.hpp"
#include "codegen/union_members.hpp"
#include "codegen/vocabulary.hpp"
#include "schema/json_writer.hpp"
#include "schema/naming.hpp"

namespace tolv::gen_effect::lowering {

namespace {

using schema::TypeKind;
using schema::TypeRef;

TypeExpr pair(std::string_view ts, std::string_view schema) { return {std::string(ts), std::string(schema)}; }

TypeExpr string_pair() { return pair("string", "Schema.String"); }
TypeExpr unknown_pair() { return pair("unknown", "Schema.Unknown"); }
TypeExpr void_pair() { return pair("void", "Schema.Void"); }

TypeExpr lower_primitive(const std::optional<std::string>& name) {
    const codegen::Primitive primitive = codegen::primitive_of(name);
    static constexpr std::string_view schemas[] = {"Schema.String", "Schema.Number",    "Schema.Boolean",
                                                   "Schema.Null",   "Schema.Undefined", "Schema.Unknown"};
    return pair(codegen::primitive_ts(primitive), schemas[static_cast<std::size_t>(primitive)]);
}

struct Lowerer {
    const EnumMap& enums;
    const ModelScope* scope;

    TypeExpr lower(const TypeRef& ty) const {
        return apply_optional_nullable(lower_kind(ty), ty.optional, ty.nullable);
    }

    // The inner entry at `index`, lowered, or the void pair when missing.
    TypeExpr inner_or_void(const TypeRef& ty, std::size_t index) const {
        return index < ty.inner.size() ? lower(ty.inner[index]) : void_pair();
    }

    TypeExpr lower_kind(const TypeRef& ty) const {
        switch (ty.kind) {
            case TypeKind::Primitive: return lower_primitive(ty.name);
            case TypeKind::Array: {
                TypeExpr element = inner_or_void(ty, 0);
                return {"ReadonlyArray<" + element.ts + ">", "Schema.Array(" + element.schema + ")"};
            }
            case TypeKind::Record: return lower_record(ty);
            case TypeKind::Tuple: return lower_tuple(ty);
            case TypeKind::Union: return lower_union(ty);
            case TypeKind::Literal: return ty.value ? lower_literal_value(*ty.value) : unknown_pair();
            case TypeKind::Model: return lower_model(ty);
            case TypeKind::Enum: return lower_enum(ty);
            case TypeKind::Any: return unknown_pair();
            case TypeKind::Void: return void_pair();
        }
        return unknown_pair();
    }

    // Keys of JSON objects are strings, whatever the declared key type: a
    // number key schema would fail to load ("Unsupported key schema").
    TypeExpr lower_record(const TypeRef& ty) const {
        TypeExpr value = inner_or_void(ty, 1);
        return {"Readonly<Record<string, " + value.ts + ">>",
                "Schema.Record({ key: Schema.String, value: " + value.schema + " })"};
    }

    std::vector<TypeExpr> lower_all(const std::vector<TypeRef>& types) const {
        std::vector<TypeExpr> out;
        out.reserve(types.size());
        for (const TypeRef& ty : types) out.push_back(lower(ty));
        return out;
    }

    TypeExpr lower_tuple(const TypeRef& ty) const {
        const std::vector<TypeExpr> items = lower_all(ty.inner);
        return {"readonly [" + codegen::join(items, ", ", &TypeExpr::ts) + "]",
                "Schema.Tuple(" + codegen::join(items, ", ", &TypeExpr::schema) + ")"};
    }

    TypeExpr lower_union(const TypeRef& ty) const {
        if (ty.inner.empty()) return unknown_pair();
        const std::vector<TypeExpr> members = lower_all(ty.inner);
        // Repeated TypeScript members are dropped; the schema keeps every member.
        std::unordered_set<std::string_view> seen;
        std::vector<std::string_view> ts;
        for (const TypeExpr& member : members) {
            if (seen.insert(member.ts).second) ts.push_back(member.ts);
        }
        return {codegen::join(ts, " | "), "Schema.Union(" + codegen::join(members, ", ", &TypeExpr::schema) + ")"};
    }

    // A model is named by the PascalCase form of the reference's name.
    TypeExpr lower_model(const TypeRef& ty) const {
        if (!ty.name) return unknown_pair();
        if (!scope) {
            std::string name = schema::to_pascal_case(*ty.name);
            if (name.empty()) return unknown_pair();
            return {name, name};
        }
        const codegen::ModelTable::NameId id = scope->models->type_name_of(*ty.name);
        const std::string& name = scope->models->name(id);
        if (name.empty()) return unknown_pair();
        if (scope->defers(id)) return {name, "Schema.suspend(() => " + name + ")"};
        return {name, name};
    }

    TypeExpr lower_enum(const TypeRef& ty) const {
        if (!ty.name) return string_pair();
        const auto found = enums.find(*ty.name);
        if (found == enums.end() || found->second.values.empty()) return string_pair();
        std::vector<std::string> literals;
        for (const schema::JsonValue& value : found->second.values) {
            std::optional<std::string> literal = codegen::literal_type(value, quote_js_string);
            if (!literal) return string_pair();
            literals.push_back(std::move(*literal));
        }
        return {codegen::join(literals, " | "), "Schema.Literal(" + codegen::join(literals, ", ") + ")"};
    }
};

}  // namespace

bool ModelScope::defers(codegen::ModelTable::NameId model) const {
    if (model == self) return true;
    if (!positions || model >= positions->size()) return false;
    const std::size_t declared = (*positions)[model];
    return declared != undeclared && declared > position;
}

TypeExpr lower_with_enums(const TypeRef& ty, const EnumMap& enums, const ModelScope* scope) {
    return Lowerer{enums, scope}.lower(ty);
}

TypeExpr lower_without_flags(const TypeRef& ty, const EnumMap& enums, const ModelScope* scope) {
    return Lowerer{enums, scope}.lower_kind(ty);
}

TypeExpr lower_literal_value(const schema::JsonValue& value) {
    std::optional<std::string> text = codegen::literal_type(value, quote_js_string);
    if (!text) return unknown_pair();
    std::string schema = "Schema.Literal(" + *text + ")";
    return {std::move(*text), std::move(schema)};
}

std::string quote_js_string(std::string_view s) { return schema::quote_json_string(s); }

TypeExpr apply_optional_nullable(TypeExpr expr, bool optional, bool nullable) {
    if (!optional && !nullable) return expr;
    expr.ts = append_ts_flags(std::move(expr.ts), optional, nullable);
    if (optional && nullable)
        expr.schema = "Schema.NullishOr(" + expr.schema + ")";
    else if (optional)
        expr.schema = "Schema.UndefinedOr(" + expr.schema + ")";
    else
        expr.schema = "Schema.NullOr(" + expr.schema + ")";
    return expr;
}

std::string append_ts_flags(std::string ts, bool optional, bool nullable) {
    bool has_null = false;
    bool has_undefined = false;
    codegen::for_each_union_member(ts, codegen::kEffectUnions, [&](std::string_view member) {
        has_null = has_null || member == "null";
        has_undefined = has_undefined || member == "undefined";
    });
    if (nullable && !has_null) ts += " | null";
    if (optional && !has_undefined) ts += " | undefined";
    return ts;
}

}  // namespace tolv::gen_effect::lowering
