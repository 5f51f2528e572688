#include "gen_effect/lowering.hpp"

#include <gtest/gtest.h>

#include "builders.hpp"

namespace tolv::gen_effect::lowering {
namespace {

using namespace tolv::test;

struct LoweringCase {
    const char* label;
    TypeRef ty;
    std::string ts;
    std::string schema;
};

void PrintTo(const LoweringCase& c, std::ostream* os) { *os << c.label; }

schema::ApiGraph sample_enums() {
    schema::ApiGraph graph;
    EnumMap& enums = graph.enums;
    enums["letters"] = {"letters", {JsonValue("a"), JsonValue("b"), JsonValue("a")}, std::nullopt};
    enums["mixed"] = {"mixed", {JsonValue(std::uint64_t{1}), JsonValue(true)}, std::nullopt};
    enums["holds_object"] = {"holds_object", {JsonValue("a"), JsonValue(JsonValue::Object{})}, std::nullopt};
    enums["empty"] = {"empty", {}, std::nullopt};
    return graph;
}

class LowerWithEnums : public testing::TestWithParam<LoweringCase> {};

TEST_P(LowerWithEnums, GivesBothHalves) {
    const LoweringCase& c = GetParam();
    Lowering lowering(sample_enums());
    const TypeExpr expr = lower_with_enums(c.ty, lowering.context);
    EXPECT_EQ(expr.ts, c.ts) << c.label;
    EXPECT_EQ(expr.schema, c.schema) << c.label;
}

TypeRef no_value_literal() { return of_kind(TypeKind::Literal); }
TypeRef record_with(std::vector<TypeRef> inner) { return of_kind(TypeKind::Record, std::move(inner)); }

INSTANTIATE_TEST_SUITE_P(
    Kinds, LowerWithEnums,
    testing::Values(
        LoweringCase{"str", prim("str"), "string", "Schema.String"},
        LoweringCase{"bytes", prim("bytes"), "string", "Schema.String"},
        LoweringCase{"float", prim("float"), "number", "Schema.Number"},
        LoweringCase{"boolean", prim("boolean"), "boolean", "Schema.Boolean"},
        LoweringCase{"null", prim("null"), "null", "Schema.Null"},
        LoweringCase{"undefined", prim("undefined"), "undefined", "Schema.Undefined"},
        LoweringCase{"Int is unknown", prim("Int"), "unknown", "Schema.Unknown"},
        LoweringCase{"any name is unknown", prim("any"), "unknown", "Schema.Unknown"},
        LoweringCase{"no name", of_kind(TypeKind::Primitive), "unknown", "Schema.Unknown"},
        // Outside a model field's own value, optional and nullable is a schema, not a property signature.
        LoweringCase{"optional nullable str", optional(nullable(prim("str"))), "string | null | undefined",
                     "Schema.NullishOr(Schema.String)"},
        LoweringCase{"array of optional nullable", array_of(optional(nullable(prim("int")))),
                     "ReadonlyArray<number | null | undefined>", "Schema.Array(Schema.NullishOr(Schema.Number))"},
        LoweringCase{"optional nullable union member", union_of({optional(nullable(model("a"))), prim("str")}),
                     "A | null | undefined | string", "Schema.Union(Schema.NullishOr(A), Schema.String)"},
        LoweringCase{"optional int", optional(prim("int")), "number | undefined", "Schema.UndefinedOr(Schema.Number)"},
        LoweringCase{"nullable bool", nullable(prim("bool")), "boolean | null", "Schema.NullOr(Schema.Boolean)"},
        LoweringCase{"nullable union with null", nullable(union_of({prim("str"), prim("null")})), "string | null",
                     "Schema.NullOr(Schema.Union(Schema.String, Schema.Null))"},
        LoweringCase{"union repeats", union_of({prim("str"), prim("str"), prim("int")}), "string | number",
                     "Schema.Union(Schema.String, Schema.String, Schema.Number)"},
        LoweringCase{"empty union", union_of({}), "unknown", "Schema.Unknown"},
        LoweringCase{"array of optional", array_of(optional(prim("str"))), "ReadonlyArray<string | undefined>",
                     "Schema.Array(Schema.UndefinedOr(Schema.String))"},
        LoweringCase{"nullable array", nullable(array_of(prim("int"))), "ReadonlyArray<number> | null",
                     "Schema.NullOr(Schema.Array(Schema.Number))"},
        LoweringCase{"array without inner", of_kind(TypeKind::Array), "ReadonlyArray<void>",
                     "Schema.Array(Schema.Void)"},
        LoweringCase{"record without inner", record_with({}), "Readonly<Record<string, void>>",
                     "Schema.Record({ key: Schema.String, value: Schema.Void })"},
        LoweringCase{"record with one entry", record_with({prim("str")}), "Readonly<Record<string, void>>",
                     "Schema.Record({ key: Schema.String, value: Schema.Void })"},
        // JSON object keys are strings: a number key schema would not even load.
        LoweringCase{"record keyed by int", record_of(prim("int"), prim("str")), "Readonly<Record<string, string>>",
                     "Schema.Record({ key: Schema.String, value: Schema.String })"},
        LoweringCase{"record keyed by float", record_of(prim("float"), prim("str")), "Readonly<Record<string, string>>",
                     "Schema.Record({ key: Schema.String, value: Schema.String })"},
        LoweringCase{"nullable record of nullable values", nullable(record_of(prim("str"), nullable(prim("int")))),
                     "Readonly<Record<string, number | null>> | null",
                     "Schema.NullOr(Schema.Record({ key: Schema.String, value: Schema.NullOr(Schema.Number) }))"},
        LoweringCase{"optional array of nullable", optional(array_of(nullable(prim("str")))),
                     "ReadonlyArray<string | null> | undefined",
                     "Schema.UndefinedOr(Schema.Array(Schema.NullOr(Schema.String)))"},
        LoweringCase{"nullable tuple holding null", nullable(tuple_of({prim("null"), prim("str")})),
                     "readonly [null, string] | null", "Schema.NullOr(Schema.Tuple(Schema.Null, Schema.String))"},
        LoweringCase{"record keyed by optional str", record_of(optional(prim("str")), prim("int")),
                     "Readonly<Record<string, number>>", "Schema.Record({ key: Schema.String, value: Schema.Number })"},
        LoweringCase{"record keyed by enum", record_of(enum_ref("letters"), prim("int")),
                     "Readonly<Record<string, number>>", "Schema.Record({ key: Schema.String, value: Schema.Number })"},
        LoweringCase{"tuple", tuple_of({prim("str"), prim("int")}), "readonly [string, number]",
                     "Schema.Tuple(Schema.String, Schema.Number)"},
        LoweringCase{"empty tuple", tuple_of({}), "readonly []", "Schema.Tuple()"},
        LoweringCase{"model", model("user_profile"), "UserProfile", "UserProfile"},
        LoweringCase{"model without name", of_kind(TypeKind::Model), "unknown", "Schema.Unknown"},
        LoweringCase{"model of underscores", model("__"), "unknown", "Schema.Unknown"},
        LoweringCase{"enum with repeats", enum_ref("letters"), R"("a" | "b" | "a")",
                     R"(Schema.Literal("a", "b", "a"))"},
        LoweringCase{"enum of number and bool", enum_ref("mixed"), "1 | true", "Schema.Literal(1, true)"},
        LoweringCase{"enum holding an object", enum_ref("holds_object"), "string", "Schema.String"},
        LoweringCase{"enum without values", enum_ref("empty"), "string", "Schema.String"},
        LoweringCase{"missing enum", enum_ref("nowhere"), "string", "Schema.String"},
        LoweringCase{"enum names are exact", enum_ref("Letters"), "string", "Schema.String"},
        LoweringCase{"enum without name", of_kind(TypeKind::Enum), "string", "Schema.String"},
        LoweringCase{"literal null", literal(JsonValue(nullptr)), "null", "Schema.Literal(null)"},
        LoweringCase{"literal without value", no_value_literal(), "unknown", "Schema.Unknown"},
        LoweringCase{"literal negative", literal(JsonValue(std::int64_t{-3})), "-3", "Schema.Literal(-3)"},
        LoweringCase{"literal float", literal(JsonValue(1.5)), "1.5", "Schema.Literal(1.5)"},
        // Floats keep a fractional part or an exponent, as the schema writer prints them.
        LoweringCase{"literal whole float", literal(JsonValue(1.0)), "1.0", "Schema.Literal(1.0)"},
        LoweringCase{"literal large float", literal(JsonValue(1e30)), "1e30", "Schema.Literal(1e30)"},
        LoweringCase{"literal big unsigned", literal(JsonValue(std::uint64_t{18446744073709551615u})),
                     "18446744073709551615", "Schema.Literal(18446744073709551615)"},
        LoweringCase{"literal escapes", literal(JsonValue("q\"b\\n\n")), R"("q\"b\\n\n")",
                     R"(Schema.Literal("q\"b\\n\n"))"},
        LoweringCase{"literal array", literal(JsonValue(JsonValue::Array{})), "unknown", "Schema.Unknown"},
        LoweringCase{"any", of_kind(TypeKind::Any), "unknown", "Schema.Unknown"},
        LoweringCase{"void", of_kind(TypeKind::Void), "void", "Schema.Void"},
        LoweringCase{"optional void", optional(of_kind(TypeKind::Void)), "void | undefined",
                     "Schema.UndefinedOr(Schema.Void)"}));

