#include "gen_ts/endpoints.hpp"

#include "codegen/declared_names.hpp"
#include "codegen/vocabulary.hpp"
#include "gen_ts/lowering.hpp"
#include "schema/naming.hpp"

namespace tolv::gen_ts {

using codegen::Printer;
using schema::Endpoint;
using schema::EndpointKind;
using schema::Param;
using schema::TypeKind;

namespace {

// "wireName?: type"; the optional mark never adds an "undefined" member.
void append_param_member(std::string& out, const Param& param, const schema::ApiGraph& graph) {
    out += param.wireName;
    if (codegen::is_optional(param)) out += '?';
    out += ": ";
    out += apply_optional_nullable(lower_base(param.ty, graph.enums, false), false, param.ty.nullable);
}

// "{ a: T; b?: U }": the type of the generated function's `args`.
std::string params_object_type(const std::vector<Param>& params, const schema::ApiGraph& graph) {
    std::string out = "{ ";
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (i != 0) out += "; ";
        append_param_member(out, params[i], graph);
    }
    out += " }";
    return out;
}

// The object literal handed to the runtime: source names as keys, wire-named
// arguments as values, models converted to source names; "{}" when empty.
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

// The result type of a command or upload.
std::string return_type(const Endpoint& endpoint, const schema::ApiGraph& graph) {
    const schema::TypeRef& returns = endpoint.returns;
    std::string base = returns.kind == TypeKind::Void ? "void" : lower_base(returns, graph.enums, false);
    return apply_optional_nullable(std::move(base), returns.optional, returns.nullable);
}

void print_rpc(Printer& p, const Endpoint& endpoint, const KeyMapper& keys, const std::string& fn) {
    const schema::ApiGraph& graph = keys.graph();
    const std::string result = return_type(endpoint, graph);
    const std::string args = args_object(endpoint.params, keys);
    const std::string params = endpoint.params.empty() ? "" : "args: " + params_object_type(endpoint.params, graph);
    p.emit({{"fn", fn}, {"params", params}, {"result", result}},
           "export async function $fn$($params$): Promise<$result$> {");
    p.indent();
    if (response_needs_conversion(endpoint.returns)) {
        const std::string converted = keys.response(endpoint.returns, "_r", 0);
        p.emit({{"name", endpoint.name}, {"args", args}, {"converted", converted}}, R"(
            const _r = await request<any>("$name$", $args$);
            return $converted$;
        )");
    } else {
        p.emit({{"result", result}, {"name", endpoint.name}, {"args", args}},
               "return request<$result$>(\"$name$\", $args$);");
    }
    p.dedent();
    p.line("}");
}

void print_channel(Printer& p, const Endpoint& endpoint, const KeyMapper& keys, const std::string& fn) {
    const schema::ApiGraph& graph = keys.graph();
    // The item's optional flag has no effect here.
    const std::string item = endpoint.channelItem
                                 ? apply_optional_nullable(lower_base(*endpoint.channelItem, graph.enums, false), false,
                                                           endpoint.channelItem->nullable)
                                 : std::string("unknown");
    const std::string params = endpoint.params.empty() ? "" : "args: " + params_object_type(endpoint.params, graph);
    const std::string args = args_object(endpoint.params, keys);
    p.emit({{"fn", fn}, {"params", params}, {"item", item}, {"name", endpoint.name}, {"args", args}}, R"(
        export function $fn$($params$): BridgeChannel<$item$> {
            return createChannel<$item$>("$name$", $args$);
        }
    )");
}

void print_upload(Printer& p, const Endpoint& endpoint, const KeyMapper& keys, const std::string& fn) {
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

    p.emit({{"fn", fn}, {"type", upload_type}, {"result", result}},
           "export function $fn$(args: $type$): UploadHandle<$result$> {");
    p.indent();
    if (response_needs_conversion(endpoint.returns)) {
        // The handle is named so that onProgress can hand back the converting
        // handle itself: a chained `.onProgress(cb).promise` keeps the
        // conversion instead of resolving with the runtime's raw result.
        const std::string converted = keys.response(endpoint.returns, "_r", 0);
        p.emit(
            {{"name", endpoint.name}, {"files", files}, {"args", args}, {"result", result}, {"converted", converted}},
            R"(
            const handle = createUpload<any>("$name$", $files$, $args$);
            const converted: UploadHandle<$result$> = {
                promise: handle.promise.then((_r: any) => ($converted$)),
                abort: () => handle.abort(),
                onProgress: (callback) => { handle.onProgress(callback); return converted; },
            };
            return converted;
        )");
    } else {
        p.emit({{"result", result}, {"name", endpoint.name}, {"files", files}, {"args", args}},
               "return createUpload<$result$>(\"$name$\", $files$, $args$);");
    }
    p.dedent();
    p.line("}");
}

void print_static(Printer& p, const Endpoint& endpoint, const KeyMapper& keys, const std::string& fn) {
    const schema::ApiGraph& graph = keys.graph();
    if (endpoint.params.empty()) {
        p.emit({{"fn", fn}, {"name", endpoint.name}}, R"(
            export function $fn$(): string {
                return `${getBaseUrl()}/static/$name$`;
            }
        )");
        return;
    }
    p.emit({{"fn", fn}, {"type", params_object_type(endpoint.params, graph)}}, R"(
        export function $fn$(args: $type$): string {
            const params = new URLSearchParams();
    )");
    p.indent();
    for (const Param& param : endpoint.params) {
        const std::initializer_list<codegen::Var> names{{"source", param.sourceName}, {"wire", param.wireName}};
        if (param.required && !param.ty.optional) {
            p.emit(names, "params.set(\"$source$\", String(args.$wire$));");
        } else {
            p.emit(names, "if (args.$wire$ !== undefined) params.set(\"$source$\", String(args.$wire$));");
        }
    }
    p.emit({{"name", endpoint.name}}, "return `${getBaseUrl()}/static/$name$?${params}`;");
    p.dedent();
    p.line("}");
}

}  // namespace

void print_endpoint_function(Printer& printer, const Endpoint& endpoint, const KeyMapper& keys) {
    if (endpoint.kind == EndpointKind::Ws) return;
    if (endpoint.doc) printer.doc(*endpoint.doc);
    const std::string fn = codegen::function_name(endpoint);
    switch (endpoint.kind) {
        case EndpointKind::Rpc: print_rpc(printer, endpoint, keys, fn); break;
        case EndpointKind::Channel: print_channel(printer, endpoint, keys, fn); break;
        case EndpointKind::Upload: print_upload(printer, endpoint, keys, fn); break;
        case EndpointKind::Static: print_static(printer, endpoint, keys, fn); break;
        case EndpointKind::Ws: break;
    }
}

}  // namespace tolv::gen_ts
