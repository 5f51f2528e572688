#include "gen_effect/printer.hpp"

#include <array>
#include <string_view>
#include <vector>

#include "gen_effect/endpoints.hpp"
#include "gen_effect/model_schemas.hpp"

namespace tolv::gen_effect::printer {

namespace {

using schema::EndpointKind;

constexpr std::size_t kind_count = 5;

std::size_t kind_index(EndpointKind kind) { return static_cast<std::size_t>(kind); }

// Which kinds of endpoint the graph holds, and the surfaces in force.
struct Usage {
    std::array<bool, kind_count> has{};
    bool any_promise = false;
    bool promise_channels = false;

    Usage(const schema::ApiGraph& graph, const EffectGenOptions& options) {
        for (const auto& entry : graph.endpoints) has[kind_index(entry.second.kind)] = true;
        for (const EndpointKind kind :
             {EndpointKind::Rpc, EndpointKind::Channel, EndpointKind::Upload, EndpointKind::Static}) {
            any_promise = any_promise || resolve_surface(options, kind) == ReturnSurface::Promise;
        }
        promise_channels = has_kind(EndpointKind::Channel) &&
                           resolve_surface(options, EndpointKind::Channel) == ReturnSurface::Promise;
    }

    bool has_kind(EndpointKind kind) const { return has[kind_index(kind)]; }
};

// "import {" / "export {" block: the opening line, the entries, the closing line.
std::string braces_block(std::string_view opening, const std::vector<std::string_view>& entries,
                         std::string_view closing) {
    std::string text(opening);
    for (const std::string_view entry : entries) {
        text += "\n  ";
        text += entry;
    }
    text += '\n';
    text += closing;
    return text;
}

std::string effect_import(const Usage& usage) {
    std::vector<std::string_view> entries{"Effect,", "Schema,"};
    if (usage.has_kind(EndpointKind::Channel) || usage.has_kind(EndpointKind::Ws)) entries.push_back("Stream,");
    return braces_block("import {", entries, "} from \"effect\"");
}

std::string runtime_import(const Usage& usage) {
    std::vector<std::string_view> entries{"callCommand,"};
    if (usage.has_kind(EndpointKind::Channel)) entries.push_back("callChannel,");
    if (usage.has_kind(EndpointKind::Upload)) entries.push_back("callUpload,");
    if (usage.has_kind(EndpointKind::Static)) entries.push_back("buildStaticUrl,");
    if (usage.has_kind(EndpointKind::Ws)) entries.push_back("openWebSocket,");
    if (usage.any_promise) entries.push_back("runPromise,");
    if (usage.promise_channels) entries.push_back("toAsyncIterable,");
    entries.push_back("type CallOptions,");
    if (usage.has_kind(EndpointKind::Upload)) entries.push_back("type UploadOptions,");
    entries.push_back("type TolvClient,");
    entries.push_back("type TolvError,");
    if (usage.has_kind(EndpointKind::Ws)) entries.push_back("TolvNetworkError,");
    return braces_block("import {", entries, "} from \"./_effect_internal\"");
}

std::string runtime_reexport(const Usage& usage) {
    std::vector<std::string_view> entries{"TolvClient,", "initTolv,", "layerTolvClient,", "disposeTolv,",
                                          "type CallOptions,"};
    if (usage.has_kind(EndpointKind::Upload)) {
        entries.push_back("type UploadOptions,");
        entries.push_back("type UploadProgressEvent,");
    }
    for (const std::string_view entry :
         {"type RetryOptions,", "type BackoffStrategy,", "type TolvClientConfig,", "type TolvError,",
          "TolvNetworkError,", "TolvHttpError,", "TolvTimeoutError,", "TolvDecodeError,", "TolvAbortError,",
          "TolvStreamError,", "TolvUploadError,"}) {
        entries.push_back(entry);
    }
    if (usage.any_promise) entries.push_back("runPromise,");
    if (usage.has_kind(EndpointKind::Channel)) entries.push_back("toAsyncIterable,");
    return braces_block("export {", entries, "} from \"./_effect_internal\"");
}

struct Section {
    EndpointKind kind;
    std::string_view title;
};

constexpr std::array<Section, kind_count> endpoint_sections{{
    {EndpointKind::Rpc, "// ============ Commands ============"},
    {EndpointKind::Channel, "// ============ Channels ============"},
    {EndpointKind::Upload, "// ============ Uploads ============"},
    {EndpointKind::Static, "// ============ Static Files ============"},
    {EndpointKind::Ws, "// ============ WebSockets ============"},
}};

std::string emit_endpoint(const schema::Endpoint& endpoint, const schema::ApiGraph& graph,
                          const EffectGenOptions& options) {
    const ReturnSurface surface = resolve_surface(options, endpoint.kind);
    switch (endpoint.kind) {
        case EndpointKind::Rpc: return emit_rpc(endpoint, graph, surface);
        case EndpointKind::Channel: return emit_channel(endpoint, graph, surface);
        case EndpointKind::Upload: return emit_upload(endpoint, graph, surface);
        case EndpointKind::Static: return emit_static(endpoint, graph, surface);
        case EndpointKind::Ws: return emit_websocket(endpoint, graph);
    }
    return {};
}

}  // namespace

ReturnSurface resolve_surface(const EffectGenOptions& options, EndpointKind kind) {
    std::optional<ReturnSurface> override_surface;
    switch (kind) {
        case EndpointKind::Rpc: override_surface = options.commands; break;
        case EndpointKind::Channel: override_surface = options.channels; break;
        case EndpointKind::Upload: override_surface = options.uploads; break;
        case EndpointKind::Static: override_surface = options.statics; break;
        case EndpointKind::Ws: break;
    }
    return override_surface.value_or(options.default_surface);
}

std::string print_api(const schema::ApiGraph& graph, const EffectGenOptions& options) {
    const Usage usage(graph, options);
    std::string out = "/* Auto-generated by Tolv Effect connector - DO NOT EDIT */";
    const auto add_part = [&out](const std::string& part) {
        out += "\n\n";
        out += part;
    };
    add_part(effect_import(usage));
    add_part(runtime_import(usage));
    add_part(runtime_reexport(usage));

    const std::vector<std::string> models = lowering::render_model_schemas(graph);
    if (!models.empty()) {
        out += "\n\n// ============ Schemas ============";
        for (const std::string& model : models) add_part(model);
    }

    // One pass groups the endpoints by kind, keeping map order in each group.
    std::array<std::vector<const schema::Endpoint*>, kind_count> by_kind;
    for (const auto& entry : graph.endpoints) by_kind[kind_index(entry.second.kind)].push_back(&entry.second);
    for (const Section& section : endpoint_sections) {
        const auto& endpoints = by_kind[kind_index(section.kind)];
        if (endpoints.empty()) continue;
        out += "\n\n";
        out += section.title;
        for (const schema::Endpoint* endpoint : endpoints) add_part(emit_endpoint(*endpoint, graph, options));
    }
    out += '\n';
    return out;
}

}  // namespace tolv::gen_effect::printer