TEST(LowerWithEnums, SuspendsTheCurrentModelAndLaterDeclarations) {
    Lowering lowering;
    Context& context = lowering.context;
    codegen::ModelTable& names = lowering.models;
    const ModelScope self{names.intern("UserProfile")};
    EXPECT_EQ(lower_with_enums(model("user_profile"), context, &self),
              (TypeExpr{"UserProfile", "Schema.suspend(() => UserProfile)"}));
    EXPECT_EQ(lower_with_enums(array_of(model("user_profile")), context, &self).schema,
              "Schema.Array(Schema.suspend(() => UserProfile))");
    EXPECT_EQ(lower_with_enums(model("other"), context, &self), (TypeExpr{"Other", "Other"}));
    EXPECT_EQ(lower_with_enums(model("user_profile"), context), (TypeExpr{"UserProfile", "UserProfile"}));

    const codegen::ModelTable::NameId early = names.intern("Early"), current = names.intern("Current");
    const codegen::ModelTable::NameId late = names.intern("Late");
    std::vector<std::size_t> positions(names.name_count(), ModelScope::undeclared);
    positions[early] = 0;
    positions[current] = 1;
    positions[late] = 2;
    const ModelScope placed{current, &positions, 1};
    EXPECT_EQ(lower_with_enums(model("early"), context, &placed).schema, "Early");
    EXPECT_EQ(lower_with_enums(model("late"), context, &placed).schema, "Schema.suspend(() => Late)");
    EXPECT_EQ(lower_with_enums(model("missing"), context, &placed).schema, "Missing");
}

