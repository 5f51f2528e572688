// The schema graph: the root record and the model and enumeration records.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "schema/endpoint.hpp"
#include "schema/json_value.hpp"
#include "schema/types.hpp"

namespace tolv::schema {

struct Field {
    std::string sourceName;
    std::string wireName;
    TypeRef ty;
    bool required = false;
    bool optional = false;
    bool nullable = false;
    std::optional<std::string> doc;
    std::optional<JsonValue> default_value;  // JSON key "default"

    friend bool operator==(const Field&, const Field&) = default;
};

struct ModelDef {
    std::string name;
    std::vector<Field> fields;
    std::optional<std::string> doc;

    friend bool operator==(const ModelDef&, const ModelDef&) = default;
};

struct EnumDef {
    std::string name;
    std::vector<JsonValue> values;
    std::optional<std::string> doc;

    friend bool operator==(const EnumDef&, const EnumDef&) = default;
};

// std::string orders by unsigned bytes, a proper prefix first: the map order
// is the order of every walk and of everything printed.
struct ApiGraph {
    std::map<std::string, Endpoint> endpoints;
    std::map<std::string, ModelDef> models;
    std::map<std::string, EnumDef> enums;

    friend bool operator==(const ApiGraph&, const ApiGraph&) = default;
};

}  // namespace tolv::schema
