#include "gen_effect/endpoints.hpp"

#include <algorithm>

#include "codegen/declared_names.hpp"
#include "codegen/printer.hpp"
#include "codegen/vocabulary.hpp"
#include "schema/naming.hpp"

namespace tolv::gen_effect::printer {

namespace {

using codegen::Printer;
using lowering::EnumMap;
using lowering::lower_with_enums;
using lowering::TypeExpr;
using schema::Endpoint;

bool is_required(const schema::Param& param) { return !codegen::is_optional(param); }

bool holds_model(const schema::TypeRef& ty) {
    switch (ty.kind) {
        case schema::TypeKind::Model: return true;
        case schema::TypeKind::Array:
        case schema::TypeKind::Record:
        case schema::TypeKind::Tuple:
        case schema::TypeKind::Union: return std::ranges::any_of(ty.inner, holds_model);
        default: return false;
    }
}

// "wireName?: type"; the optional mark is not repeated as an "undefined" member.
std::string param_field(const schema::Param& param, const EnumMap& enums) {
    schema::TypeRef ty = param.ty;
    ty.optional = false;
    return param.wireName + (is_required(param) ? ": " : "?: ") + lower_with_enums(ty, enums).ts;
}

// The function of each kind. "$open$" and "$close$" wrap the call for the
// Promise surface; "$type$" is the result type in the surface's form.
constexpr std::string_view rpc_function = R"(
    export const $fn$ = ($args$options?: CallOptions): $type$ =>
      $open$callCommand("$name$", $payload$, $schema$, options)$close$
)";
constexpr std::string_view channel_function = R"(
    export const $fn$ = ($args$options?: CallOptions): $type$ =>
      $open$callChannel("$name$", $payload$, $schema$, options)$close$
)";
constexpr std::string_view upload_function = R"(
    export const $fn$ = ($args$options?: UploadOptions): $type$ =>
      $open$callUpload("$name$", $files$, $payload$, $schema$, options)$close$
)";
constexpr std::string_view static_function = R"(
    export const $fn$ = ($args$): $type$ =>
      $open$buildStaticUrl("$name$", $payload$)$close$
)";

// "Effect.Effect<T, TolvError, TolvClient>" or "Promise<T>" (for a channel
// "Stream.Stream<...>" or "AsyncIterable<T>").
std::string result_type(ReturnSurface surface, std::string_view effect_type, std::string_view promise_type,
                        const std::string& ts) {
    const bool effect = surface == ReturnSurface::Effect;
    return std::string(effect ? effect_type : promise_type) + "<" + ts + (effect ? ", TolvError, TolvClient>" : ">");
}

}  // namespace

std::string params_object(const std::vector<schema::Param>& params, const EnumMap& enums) {
    if (params.empty()) return "void";
    std::string fields;
    for (const bool required_pass : {true, false}) {
        for (const schema::Param& param : params) {
            if (is_required(param) != required_pass) continue;
            if (!fields.empty()) fields += "; ";
            fields += param_field(param, enums);
        }
    }
    return "{ " + fields + " }";
}

std::string param_payload_expr(const schema::Param& param, const EnumMap& enums) {
    const std::string access = "args." + param.wireName;
    if (!holds_model(param.ty)) return access;
    const std::string schema = lower_with_enums(param.ty, enums).schema;
    if (is_required(param)) return "Schema.encodeUnknownSync(" + schema + ")(" + access + ")";
    return access + " === undefined ? undefined : Schema.encodeUnknownSync(" + schema + ")(" + access + ")";
}

std::string args_payload(const std::vector<schema::Param>& params, const EnumMap& enums) {
    if (params.empty()) return "{}";
    return "{ " +
           codegen::join(
               params, ", ",
               [&](const schema::Param& param) { return param.sourceName + ": " + param_payload_expr(param, enums); }) +
           " }";
}

void print_endpoint_function(Printer& p, const Endpoint& endpoint, const EnumMap& enums, ReturnSurface surface) {
    const std::string params = params_object(endpoint.params, enums);
    std::string args = params == "void" ? std::string() : "args: " + params + ", ";
    std::string_view runner = "runPromise(";
    std::string_view files;
    std::string type;
    std::string_view code;
    TypeExpr result;
    switch (endpoint.kind) {
        case schema::EndpointKind::Rpc:
            result = lower_with_enums(endpoint.returns, enums);
            type = result_type(surface, "Effect.Effect", "Promise", result.ts);
            code = rpc_function;
            break;
        case schema::EndpointKind::Channel:
            result = endpoint.channelItem ? lower_with_enums(*endpoint.channelItem, enums)
                                          : TypeExpr{"unknown", "Schema.Unknown"};
            type = result_type(surface, "Stream.Stream", "AsyncIterable", result.ts);
            runner = "toAsyncIterable(";
            code = channel_function;
            break;
        case schema::EndpointKind::Upload:
            // The file or files, then the parameters' properties without
            // params_object's braces.
            result = lower_with_enums(endpoint.returns, enums);
            type = result_type(surface, "Effect.Effect", "Promise", result.ts);
            args = endpoint.multiFile ? "args: { files: ReadonlyArray<File>" : "args: { file: File";
            if (params != "void") args.append("; ").append(params, 2, params.size() - 4);
            args += " }, ";
            files = endpoint.multiFile ? "args.files" : "[args.file]";
            code = upload_function;
            break;
        case schema::EndpointKind::Static:
            if (!args.empty()) args.resize(args.size() - 2);  // no options parameter follows
            type = surface == ReturnSurface::Effect ? "Effect.Effect<string, never, TolvClient>" : "Promise<string>";
            code = static_function;
            break;
        case schema::EndpointKind::Ws: return;
    }
    const bool promise = surface == ReturnSurface::Promise;
    if (endpoint.doc) p.doc(*endpoint.doc);
    p.emit({{"fn", codegen::function_name(endpoint)},
            {"args", args},
            {"type", type},
            {"open", promise ? runner : ""},
            {"name", endpoint.name},
            {"files", files},
            {"payload", args_payload(endpoint.params, enums)},
            {"schema", result.schema},
            {"close", promise ? ")" : ""}},
           code);
}

}  // namespace tolv::gen_effect::printer
