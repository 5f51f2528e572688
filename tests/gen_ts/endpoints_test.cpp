#include "gen_ts/endpoints.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include "builders.hpp"
#include "gen_ts/generator.hpp"
#include "gen_ts/key_mapping.hpp"

namespace tolv::gen_ts {
namespace {

using namespace test;

schema::ApiGraph sample_graph() {
    schema::ApiGraph g;
    auto add = [&](ModelDef m) { g.models.emplace(m.name, std::move(m)); };
    add(model_def("User", {field("userName", "user_name", prim("str"))}));
    add(model_def("Filter", {field("maxItems", "max_items", prim("int"))}));
    add(model_def("Empty", {}));
    add(model_def("Outer",
                  {field("inner", "inner_model", model("User")), field("list", "items", array(model("User"))),
                   field("more", "more_items", array(model("User"))), field("tags", "tags", array(prim("str")))}));
    add(model_def("Node",
                  {field("childNodes", "child_nodes", array(model("Node"))), field("label", "label", prim("str"))}));
    add(model_def("A", {field("b", "b_ref", model("B"))}));
    add(model_def("B", {field("a", "a_ref", model("A"))}));
    return g;
}

std::string print(const Endpoint& endpoint, const schema::ApiGraph& graph = sample_graph()) {
    codegen::Printer p(4);
    const KeyMapper keys(graph);
    print_endpoint_function(p, endpoint, ApiContext(keys, codegen::DeclaredNames()));
    return p.output();
}

TEST(RpcFunction, ConvertsModelResultToWireNames) {
    EXPECT_EQ(print(endpoint("get_user", EndpointKind::Rpc, model("User"))),
              R"(export async function getUser(): Promise<User> {
    const _r = await request<any>("get_user", {});
    return { userName: _r.user_name };
}
)");
    EXPECT_EQ(print(endpoint("list_users", EndpointKind::Rpc, array(model("User")))),
              R"(export async function listUsers(): Promise<User[]> {
    const _r = await request<any>("list_users", {});
    return _r.map((_item: any) => ({ userName: _item.user_name }));
}
)");
}

TEST(RpcFunction, SingleLineWhenNothingToConvert) {
    EXPECT_EQ(print(endpoint("ping", EndpointKind::Rpc)), R"(export async function ping(): Promise<void> {
    return request<void>("ping", {});
}
)");
    EXPECT_EQ(print(endpoint("ping", EndpointKind::Rpc, nullable(type(TypeKind::Void)))),
              R"(export async function ping(): Promise<void | null> {
    return request<void | null>("ping", {});
}
)");
    // A union, record or tuple holding a model is not converted.
    EXPECT_EQ(print(endpoint("maybe_user", EndpointKind::Rpc, union_of({model("User"), prim("null")}))),
              R"(export async function maybeUser(): Promise<User | null> {
    return request<User | null>("maybe_user", {});
}
)");
}

TEST(RpcFunction, MissingModelStillTakesTwoLineForm) {
    EXPECT_EQ(print(endpoint("ghost", EndpointKind::Rpc, model("Ghost"))),
              R"(export async function ghost(): Promise<Ghost> {
    const _r = await request<any>("ghost", {});
    return _r;
}
)");
}

TEST(RpcFunction, ArgumentsSentUnderSourceNamesWithModelsConverted) {
    Endpoint e = endpoint("search", EndpointKind::Rpc);
    e.params = {param("filter", "query_filter", model("Filter")), param("limit", "limit_n", prim("int"), false),
                param("cursor", "cursor", nullable(optional(prim("str"))))};
    e.doc = "Finds things.";
    EXPECT_EQ(print(e), R"(/**
 * Finds things.
 */
export async function search(args: { filter: Filter; limit?: number; cursor?: string | null }): Promise<void> {
    return request<void>("search", { query_filter: { max_items: args.filter.maxItems }, limit_n: args.limit, cursor: args.cursor });
}
)");
}

