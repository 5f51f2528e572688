// Turns schema type references into TypeScript type text.
//
// Conventions of the produced text, which dedupe_union relies on: union
// members are separated by exactly " | ", string literal types are written in
// double quotes (codegen::append_string_literal, plain style), and brackets
// balance.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "schema/graph.hpp"
#include "schema/json_value.hpp"
#include "schema/types.hpp"

namespace tolv::gen_ts {

using EnumMap = std::map<std::string, schema::EnumDef>;

// What lowering reads besides the type: the graph's enumerations, and the
// name by which the module reaches the global Record type.
struct TypeScope {
    explicit TypeScope(const EnumMap& enum_map, std::string record_name = "Record")
        : enums(enum_map), record(std::move(record_name)) {}
    const EnumMap& enums;
    std::string record;
};

// The type text of `ty` by its kind, without ty's own optional and nullable
// flags; nested references are lowered with their flags applied. `allow_void`
// decides whether the kind void prints "void" or "undefined".
std::string lower_base(const schema::TypeRef& ty, const TypeScope& scope, bool allow_void);

// Adds "null" and then "undefined" members and normalises the union.
std::string apply_optional_nullable(std::string text, bool optional, bool nullable);

// lower_base with allow_void false, then ty's own optional and nullable flags.
std::string lower_with_own_flags(const schema::TypeRef& ty, const TypeScope& scope);

// Splits every text into union members, drops empty and repeated members and
// joins the rest by " | "; "unknown" when nothing is left.
std::string dedupe_union(std::vector<std::string> texts);

// The type name of a model or enumeration reference (codegen::type_name), or
// "unknown" when there is none.
std::string lower_named_ref(const std::optional<std::string>& name);

// The literal type of one JSON value.
std::string lower_literal_value(const schema::JsonValue& value);

// The key type of a Record<K, V> for the lowered key text.
std::string_view record_key_type(std::string_view key_text);

}  // namespace tolv::gen_ts
