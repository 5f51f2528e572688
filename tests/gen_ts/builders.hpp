// Terse builders for schema records in the generator tests.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "schema/graph.hpp"

namespace tolv::gen_ts::test {

using schema::Endpoint;
using schema::EndpointKind;
using schema::Field;
using schema::JsonValue;
using schema::ModelDef;
using schema::Param;
using schema::TypeKind;
using schema::TypeRef;

inline TypeRef type(TypeKind kind, std::vector<TypeRef> inner = {}) {
    TypeRef t;
    t.kind = kind;
    t.inner = std::move(inner);
    return t;
}
inline TypeRef prim(std::string name) {
    TypeRef t = type(TypeKind::Primitive);
    t.name = std::move(name);
    return t;
}
inline TypeRef model(std::string name) {
    TypeRef t = type(TypeKind::Model);
    t.name = std::move(name);
    return t;
}
inline TypeRef enum_ref(std::string name) {
    TypeRef t = type(TypeKind::Enum);
    t.name = std::move(name);
    return t;
}
inline TypeRef literal(JsonValue value) {
    TypeRef t = type(TypeKind::Literal);
    t.value = std::move(value);
    return t;
}
inline TypeRef array(TypeRef element) { return type(TypeKind::Array, {std::move(element)}); }
inline TypeRef union_of(std::vector<TypeRef> members) { return type(TypeKind::Union, std::move(members)); }
inline TypeRef optional(TypeRef t) {
    t.optional = true;
    return t;
}
inline TypeRef nullable(TypeRef t) {
    t.nullable = true;
    return t;
}

inline Field field(std::string wire, std::string source, TypeRef ty, bool required = true) {
    Field f;
    f.wireName = std::move(wire);
    f.sourceName = std::move(source);
    f.ty = std::move(ty);
    f.required = required;
    return f;
}
inline ModelDef model_def(std::string name, std::vector<Field> fields) {
    ModelDef m;
    m.name = std::move(name);
    m.fields = std::move(fields);
    return m;
}
inline Param param(std::string wire, std::string source, TypeRef ty, bool required = true) {
    Param p;
    p.wireName = std::move(wire);
    p.sourceName = std::move(source);
    p.ty = std::move(ty);
    p.required = required;
    return p;
}
inline Endpoint endpoint(std::string name, EndpointKind kind, TypeRef returns = type(TypeKind::Void)) {
    Endpoint e;
    e.name = std::move(name);
    e.kind = kind;
    e.returns = std::move(returns);
    return e;
}

}  // namespace tolv::gen_ts::test