TEST(KeyMapping, NestedArraysUseOneLambdaNamePerDepth) {
    const TypeRef nested = array(array(array(array(model("User")))));
    EXPECT_EQ(KeyMapper(sample_graph()).response(nested, "_r", 0),
              "_r.map((_item: any) => (_item.map((_inner: any) => (_inner.map((_deep: any) => "
              "(_deep.map((_item3: any) => ({ userName: _item3.user_name }))))))))");
    EXPECT_EQ(KeyMapper(sample_graph()).request(array(array(model("User"))), "args.x", 0),
              "args.x.map((_item) => (_item.map((_inner) => ({ user_name: _inner.userName }))))");
}

TEST(KeyMapping, FieldsStayAtTheModelsDepth) {
    EXPECT_EQ(KeyMapper(sample_graph()).response(model("Outer"), "_r", 0),
              "{ inner: { userName: _r.inner_model.user_name }, "
              "list: _r.items.map((_item: any) => ({ userName: _item.user_name })), "
              "more: _r.more_items.map((_item: any) => ({ userName: _item.user_name })), tags: _r.tags }");
    EXPECT_EQ(KeyMapper(sample_graph()).request(model("Outer"), "data", 0),
              "{ inner_model: { user_name: data.inner.userName }, "
              "items: data.list.map((_item) => ({ user_name: _item.userName })), "
              "more_items: data.more.map((_item) => ({ user_name: _item.userName })), tags: data.tags }");
}

// A model or array of models that may be null or undefined is passed through
// when it is, instead of having its members read (which would throw).
TEST(KeyMapping, ValuesThatMayBeAbsentArePassedThrough) {
    schema::ApiGraph g = sample_graph();
    g.models["Holder"] = model_def("Holder", {field("user", "the_user", nullable(model("User"))),
                                              field("maybe", "maybe_user", model("User"), false),
                                              field("users", "all_users", optional(array(model("User")))),
                                              field("slots", "slots", array(nullable(model("User"))))});
    EXPECT_EQ(KeyMapper(g).response(model("Holder"), "_r", 0),
              "{ user: _r.the_user == null ? _r.the_user : { userName: _r.the_user.user_name }, "
              "maybe: _r.maybe_user == null ? _r.maybe_user : { userName: _r.maybe_user.user_name }, "
              "users: _r.all_users == null ? _r.all_users : _r.all_users.map((_item: any) => ({ userName: "
              "_item.user_name })), "
              "slots: _r.slots.map((_item: any) => (_item == null ? _item : { userName: _item.user_name })) }");
    EXPECT_EQ(KeyMapper(g).response(nullable(model("User")), "_r", 0), "_r == null ? _r : { userName: _r.user_name }");
    // Optional parameters are guarded too; required, non-null ones stay plain.
    Endpoint e = endpoint("find", EndpointKind::Rpc, type(TypeKind::Void));
    e.params = {param("filter", "the_filter", model("User"), false), param("who", "who", model("User"))};
    EXPECT_EQ(print(e, g), R"(export async function find(args: { filter?: User; who: User }): Promise<void> {
    return request<void>("find", { the_filter: args.filter == null ? args.filter : { user_name: args.filter.userName }, who: { user_name: args.who.userName } });
}
)");
    // Nothing to convert: no guard either.
    EXPECT_EQ(KeyMapper(g).request(nullable(prim("str")), "e", 0), "e");
}

TEST(KeyMapping, LeavesOtherKindsAndMissingModelsUnchanged) {
    const schema::ApiGraph g = sample_graph();
    EXPECT_EQ(KeyMapper(g).request(union_of({model("User")}), "e", 0), "e");
    EXPECT_EQ(KeyMapper(g).request(type(TypeKind::Record, {prim("str"), model("User")}), "e", 0), "e");
    EXPECT_EQ(KeyMapper(g).request(type(TypeKind::Array), "e", 0), "e");
    EXPECT_EQ(KeyMapper(g).request(array(prim("str")), "e", 0), "e");
    EXPECT_EQ(KeyMapper(g).request(model("Ghost"), "e", 0), "e");
    EXPECT_EQ(KeyMapper(g).request(type(TypeKind::Model), "e", 0), "e");
    // The array test looks only at the kind reached, not at the graph.
    EXPECT_EQ(KeyMapper(g).response(array(model("Ghost")), "e", 0), "e.map((_item: any) => (_item))");
}

