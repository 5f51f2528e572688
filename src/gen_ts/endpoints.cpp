#include "gen_ts/endpoints.hpp"

#include "codegen/declared_names.hpp"
#include "codegen/safe_names.hpp"
#include "codegen/vocabulary.hpp"
#include "gen_ts/lowering.hpp"

namespace tolv::gen_ts {

using codegen::Printer;
using codegen::QuoteStyle;
using schema::Endpoint;
using schema::EndpointKind;
using schema::Param;
using schema::TypeKind;

namespace {

// The endpoint's name as a string literal.
std::string quoted_name(const Endpoint& endpoint) {
    std::string out;
    codegen::append_string_literal(out, endpoint.name, QuoteStyle::Plain);
    return out;
}

// "wireName?: type"; the optional mark never adds an "undefined" member.
void append_param_member(std::string& out, const Param& param, const ApiContext& api) {
    codegen::append_property_key(out, param.wireName, QuoteStyle::Plain);
    if (codegen::is_optional(param)) out += '?';
    out += ": ";
    out += apply_optional_nullable(lower_base(param.ty, api.types, false), false, param.ty.nullable);
}

// "{ a: T; b?: U }": the type of the generated function's `args`.
std::string params_object_type(const std::vector<Param>& params, const ApiContext& api) {
    std::string out = "{ ";
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (i != 0) out += "; ";
        append_param_member(out, params[i], api);
    }
    out += " }";
    return out;
}

// The object literal handed to the runtime: source names as keys, wire-named
// arguments as values, models converted to source names; "{}" when empty.
std::string args_object(const std::vector<Param>& params, const KeyMapper& keys) {
    if (params.empty()) return "{}";
    std::string out = "{ ";
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (i != 0) out += ", ";
        codegen::append_object_key(out, params[i].sourceName, QuoteStyle::Plain);
        out += ": ";
        // args.wireName, or _own(args, "constructor"), which is of type any.
        std::string arg;
        const bool untyped = keys.append_read(arg, "args", params[i].wireName);
        out += keys.request(params[i].ty, arg, 0, !params[i].required, untyped);
    }
    out += " }";
    return out;
}

// The result type of a command or upload.
std::string return_type(const Endpoint& endpoint, const ApiContext& api) {
    const schema::TypeRef& returns = endpoint.returns;
    std::string base = returns.kind == TypeKind::Void ? "void" : lower_base(returns, api.types, false);
    return apply_optional_nullable(std::move(base), returns.optional, returns.nullable);
}

void print_rpc(Printer& p, const Endpoint& endpoint, const ApiContext& api, const std::string& fn) {
    const std::string result = return_type(endpoint, api);
    const std::string args = args_object(endpoint.params, api.keys);
    const std::string params = endpoint.params.empty() ? "" : "args: " + params_object_type(endpoint.params, api);
    const std::string name = quoted_name(endpoint);
    p.emit({{"fn", fn}, {"params", params}, {"Promise", api.promise}, {"result", result}},
           "export async function $fn$($params$): $Promise$<$result$> {");
    p.indent();
    if (response_needs_conversion(endpoint.returns)) {
        const std::string converted = api.keys.response(endpoint.returns, "_r", 0);
        p.emit({{"request", api.request}, {"name", name}, {"args", args}, {"converted", converted}}, R"(
            const _r = await $request$<any>($name$, $args$);
            return $converted$;
        )");
    } else {
        p.emit({{"request", api.request}, {"result", result}, {"name", name}, {"args", args}},
               "return $request$<$result$>($name$, $args$);");
    }
    p.dedent();
    p.line("}");
}

void print_channel(Printer& p, const Endpoint& endpoint, const ApiContext& api, const std::string& fn) {
    // The item's optional flag has no effect here.
    const std::string item = endpoint.channelItem
                                 ? apply_optional_nullable(lower_base(*endpoint.channelItem, api.types, false), false,
                                                           endpoint.channelItem->nullable)
                                 : std::string("unknown");
    const std::string params = endpoint.params.empty() ? "" : "args: " + params_object_type(endpoint.params, api);
    const std::string args = args_object(endpoint.params, api.keys);
    // Items holding models are converted to wire names by the runtime,
    // before any subscriber sees them.
    std::string convert;
    if (endpoint.channelItem && response_needs_conversion(*endpoint.channelItem)) {
        const std::string converted = api.keys.response(*endpoint.channelItem, "_r", 0);
        if (converted != "_r") convert.append(", (_r: any) => (").append(converted).append(")");
    }
    p.emit({{"fn", fn},
            {"params", params},
            {"BridgeChannel", api.bridge_channel},
            {"item", item},
            {"createChannel", api.create_channel},
            {"name", quoted_name(endpoint)},
            {"args", args},
            {"convert", convert}},
           R"(
        export function $fn$($params$): $BridgeChannel$<$item$> {
            return $createChannel$<$item$>($name$, $args$$convert$);
        }
    )");
}

