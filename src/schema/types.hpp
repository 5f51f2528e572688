// Type references: the type of a field, parameter, result, channel item or event.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
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

// The JSON names of the kinds, in declaration order.
inline constexpr std::array<std::string_view, 10> kTypeKindNames = {"primitive", "array", "record", "tuple", "union",
                                                                    "literal",   "model", "enum",   "any",   "void"};

constexpr std::string_view type_kind_name(TypeKind kind) { return kTypeKindNames[static_cast<std::size_t>(kind)]; }

}  // namespace tolv::schema
