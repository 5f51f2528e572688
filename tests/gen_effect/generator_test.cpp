#include "gen_effect/generator.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <sstream>

#include "builders.hpp"
#include "gen_effect/generator.hpp"

namespace tolv::gen_effect::printer {
namespace {

using namespace tolv::test;
using schema::EndpointKind;

TEST(ResolveSurface, OverrideElseDefault) {
    EffectGenOptions options;
    options.default_surface = ReturnSurface::Promise;
    options.commands = ReturnSurface::Effect;
    options.websockets = ReturnSurface::Effect;
    EXPECT_EQ(resolve_surface(options, schema::EndpointKind::Rpc), ReturnSurface::Effect);
    EXPECT_EQ(resolve_surface(options, schema::EndpointKind::Channel), ReturnSurface::Promise);
    options.channels = ReturnSurface::Effect;
    EXPECT_EQ(resolve_surface(options, schema::EndpointKind::Channel), ReturnSurface::Effect);
    EXPECT_EQ(resolve_surface(options, schema::EndpointKind::Upload), ReturnSurface::Promise);
    EXPECT_EQ(resolve_surface(options, schema::EndpointKind::Static), ReturnSurface::Promise);
}

bool has_line(const std::string& text, const std::string& line) {
    return text.find("\n" + line + "\n") != std::string::npos;
}

// The entries of the import and re-export lists, each list on one line:
// "import effect: Effect Schema", "export: ...".
std::string lists(const std::string& text) {
    std::string out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line == "import {" || line == "export {") {
            out += line.substr(0, 6) + ":";
        } else if (line.starts_with("} from ")) {
            out += line == "} from \"effect\"" ? " (effect)\n" : "\n";
        } else if (line.starts_with("  ") && !out.empty() && !out.ends_with("\n")) {
            out += " " + line.substr(2, line.size() - 3);
        }
    }
    return out;
}

struct ImportCase {
    const char* label;
    EndpointKind kind;
    EffectGenOptions options;
    std::string imports;          // without the re-export lists
    std::string reexported = {};  // re-exports after the last error class
    TypeRef returns = of_kind(TypeKind::Void);
};

void PrintTo(const ImportCase& c, std::ostream* os) { *os << c.label; }

EffectGenOptions promise_surface() {
    EffectGenOptions options;
    options.default_surface = ReturnSurface::Promise;
    return options;
}

EffectGenOptions promise_statics() {
    EffectGenOptions options;
    options.statics = ReturnSurface::Promise;
    return options;
}

class ImportsFollowUse : public testing::TestWithParam<ImportCase> {};

