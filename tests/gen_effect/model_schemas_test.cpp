#include "gen_effect/model_schemas.hpp"

#include "gen_effect/model_order.hpp"

#include <gtest/gtest.h>

#include "builders.hpp"

namespace tolv::gen_effect::lowering {
namespace {

using namespace tolv::test;

// The declarations of the graph's models, each after an empty line.
std::string schemas(const schema::ApiGraph& graph) {
    codegen::Printer p(2);
    Lowering lowering(graph);
    print_model_schemas(p, lowering.context);
    return std::move(p).take();
}

// The declarations one by one: each is two blocks of lines, its halves,
// separated by an empty line.
std::vector<std::string> declarations(const schema::ApiGraph& graph) {
    std::string text = schemas(graph);
    std::vector<std::string> blocks;
    for (std::size_t at = 1; at < text.size();) {
        const std::size_t end = std::min(text.find("\n\n", at), text.size() - 1);
        blocks.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    std::vector<std::string> out;
    for (std::size_t i = 0; i + 1 < blocks.size(); i += 2) out.push_back(blocks[i] + "\n\n" + blocks[i + 1]);
    return out;
}

TEST(RenderModelSchemas, EmptyGraphGivesNothing) { EXPECT_EQ(schemas({}), ""); }

TEST(RenderModelSchema, PlainFormWithRenamedKey) {
    schema::ApiGraph graph;
    add_model(graph, "user", {field("id", "id", prim("int")), field("display_name", "displayName", prim("str"))});
    EXPECT_EQ(declarations(graph).at(0),
              "export const User = Schema.Struct({\n"
              "  id: Schema.Number,\n"
              "  displayName: Schema.propertySignature(Schema.String).pipe(Schema.fromKey(\"display_name\"))\n"
              "})\n"
              "\n"
              "export type User = Schema.Schema.Type<typeof User>");
}

TEST(RenderModelSchema, ModelWithoutFields) {
    schema::ApiGraph graph;
    add_model(graph, "Empty", {});
    EXPECT_EQ(declarations(graph).at(0),
              "export const Empty = Schema.Struct({})\n\nexport type Empty = Schema.Schema.Type<typeof Empty>");
}

TEST(RenderModelSchema, SelfReferenceUsesInterfaceForm) {
    schema::ApiGraph graph;
    add_model(graph, "tree_node", {field("children", "children", array_of(model("tree_node")))});
    EXPECT_EQ(declarations(graph).at(0),
              "export interface TreeNode {\n"
              "  readonly children: ReadonlyArray<TreeNode>\n"
              "}\n"
              "\n"
              "export const TreeNode: Schema.Schema<TreeNode, any> = Schema.Struct({\n"
              "  children: Schema.Array(Schema.suspend(() => TreeNode))\n"
              "})");
}

TEST(RenderModelSchema, DeepSelfReferenceAlsoSelectsInterfaceForm) {
    for (const TypeRef& ty : {union_of({prim("str"), model("node")}), record_of(prim("str"), model("node"))}) {
        schema::ApiGraph graph;
        add_model(graph, "node", {field("next", "next", ty)});
        EXPECT_TRUE(declarations(graph).at(0).starts_with("export interface Node {"));
    }
}

struct FieldCase {
    const char* label;
    schema::Field field;
    std::string schema_line;
    std::string ts_line;
};

void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.label; }

schema::Field with_flags(schema::Field f, bool optional_flag, bool nullable_flag) {
    f.optional = optional_flag;
    f.nullable = nullable_flag;
    return f;
}

class RenderField : public testing::TestWithParam<FieldCase> {};

TEST_P(RenderField, GivesBothLines) {
    schema::ApiGraph graph;
    graph.enums["one"].values = {"a"};
    Lowering lowering(std::move(graph));
    const RenderedField rendered = render_field(GetParam().field, lowering.context, {lowering.models.intern("Owner")});
    EXPECT_EQ(rendered.schema_entry, GetParam().schema_line) << GetParam().label;
    EXPECT_EQ(rendered.ts_member, GetParam().ts_line) << GetParam().label;
}

INSTANTIATE_TEST_SUITE_P(
    Flags, RenderField,
    testing::Values(
        FieldCase{"not required", field("nickname", "nickname", prim("str"), false),
                  "nickname: Schema.UndefinedOr(Schema.String)", "readonly nickname: string | undefined"},
        FieldCase{"optional flag on a required field", with_flags(field("n", "n", prim("str")), true, false),
                  "n: Schema.UndefinedOr(Schema.String)", "readonly n: string | undefined"},
        FieldCase{"optional type flag", field("n", "n", optional(prim("str"))), "n: Schema.UndefinedOr(Schema.String)",
                  "readonly n: string | undefined"},
        FieldCase{"nullable", with_flags(field("n", "n", prim("int")), false, true), "n: Schema.NullOr(Schema.Number)",
                  "readonly n: number | null"},
        FieldCase{"renamed and only optional", field("nick_name", "nickName", prim("str"), false),
                  "nickName: Schema.propertySignature(Schema.UndefinedOr(Schema.String))"
                  ".pipe(Schema.fromKey(\"nick_name\"))",
                  "readonly nickName: string | undefined"},
        FieldCase{"self reference", field("parent", "parent", model("owner")), "parent: Schema.suspend(() => Owner)",
                  "readonly parent: Owner"},
        // An optional nullable field decodes null to a missing key: no null in the member type.
        FieldCase{"optional and nullable", with_flags(field("nickname", "nickname", prim("str"), false), true, true),
                  "nickname: Schema.optionalWith(Schema.String, { nullable: true })",
                  "readonly nickname?: string | undefined"},
        FieldCase{
            "renamed optional and nullable", field("nick_name", "nickName", optional(nullable(prim("str")))),
            "nickName: Schema.optionalWith(Schema.String, { nullable: true }).pipe(Schema.fromKey(\"nick_name\"))",
            "readonly nickName?: string | undefined"},
        FieldCase{"optional nullable union holding null",
                  with_flags(field("v", "v", union_of({prim("str"), prim("null")}), false), false, true),
                  "v: Schema.optionalWith(Schema.Union(Schema.String, Schema.Null), { nullable: true })",
                  "readonly v?: string | null | undefined"},
        FieldCase{"optional nullable array of optional nullable",
                  field("xs", "xs", optional(nullable(array_of(optional(nullable(prim("int"))))))),
                  "xs: Schema.optionalWith(Schema.Array(Schema.NullishOr(Schema.Number)), { nullable: true })",
                  "readonly xs?: ReadonlyArray<number | null | undefined> | undefined"},
        // A union indexes its members' required single literals by key in a
        // plain object: one by an inherited name is hidden from it.
        FieldCase{"literal by an inherited name", field("valueOf", "valueOf", literal("a")),
                  "valueOf: Schema.suspend(() => Schema.Literal(\"a\"))", "readonly valueOf: \"a\""},
        FieldCase{"null renamed to an inherited name", field("s", "toString", prim("null")),
                  "toString: Schema.suspend(() => Schema.Null)", "readonly toString: null"},
        FieldCase{"enumeration of one value by an inherited name", field("constructor", "constructor", enum_ref("one")),
                  "constructor: Schema.suspend(() => Schema.Literal(\"a\"))", "readonly constructor: \"a\""},
        FieldCase{"union of one literal by an inherited name", field("valueOf", "valueOf", union_of({literal("a")})),
                  "valueOf: Schema.suspend(() => Schema.Union(Schema.Literal(\"a\")))", "readonly valueOf: \"a\""},
        FieldCase{"optional literal by an inherited name", field("toString", "toString", literal("a"), false),
                  "toString: Schema.optional(Schema.Literal(\"a\"))", "readonly toString?: \"a\" | undefined"},
        FieldCase{"two literals by an inherited name",
                  field("valueOf", "valueOf", union_of({literal("a"), literal("b")})),
                  "valueOf: Schema.Union(Schema.Literal(\"a\"), Schema.Literal(\"b\"))",
                  "readonly valueOf: \"a\" | \"b\""},
        FieldCase{"nullable literal by an inherited name",
                  with_flags(field("valueOf", "valueOf", literal("a")), false, true),
                  "valueOf: Schema.NullOr(Schema.Literal(\"a\"))", "readonly valueOf: \"a\" | null"},
        FieldCase{"literal by its own name", field("kind", "kind", literal("a")), "kind: Schema.Literal(\"a\")",
                  "readonly kind: \"a\""}));

TEST(RenderField, CurrentModelByName) {
    Lowering lowering;
    const schema::Field parent = field("parent_node", "parent", nullable(model("owner")));
    EXPECT_EQ(render_field(parent, lowering.context, {lowering.models.intern("Owner")}).schema_entry,
              "parent: Schema.propertySignature(Schema.NullOr(Schema.suspend(() => Owner)))"
              ".pipe(Schema.fromKey(\"parent_node\"))");
    EXPECT_EQ(render_field(parent, lowering.context, {}).schema_entry,
              "parent: Schema.propertySignature(Schema.NullOr(Owner)).pipe(Schema.fromKey(\"parent_node\"))");
}

TEST(RenderModelSchemas, DependenciesComeFirstAndMissingModelsKeepTheirName) {
    schema::ApiGraph graph;
    add_model(graph, "order",
              {field("customer", "customer", model("customer")), field("coupon", "coupon", model("coupon"))});
    add_model(graph, "customer", {field("id", "id", prim("int"))});
    const auto texts = declarations(graph);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_TRUE(texts[0].starts_with("export const Customer = "));
    EXPECT_EQ(texts[1],
              "export const Order = Schema.Struct({\n  customer: Customer,\n  coupon: Coupon\n})\n\n"
              "export type Order = Schema.Schema.Type<typeof Order>");
}

std::vector<std::string> render_names(const schema::ApiGraph& graph) {
    std::vector<std::string> heads;
    for (const std::string& text : declarations(graph)) heads.push_back(text.substr(0, text.find('\n')));
    return heads;
}

TEST(RenderModelSchemas, TwoModelCycleUsesInterfacesAndDefersTheLaterOne) {
    schema::ApiGraph graph;
    add_model(graph, "author", {field("books", "books", array_of(model("book")))});
    add_model(graph, "book", {field("author", "author", model("author"))});
    const auto texts = declarations(graph);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0],
              "export interface Author {\n  readonly books: ReadonlyArray<Book>\n}\n\n"
              "export const Author: Schema.Schema<Author, any> = Schema.Struct({\n"
              "  books: Schema.Array(Schema.suspend(() => Book))\n})");
    EXPECT_EQ(texts[1],
              "export interface Book {\n  readonly author: Author\n}\n\n"
              "export const Book: Schema.Schema<Book, any> = Schema.Struct({\n  author: Author\n})");
}

