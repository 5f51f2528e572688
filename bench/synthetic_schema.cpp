#include "synthetic_schema.hpp"

#include <cstdio>
#include <string>
#include <utility>

#include "schema/naming.hpp"

namespace tolv::bench {
namespace {

using schema::EndpointKind;
using schema::JsonValue;
using schema::TypeKind;
using schema::TypeRef;

std::string numbered(const char* prefix, std::size_t i) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%s%05zu", prefix, i);
    return buffer;
}

TypeRef primitive(const char* name, bool optional = false, bool nullable = false) {
    TypeRef t;
    t.kind = TypeKind::Primitive;
    t.name = name;
    t.optional = optional;
    t.nullable = nullable;
    return t;
}

TypeRef named(TypeKind kind, std::string name) {
    TypeRef t;
    t.kind = kind;
    t.name = std::move(name);
    return t;
}

TypeRef composite(TypeKind kind, std::vector<TypeRef> inner) {
    TypeRef t;
    t.kind = kind;
    t.inner = std::move(inner);
    return t;
}

TypeRef literal(JsonValue value) {
    TypeRef t;
    t.kind = TypeKind::Literal;
    t.value = std::move(value);
    return t;
}

std::string model_name(std::size_t i, std::size_t models) { return numbered("Model", i % models); }
std::string enum_name(std::size_t i, std::size_t enums) { return numbered("Enum", i % enums); }

schema::Field field(std::string source, TypeRef ty, bool required) {
    schema::Field f;
    f.wireName = schema::to_camel_case(source);
    f.sourceName = std::move(source);
    f.ty = std::move(ty);
    f.required = required;
    return f;
}

schema::ModelDef make_model(std::size_t i, std::size_t models, std::size_t enums) {
    schema::ModelDef m;
    m.name = model_name(i, models);
    if (i % 3 == 0) m.doc = "Model number " + std::to_string(i) + ".\nIt has \"quoted\" text and a tab\t.";

    m.fields.push_back(field("record_id", primitive("int"), true));
    m.fields.push_back(field("display_name", primitive("str"), true));
    m.fields.back().doc = "Shown to users";

    auto score = field("score_value", primitive("float", false, true), false);
    score.nullable = true;
    score.default_value = JsonValue(1.5);
    m.fields.push_back(std::move(score));

    auto flag = field("is_active", primitive("bool"), false);
    flag.optional = true;
    flag.default_value = JsonValue(true);
    m.fields.push_back(std::move(flag));

    m.fields.push_back(
        field("next_items", composite(TypeKind::Array, {named(TypeKind::Model, model_name(i + 1, models))}), true));
    m.fields.push_back(field(
        "by_key", composite(TypeKind::Record, {primitive("str"), named(TypeKind::Model, model_name(i + 7, models))}),
        false));
    m.fields.push_back(field(
        "maybe_parent",
        composite(TypeKind::Union, {named(TypeKind::Model, model_name(i + 7, models)), primitive("null")}), false));
    m.fields.push_back(field("status", named(TypeKind::Enum, enum_name(i, enums)), true));
    m.fields.push_back(field("tag", literal(JsonValue(i % 2 == 0 ? "fixed" : "other")), true));
    m.fields.push_back(field("pair", composite(TypeKind::Tuple, {primitive("int"), primitive("string")}), false));
    if (i % 5 == 0) {
        JsonValue::Object settings;
        settings["limit"] = JsonValue(std::uint64_t{i});
        settings["offset"] = JsonValue(std::int64_t{-1});
        settings["labels"] = JsonValue(JsonValue::Array{"a", "b", nullptr});
        auto extra = field("extra_settings", TypeRef{}, false);
        extra.default_value = JsonValue(std::move(settings));
        m.fields.push_back(std::move(extra));
    }
    return m;
}

schema::EnumDef make_enum(std::size_t i) {
    schema::EnumDef e;
    e.name = numbered("Enum", i);
    e.values = {JsonValue("pending"), JsonValue("active"), JsonValue("closed_" + std::to_string(i)),
                JsonValue(std::uint64_t{i})};
    if (i % 2 == 0) e.doc = "Status values";
    return e;
}

schema::Param param(std::string source, TypeRef ty, bool required) {
    schema::Param p;
    p.wireName = schema::to_camel_case(source);
    p.sourceName = std::move(source);
    p.ty = std::move(ty);
    p.required = required;
    return p;
}

schema::Endpoint make_endpoint(std::size_t i, std::size_t models) {
    static constexpr EndpointKind kKinds[] = {EndpointKind::Rpc, EndpointKind::Channel, EndpointKind::Upload,
                                              EndpointKind::Static, EndpointKind::Ws};
    schema::Endpoint e;
    e.kind = kKinds[i % 5];
    e.name = numbered("call_endpoint_", i);
    e.module = "app.routes";
    if (i % 2 == 0) e.doc = "Endpoint " + std::to_string(i);
    const TypeRef model = named(TypeKind::Model, model_name(i, models));
    e.returns = TypeRef{};
    e.returns.kind = TypeKind::Void;

    switch (e.kind) {
        case EndpointKind::Rpc:
            e.params.push_back(param("user_id", primitive("int"), true));
            e.params.push_back(param("filter_text", primitive("str", true), false));
            e.params.back().default_value = JsonValue("");
            e.params.push_back(param("payload", model, true));
            e.returns = composite(TypeKind::Array, {model});
            break;
        case EndpointKind::Channel:
            e.params.push_back(param("topic_name", primitive("str"), true));
            e.channelItem = composite(TypeKind::Union, {model, literal(JsonValue(nullptr))});
            break;
        case EndpointKind::Upload:
            e.params.push_back(param("upload_file", primitive("bytes"), true));
            e.params.push_back(param("note", primitive("str"), false));
            e.returns = model;
            e.fileParam = "upload_file";
            e.multiFile = i % 2 == 0;
            e.maxSize = std::uint64_t{10'485'760} + i;
            e.allowedTypes = {"image/png", "image/jpeg"};
            break;
        case EndpointKind::Static:
            e.params.push_back(param("file_path", primitive("str"), true));
            e.returns = primitive("str");
            break;
        case EndpointKind::Ws:
            e.serverEvents.push_back(param("message_sent", model, true));
            e.serverEvents.push_back(param("user_left", primitive("str"), true));
            e.clientEvents.push_back(
                param("send_message", composite(TypeKind::Record, {primitive("str"), TypeRef{}}), true));
            break;
    }
    return e;
}

}  // namespace

schema::ApiGraph make_synthetic_graph(std::size_t models, std::size_t endpoints) {
    schema::ApiGraph graph;
    const std::size_t model_count = models == 0 ? 1 : models;  // references need a target
    const std::size_t enums = model_count / 4 + 1;
    for (std::size_t i = 0; i < models; ++i)
        graph.models.emplace(numbered("Model", i), make_model(i, model_count, enums));
    for (std::size_t i = 0; i < enums; ++i) graph.enums.emplace(numbered("Enum", i), make_enum(i));
    for (std::size_t i = 0; i < endpoints; ++i) {
        auto endpoint = make_endpoint(i, model_count);
        std::string key = endpoint.name;
        graph.endpoints.emplace(std::move(key), std::move(endpoint));
    }
    return graph;
}

}  // namespace tolv::bench
