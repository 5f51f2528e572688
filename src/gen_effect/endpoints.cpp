#include "gen_effect/endpoints.hpp"

#include <algorithm>

#include "gen_effect/doc_comment.hpp"
#include "gen_effect/lowering.hpp"
#include "schema/naming.hpp"

namespace tolv::gen_effect::printer {

namespace {

using lowering::lower_with_enums;
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

// Doc lines, the signature line and the body line around the call.
std::string frame(const schema::Endpoint& endpoint, const std::string& signature, const std::string& call,
                  std::string_view promise_wrapper, ReturnSurface surface) {
    std::string text;
    for (const std::string& line : doc_block(endpoint.doc)) {
        text += line;
        text += '\n';
    }
    text += signature;
    text += "\n  ";
    if (surface == ReturnSurface::Effect) {
        text += call;
    } else {
        text += promise_wrapper;
        text += '(';
        text += call;
        text += ')';
    }
    return text;
}

// "(args: {}, options?: {})" or "(options?: {})" without parameters.
std::string parameter_list(const std::string& args_type, std::string_view options_type) {
    std::string list = "(";
    if (args_type != "void") list += "args: " + args_type + ", ";
    list += "options?: ";
    list += options_type;
    list += ')';
    return list;
}

}  // namespace

std::string param_field(const schema::Param& param, const schema::ApiGraph& graph) {
    schema::TypeRef ty = param.ty;
    ty.optional = false;
    const TypeExpr expr = lower_with_enums(ty, graph.enums);
    return param.wireName + (is_required(param) ? "" : "?") + ": " + expr.ts;
}

std::string params_object(const std::vector<schema::Param>& params, const schema::ApiGraph& graph) {
    if (params.empty()) return "void";
    std::string fields;
    for (const bool required_pass : {true, false}) {
        for (const schema::Param& param : params) {
            if (is_required(param) != required_pass) continue;
            if (!fields.empty()) fields += "; ";
            fields += param_field(param, graph);
        }
    }
    return "{ " + fields + " }";
}

std::string param_payload_expr(const schema::Param& param, const schema::ApiGraph& graph) {
    const std::string access = "args." + param.wireName;
    if (!holds_model(param.ty)) return access;
    const std::string schema = lower_with_enums(param.ty, graph.enums).schema;
    if (is_required(param)) return "Schema.encodeUnknownSync(" + schema + ")(" + access + ")";
    return access + " === undefined ? undefined : Schema.encodeUnknownSync(" + schema + ")(" + access + ")";
}

std::string args_payload(const std::vector<schema::Param>& params, const schema::ApiGraph& graph) {
    if (params.empty()) return "{}";
    std::string entries;
    for (const schema::Param& param : params) {
        if (!entries.empty()) entries += ", ";
        entries += param.sourceName + ": " + param_payload_expr(param, graph);
    }
    return "{ " + entries + " }";
}

std::string emit_rpc(const schema::Endpoint& endpoint, const schema::ApiGraph& graph, ReturnSurface surface) {
    const TypeExpr result = lower_with_enums(endpoint.returns, graph.enums);
    const std::string result_type = surface == ReturnSurface::Effect
                                        ? "Effect.Effect<" + result.ts + ", TolvError, TolvClient>"
                                        : "Promise<" + result.ts + ">";
    const std::string signature = "export const " + schema::to_camel_case(endpoint.name) + " = " +
                                  parameter_list(params_object(endpoint.params, graph), "CallOptions") + ": " +
                                  result_type + " =>";
    const std::string call = "callCommand(\"" + endpoint.name + "\", " + args_payload(endpoint.params, graph) + ", " +
                             result.schema + ", options)";
    return frame(endpoint, signature, call, "runPromise", surface);
}

std::string emit_channel(const schema::Endpoint& endpoint, const schema::ApiGraph& graph, ReturnSurface surface) {
    const TypeExpr item = endpoint.channelItem ? lower_with_enums(*endpoint.channelItem, graph.enums)
                                               : TypeExpr{"unknown", "Schema.Unknown"};
    const std::string result_type = surface == ReturnSurface::Effect
                                        ? "Stream.Stream<" + item.ts + ", TolvError, TolvClient>"
                                        : "AsyncIterable<" + item.ts + ">";
    const std::string signature = "export const " + schema::to_camel_case(endpoint.name) + " = " +
                                  parameter_list(params_object(endpoint.params, graph), "CallOptions") + ": " +
                                  result_type + " =>";
    const std::string call = "callChannel(\"" + endpoint.name + "\", " + args_payload(endpoint.params, graph) + ", " +
                             item.schema + ", options)";
    return frame(endpoint, signature, call, "toAsyncIterable", surface);
}

std::string emit_upload(const schema::Endpoint& endpoint, const schema::ApiGraph& graph, ReturnSurface surface) {
    const TypeExpr result = lower_with_enums(endpoint.returns, graph.enums);
    std::string args_type = endpoint.multiFile ? "{ files: ReadonlyArray<File>" : "{ file: File";
    const std::string fields = params_object(endpoint.params, graph);
    if (fields != "void") {
        // The parameters' properties, without params_object's braces.
        args_type += "; ";
        args_type.append(fields, 2, fields.size() - 4);
    }
    args_type += " }";
    const std::string result_type = surface == ReturnSurface::Effect
                                        ? "Effect.Effect<" + result.ts + ", TolvError, TolvClient>"
                                        : "Promise<" + result.ts + ">";
    const std::string signature = "export const " + schema::to_camel_case(endpoint.name) + " = (args: " + args_type +
                                  ", options?: UploadOptions): " + result_type + " =>";
    const std::string call = "callUpload(\"" + endpoint.name + "\", " +
                             (endpoint.multiFile ? "args.files" : "[args.file]") + ", " +
                             args_payload(endpoint.params, graph) + ", " + result.schema + ", options)";
    return frame(endpoint, signature, call, "runPromise", surface);
}

std::string emit_static(const schema::Endpoint& endpoint, const schema::ApiGraph& graph, ReturnSurface surface) {
    const std::string args_type = params_object(endpoint.params, graph);
    const std::string parameters = args_type == "void" ? "()" : "(args: " + args_type + ")";
    const std::string result_type =
        surface == ReturnSurface::Effect ? "Effect.Effect<string, never, TolvClient>" : "Promise<string>";
    const std::string signature =
        "export const " + schema::to_camel_case(endpoint.name) + "Url = " + parameters + ": " + result_type + " =>";
    const std::string call = "buildStaticUrl(\"" + endpoint.name + "\", " + args_payload(endpoint.params, graph) + ")";
    return frame(endpoint, signature, call, "runPromise", surface);
}

}  // namespace tolv::gen_effect::printer
