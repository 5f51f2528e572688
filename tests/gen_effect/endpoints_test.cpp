#include "gen_effect/endpoints.hpp"

#include <gtest/gtest.h>

#include "builders.hpp"

namespace tolv::gen_effect::printer {
namespace {

using namespace tolv::test;

TEST(ParamsObject, RequiredParametersFirstPayloadInSchemaOrder) {
    Lowering lowering;
    const std::vector<schema::Param> params{
        param("page_size", "pageSize", prim("int"), false),
        param("query", "query", prim("str")),
        param("tag", "tag", optional(prim("str"))),
        param("cursor", "cursor", nullable(prim("str"))),
    };
    EXPECT_EQ(params_object(params, lowering.context),
              "{ query: string; cursor: string | null; pageSize?: number; tag?: string }");
    EXPECT_EQ(args_payload(params, lowering.context),
              "{ page_size: args.pageSize, query: args.query, tag: args.tag, cursor: args.cursor }");
}

TEST(ParamsObject, EmptyListGivesVoidAndEmptyPayload) {
    Lowering lowering;
    EXPECT_EQ(params_object({}, lowering.context), "void");
    EXPECT_EQ(args_payload({}, lowering.context), "{}");
}

struct PayloadCase {
    const char* label;
    schema::Param param;
    std::string expected;
};

void PrintTo(const PayloadCase& c, std::ostream* os) { *os << c.label; }

class ParamPayloadExpr : public testing::TestWithParam<PayloadCase> {};

TEST_P(ParamPayloadExpr, EncodesOnlyWhatHoldsAModel) {
    schema::ApiGraph graph;
    graph.enums["status"] = {"status", {JsonValue("on")}, std::nullopt};
    Lowering lowering(graph);
    EXPECT_EQ(param_payload_expr(GetParam().param, lowering.context), GetParam().expected) << GetParam().label;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ParamPayloadExpr,
    testing::Values(
        PayloadCase{"primitive", param("q", "q", prim("str")), "args.q"},
        PayloadCase{"array of primitive", param("ids", "ids", array_of(prim("int"))), "args.ids"},
        PayloadCase{"literal", param("l", "l", literal(JsonValue("x"))), "args.l"},
        PayloadCase{"enum", param("s", "s", enum_ref("status")), "args.s"},
        PayloadCase{"model", param("user_data", "user", model("user")), "Schema.encodeUnknownSync(User)(args.user)"},
        PayloadCase{"array of models", param("items", "items", array_of(model("item"))),
                    "Schema.encodeUnknownSync(Schema.Array(Item))(args.items)"},
        PayloadCase{"model in a union in a record", param("m", "m", record_of(prim("str"), union_of({model("a")}))),
                    "Schema.encodeUnknownSync(Schema.Record({ key: Schema.String, value: Schema.Union(A) }))(args.m)"},
        PayloadCase{"not required model", param("u", "u", model("user"), false),
                    "args.u === undefined ? undefined : Schema.encodeUnknownSync(User)(args.u)"},
        PayloadCase{"optional type", param("u", "u", optional(model("user"))),
                    "args.u === undefined ? undefined : Schema.encodeUnknownSync(Schema.UndefinedOr(User))(args.u)"}));

// The function's text without its last line feed.
std::string print(const schema::Endpoint& endpoint, const schema::ApiGraph& graph, ReturnSurface surface) {
    codegen::Printer p(2);
    Lowering lowering(graph);
    print_endpoint_function(p, endpoint, lowering.context, surface);
    std::string text = std::move(p).take();
    text.pop_back();
    return text;
}

schema::Endpoint endpoint_of(schema::EndpointKind kind, std::string name) {
    schema::Endpoint endpoint;
    endpoint.name = std::move(name);
    endpoint.kind = kind;
    endpoint.returns = of_kind(TypeKind::Void);
    return endpoint;
}

TEST(RpcFunction, NoParametersInBothSurfaces) {
    const schema::ApiGraph graph;
    schema::Endpoint endpoint = endpoint_of(schema::EndpointKind::Rpc, "ping_server");
    EXPECT_EQ(print(endpoint, graph, ReturnSurface::Effect),
              "export const pingServer = (options?: CallOptions): Effect.Effect<void, TolvError, TolvClient> =>\n"
              "  callCommand(\"ping_server\", {}, Schema.Void, options)");
    endpoint.returns = nullable(prim("str"));
    EXPECT_EQ(print(endpoint, graph, ReturnSurface::Promise),
              "export const pingServer = (options?: CallOptions): Promise<string | null> =>\n"
              "  runPromise(callCommand(\"ping_server\", {}, Schema.NullOr(Schema.String), options))");
}

TEST(UploadFunction, WithoutParametersStillTakesArgs) {
    const schema::ApiGraph graph;
    schema::Endpoint endpoint = endpoint_of(schema::EndpointKind::Upload, "put_file");
    EXPECT_EQ(print(endpoint, graph, ReturnSurface::Effect),
              "export const putFile = (args: { file: File }, options?: UploadOptions): "
              "Effect.Effect<void, TolvError, TolvClient> =>\n"
              "  callUpload(\"put_file\", [args.file], {}, Schema.Void, options)");
    endpoint.multiFile = true;
    endpoint.params = {param("folder", "folder", prim("str"))};
    EXPECT_EQ(print(endpoint, graph, ReturnSurface::Promise),
              "export const putFile = (args: { files: ReadonlyArray<File>; folder: string }, options?: UploadOptions): "
              "Promise<void> =>\n"
              "  runPromise(callUpload(\"put_file\", args.files, { folder: args.folder }, Schema.Void, options))");
}

TEST(ChannelFunction, WithoutItemTypeStreamsUnknown) {
    const schema::ApiGraph graph;
    const schema::Endpoint endpoint = endpoint_of(schema::EndpointKind::Channel, "events");
    EXPECT_EQ(print(endpoint, graph, ReturnSurface::Promise),
              "export const events = (options?: CallOptions): AsyncIterable<unknown> =>\n"
              "  toAsyncIterable(callChannel(\"events\", {}, Schema.Unknown, options))");
}

TEST(StaticFunction, NameKeepsUnderscoresForTheRuntime) {
    const schema::ApiGraph graph;
    schema::Endpoint endpoint = endpoint_of(schema::EndpointKind::Static, "user_avatar_file");
    endpoint.returns = prim("int");  // never used by static routes
    endpoint.doc = "Avatar.";
    EXPECT_EQ(print(endpoint, graph, ReturnSurface::Effect),
              "/**\n * Avatar.\n */\n"
              "export const userAvatarFileUrl = (): Effect.Effect<string, never, TolvClient> =>\n"
              "  buildStaticUrl(\"user_avatar_file\", {})");
}

TEST(EndpointFunctions, OptionalNullableOutsideFieldsIsANullishSchema) {
    schema::ApiGraph graph;
    schema::Endpoint rpc = endpoint_of(schema::EndpointKind::Rpc, "find");
    rpc.returns = optional(nullable(model("user")));
    rpc.params = {param("filter", "filter", optional(nullable(model("filter"))))};
    EXPECT_EQ(print(rpc, graph, ReturnSurface::Effect),
              "export const find = (args: { filter?: Filter | null }, options?: CallOptions): "
              "Effect.Effect<User | null | undefined, TolvError, TolvClient> =>\n"
              "  callCommand(\"find\", { filter: args.filter === undefined ? undefined : "
              "Schema.encodeUnknownSync(Schema.NullishOr(Filter))(args.filter) }, Schema.NullishOr(User), options)");
    schema::Endpoint channel = endpoint_of(schema::EndpointKind::Channel, "feed");
    channel.channelItem = optional(nullable(prim("str")));
    EXPECT_EQ(print(channel, graph, ReturnSurface::Effect),
              "export const feed = (options?: CallOptions): "
              "Stream.Stream<string | null | undefined, TolvError, TolvClient> =>\n"
              "  callChannel(\"feed\", {}, Schema.NullishOr(Schema.String), options)");
}

}  // namespace
}  // namespace tolv::gen_effect::printer
