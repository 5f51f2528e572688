#include "gen_effect/endpoints.hpp"

#include <algorithm>

#include "schema/naming.hpp"

namespace tolv::gen_effect::printer {

namespace {

using codegen::Printer;
using lowering::EnumMap;
using lowering::lower_with_enums;
using schema::Endpoint;
using types::TypeExpr;

bool is_required(const schema::Param& param) { return param.required && !param.ty.optional; }

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

// What differs between the functions of the four kinds, beside the template.
struct Parts {
    std::string args;              // the parameters before `options`
    std::string type;              // the result type
    std::string_view schema;       // decodes the result
    std::string_view files = "";   // uploads: the file list
    std::string_view runner = "";  // wraps the call for the Promise surface
};

void print_function(Printer& p, const Endpoint& endpoint, const EnumMap& enums, ReturnSurface surface,
                    const Parts& parts, std::string_view code) {
    const std::string fn = schema::to_camel_case(endpoint.name);
    const std::string payload = args_payload(endpoint.params, enums);
    const bool promise = surface == ReturnSurface::Promise;
    p.emit({{"fn", fn},
            {"args", parts.args},
            {"type", parts.type},
            {"open", promise ? parts.runner : ""},
            {"name", endpoint.name},
            {"files", parts.files},
            {"payload", payload},
            {"schema", parts.schema},
            {"close", promise ? ")" : ""}},
           code);
}

// "args: T, " before the options parameter, or nothing without parameters.
std::string args_before_options(const std::vector<schema::Param>& params, const EnumMap& enums) {
    const std::string args = params_object(params, enums);
    return args == "void" ? std::string() : "args: " + args + ", ";
}

std::string effect_or_promise(ReturnSurface surface, std::string_view effect_type, const std::string& ts,
                              std::string_view promise_type) {
    std::string out(surface == ReturnSurface::Effect ? effect_type : promise_type);
    out += '<';
    out += ts;
    out += surface == ReturnSurface::Effect ? ", TolvError, TolvClient>" : ">";
    return out;
}

void print_rpc(Printer& p, const Endpoint& endpoint, const EnumMap& enums, ReturnSurface surface) {
    const TypeExpr result = lower_with_enums(endpoint.returns, enums);
    const Parts parts{args_before_options(endpoint.params, enums),
                      effect_or_promise(surface, "Effect.Effect", result.ts, "Promise"), result.schema, "",
                      "runPromise("};
    print_function(p, endpoint, enums, surface, parts, R"(
        export const $fn$ = ($args$options?: CallOptions): $type$ =>
          $open$callCommand("$name$", $payload$, $schema$, options)$close$
    )");
}

void print_channel(Printer& p, const Endpoint& endpoint, const EnumMap& enums, ReturnSurface surface) {
    const TypeExpr item =
        endpoint.channelItem ? lower_with_enums(*endpoint.channelItem, enums) : TypeExpr{"unknown", "Schema.Unknown"};
    const Parts parts{args_before_options(endpoint.params, enums),
                      effect_or_promise(surface, "Stream.Stream", item.ts, "AsyncIterable"), item.schema, "",
                      "toAsyncIterable("};
    print_function(p, endpoint, enums, surface, parts, R"(
        export const $fn$ = ($args$options?: CallOptions): $type$ =>
          $open$callChannel("$name$", $payload$, $schema$, options)$close$
    )");
}

void print_upload(Printer& p, const Endpoint& endpoint, const EnumMap& enums, ReturnSurface surface) {
    const TypeExpr result = lower_with_enums(endpoint.returns, enums);
    std::string args = endpoint.multiFile ? "{ files: ReadonlyArray<File>" : "{ file: File";
    if (const std::string params = params_object(endpoint.params, enums); params != "void") {
        // The parameters' properties, without params_object's braces.
        args += "; ";
        args.append(params, 2, params.size() - 4);
    }
    args += " }";
    const Parts parts{std::move(args), effect_or_promise(surface, "Effect.Effect", result.ts, "Promise"), result.schema,
                      endpoint.multiFile ? "args.files" : "[args.file]", "runPromise("};
    print_function(p, endpoint, enums, surface, parts, R"(
        export const $fn$ = (args: $args$, options?: UploadOptions): $type$ =>
          $open$callUpload("$name$", $files$, $payload$, $schema$, options)$close$
    )");
}

void print_static(Printer& p, const Endpoint& endpoint, const EnumMap& enums, ReturnSurface surface) {
    const std::string params = params_object(endpoint.params, enums);
    const Parts parts{params == "void" ? std::string() : "args: " + params,
                      surface == ReturnSurface::Effect ? "Effect.Effect<string, never, TolvClient>" : "Promise<string>",
                      "", "", "runPromise("};
    print_function(p, endpoint, enums, surface, parts, R"(
        export const $fn$Url = ($args$): $type$ =>
          $open$buildStaticUrl("$name$", $payload$)$close$
    )");
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
    std::string entries;
    for (const schema::Param& param : params) {
        if (!entries.empty()) entries += ", ";
        entries += param.sourceName + ": " + param_payload_expr(param, enums);
    }
    return "{ " + entries + " }";
}

void print_endpoint_function(Printer& p, const Endpoint& endpoint, const EnumMap& enums, ReturnSurface surface) {
    if (endpoint.doc) p.doc(*endpoint.doc);
    switch (endpoint.kind) {
        case schema::EndpointKind::Rpc: print_rpc(p, endpoint, enums, surface); break;
        case schema::EndpointKind::Channel: print_channel(p, endpoint, enums, surface); break;
        case schema::EndpointKind::Upload: print_upload(p, endpoint, enums, surface); break;
        case schema::EndpointKind::Static: print_static(p, endpoint, enums, surface); break;
        case schema::EndpointKind::Ws: break;
    }
}

}  // namespace tolv::gen_effect::printer
