#include "codegen/vocabulary.hpp"

#include <variant>

#include "schema/json_writer.hpp"
#include "schema/naming.hpp"

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

std::optional<std::string> literal_type(const schema::JsonValue& value, std::string (*quote)(std::string_view)) {
    if (value.is_null()) return "null";
    if (const bool* b = std::get_if<bool>(&value.v)) return *b ? "true" : "false";
    if (value.is_number()) return schema::format_json_number(value);
    if (const std::string* text = std::get_if<std::string>(&value.v)) return quote(*text);
    return std::nullopt;
}

EndpointKinds::EndpointKinds(const schema::ApiGraph& graph) {
    for (const auto& entry : graph.endpoints) present_[static_cast<std::size_t>(entry.second.kind)] = true;
}

std::size_t expected_module_size(const schema::ApiGraph& graph, std::size_t bytes_per_item) {
    std::size_t items = 0;
    for (const auto& entry : graph.models) items += 1 + entry.second.fields.size();
    for (const auto& [key, endpoint] : graph.endpoints) {
        items += 1 + endpoint.params.size() + endpoint.serverEvents.size() + endpoint.clientEvents.size();
    }
    return items * bytes_per_item;
}

}  // namespace tolv::codegen
