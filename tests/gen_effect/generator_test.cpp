#include "gen_effect/generator.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "builders.hpp"
#include "gen_effect/generator.hpp"

namespace tolv::gen_effect::printer {
namespace {

using namespace tolv::test;

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

TEST(PrintApi, RunPromiseFollowsTheOptionsNotTheGraph) {
    schema::ApiGraph graph;
    add_endpoint(graph, "ping", schema::EndpointKind::Rpc);
    EffectGenOptions options;
    options.statics = ReturnSurface::Promise;
    const std::string text = print_api(graph, options).value();
    EXPECT_TRUE(has_line(text, "  runPromise,\n  type CallOptions,"));
    EXPECT_TRUE(has_line(text, "  TolvUploadError,\n  runPromise,\n} from \"./_effect_internal\""));
    EXPECT_TRUE(has_line(text, "  callCommand(\"ping\", {}, Schema.Void, options)"));
}

TEST(PrintApi, ChannelsImportToAsyncIterableOnlyForThePromiseSurface) {
    schema::ApiGraph graph;
    add_endpoint(graph, "feed", schema::EndpointKind::Channel);
    EffectGenOptions options;
    std::string text = print_api(graph, options).value();
    EXPECT_TRUE(has_line(text, "  Stream,"));
    EXPECT_TRUE(has_line(text, "  callChannel,"));
    EXPECT_EQ(text.find("  toAsyncIterable,\n  type CallOptions,"), std::string::npos);
    EXPECT_TRUE(has_line(text, "  TolvUploadError,\n  toAsyncIterable,"));
    options.channels = ReturnSurface::Promise;
    text = print_api(graph, options).value();
    EXPECT_TRUE(has_line(text, "  runPromise,\n  toAsyncIterable,\n  type CallOptions,"));
    EXPECT_TRUE(has_line(text, "  TolvUploadError,\n  runPromise,\n  toAsyncIterable,"));
}

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