// Inline conversion cannot unroll a cycle: inside the expansion of a model
// on a cycle, a model of the same cycle is converted by a helper function.
TEST(KeyMapping, CyclesCallHelpersInsteadOfRecursingForever) {
    schema::ApiGraph g = sample_graph();
    EXPECT_EQ(KeyMapper(g).response(model("Node"), "_r", 0),
              "{ childNodes: _r.child_nodes.map((_item: any) => (_toWireNode(_item))), label: _r.label }");
    EXPECT_EQ(KeyMapper(g).request(array(model("Node")), "args.n", 0),
              "args.n.map((_item) => ({ child_nodes: _item.childNodes.map((_inner) => (_toSourceNode(_inner))), "
              "label: _item.label }))");
    EXPECT_EQ(KeyMapper(g).request(model("A"), "x", 0), "{ b_ref: _toSourceB(x.b) }");
    // Entering a cycle from outside, and another cycle inside a cycle.
    g.models.emplace("Root", model_def("Root", {field("a", "a_ref", model("A")), field("n", "node", model("Node"))}));
    g.models.emplace(
        "Tree", model_def("Tree", {field("kids", "kids", array(model("Tree"))), field("n", "node", model("Node"))}));
    EXPECT_EQ(KeyMapper(g).request(model("Root"), "r", 0),
              "{ a_ref: { b_ref: _toSourceB(r.a.b) }, node: { child_nodes: r.n.childNodes.map((_item) => "
              "(_toSourceNode(_item))), label: r.n.label } }");
    EXPECT_EQ(KeyMapper(g).response(model("Tree"), "t", 0),
              "{ kids: t.kids.map((_item: any) => (_toWireTree(_item))), n: { childNodes: "
              "t.node.child_nodes.map((_item: any) => (_toWireNode(_item))), label: t.node.label } }");
    // A model met again in a sibling branch is expanded again.
    g.models.emplace("Pair",
                     model_def("Pair", {field("l", "left", model("User")), field("r", "right", model("User"))}));
    EXPECT_EQ(KeyMapper(g).request(model("Pair"), "p", 0),
              "{ left: { user_name: p.l.userName }, right: { user_name: p.r.userName } }");
}

// A strongly connected web of models, where every model reaches two others,
// has exponentially many paths; the conversion stays one level deep.
TEST(KeyMapping, DenseCycleStaysSmall) {
    schema::ApiGraph g;
    const auto name = [](int i) { return fmt::format("M{}", i % 60); };
    for (int i = 0; i < 60; ++i) {
        g.models.emplace(name(i), model_def(name(i), {field("next", "next_one", model(name(i + 1))),
                                                      field("skip", "skip_two", array(model(name(i + 2))))}));
    }
    EXPECT_EQ(KeyMapper(g).request(model("M0"), "m", 0),
              "{ next_one: _toSourceM1(m.next), skip_two: m.skip.map((_item) => (_toSourceM2(_item))) }");
}

