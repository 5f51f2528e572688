#include "gen_ts/endpoints.hpp"

#include "gen_ts/lowering.hpp"
#include "schema/naming.hpp"

namespace tolv::gen_ts {

using schema::Endpoint;
using schema::EndpointKind;
using schema::Param;
using schema::TypeKind;

namespace {

// "wireName?: type"; the optional mark never adds an "undefined" member.
void append_param_member(std::string& out, const Param& param, const schema::ApiGraph& graph) {
    out += param.wireName;
    if (!param.required || param.ty.optional) out += '?';
    out += ": ";
    out += apply_optional_nullable(lower_base(param.ty, graph.enums, false), false, param.ty.nullable);
}

// The result type of a command or upload.
std::string return_type(const Endpoint& endpoint, const schema::ApiGraph& graph) {
    const schema::TypeRef& returns = endpoint.returns;
    std::string base = returns.kind == TypeKind::Void ? "void" : lower_base(returns, graph.enums, false);
    return apply_optional_nullable(std::move(base), returns.optional, returns.nullable);
}

void print_rpc(TsPrinter& p, const Endpoint& endpoint, const KeyMapper& keys, const std::string& fn) {
    const schema::ApiGraph& graph = keys.graph();
    const std::string result = return_type(endpoint, graph);
    const std::string args = args_object(endpoint.params, keys);
    if (endpoint.params.empty()) {
        p.linef("export async function {}(): Promise<{}> {{", fn, result);
    } else {
        p.linef("export async function {}(args: {}): Promise<{}> {{", fn, params_object_type(endpoint.params, graph),
                result);
    }
    p.indent();
    if (response_needs_conversion(endpoint.returns)) {
        p.linef("const _r = await request<any>(\"{}\", {});", endpoint.name, args);
        p.linef("return {};", keys.response(endpoint.returns, "_r", 0));
    } else {
        p.linef("return request<{}>(\"{}\", {});", result, endpoint.name, args);
    }
    p.dedent();
    p.line("}");
}

void print_channel(TsPrinter& p, const Endpoint& endpoint, const KeyMapper& keys, const std::string& fn) {
    const schema::ApiGraph& graph = keys.graph();
    // The item's optional flag has no effect here.
    const std::string item = endpoint.channelItem
                                 ? apply_optional_nullable(lower_base(*endpoint.channelItem, graph.enums, false), false,
                                                           endpoint.channelItem->nullable)
                                 : std::string("unknown");
    if (endpoint.params.empty()) {
        p.linef("export function {}(): BridgeChannel<{}> {{", fn, item);
    } else {
        p.linef("export function {}(args: {}): BridgeChannel<{}> {{", fn, params_object_type(endpoint.params, graph),
                item);
    }
    p.indent();
    p.linef("return createChannel<{}>(\"{}\", {});", item, endpoint.name, args_object(endpoint.params, keys));
    p.dedent();
    p.line("}");
}

void print_upload(TsPrinter& p, const Endpoint& endpoint, const KeyMapper& keys, const std::string& fn) {
    const schema::ApiGraph& graph = keys.graph();
    std::string upload_type = endpoint.multiFile ? "{ files: File[]" : "{ file: File";
    for (const Param& param : endpoint.params) {
        upload_type += "; ";
        append_param_member(upload_type, param, graph);
    }
    upload_type += " }";
    const std::string_view files = endpoint.multiFile ? "args.files" : "[args.file]";
    const std::string result = return_type(endpoint, graph);
    const std::string args = args_object(endpoint.params, keys);

    p.linef("export function {}(args: {}): UploadHandle<{}> {{", fn, upload_type, result);
    p.indent();
    if (response_needs_conversion(endpoint.returns)) {
        // The handle is named so that onProgress can hand back the converting
        // handle itself: a chained `.onProgress(cb).promise` keeps the
        // conversion instead of resolving with the runtime's raw result.
        p.linef("const handle = createUpload<any>(\"{}\", {}, {});", endpoint.name, files, args);
        p.linef("const converted: UploadHandle<{}> = {{", result);
        p.indent();
        p.linef("promise: handle.promise.then((_r: any) => ({})),", keys.response(endpoint.returns, "_r", 0));
        p.line("abort: () => handle.abort(),");
        p.line("onProgress: (callback) => { handle.onProgress(callback); return converted; },");
        p.dedent();
        p.line("};");
        p.line("return converted;");
    } else {
        p.linef("return createUpload<{}>(\"{}\", {}, {});", result, endpoint.name, files, args);
    }
    p.dedent();
    p.line("}");
}

void print_static(TsPrinter& p, const Endpoint& endpoint, const KeyMapper& keys, const std::string& fn) {
    const schema::ApiGraph& graph = keys.graph();
    if (endpoint.params.empty()) {
        p.linef("export function {}Url(): string {{", fn);
        p.indent();
        p.linef("return `${{getBaseUrl()}}/static/{}`;", endpoint.name);
    } else {
        p.linef("export function {}Url(args: {}): string {{", fn, params_object_type(endpoint.params, graph));
        p.indent();
        p.line("const params = new URLSearchParams();");
        for (const Param& param : endpoint.params) {
            if (param.required && !param.ty.optional) {
                p.linef("params.set(\"{}\", String(args.{}));", param.sourceName, param.wireName);
            } else {
                p.linef("if (args.{} !== undefined) params.set(\"{}\", String(args.{}));", param.wireName,
                        param.sourceName, param.wireName);
            }
        }
        p.linef("return `${{getBaseUrl()}}/static/{}?${{params}}`;", endpoint.name);
    }
    p.dedent();
    p.line("}");
}

}  // namespace

std::string params_object_type(const std::vector<Param>& params, const schema::ApiGraph& graph) {
    std::string out = "{ ";
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (i != 0) out += "; ";
        append_param_member(out, params[i], graph);
    }
    out += " }";
    return out;
}

std::string args_object(const std::vector<Param>& params, const KeyMapper& keys) {
    if (params.empty()) return "{}";
    std::string out = "{ ";
    std::string expr;
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (i != 0) out += ", ";
        out += params[i].sourceName;
        out += ": ";
        expr.assign("args.");
        expr += params[i].wireName;
        out += keys.request(params[i].ty, expr, 0, !params[i].required);
    }
    out += " }";
    return out;
}

void print_endpoint_function(TsPrinter& printer, const Endpoint& endpoint, const KeyMapper& keys) {
    if (endpoint.kind == EndpointKind::Ws) return;
    if (endpoint.doc) printer.doc(*endpoint.doc);
    const std::string fn = schema::to_camel_case(endpoint.name);
    switch (endpoint.kind) {
        case EndpointKind::Rpc: print_rpc(printer, endpoint, keys, fn); break;
        case EndpointKind::Channel: print_channel(printer, endpoint, keys, fn); break;
        case EndpointKind::Upload: print_upload(printer, endpoint, keys, fn); break;
        case EndpointKind::Static: print_static(printer, endpoint, keys, fn); break;
        case EndpointKind::Ws: break;
    }
}

}  // namespace tolv::gen_ts
