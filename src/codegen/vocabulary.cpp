#include "codegen/vocabulary.hpp"

namespace tolv::codegen {

Primitive primitive_of(const std::optional<std::string>& name) {
    if (!name) return Primitive::Unknown;
    const std::string_view n = *name;
    if (n == "str" || n == "string" || n == "bytes") return Primitive::String;
    if (n == "int" || n == "float" || n == "number") return Primitive::Number;
    if (n == "bool" || n == "boolean") return Primitive::Boolean;
    if (n == "null") return Primitive::Null;
    if (n == "undefined") return Primitive::Undefined;
    return Primitive::Unknown;
}

std::string_view primitive_ts(Primitive primitive) {
    switch (primitive) {
        case Primitive::String: return "string";
        case Primitive::Number: return "number";
        case Primitive::Boolean: return "boolean";
        case Primitive::Null: return "null";
        case Primitive::Undefined: return "undefined";
        case Primitive::Unknown: break;
    }
    return "unknown";
}

EndpointKinds::EndpointKinds(const schema::ApiGraph& graph) {
    for (const auto& entry : graph.endpoints) present_[static_cast<std::size_t>(entry.second.kind)] = true;
}

}  // namespace tolv::codegen
