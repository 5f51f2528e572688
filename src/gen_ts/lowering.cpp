#include "gen_ts/lowering.hpp"

#include <algorithm>
#include <string_view>
#include <utility>

#include "base/utf8.hpp"
#include "codegen/declared_names.hpp"
#include "codegen/name_scope.hpp"
#include "codegen/printer.hpp"
#include "codegen/safe_names.hpp"
#include "codegen/union_members.hpp"
#include "codegen/vocabulary.hpp"

namespace tolv::gen_ts {

using schema::TypeKind;
using schema::TypeRef;

namespace {

constexpr std::string_view kUnknown = "unknown";

std::string lower_nested(const TypeRef& ty, const TypeScope& scope, bool allow_void) {
    return apply_optional_nullable(lower_base(ty, scope, allow_void), ty.optional, ty.nullable);
}

std::string lower_array(const TypeRef& ty, const TypeScope& scope) {
    std::string element = ty.inner.empty() ? std::string(kUnknown) : lower_nested(ty.inner.front(), scope, false);
    if (element.find(" | ") != std::string::npos || (!element.empty() && element.front() == '[')) {
        element.insert(0, 1, '(');
        element += ")[]";
    } else {
        element += "[]";
    }
    return element;
}

std::string lower_record(const TypeRef& ty, const TypeScope& scope) {
    std::string out = scope.record;
    if (ty.inner.empty()) return out.append("<string, unknown>");
    const std::string key = lower_nested(ty.inner[0], scope, false);
    const std::string value = ty.inner.size() >= 2 ? lower_nested(ty.inner[1], scope, false) : std::string(kUnknown);
    return out.append("<").append(record_key_type(key)).append(", ").append(value).append(">");
}

std::string lower_tuple(const TypeRef& ty, const TypeScope& scope) {
    const auto item = [&](const TypeRef& t) { return lower_nested(t, scope, false); };
    return std::string("[").append(codegen::join(ty.inner, ", ", item)).append("]");
}

std::string lower_union(const TypeRef& ty, const TypeScope& scope, bool allow_void) {
    if (ty.inner.empty()) return std::string(kUnknown);
    std::vector<std::string> members;
    members.reserve(ty.inner.size());
    for (const TypeRef& member : ty.inner) members.push_back(lower_nested(member, scope, allow_void));
    return dedupe_union(std::move(members));
}

std::string lower_enum(const TypeRef& ty, const TypeScope& scope) {
    if (!ty.name) return std::string(kUnknown);
    const auto found = scope.enums.find(*ty.name);
    // Enumerations are never declared: one the schema does not list, or lists
    // without values, is a string.
    if (found == scope.enums.end() || found->second.values.empty()) return "string";
    std::vector<std::string> literals;
    literals.reserve(found->second.values.size());
    for (const schema::JsonValue& value : found->second.values) literals.push_back(lower_literal_value(value));
    return dedupe_union(std::move(literals));
}

}  // namespace

std::string lower_base(const TypeRef& ty, const TypeScope& scope, bool allow_void) {
    switch (ty.kind) {
        case TypeKind::Primitive: return std::string(codegen::primitive_ts(codegen::primitive_of(ty.name)));
        case TypeKind::Array: return lower_array(ty, scope);
        case TypeKind::Record: return lower_record(ty, scope);
        case TypeKind::Tuple: return lower_tuple(ty, scope);
        case TypeKind::Union: return lower_union(ty, scope, allow_void);
        case TypeKind::Literal: return ty.value ? lower_literal_value(*ty.value) : std::string(kUnknown);
        case TypeKind::Model: return lower_named_ref(ty.name);
        case TypeKind::Enum: return lower_enum(ty, scope);
        case TypeKind::Any: return std::string(kUnknown);
        case TypeKind::Void: return allow_void ? "void" : "undefined";
    }
    return std::string(kUnknown);
}

std::string apply_optional_nullable(std::string text, bool optional, bool nullable) {
    // Most texts are one member already: no bar, nothing to trim. Adding the
    // flags to those needs no splitting.
    const auto plain_end = [](char c) { return c > ' ' && c < 0x7F; };
    if (!text.empty() && plain_end(text.front()) && plain_end(text.back()) && text.find('|') == std::string::npos) {
        if (nullable && text != "null") text += " | null";
        if (optional && text != "undefined") text += " | undefined";
        return text;
    }
    std::vector<std::string> members;
    members.reserve(3);
    members.push_back(std::move(text));
    if (nullable) members.emplace_back("null");
    if (optional) members.emplace_back("undefined");
    return dedupe_union(std::move(members));
}

std::string lower_with_own_flags(const TypeRef& ty, const TypeScope& scope) { return lower_nested(ty, scope, false); }

std::string dedupe_union(std::vector<std::string> texts) {
    // The views point into `texts`.
    codegen::NameScope<bool> seen;
    std::string out;
    for (const std::string& text : texts) {
        codegen::for_each_union_member(text, codegen::kPlainUnions, [&](std::string_view member) {
            member = trim_unicode_whitespace(member);
            if (member.empty() || seen.take(member, true) != nullptr) return;
            if (!out.empty()) out += " | ";
            out += member;
        });
    }
    if (out.empty()) return std::string(kUnknown);
    return out;
}

std::string lower_named_ref(const std::optional<std::string>& name) {
    if (!name) return std::string(kUnknown);
    std::string type = codegen::type_name(*name);
    if (type.empty()) return std::string(kUnknown);
    return type;
}

std::string lower_literal_value(const schema::JsonValue& value) {
    const auto quote = [](std::string_view s) {
        std::string out;
        codegen::append_string_literal(out, s, codegen::QuoteStyle::Plain);
        return out;
    };
    return codegen::literal_type(value, quote).value_or(std::string(kUnknown));
}

std::string_view record_key_type(std::string_view key_text) {
    if (key_text == "number") return "number";
    if (key_text == "string") return "string";
    if (key_text.find('"') != std::string_view::npos) return "string";
    return "string | number";
}

}  // namespace tolv::gen_ts
