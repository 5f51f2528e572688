// What both generators read off a schema graph the same way: primitive type
// names, literal values, optional and nullable flags, the names of a
// websocket's types, the kinds of endpoint present, and the size a module
// printed from the graph may grow to.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "schema/endpoint.hpp"
#include "schema/graph.hpp"
#include "schema/json_value.hpp"

namespace tolv::codegen {

enum class Primitive : std::uint8_t { String, Number, Boolean, Null, Undefined, Unknown };

// "str", "string" and "bytes" are strings; "int", "float" and "number"
// numbers; "bool" and "boolean"; "null"; "undefined". Matching is exact, and
// any other name, or none, is Unknown.
Primitive primitive_of(const std::optional<std::string>& name);

// The TypeScript type of a primitive.
inline std::string_view primitive_ts(Primitive primitive) {
    constexpr std::array<std::string_view, 6> types{"string", "number", "boolean", "null", "undefined", "unknown"};
    return types[static_cast<std::size_t>(primitive)];
}

// The literal type of a JSON value: null, true, false, a number as the JSON
// writer prints it, or a string quoted by `quote` (the clients escape strings
// differently); none for arrays and objects.
std::optional<std::string> literal_type(const schema::JsonValue& value, std::string (*quote)(std::string_view));

// Optional and nullable, as both clients read the flags.
inline bool is_optional(const schema::Field& f) { return f.optional || !f.required || f.ty.optional; }
inline bool is_nullable(const schema::Field& f) { return f.nullable || f.ty.nullable; }
inline bool is_optional(const schema::Param& p) { return !p.required || p.ty.optional; }

class EndpointKinds {
public:
    explicit EndpointKinds(const schema::ApiGraph& graph);
    bool has(schema::EndpointKind kind) const { return present_[static_cast<std::size_t>(kind)]; }

private:
    std::array<bool, schema::kEndpointKindNames.size()> present_{};
};

// A generous guess at the size of a module printed from `graph`, for the
// printer to reserve: `bytes_per_item` per model, field, endpoint, parameter
// and event. Reserved pages that are never written cost nothing.
std::size_t expected_module_size(const schema::ApiGraph& graph, std::size_t bytes_per_item);

}  // namespace tolv::codegen