// Helpers are declared after the endpoints, once each, with those that
// other helpers call; a null child is passed through by the helper's guard.
TEST(KeyMapping, ModuleDeclaresEveryHelperItCalls) {
    schema::ApiGraph g;
    g.models.emplace("A", model_def("A", {field("b", "b_ref", nullable(model("B")))}));
    g.models.emplace("B", model_def("B", {field("a", "a_ref", model("A")), field("name", "the_name", prim("str"))}));
    g.endpoints.emplace("get_a", endpoint("get_a", EndpointKind::Rpc, model("A")));
    g.endpoints.emplace("put_b", endpoint("put_b", EndpointKind::Rpc, type(TypeKind::Void)));
    g.endpoints["put_b"].params = {param("b", "b", model("B"))};
    const std::string api = print_api(g).value();
    const std::string tail = api.substr(api.find("export async function getA"));
    EXPECT_EQ(tail, R"(export async function getA(): Promise<A> {
    const _r = await request<any>("get_a", {});
    return { b: _r.b_ref == null ? _r.b_ref : _toWireB(_r.b_ref) };
}

export async function putB(args: { b: B }): Promise<void> {
    return request<void>("put_b", { b: { a_ref: _toSourceA(args.b.a), the_name: args.b.name } });
}

function _toWireB(_v: any): any {
    return { a: _toWireA(_v.a_ref), name: _v.the_name };
}

function _toSourceA(_v: any): any {
    return { b_ref: _v.b == null ? _v.b : _toSourceB(_v.b) };
}

function _toWireA(_v: any): any {
    return { b: _v.b_ref == null ? _v.b_ref : _toWireB(_v.b_ref) };
}

function _toSourceB(_v: any): any {
    return { a_ref: _toSourceA(_v.a), the_name: _v.name };
}

)");
}

// A helper's parameter is untyped, so its lambdas type theirs explicitly
// (strict mode rejects an implicit any) in both directions.
TEST(KeyMapping, HelperLambdasAreTyped) {
    schema::ApiGraph g = sample_graph();
    g.endpoints.emplace("put", endpoint("put", EndpointKind::Rpc, type(TypeKind::Void)));
    g.endpoints["put"].params = {param("n", "n", model("Node"))};
    const std::string api = print_api(g).value();
    EXPECT_NE(api.find("function _toSourceNode(_v: any): any {\n    return { child_nodes: "
                       "_v.childNodes.map((_item: any) => (_toSourceNode(_item))), label: _v.label };\n}\n"),
              std::string::npos)
        << api;
}

// A model without fields has nothing to rename: its values, arrays of them
// and absent ones pass as they are, so the arguments and the result are
// still read.
TEST(KeyMapping, ModelWithoutFieldsPassesThrough) {
    const schema::ApiGraph g = sample_graph();
    const KeyMapper keys(g);
    for (const TypeRef& ty : {model("Empty"), nullable(model("Empty")), array(array(model("Empty")))}) {
        EXPECT_EQ(keys.request(ty, "e", 0), "e");
        EXPECT_EQ(keys.response(ty, "e", 0), "e");
    }
    EXPECT_EQ(keys.request(model("Outer"), "e", 0).find("Empty"), std::string::npos);
    Endpoint e = endpoint("echo", EndpointKind::Rpc, model("Empty"));
    e.params = {param("empty", "the_empty", model("Empty"), false)};
    EXPECT_EQ(print(e), R"(export async function echo(args: { empty?: Empty }): Promise<Empty> {
    const _r = await request<any>("echo", { the_empty: args.empty });
    return _r;
}
)");
}

