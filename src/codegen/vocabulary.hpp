// The names of the schema that both generators read the same way: primitive
// type names, and the kinds of endpoint a graph holds.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "schema/endpoint.hpp"
#include "schema/graph.hpp"

namespace tolv::codegen {

enum class Primitive : std::uint8_t { String, Number, Boolean, Null, Undefined, Unknown };

// "str", "string" and "bytes" are strings; "int", "float" and "number"
// numbers; "bool" and "boolean"; "null"; "undefined". Matching is exact, and
// any other name, or none, is Unknown.
Primitive primitive_of(const std::optional<std::string>& name);

// The TypeScript type of a primitive: "string", "number", "boolean", "null",
// "undefined" or "unknown".
std::string_view primitive_ts(Primitive primitive);

// Which kinds of endpoint a graph holds.
class EndpointKinds {
public:
    explicit EndpointKinds(const schema::ApiGraph& graph);
    bool has(schema::EndpointKind kind) const { return present_[static_cast<std::size_t>(kind)]; }

private:
    std::array<bool, 5> present_{};
};

}  // namespace tolv::codegen