// A module imports exactly the names its text uses; the re-exports follow the
// kinds of endpoint and the surfaces in force.
TEST_P(ImportsFollowUse, OneEndpoint) {
    const ImportCase& c = GetParam();
    schema::ApiGraph graph;
    schema::Endpoint& endpoint = add_endpoint(graph, "e", c.kind);
    endpoint.returns = c.returns;
    // Typed by its TypeScript half alone: no schema of it is printed.
    endpoint.params = {param("q", "q", nullable(prim("str")))};
    const std::string all = lists(print_api(graph, c.options).value());
    EXPECT_EQ(all.substr(0, all.find("export:")), c.imports);
    EXPECT_EQ(all.substr(all.find(" TolvUploadError") + 16), c.reexported + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportsFollowUse,
    testing::Values(
        ImportCase{"command",
                   EndpointKind::Rpc,
                   {},
                   "import: Effect Schema (effect)\nimport: callCommand type CallOptions type TolvClient type "
                   "TolvError\n"},
        ImportCase{"command, promise", EndpointKind::Rpc, promise_surface(),
                   "import: Schema (effect)\nimport: callCommand runPromise type CallOptions\n", " runPromise"},
        ImportCase{"command, statics promise", EndpointKind::Rpc, promise_statics(),
                   "import: Effect Schema (effect)\nimport: callCommand type CallOptions type TolvClient type "
                   "TolvError\n",
                   " runPromise"},
        ImportCase{"channel",
                   EndpointKind::Channel,
                   {},
                   "import: Schema Stream (effect)\nimport: callChannel type CallOptions type TolvClient type "
                   "TolvError\n",
                   " toAsyncIterable"},
        ImportCase{"channel, promise", EndpointKind::Channel, promise_surface(),
                   "import: Schema (effect)\nimport: callChannel toAsyncIterable type CallOptions\n",
                   " runPromise toAsyncIterable"},
        ImportCase{"upload",
                   EndpointKind::Upload,
                   {},
                   "import: Effect Schema (effect)\nimport: callUpload type UploadOptions type TolvClient type "
                   "TolvError\n"},
        ImportCase{"static, promise", EndpointKind::Static, promise_surface(), "import: buildStaticUrl runPromise\n",
                   " runPromise"},
        ImportCase{
            "static", EndpointKind::Static, {}, "import: Effect (effect)\nimport: buildStaticUrl type TolvClient\n"},
        ImportCase{"websocket", EndpointKind::Ws, promise_surface(),
                   "import: Effect Schema Stream (effect)\nimport: openWebSocket type TolvClient TolvNetworkError "
                   "TolvDecodeError\n",
                   " runPromise"}));

TEST(PrintApi, SectionsFollowKindOrderNotNameOrder) {
    schema::ApiGraph graph;
    add_endpoint(graph, "a_file", schema::EndpointKind::Static);
    add_endpoint(graph, "z_call", schema::EndpointKind::Rpc);
    const std::string text = print_api(graph, {}).value();
    const auto commands = text.find("// ============ Commands ============\n\nexport const zCall");
    const auto statics = text.find("// ============ Static Files ============\n\nexport const aFileUrl");
    ASSERT_NE(commands, std::string::npos);
    ASSERT_NE(statics, std::string::npos);
    EXPECT_LT(commands, statics);
    EXPECT_TRUE(text.ends_with("buildStaticUrl(\"a_file\", {})\n"));
}

TEST(PrintApi, WebsocketOptionChangesNothing) {
    schema::ApiGraph graph;
    add_endpoint(graph, "live", schema::EndpointKind::Ws);
    add_endpoint(graph, "call", schema::EndpointKind::Rpc);
    EffectGenOptions options;
    const std::string base = print_api(graph, options).value();
    options.websockets = ReturnSurface::Promise;
    EXPECT_EQ(print_api(graph, options).value(), base);
    options.websockets = ReturnSurface::Effect;
    EXPECT_EQ(print_api(graph, options).value(), base);
}

// Every line of `lines` stands in `text` as a whole line.
void expect_lines(const std::string& text, std::initializer_list<std::string_view> lines) {
    for (const std::string_view line : lines) EXPECT_TRUE(has_line(text, std::string(line))) << line;
}

// Text from the schema stands in string literals escaped for them; a key that
// is no identifier name is quoted where declared and bracketed where read,
// and "__proto__" is computed where an object literal would set it.
TEST(PrintApi, SchemaTextIsEscapedAndKeysQuoted) {
    schema::ApiGraph graph;
    add_model(graph, "box", {field("user_id", "user-id", prim("str")), field("a\"b", "ok", prim("str"))});
    add_model(graph, "node", {field("next", "next-node", nullable(model("node")))});
    add_endpoint(graph, "rpc\"\n", EndpointKind::Rpc).params = {param("p s", "p-w", prim("str")),
                                                                param("__proto__", "proto", prim("str"))};
    add_endpoint(graph, "chan`${x}", EndpointKind::Channel);
    add_endpoint(graph, "up\\", EndpointKind::Upload).params = {param("n", "n\u2028", prim("int"))};
    add_endpoint(graph, "st\t", EndpointKind::Static);
    add_endpoint(graph, "so\"ck", EndpointKind::Ws).serverEvents = {param("user:joined", "x", prim("str")),
                                                                    param("__proto__", "x", prim("int"))};
    const std::string text = print_api(graph, {}).value();
    expect_lines(
        text,
        {
            R"(  "user-id": Schema.propertySignature(Schema.String).pipe(Schema.fromKey("user_id")),)",
            R"(  ok: Schema.propertySignature(Schema.String).pipe(Schema.fromKey("a\"b")))",
            R"(  readonly "next-node": Node | null)",
            R"(export const rpc = (args: { "p-w": string; proto: string }, options?: CallOptions): )"
            R"(Effect.Effect<void, TolvError, TolvClient> =>)",
            R"(  callCommand("rpc\"\n", { "p s": args["p-w"], ["__proto__"]: args.proto }, Schema.Void, options))",
            R"(  callChannel("chan`${x}", {}, Schema.Unknown, options))",
            "  callUpload(\"up\\\\\", [args.file], { n: args[\"n\u2028\"] }, Schema.Void, options)",
            R"(  buildStaticUrl("st\t", {}))",
            R"(  "user:joined": string)",
            R"(    const ws = yield* openWebSocket("so\"ck"))",
            R"(      "user:joined": Schema.String,)",
            R"(      ["__proto__"]: Schema.Number,)",
        });
}

// A schema name that the module imports, re-exports or reaches as a global
// stays the schema's: the import is aliased, the re-export dropped, the
// global reached through globalThis. Only an endpoint whose function would
// take a re-exported name steps aside, with "_" after it.
TEST(PrintApi, SchemaNamesKeepNamesTheModuleUses) {
    schema::ApiGraph graph;
    for (const char* name : {"schema", "tolv_client", "tolv_decode_error", "file", "promise", "readonly_array",
                             "web_socket", "close_event"}) {
        add_model(graph, name, {});
    }
    add_model(graph, "uses", {field("all", "all", array_of(model("file")))});
    add_endpoint(graph, "call_command", EndpointKind::Rpc).returns = model("promise");
    add_endpoint(graph, "init_tolv", EndpointKind::Upload).multiFile = true;
    add_endpoint(graph, "run_promise", EndpointKind::Rpc);
    add_endpoint(graph, "TolvClient", EndpointKind::Rpc);
    add_endpoint(graph, "live", EndpointKind::Ws);
    EffectGenOptions options;
    options.uploads = ReturnSurface::Promise;
    const std::string text = print_api(graph, options).value();
    expect_lines(
        text,
        {
            "  Schema as _Schema,",
            "  callCommand as _callCommand,",
            "  type TolvClient as _TolvClient,",
            "export const Schema = _Schema.Struct({})",
            "export type Schema = _Schema.Schema.Type<typeof Schema>",
            "  all: _Schema.Array(File)",
            "export const callCommand = (options?: CallOptions): Effect.Effect<Promise, TolvError, _TolvClient> =>",
            "  _callCommand(\"call_command\", {}, Promise, options)",
            "export const initTolv_ = (args: { files: globalThis.ReadonlyArray<globalThis.File> }, "
            "options?: UploadOptions): globalThis.Promise<void> =>",
            "  runPromise(callUpload(\"init_tolv\", args.files, {}, _Schema.Void, options))",
            "export const runPromise_ = (options?: CallOptions): Effect.Effect<void, TolvError, _TolvClient> =>",
            "export const TolvClient_ = (options?: CallOptions): Effect.Effect<void, TolvError, _TolvClient> =>",
            "  readonly socket: globalThis.WebSocket",
            "          if (ws.readyState > globalThis.WebSocket.OPEN) {",
            "          const closed = (ev: globalThis.CloseEvent) => {",
            "  TolvDecodeError as _TolvDecodeError,",
            "    const clientSchemas: { readonly [E in keyof LiveClientEvents]: _Schema.Schema<LiveClientEvents[E], "
            "any> } = {}",
            "export {\n  initTolv,",
            "  runPromise,\n} from \"./_effect_internal\"",
        });
    EXPECT_FALSE(has_line(text, "  TolvClient,"));
}

// A struct cannot rename a member whose key every object inherits, nor read
// it as a missing member: such members are moved before the struct reads
// them, to a symbol for an inherited source name ("__proto__" included), to
// the wire name when that is inherited. A model whose renames chain moves
// every renamed member to its wire name and renames nothing in its struct.
// Arguments by such names are read only as own members. A wire name
// "__proto__" is refused.
TEST(PrintApi, InheritedKeysAreMovedAndReadOwn) {
    schema::ApiGraph graph;
    add_model(graph, "a_box", {field("__proto__", "secret", prim("str"))});
    add_model(graph, "b_box", {field("__proto__", "secret", prim("str"), false), field("id", "id", prim("int")),
                               field("maker", "constructor", prim("str"), false),
                               field("toString", "toString", nullable(prim("str")), false),
                               field("valueOf", "value", prim("int"))});
    add_model(graph, "plain", {field("constructor", "constructor", prim("str"))});
    add_model(graph, "swap", {field("x", "y", prim("int")), field("y", "x", nullable(prim("int")), false),
                              field("toLocaleString", "z", prim("str"))});
    add_endpoint(graph, "rpc", EndpointKind::Rpc).params = {param("ctor", "constructor", prim("str"), false)};
    const std::string text = print_api(graph, {}).value();
    expect_lines(
        text,
        {
            "const _protoKey = Symbol(\"__proto__\")",
            "const _valueOfKey = Symbol(\"valueOf\")",
            "export const ABox = Schema.compose(_keyMoves([[\"__proto__\", _protoKey]]), Schema.Struct({",
            "  secret: Schema.propertySignature(Schema.String).pipe(Schema.fromKey(_protoKey))",
            "export const BBox = Schema.compose(_keyMoves([[\"__proto__\", _protoKey], [\"maker\", \"constructor\"], "
            "[\"toString\", \"toString\", true], [\"valueOf\", _valueOfKey]]), Schema.Struct({",
            "  secret: Schema.propertySignature(Schema.UndefinedOr(Schema.String)).pipe(Schema.fromKey(_protoKey)),",
            "  constructor: Schema.optional(Schema.String),",
            "  toString: Schema.optional(Schema.String),",
            "  value: Schema.propertySignature(Schema.Number).pipe(Schema.fromKey(_valueOfKey))",
            "}), { strict: false })",
            "export const Plain = Schema.compose(_keyMoves([[\"constructor\", \"constructor\"]]), Schema.Struct({",
            "  constructor: Schema.String",
            "export const Swap = Schema.compose(_keyMoves([[\"x\", \"y\"], [\"y\", \"x\", true], "
            "[\"toLocaleString\", \"z\"]]), Schema.Struct({",
            "  y: Schema.Number,",
            "  x: Schema.optionalWith(Schema.Number, { nullable: true }),",
            "  z: Schema.String",
            "  callCommand(\"rpc\", { ctor: (Object.prototype.hasOwnProperty.call(args, \"constructor\") ? "
            "args.constructor : undefined) }, Schema.Void, options)",
        });
    const std::size_t helper = text.find("const _keyMoves = ");
    EXPECT_LT(helper, text.find("export const ABox"));
    EXPECT_EQ(text.find("const _protoKey", text.find("const _protoKey") + 1), std::string::npos);
    EXPECT_EQ(text.find("_constructorKey"), std::string::npos);
    EXPECT_EQ(text.find("_toLocaleStringKey"), std::string::npos);

    graph.models["b_box"].fields[1].wireName = "__proto__";
    const auto refused = print_api(graph, {});
    ASSERT_FALSE(refused.has_value());
    EXPECT_NE(refused.error().display().find("model \"b_box\" field \"id\" has the wire name \"__proto__\""),
              std::string::npos)
        << refused.error().display();
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(GenerateWithOptions, ApiModuleThenTheRuntimeFromDisk) {
    const std::string runtime = read_file(std::string(TOLV_SOURCE_DIR) + "/src/gen_effect/_effect_internal.ts");
    ASSERT_FALSE(runtime.empty());
    for (const ReturnSurface surface : {ReturnSurface::Effect, ReturnSurface::Promise}) {
        EffectGenOptions options;
        options.default_surface = surface;
        const auto result = generate_with_options({}, options).value();
        ASSERT_EQ(result.files.size(), 2u);
        EXPECT_EQ(result.files[0].path, "api.ts");
        EXPECT_EQ(result.files[0].content, print_api({}, options).value());
        EXPECT_EQ(result.files[1].path, "_effect_internal.ts");
        EXPECT_EQ(result.files[1].content, runtime);
    }
}

}  // namespace
}  // namespace tolv::gen_effect::printer