// A model whose inline conversion would hold more than 64 field entries is
// converted by its helper wherever it is met. Here every model of a chain
// holds two fields of the next: inline, the entries would double per level.
TEST(KeyMapping, LargeModelsConvertThroughHelpers) {
    schema::ApiGraph g;
    const auto name = [](int i) { return fmt::format("L{}", i); };
    for (int i = 0; i < 7; ++i) {
        g.models.emplace(name(i), model_def(name(i), {field("a", "a_s", model(name(i + 1))),
                                                      field("b", "b_s", array(model(name(i + 1))))}));
    }
    g.models.emplace("L7", model_def("L7", {field("v", "v_s", prim("str"))}));
    // Wide models: 64 entries stay inline, 65 do not.
    for (const std::size_t width : {64, 65}) {
        std::vector<Field> fields;
        for (std::size_t i = 0; i < width; ++i)
            fields.push_back(field(fmt::format("f{}", i), fmt::format("s{}", i), prim("str")));
        g.models.emplace(fmt::format("W{}", width), model_def(fmt::format("W{}", width), std::move(fields)));
    }
    const KeyMapper keys(g);
    // Entries: L7 1, L6 4, L5 10, L4 22, L3 46, L2 94 (a helper), L1 2, L0 6.
    EXPECT_EQ(keys.response(model("L0"), "r", 0),
              "{ a: { a: _toWireL2(r.a_s.a_s), b: r.a_s.b_s.map((_item: any) => (_toWireL2(_item))) }, "
              "b: r.b_s.map((_item: any) => ({ a: _toWireL2(_item.a_s), b: _item.b_s.map((_inner: any) => "
              "(_toWireL2(_inner))) })) }");
    EXPECT_EQ(keys.request(nullable(model("L2")), "x", 0), "x == null ? x : _toSourceL2(x)");
    EXPECT_TRUE(keys.response(model("W64"), "r", 0).starts_with("{ f0: r.s0, f1: r.s1,"));
    EXPECT_EQ(keys.response(model("W65"), "r", 0), "_toWireW65(r)");
    // A helper expands its own model, calling the helpers of large models inside.
    std::vector<std::string> names;
    std::vector<std::string> bodies;
    keys.write_helpers([&](std::string_view helper, std::string_view body) {
        names.emplace_back(helper);
        bodies.emplace_back(body);
    });
    ASSERT_EQ(names, (std::vector<std::string>{"_toWireL2", "_toSourceL2", "_toWireW65"}));
    EXPECT_TRUE(bodies[0].starts_with("{ a: { a: { a: { a: { a: { v: _v.a_s.a_s.a_s.a_s.a_s.v_s }, ")) << bodies[0];
    EXPECT_TRUE(bodies[1].starts_with("{ a_s: { a_s: { a_s: { a_s: { a_s: { v_s: _v.a.a.a.a.a.v }, ")) << bodies[1];
    EXPECT_TRUE(bodies[2].ends_with(", f64: _v.s64 }")) << bodies[2];
}

// Runs `body` on a thread whose stack is `bytes` large.
void run_on_small_stack(std::size_t bytes, void (*body)()) {
    pthread_attr_t attr;
    ASSERT_EQ(pthread_attr_init(&attr), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, bytes), 0);
    pthread_t thread;
    auto trampoline = [](void* fn) -> void* {
        reinterpret_cast<void (*)()>(fn)();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, trampoline, reinterpret_cast<void*>(body)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

// Model references chain without any nesting in the document, so a chain can
// be far longer than a call stack allows for one frame per model. Links
// alternate between a model field and an array-of-models field. Every 65th
// model from the end would hold more than 64 entries inline and has a
// helper; each model is expanded in one place, so the module stays linear.
TEST(KeyMapping, LongChainOfModelsIsConvertedInBoundedStackAndLinearSize) {
    static std::string out;
    run_on_small_stack(1 << 20, [] {
        constexpr int kModels = 40000;
        schema::ApiGraph g;
        const auto name = [](int i) { return fmt::format("M{}", i); };
        for (int i = 0; i < kModels; ++i) {
            std::vector<Field> fields;
            if (i + 1 < kModels) {
                TypeRef next = model(name(i + 1));
                fields.push_back(field("next", "next_m", i % 2 == 0 ? next : array(next)));
            }
            g.models.emplace(name(i), model_def(name(i), std::move(fields)));
        }
        g.endpoints.emplace("walk", endpoint("walk", EndpointKind::Rpc, model("M0")));
        out = print_api(g).value();
    });
    const std::string head =
        "    return { next: { next: _r.next_m.next_m.map((_item: any) => ({ next: { next: _item.next_m.next_m.map(("
        "_inner: any) => ({ next: { next: _inner.next_m.next_m.map((_deep: any) => ({ next: { next: _deep.next_m";
    EXPECT_NE(out.find(head), std::string::npos);
    // 39999 - 24 is a multiple of 65: M24 is the first model with a helper, M39934 the last.
    EXPECT_NE(out.find(".map((_item11: any) => (_toWireM24(_item11))) }"), std::string::npos);
    EXPECT_NE(out.find("\nfunction _toWireM39934(_v: any): any {\n"), std::string::npos);
    std::size_t helpers = 0;
    for (std::size_t at = out.find("\nfunction _toWire"); at != std::string::npos;
         at = out.find("\nfunction _toWire", at + 1)) {
        ++helpers;
    }
    EXPECT_EQ(helpers, 615u);
    EXPECT_LT(out.size(), 40000u * 100u);
}

TEST(KeyMapping, MapVariableNames) {
    EXPECT_EQ(map_variable(0), "_item");
    EXPECT_EQ(map_variable(1), "_inner");
    EXPECT_EQ(map_variable(2), "_deep");
    EXPECT_EQ(map_variable(3), "_item3");
    EXPECT_EQ(map_variable(12), "_item12");
}

TEST(ChannelFunction, ItemTypeAndArguments) {
    EXPECT_EQ(print(endpoint("ticks", EndpointKind::Channel)), R"(export function ticks(): BridgeChannel<unknown> {
    return createChannel<unknown>("ticks", {});
}
)");
    Endpoint e = endpoint("room_feed", EndpointKind::Channel);
    e.channelItem = optional(model("User"));
    e.params = {param("room", "room_id", prim("str"))};
    // Items are converted to wire names by the runtime, through the function passed.
    EXPECT_EQ(print(e), R"(export function roomFeed(args: { room: string }): BridgeChannel<User> {
    return createChannel<User>("room_feed", { room_id: args.room }, (_r: any) => (_r == null ? _r : { userName: _r.user_name }));
}
)");
    e.channelItem = nullable(prim("str"));
    EXPECT_NE(print(e).find("BridgeChannel<string | null>"), std::string::npos);
}

