#include "gen_effect/lowering.hpp"

#include <unordered_set>
#include <vector>

#include "codegen/declared_names.hpp"
#include "codegen/printer.hpp"
#include "codegen/union_members.hpp"
#include "codegen/vocabulary.hpp"
#include "schema/json_writer.hpp"

namespace tolv::gen_effect::lowering {

namespace {

using schema::TypeKind;
using schema::TypeRef;

// A Schema member or call: "Schema.String", "Schema.Array(...)". Without
// names (a lowering for the TypeScript half alone) the text is empty and
// Schema is not marked used.
std::string schema_text(ModuleNames* names, std::string_view member) {
    if (!names) return {};
    const std::string_view prefix = names->schema();
    std::string out;
    out.reserve(prefix.size() + member.size());
    out.append(prefix).append(member);
    return out;
}
std::string schema_call(ModuleNames* names, std::string_view function, std::string_view arguments) {
    if (!names) return {};
    const std::string_view prefix = names->schema();
    std::string out;
    out.reserve(prefix.size() + function.size() + arguments.size() + 2);
    out.append(prefix).append(function).append("(").append(arguments).append(")");
    return out;
}

TypeExpr pair(ModuleNames* names, std::string_view ts, std::string_view member) {
    return {std::string(ts), schema_text(names, member)};
}

TypeExpr string_pair(ModuleNames* names) { return pair(names, "string", "String"); }
TypeExpr unknown_pair(ModuleNames* names) { return pair(names, "unknown", "Unknown"); }
TypeExpr void_pair(ModuleNames* names) { return pair(names, "void", "Void"); }

TypeExpr lower_primitive(const std::optional<std::string>& name, ModuleNames* names) {
    const codegen::Primitive primitive = codegen::primitive_of(name);
    static constexpr std::string_view members[] = {"String", "Number", "Boolean", "Null", "Undefined", "Unknown"};
    return pair(names, codegen::primitive_ts(primitive), members[static_cast<std::size_t>(primitive)]);
}

TypeExpr literal_pair(const schema::JsonValue& value, ModuleNames* names) {
    std::optional<std::string> text = codegen::literal_type(value, quote_js_string);
    if (!text) return unknown_pair(names);
    std::string schema = schema_call(names, "Literal", *text);
    return {std::move(*text), std::move(schema)};
}

TypeExpr with_flags(TypeExpr expr, bool optional, bool nullable, ModuleNames* names) {
    if (!optional && !nullable) return expr;
    expr.ts = append_ts_flags(std::move(expr.ts), optional, nullable);
    const std::string_view wrapper = optional && nullable ? "NullishOr" : optional ? "UndefinedOr" : "NullOr";
    expr.schema = schema_call(names, wrapper, expr.schema);
    return expr;
}

struct Lowerer {
    Context& context;
    const ModelScope* scope;
    ModuleNames* schema_names;  // null: the TypeScript half alone

    TypeExpr lower(const TypeRef& ty) const {
        return with_flags(lower_kind(ty), ty.optional, ty.nullable, schema_names);
    }

    // The inner entry at `index`, lowered, or the void pair when missing.
    TypeExpr inner_or_void(const TypeRef& ty, std::size_t index) const {
        return index < ty.inner.size() ? lower(ty.inner[index]) : void_pair(schema_names);
    }

    TypeExpr lower_kind(const TypeRef& ty) const {
        switch (ty.kind) {
            case TypeKind::Primitive: return lower_primitive(ty.name, schema_names);
            case TypeKind::Array: {
                TypeExpr element = inner_or_void(ty, 0);
                return {std::string(context.names.global(Global::ReadonlyArray)) + "<" + element.ts + ">",
                        schema_call(schema_names, "Array", element.schema)};
            }
            case TypeKind::Record: return lower_record(ty);
            case TypeKind::Tuple: return lower_tuple(ty);
            case TypeKind::Union: return lower_union(ty);
            case TypeKind::Literal:
                return ty.value ? literal_pair(*ty.value, schema_names) : unknown_pair(schema_names);
            case TypeKind::Model: return lower_model(ty);
            case TypeKind::Enum: return lower_enum(ty);
            case TypeKind::Any: return unknown_pair(schema_names);
            case TypeKind::Void: return void_pair(schema_names);
        }
        return unknown_pair(schema_names);
    }