void print_upload(Printer& p, const Endpoint& endpoint, const ApiContext& api, const std::string& fn) {
    std::string upload_type = endpoint.multiFile ? "{ files: " + api.file + "[]" : "{ file: " + api.file;
    for (const Param& param : endpoint.params) {
        upload_type += "; ";
        append_param_member(upload_type, param, api);
    }
    upload_type += " }";
    const std::string_view files = endpoint.multiFile ? "args.files" : "[args.file]";
    const std::string result = return_type(endpoint, api);
    const std::string args = args_object(endpoint.params, api.keys);
    const std::string name = quoted_name(endpoint);

    p.emit({{"fn", fn}, {"type", upload_type}, {"UploadHandle", api.upload_handle}, {"result", result}},
           "export function $fn$(args: $type$): $UploadHandle$<$result$> {");
    p.indent();
    if (response_needs_conversion(endpoint.returns)) {
        // The handle is named so that onProgress can hand back the converting
        // handle itself: a chained `.onProgress(cb).promise` keeps the
        // conversion instead of resolving with the runtime's raw result.
        const std::string converted = api.keys.response(endpoint.returns, "_r", 0);
        p.emit({{"createUpload", api.create_upload},
                {"name", name},
                {"files", files},
                {"args", args},
                {"UploadHandle", api.upload_handle},
                {"result", result},
                {"converted", converted}},
               R"(
            const handle = $createUpload$<any>($name$, $files$, $args$);
            const converted: $UploadHandle$<$result$> = {
                promise: handle.promise.then((_r: any) => ($converted$)),
                abort: () => handle.abort(),
                onProgress: (callback) => { handle.onProgress(callback); return converted; },
            };
            return converted;
        )");
    } else {
        p.emit(
            {{"createUpload", api.create_upload}, {"result", result}, {"name", name}, {"files", files}, {"args", args}},
            "return $createUpload$<$result$>($name$, $files$, $args$);");
    }
    p.dedent();
    p.line("}");
}

void print_static(Printer& p, const Endpoint& endpoint, const ApiContext& api, const std::string& fn) {
    // The name is written into the URL as it is, only escaped for the template literal.
    std::string path;
    codegen::append_template_text(path, endpoint.name);
    if (endpoint.params.empty()) {
        p.emit({{"fn", fn}, {"getBaseUrl", api.get_base_url}, {"path", path}}, R"(
            export function $fn$(): string {
                return `${$getBaseUrl$()}/static/$path$`;
            }
        )");
        return;
    }
    p.emit({{"fn", fn}, {"type", params_object_type(endpoint.params, api)}, {"URLSearchParams", api.url_search_params}},
           R"(
        export function $fn$(args: $type$): string {
            const params = new $URLSearchParams$();
    )");
    p.indent();
    std::string key;
    for (const Param& param : endpoint.params) {
        key.clear();
        codegen::append_string_literal(key, param.sourceName, QuoteStyle::Plain);
        std::string arg;
        api.keys.append_read(arg, "args", param.wireName);
        const std::initializer_list<codegen::Var> names{{"key", key}, {"arg", arg}, {"String", api.string}};
        if (param.required && !param.ty.optional) {
            p.emit(names, "params.set($key$, $String$($arg$));");
        } else {
            p.emit(names, "if ($arg$ !== undefined) params.set($key$, $String$($arg$));");
        }
    }
    p.emit({{"getBaseUrl", api.get_base_url}, {"path", path}}, "return `${$getBaseUrl$()}/static/$path$?${params}`;");
    p.dedent();
    p.line("}");
}

}  // namespace

void print_endpoint_function(Printer& printer, const Endpoint& endpoint, const ApiContext& api) {
    if (endpoint.kind == EndpointKind::Ws) return;
    if (endpoint.doc) printer.doc(*endpoint.doc);
    const std::string fn = api.declared.function_name(endpoint);
    switch (endpoint.kind) {
        case EndpointKind::Rpc: print_rpc(printer, endpoint, api, fn); break;
        case EndpointKind::Channel: print_channel(printer, endpoint, api, fn); break;
        case EndpointKind::Upload: print_upload(printer, endpoint, api, fn); break;
        case EndpointKind::Static: print_static(printer, endpoint, api, fn); break;
        case EndpointKind::Ws: break;
    }
}

}  // namespace tolv::gen_ts