TEST(UploadFunction, SingleAndMultipleFiles) {
    EXPECT_EQ(print(endpoint("upload_avatar", EndpointKind::Upload)),
              R"(export function uploadAvatar(args: { file: File }): UploadHandle<void> {
    return createUpload<void>("upload_avatar", [args.file], {});
}
)");
    Endpoint e = endpoint("upload_photos", EndpointKind::Upload);
    e.multiFile = true;
    e.params = {param("album", "album_id", prim("str")), param("note", "note", prim("str"), false)};
    EXPECT_EQ(
        print(e),
        R"(export function uploadPhotos(args: { files: File[]; album: string; note?: string }): UploadHandle<void> {
    return createUpload<void>("upload_photos", args.files, { album_id: args.album, note: args.note });
}
)");
}

// The converting handle is what onProgress returns, so a chained
// `.onProgress(cb).promise` still resolves with wire names.
TEST(UploadFunction, ConvertedResultKeepsConversionThroughOnProgress) {
    EXPECT_EQ(print(endpoint("upload_doc", EndpointKind::Upload, model("User"))),
              R"(export function uploadDoc(args: { file: File }): UploadHandle<User> {
    const handle = createUpload<any>("upload_doc", [args.file], {});
    const converted: UploadHandle<User> = {
        promise: handle.promise.then((_r: any) => ({ userName: _r.user_name })),
        abort: () => handle.abort(),
        onProgress: (callback) => { handle.onProgress(callback); return converted; },
    };
    return converted;
}
)");
}

TEST(StaticFunction, UrlWithAndWithoutQuery) {
    EXPECT_EQ(print(endpoint("logo", EndpointKind::Static, model("User"))), R"(export function logoUrl(): string {
    return `${getBaseUrl()}/static/logo`;
}
)");
    Endpoint e = endpoint("report", EndpointKind::Static);
    e.params = {param("year", "year_num", prim("int")), param("month", "month_num", optional(prim("int"))),
                param("filter", "filter", model("Filter"), false)};
    EXPECT_EQ(print(e), R"(export function reportUrl(args: { year: number; month?: number; filter?: Filter }): string {
    const params = new URLSearchParams();
    params.set("year_num", String(args.year));
    if (args.month !== undefined) params.set("month_num", String(args.month));
    if (args.filter !== undefined) params.set("filter", String(args.filter));
    return `${getBaseUrl()}/static/report?${params}`;
}
)");
}

}  // namespace
}  // namespace tolv::gen_ts
