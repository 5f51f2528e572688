// Type references: the type of a field, parameter, result, channel item or event.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "schema/json_value.hpp"

namespace tolv::schema {

// Declaration order is the order of the JSON names in "unknown variant" messages.
enum class TypeKind { Primitive, Array, Record, Tuple, Union, Literal, Model, Enum, Any, Void };

struct TypeRef {
    TypeKind kind = TypeKind::Any;
    std::optional<std::string> name;
    // Array element; record key and value; tuple items; union members.
    std::vector<TypeRef> inner;
    bool optional = false;
    bool nullable = false;
    // Absent, a held null (the null literal), or any other JSON value.
    std::optional<JsonValue> value;

    friend bool operator==(const TypeRef&, const TypeRef&) = default;
};

// The JSON name of a kind ("primitive", "array", ...).
constexpr const char* type_kind_name(TypeKind kind) {
    switch (kind) {
        case TypeKind::Primitive: return "primitive";
        case TypeKind::Array: return "array";
        case TypeKind::Record: return "record";
        case TypeKind::Tuple: return "tuple";
        case TypeKind::Union: return "union";
        case TypeKind::Literal: return "literal";
        case TypeKind::Model: return "model";
        case TypeKind::Enum: return "enum";
        case TypeKind::Any: return "any";
        case TypeKind::Void: return "void";
    }
    return "any";
}

}  // namespace tolv::schema
