// Short constructors for schema records in tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "codegen/model_table.hpp"
#include "gen_effect/lowering.hpp"
#include "gen_effect/module_names.hpp"
#include "schema/graph.hpp"

namespace tolv::test {

using schema::JsonValue;
using schema::TypeKind;
using schema::TypeRef;

inline TypeRef prim(std::string name) {
    TypeRef ty;
    ty.kind = TypeKind::Primitive;
    ty.name = std::move(name);
    return ty;
}

inline TypeRef of_kind(TypeKind kind, std::vector<TypeRef> inner = {}) {
    TypeRef ty;
    ty.kind = kind;
    ty.inner = std::move(inner);
    return ty;
}

inline TypeRef array_of(TypeRef element) { return of_kind(TypeKind::Array, {std::move(element)}); }
inline TypeRef record_of(TypeRef key, TypeRef value) {
    return of_kind(TypeKind::Record, {std::move(key), std::move(value)});
}
inline TypeRef union_of(std::vector<TypeRef> members) { return of_kind(TypeKind::Union, std::move(members)); }
inline TypeRef tuple_of(std::vector<TypeRef> items) { return of_kind(TypeKind::Tuple, std::move(items)); }

inline TypeRef named(TypeKind kind, std::string name) {
    TypeRef ty = of_kind(kind);
    ty.name = std::move(name);
    return ty;
}
inline TypeRef model(std::string name) { return named(TypeKind::Model, std::move(name)); }
inline TypeRef enum_ref(std::string name) { return named(TypeKind::Enum, std::move(name)); }

inline TypeRef literal(JsonValue value) {
    TypeRef ty = of_kind(TypeKind::Literal);
    ty.value = std::move(value);
    return ty;
}

inline TypeRef optional(TypeRef ty) {
    ty.optional = true;
    return ty;
}
inline TypeRef nullable(TypeRef ty) {
    ty.nullable = true;
    return ty;
}

inline schema::Field field(std::string source, std::string wire, TypeRef ty, bool required = true) {
    schema::Field f;
    f.sourceName = std::move(source);
    f.wireName = std::move(wire);
    f.ty = std::move(ty);
    f.required = required;
    return f;
}

inline schema::Param param(std::string source, std::string wire, TypeRef ty, bool required = true) {
    schema::Param p;
    p.sourceName = std::move(source);
    p.wireName = std::move(wire);
    p.ty = std::move(ty);
    p.required = required;
    return p;
}

inline void add_model(schema::ApiGraph& graph, const std::string& key, std::vector<schema::Field> fields) {
    graph.models[key] = schema::ModelDef{key, std::move(fields), std::nullopt};
}

inline schema::Endpoint& add_endpoint(schema::ApiGraph& graph, const std::string& name, schema::EndpointKind kind) {
    schema::Endpoint& endpoint = graph.endpoints[name];
    endpoint.name = name;
    endpoint.kind = kind;
    endpoint.returns = of_kind(TypeKind::Void);
    return endpoint;
}

// What the Effect lowering reads, for a graph of its own: its enums, its
// model table, and module names that no schema name has taken.
struct Lowering {
    explicit Lowering(schema::ApiGraph g = {}) : graph(std::move(g)), models(graph) {}
    schema::ApiGraph graph;
    codegen::ModelTable models;
    gen_effect::ModuleNames names;
    gen_effect::lowering::Context context{graph.enums, models, names};
};

}  // namespace tolv::test
