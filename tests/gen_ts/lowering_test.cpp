#include "gen_ts/lowering.hpp"

#include <gtest/gtest.h>

#include <cstdint>

#include "builders.hpp"

namespace tolv::gen_ts {
namespace {

using namespace test;

EnumMap sample_enums() {
    EnumMap enums;
    auto add = [&](std::string name, std::vector<JsonValue> values) {
        schema::EnumDef def;
        def.name = name;
        def.values = std::move(values);
        enums.emplace(std::move(name), std::move(def));
    };
    add("letters", {"a", "b", "a"});
    add("mixed", {std::uint64_t{1}, true});
    add("with_object", {"x", JsonValue::Object{}});
    add("barred", {"a | b"});
    add("tricky", {"q\"\\", "q\"\\", "z"});
    add("empty_enum", {});
    return enums;
}

template <class Case>
std::string case_label(const testing::TestParamInfo<Case>& test) {
    return test.param.label;
}

struct LowerCase {
    const char* label;
    TypeRef ty;
    bool allow_void;
    const char* expected;  // lower_base, then the type's own flags
};

// Keeps test listings readable: a case prints as its label.
void PrintTo(const LowerCase& c, std::ostream* os) { *os << c.label; }

class LowerTest : public testing::TestWithParam<LowerCase> {};

TEST_P(LowerTest, PrintsTypeText) {
    const LowerCase& c = GetParam();
    const EnumMap enums = sample_enums();
    EXPECT_EQ(apply_optional_nullable(lower_base(c.ty, TypeScope(enums), c.allow_void), c.ty.optional, c.ty.nullable),
              c.expected);
}

TypeRef record(std::vector<TypeRef> inner) { return type(TypeKind::Record, std::move(inner)); }
TypeRef tuple(std::vector<TypeRef> inner) { return type(TypeKind::Tuple, std::move(inner)); }
TypeRef nameless(TypeKind kind) { return type(kind); }

INSTANTIATE_TEST_SUITE_P(
    Kinds, LowerTest,
    testing::Values(
        LowerCase{"str", prim("str"), false, "string"}, LowerCase{"bytes", prim("bytes"), false, "string"},
        LowerCase{"float", prim("float"), false, "number"}, LowerCase{"bool", prim("bool"), false, "boolean"},
        LowerCase{"null_name", prim("null"), false, "null"},
        LowerCase{"undefined_name", prim("undefined"), false, "undefined"},
        LowerCase{"names_are_case_sensitive", prim("Int"), false, "unknown"},
        LowerCase{"String_capital", prim("String"), false, "unknown"},
        LowerCase{"any_name", prim("any"), false, "unknown"},
        LowerCase{"primitive_without_name", nameless(TypeKind::Primitive), false, "unknown"},
        LowerCase{"optional_nullable_str", optional(nullable(prim("str"))), false, "string | null | undefined"},
        LowerCase{"union_drops_repeats", union_of({prim("str"), nullable(prim("str")), prim("null")}), false,
                  "string | null"},
        LowerCase{"nullable_union_gains_no_second_null", nullable(union_of({prim("str"), prim("null")})), false,
                  "string | null"},
        LowerCase{"union_without_members", nameless(TypeKind::Union), false, "unknown"},
        LowerCase{"array_of_union", array(union_of({prim("int"), prim("str")})), false, "(number | string)[]"},
        LowerCase{"array_of_tuple", array(tuple({prim("str"), prim("int")})), false, "([string, number])[]"},
        LowerCase{"array_of_optional", array(optional(prim("str"))), false, "(string | undefined)[]"},
        LowerCase{"array_without_inner", nameless(TypeKind::Array), false, "unknown[]"},
        LowerCase{"array_ignores_extra_inner", type(TypeKind::Array, {prim("int"), prim("str")}), false, "number[]"},
        LowerCase{"array_of_array", array(array(prim("int"))), false, "number[][]"},
        LowerCase{"record_without_inner", record({}), false, "Record<string, unknown>"},
        LowerCase{"record_number_key_only", record({prim("int")}), false, "Record<number, unknown>"},
        LowerCase{"record_enum_key", record({enum_ref("letters"), prim("int")}), false, "Record<string, number>"},
        LowerCase{"record_bool_key", record({prim("bool"), prim("str")}), false, "Record<string | number, string>"},
        LowerCase{"record_nullable_string_key", record({nullable(prim("str")), prim("str")}), false,
                  "Record<string | number, string>"},
        LowerCase{"record_string_literal_key", record({literal("k"), prim("int")}), false, "Record<string, number>"},
        LowerCase{"tuple_empty", tuple({}), false, "[]"},
        LowerCase{"tuple_with_flags", tuple({prim("str"), nullable(prim("int"))}), false, "[string, number | null]"},
        LowerCase{"enum_repeats_dropped", enum_ref("letters"), false, "\"a\" | \"b\""},
        LowerCase{"enum_number_and_bool", enum_ref("mixed"), false, "1 | true"},
        LowerCase{"enum_object_value", enum_ref("with_object"), false, "\"x\" | unknown"},
        LowerCase{"enum_bar_inside_string", enum_ref("barred"), false, "\"a | b\""},
        LowerCase{"enum_escapes_then_separator", enum_ref("tricky"), false, "\"q\\\"\\\\\" | \"z\""},
        LowerCase{"enum_missing", enum_ref("order_status"), false, "string"},
        LowerCase{"enum_without_values", enum_ref("empty_enum"), false, "string"},
        LowerCase{"enum_without_name", nameless(TypeKind::Enum), false, "unknown"},
        LowerCase{"literal_null", literal(nullptr), false, "null"},
        LowerCase{"literal_without_value", nameless(TypeKind::Literal), false, "unknown"},
        LowerCase{"literal_string_escaped", literal("a\"b\n"), false, "\"a\\\"b\\n\""},
        LowerCase{"literal_negative", literal(std::int64_t{-3}), false, "-3"},
        LowerCase{"literal_float", literal(1.5), false, "1.5"},
        LowerCase{"literal_array", literal(JsonValue::Array{}), false, "unknown"},
        LowerCase{"model_pascal_case", model("user_profile"), false, "UserProfile"},
        LowerCase{"model_identifier_words", model("user:info"), false, "UserInfo"},
        LowerCase{"model_declarable", model("2fa-code"), false, "_2faCode"},
        LowerCase{"model_empty_pascal", model("__"), false, "unknown"},
        LowerCase{"model_no_identifier_left", model("::"), false, "unknown"},
        LowerCase{"model_without_name", nameless(TypeKind::Model), false, "unknown"},
        LowerCase{"any_kind", nameless(TypeKind::Any), false, "unknown"},
        LowerCase{"void_allowed", nameless(TypeKind::Void), true, "void"},
        LowerCase{"void_not_allowed", nameless(TypeKind::Void), false, "undefined"},
        LowerCase{"void_nested_in_array", array(nameless(TypeKind::Void)), true, "undefined[]"},
        LowerCase{"void_in_union_keeps_allow_void", union_of({prim("str"), nameless(TypeKind::Void)}), true,
                  "string | void"}),
    case_label<LowerCase>);

struct DedupeCase {
    const char* label;
    std::vector<std::string> texts;
    const char* expected;
};

void PrintTo(const DedupeCase& c, std::ostream* os) { *os << c.label; }

class DedupeUnionTest : public testing::TestWithParam<DedupeCase> {};

TEST_P(DedupeUnionTest, SplitsAndDropsRepeats) { EXPECT_EQ(dedupe_union(GetParam().texts), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Splitter, DedupeUnionTest,
    testing::Values(DedupeCase{"empty_list", {}, "unknown"}, DedupeCase{"empty_text", {""}, "unknown"},
                    DedupeCase{"across_texts", {"a", "a | b", "b"}, "a | b"},
                    DedupeCase{"no_spaces_is_one_member", {"a|b"}, "a|b"},
                    DedupeCase{"bar_first_is_text", {"| a"}, "| a"}, DedupeCase{"bar_last_is_text", {"a |"}, "a |"},
                    DedupeCase{"inside_angle_brackets", {"Record<string | number, X>"}, "Record<string | number, X>"},
                    DedupeCase{"inside_parentheses", {"(a | b)[]", "(a | b)[]"}, "(a | b)[]"},
                    DedupeCase{"inside_square_brackets", {"[a | b] | c"}, "[a | b] | c"},
                    DedupeCase{"blank_member_dropped", {"a |   | b"}, "a | b"},
                    DedupeCase{"members_trimmed", {"  a  ", "a"}, "a"},
                    DedupeCase{"unicode_space_trimmed", {"\u00a0a\u3000 | a"}, "a"},
                    DedupeCase{"unmatched_closer_ignored", {"x) | x) | y"}, "x) | y"},
                    DedupeCase{"escaped_quote_in_string", {"\"a\\\" | b\" | \"a\\\" | b\""}, "\"a\\\" | b\""},
                    DedupeCase{"escaped_backslash_ends_string", {"\"a\\\\\" | b | b"}, "\"a\\\\\" | b"},
                    DedupeCase{"depth_reset_per_text", {"Record<a", "b | b"}, "Record<a | b"}),
    case_label<DedupeCase>);

TEST(ApplyOptionalNullable, AddsNullThenUndefinedOnce) {
    EXPECT_EQ(apply_optional_nullable("string", true, true), "string | null | undefined");
    EXPECT_EQ(apply_optional_nullable("undefined | string", true, true), "undefined | string | null");
    EXPECT_EQ(apply_optional_nullable("null | string", false, true), "null | string");
    EXPECT_EQ(apply_optional_nullable("", false, false), "unknown");
    EXPECT_EQ(apply_optional_nullable("", true, false), "undefined");
}

TEST(RecordKeyType, FollowsKeyRule) {
    EXPECT_EQ(record_key_type("number"), "number");
    EXPECT_EQ(record_key_type("string"), "string");
    EXPECT_EQ(record_key_type("\"a\" | \"b\""), "string");
    EXPECT_EQ(record_key_type("1 | \"a\""), "string");
    EXPECT_EQ(record_key_type("string | null"), "string | number");
    EXPECT_EQ(record_key_type("1 | 2"), "string | number");
    EXPECT_EQ(record_key_type("User"), "string | number");
}

TEST(LowerLiteralValue, NumbersAsJsonText) {
    EXPECT_EQ(lower_literal_value(std::uint64_t{18446744073709551615u}), "18446744073709551615");
    EXPECT_EQ(lower_literal_value(1.0), "1.0");
    EXPECT_EQ(lower_literal_value(false), "false");
    EXPECT_EQ(lower_literal_value(JsonValue::Object{}), "unknown");
}

}  // namespace
}  // namespace tolv::gen_ts