TEST(RenderModelSchemas, ThreeModelCycleAndItsDependents) {
    schema::ApiGraph graph;
    add_model(graph, "b", {field("c", "c", model("c"))});
    add_model(graph, "c", {field("d", "d", model("d"))});
    add_model(graph, "d", {field("b", "b", nullable(model("b")))});
    // "a" depends on the cycle and sorts before it; "e" depends on "a".
    add_model(graph, "a", {field("d", "d", model("d"))});
    add_model(graph, "e", {field("a", "a", model("a"))});
    add_model(graph, "base", {});
    EXPECT_EQ(render_names(graph),
              (std::vector<std::string>{"export const Base = Schema.Struct({})", "export const A = Schema.Struct({",
                                        "export interface B {", "export interface C {", "export interface D {",
                                        "export const E = Schema.Struct({"}));
    const auto texts = declarations(graph);
    EXPECT_NE(texts[1].find("d: Schema.suspend(() => D)\n"), std::string::npos);
    EXPECT_NE(texts[2].find("c: Schema.suspend(() => C)\n"), std::string::npos);
    EXPECT_NE(texts[3].find("d: Schema.suspend(() => D)\n"), std::string::npos);
    EXPECT_NE(texts[4].find("b: Schema.NullOr(B)\n"), std::string::npos);
    EXPECT_NE(texts[5].find("a: A\n"), std::string::npos);
}

// A model is declared under the type name of its own name, whatever its key,
// and a reference reaches the model whose type name it converts to.
TEST(OrderModels, ByTheTypeNamesOfTheModelsOwnNames) {
    schema::ApiGraph graph;
    graph.models["a"] = {"zeta", {field("b", "b", model("Beta"))}, std::nullopt};
    graph.models["b"] = {"beta", {}, std::nullopt};
    graph.models["c"] = {"alpha", {field("z", "z", model("zeta"))}, std::nullopt};
    codegen::ModelTable models(graph);
    std::vector<std::string> declared;
    for (const Declaration& d : order_models(models).declarations) declared.push_back(models.key(d.model));
    EXPECT_EQ(declared, (std::vector<std::string>{"b", "a", "c"}));
}

}  // namespace
}  // namespace tolv::gen_effect::lowering
