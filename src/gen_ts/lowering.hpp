// Turns schema type references into TypeScript type text.
//
// Conventions of the produced text, which dedupe_union relies on: union
// members are separated by exactly " | ", string literal types are written in
// double quotes (escaped by escape_ts_string), and brackets balance.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "schema/graph.hpp"
#include "schema/json_value.hpp"
#include "schema/types.hpp"

namespace tolv::gen_ts {

using EnumMap = std::map<std::string, schema::EnumDef>;

// The type text of `ty` by its kind, without ty's own optional and nullable
// flags; nested references are lowered with their flags applied. `allow_void`
// decides whether the kind void prints "void" or "undefined".
std::string lower_base(const schema::TypeRef& ty, const EnumMap& enums, bool allow_void);

// Adds "null" and then "undefined" members and normalises the union.
std::string apply_optional_nullable(std::string text, bool optional, bool nullable);

// lower_base with allow_void false, then ty's own optional and nullable flags.
std::string lower_with_own_flags(const schema::TypeRef& ty, const EnumMap& enums);

// Splits every text into union members, drops empty and repeated members and
// joins the rest by " | "; "unknown" when nothing is left.
std::string dedupe_union(std::vector<std::string> texts);

// The PascalCase type name for a model or enumeration reference.
std::string lower_named_ref(const std::optional<std::string>& name);

// The literal type of one JSON value.
std::string lower_literal_value(const schema::JsonValue& value);

// The body of a double-quoted TypeScript string literal holding s.
std::string escape_ts_string(std::string_view s);

// The key type of a Record<K, V> for the lowered key text.
std::string_view record_key_type(std::string_view key_text);

}  // namespace tolv::gen_ts
