// What both generators read off a schema graph the same way: the primitive
// type names, the kinds of endpoint present, and the size a module printed
// from the graph may grow to.
#pragma once

#include <array>
#include <cstddef>
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

// The TypeScript type of a primitive.
inline std::string_view primitive_ts(Primitive primitive) {
    constexpr std::array<std::string_view, 6> types{"string", "number", "boolean", "null", "undefined", "unknown"};
    return types[static_cast<std::size_t>(primitive)];
}

class EndpointKinds {
public:
    explicit EndpointKinds(const schema::ApiGraph& graph);
    bool has(schema::EndpointKind kind) const { return present_[static_cast<std::size_t>(kind)]; }

private:
    std::array<bool, 5> present_{};
};

// A generous guess at the size of a module printed from `graph`:
// `bytes_per_item` for every model, field, endpoint, parameter and event. A
// printer reserves it so that a large module is written into one buffer
// instead of being copied each time it outgrows one; pages of the reserve
// that are never written cost nothing.
std::size_t expected_module_size(const schema::ApiGraph& graph, std::size_t bytes_per_item);

}  // namespace tolv::codegen