TEST(LowerWithEnums, CurrentModelNameDefersOnlyThatModel) {
    Lowering lowering;
    const TypeRef ty = union_of({model("user_profile"), array_of(model("other"))});
    const ModelScope user_profile{lowering.models.intern("UserProfile")};
    EXPECT_EQ(lower_with_enums(ty, lowering.context, &user_profile),
              (TypeExpr{"UserProfile | ReadonlyArray<Other>",
                        "Schema.Union(Schema.suspend(() => UserProfile), Schema.Array(Other))"}));
    // A model without a usable name is never the current one.
    const ModelScope unnamed{lowering.models.intern("")};
    EXPECT_EQ(lower_with_enums(of_kind(TypeKind::Model), lowering.context, &unnamed),
              (TypeExpr{"unknown", "Schema.Unknown"}));
}

TEST(QuoteJsString, EscapesLikeJson) {
    EXPECT_EQ(quote_js_string("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(quote_js_string("\b\t\n\f\r"), R"("\b\t\n\f\r")");
    EXPECT_EQ(quote_js_string("\x1b\x01"), R"("\u001b\u0001")");
    EXPECT_EQ(quote_js_string("/\x7f\xc3\xa9"), "\"/\x7f\xc3\xa9\"");
}

TEST(AppendTsFlags, AddsMissingMembersOnce) {
    EXPECT_EQ(append_ts_flags("string", true, true), "string | null | undefined");
    EXPECT_EQ(append_ts_flags("string | null", true, true), "string | null | undefined");
    EXPECT_EQ(append_ts_flags("undefined | string", true, true), "undefined | string | null");
    EXPECT_EQ(append_ts_flags("nullish", false, true), "nullish | null");
    EXPECT_EQ(append_ts_flags("string", false, false), "string");
}

TEST(AppendTsFlags, LooksOnlyAtTheOutermostUnion) {
    EXPECT_EQ(append_ts_flags("Readonly<Record<string, number | null>>", false, true),
              "Readonly<Record<string, number | null>> | null");
    EXPECT_EQ(append_ts_flags("ReadonlyArray<string | undefined>", true, false),
              "ReadonlyArray<string | undefined> | undefined");
    EXPECT_EQ(append_ts_flags("readonly [null | string]", true, true), "readonly [null | string] | null | undefined");
    EXPECT_EQ(append_ts_flags(R"("a | null" | "b\" | null")", true, true),
              R"("a | null" | "b\" | null" | null | undefined)");
    EXPECT_EQ(append_ts_flags(R"("x\" | null" | undefined)", true, true), R"("x\" | null" | undefined | null)");
    EXPECT_EQ(append_ts_flags("ReadonlyArray<number> | null", false, true), "ReadonlyArray<number> | null");
}

}  // namespace
}  // namespace tolv::gen_effect::lowering