    // Keys of JSON objects are strings, whatever the declared key type: a
    // number key schema would fail to load ("Unsupported key schema").
    TypeExpr lower_record(const TypeRef& ty) const {
        TypeExpr value = inner_or_void(ty, 1);
        std::string ts(context.names.global(Global::Readonly));
        ts.append("<").append(context.names.global(Global::Record)).append("<string, ").append(value.ts).append(">>");
        std::string schema;
        if (schema_names) {
            const std::string_view prefix = schema_names->schema();
            schema.append(prefix).append("Record({ key: ").append(prefix).append("String, value: ");
            schema.append(value.schema).append(" })");
        }
        return {std::move(ts), std::move(schema)};
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
                schema_call(schema_names, "Tuple", codegen::join(items, ", ", &TypeExpr::schema))};
    }

    TypeExpr lower_union(const TypeRef& ty) const {
        if (ty.inner.empty()) return unknown_pair(schema_names);
        const std::vector<TypeExpr> members = lower_all(ty.inner);
        // Repeated TypeScript members are dropped; the schema keeps every member.
        std::unordered_set<std::string_view> seen;
        std::vector<std::string_view> ts;
        for (const TypeExpr& member : members) {
            if (seen.insert(member.ts).second) ts.push_back(member.ts);
        }
        return {codegen::join(ts, " | "),
                schema_call(schema_names, "Union", codegen::join(members, ", ", &TypeExpr::schema))};
    }

    // A model is named by the type name of the reference's name.
    TypeExpr lower_model(const TypeRef& ty) const {
        if (!ty.name) return unknown_pair(schema_names);
        if (!scope) {
            // Outside the models nothing is deferred: the name alone, which
            // is cheaper to convert than to look up.
            std::string name = codegen::type_name(*ty.name);
            if (name.empty()) return unknown_pair(schema_names);
            if (!schema_names) return {std::move(name), {}};
            return {name, name};
        }
        const codegen::ModelTable::NameId id = context.models.type_name_of(*ty.name);
        const std::string& name = context.models.name(id);
        if (name.empty()) return unknown_pair(schema_names);
        if (!schema_names) return {name, {}};
        if (scope->defers(id)) return {name, schema_call(schema_names, "suspend", "() => " + name)};
        return {name, name};
    }

    TypeExpr lower_enum(const TypeRef& ty) const {
        if (!ty.name) return string_pair(schema_names);
        const auto found = context.enums.find(*ty.name);
        if (found == context.enums.end() || found->second.values.empty()) return string_pair(schema_names);
        std::vector<std::string> literals;
        for (const schema::JsonValue& value : found->second.values) {
            std::optional<std::string> literal = codegen::literal_type(value, quote_js_string);
            if (!literal) return string_pair(schema_names);
            literals.push_back(std::move(*literal));
        }
        return {codegen::join(literals, " | "), schema_call(schema_names, "Literal", codegen::join(literals, ", "))};
    }
};

}  // namespace

bool ModelScope::defers(codegen::ModelTable::NameId model) const {
    if (model == self) return true;
    if (!positions || model >= positions->size()) return false;
    const std::size_t declared = (*positions)[model];
    return declared != undeclared && declared > position;
}

TypeExpr lower_with_enums(const TypeRef& ty, Context& context, const ModelScope* scope) {
    return Lowerer{context, scope, &context.names}.lower(ty);
}

TypeExpr lower_without_flags(const TypeRef& ty, Context& context, const ModelScope* scope) {
    return Lowerer{context, scope, &context.names}.lower_kind(ty);
}

std::string lower_ts(const TypeRef& ty, Context& context) { return Lowerer{context, nullptr, nullptr}.lower(ty).ts; }

TypeExpr lower_literal_value(const schema::JsonValue& value, ModuleNames& names) { return literal_pair(value, &names); }

std::string quote_js_string(std::string_view s) { return schema::quote_json_string(s); }

TypeExpr apply_optional_nullable(TypeExpr expr, bool optional, bool nullable, ModuleNames& names) {
    return with_flags(std::move(expr), optional, nullable, &names);
}

std::string append_ts_flags(std::string ts, bool optional, bool nullable) {
    bool has_null = false;
    bool has_undefined = false;
    // A text without a bar is its only member.
    const auto visit = [&](std::string_view member) {
        has_null = has_null || member == "null";
        has_undefined = has_undefined || member == "undefined";
    };
    if (ts.find('|') == std::string::npos) {
        visit(ts);
    } else {
        codegen::for_each_union_member(ts, codegen::kEffectUnions, visit);
    }
    if (nullable && !has_null) ts += " | null";
    if (optional && !has_undefined) ts += " | undefined";
    return ts;
}

}  // namespace tolv::gen_effect::lowering
