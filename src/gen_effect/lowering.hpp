// Lowers schema type references to TypeScript types paired with Effect Schema
// expressions.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "gen_effect/types.hpp"
#include "schema/graph.hpp"

namespace tolv::gen_effect::lowering {

using types::TypeExpr;
using EnumMap = std::map<std::string, schema::EnumDef>;

// The pair for `ty`, its own optional/nullable flags applied last. `current`
// is the PascalCase name of the model whose fields are being lowered: a
// reference to it is suspended.
TypeExpr lower_with_enums(const schema::TypeRef& ty, const EnumMap& enums,
                          std::optional<std::string_view> current = std::nullopt);

// A JSON value as a literal type; arrays and objects give the unknown pair.
TypeExpr lower_literal_value(const schema::JsonValue& value);

// A double-quoted string literal (JSON string syntax).
std::string quote_js_string(std::string_view s);

TypeExpr apply_optional_nullable(TypeExpr expr, bool optional, bool nullable);

// Adds "null" and then "undefined" union members unless already present.
std::string append_ts_flags(std::string ts, bool optional, bool nullable);

}  // namespace tolv::gen_effect::lowering
