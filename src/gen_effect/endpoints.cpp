#include "gen_effect/endpoints.hpp"

#include <algorithm>

#include "codegen/declared_names.hpp"
#include "codegen/printer.hpp"
#include "codegen/safe_names.hpp"
#include "codegen/vocabulary.hpp"

namespace tolv::gen_effect::printer {

namespace {

using codegen::Printer;
using codegen::QuoteStyle;
using lowering::Context;
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
void append_param_field(std::string& out, const schema::Param& param, Context& context) {
    schema::TypeRef ty = param.ty;
    ty.optional = false;
    codegen::append_property_key(out, param.wireName, QuoteStyle::Json);
    out.append(is_required(param) ? ": " : "?: ").append(lowering::lower_ts(ty, context));
}

// The function of each kind. "$open$" and "$close$" wrap the call for the
// Promise surface; "$type$" is the result type in the surface's form;
// "$files$" is an upload's file list and its comma.
constexpr std::string_view call_function = R"(
    export const $fn$ = ($args$options?: $Options$): $type$ =>
      $open$$call$($name$, $files$$payload$, $schema$, options)$close$
)";
constexpr std::string_view static_function = R"(
    export const $fn$ = ($args$): $type$ =>
      $open$$call$($name$, $payload$)$close$
)";

// "Effect.Effect<T, TolvError, TolvClient>" or "Promise<T>" (for a channel
// "Stream.Stream<...>" or "AsyncIterable<T>").
std::string result_type(ReturnSurface surface, bool channel, const std::string& ts, ModuleNames& names) {
    std::string out;
    if (surface == ReturnSurface::Promise) {
        out.append(names.global(channel ? Global::AsyncIterable : Global::Promise)).append("<").append(ts);
        return out += '>';
    }
    out.append(channel ? names.use(Import::Stream) : names.use(Import::Effect))
        .append(channel ? ".Stream<" : ".Effect<")
        .append(ts)
        .append(", ")
        .append(names.use(Import::TolvError))
        .append(", ")
        .append(names.use(Import::TolvClient));
    return out += '>';
}

}  // namespace

std::string params_object(const std::vector<schema::Param>& params, Context& context) {
    if (params.empty()) return "void";
    std::string fields = "{ ";
    bool first = true;
    for (const bool required_pass : {true, false}) {
        for (const schema::Param& param : params) {
            if (is_required(param) != required_pass) continue;
            if (!first) fields += "; ";
            first = false;
            append_param_field(fields, param, context);
        }
    }
    return fields += " }";
}

std::string param_payload_expr(const schema::Param& param, Context& context) {
    std::string access = "args";
    codegen::append_member_access(access, param.wireName, QuoteStyle::Json);
    if (codegen::is_inherited_name(param.wireName)) {
        // Only an own member: a missing "constructor" must not read as Object.
        std::string own = "(";
        own.append(context.names.global(Global::Object)).append(".prototype.hasOwnProperty.call(args, ");
        codegen::append_string_literal(own, param.wireName, QuoteStyle::Json);
        access = own.append(") ? ").append(access).append(" : undefined)");
    }
    if (!holds_model(param.ty)) return access;
    const std::string encode = std::string(context.names.schema()) + "encodeUnknownSync(" +
                               lower_with_enums(param.ty, context).schema + ")(" + access + ")";
    if (is_required(param)) return encode;
    return access + " === undefined ? undefined : " + encode;
}

std::string args_payload(const std::vector<schema::Param>& params, Context& context) {
    if (params.empty()) return "{}";
    std::string out = "{ ";
    for (bool first = true; const schema::Param& param : params) {
        if (!first) out += ", ";
        first = false;
        codegen::append_object_key(out, param.sourceName, QuoteStyle::Json);
        out.append(": ").append(param_payload_expr(param, context));
    }
    return out += " }";
}

void print_endpoint_function(Printer& p, const Endpoint& endpoint, Context& context, ReturnSurface surface) {
    ModuleNames& names = context.names;
    const bool promise = surface == ReturnSurface::Promise;
    const std::string params = params_object(endpoint.params, context);
    std::string args = params == "void" ? std::string() : "args: " + params + ", ";
    Import call = Import::callCommand;
    Import options = Import::CallOptions;
    Import runner = Import::runPromise;
    std::string files;
    std::string type;
    TypeExpr result;
    switch (endpoint.kind) {
        case schema::EndpointKind::Rpc:
            result = lower_with_enums(endpoint.returns, context);
            type = result_type(surface, false, result.ts, names);
            break;
        case schema::EndpointKind::Channel:
            result = endpoint.channelItem ? lower_with_enums(*endpoint.channelItem, context)
                                          : TypeExpr{"unknown", std::string(names.schema()) + "Unknown"};
            type = result_type(surface, true, result.ts, names);
            call = Import::callChannel;
            runner = Import::toAsyncIterable;
            break;
        case schema::EndpointKind::Upload: {
            // The file or files, then the parameters' properties without
            // params_object's braces.
            result = lower_with_enums(endpoint.returns, context);
            type = result_type(surface, false, result.ts, names);
            const std::string_view file = names.global(Global::File);
            args = "args: { ";
            if (endpoint.multiFile) {
                args.append("files: ").append(names.global(Global::ReadonlyArray)).append("<").append(file).append(">");
            } else {
                args.append("file: ").append(file);
            }
            if (params != "void") args.append("; ").append(params, 2, params.size() - 4);
            args += " }, ";
            files = endpoint.multiFile ? "args.files, " : "[args.file], ";
            call = Import::callUpload;
            options = Import::UploadOptions;
            break;
        }
        case schema::EndpointKind::Static:
            if (!args.empty()) args.resize(args.size() - 2);  // no options parameter follows
            type = promise ? std::string(names.global(Global::Promise)) + "<string>"
                           : std::string(names.use(Import::Effect)) + ".Effect<string, never, " +
                                 std::string(names.use(Import::TolvClient)) + ">";
            call = Import::buildStaticUrl;
            break;
        case schema::EndpointKind::Ws: return;
    }
    std::string name;
    codegen::append_string_literal(name, endpoint.name, QuoteStyle::Json);
    const std::string open = promise ? std::string(names.use(runner)) + "(" : std::string();
    const std::string payload = args_payload(endpoint.params, context);
    if (endpoint.doc) p.doc(*endpoint.doc);
    const std::string fn = names.declared().function_name(endpoint);
    if (endpoint.kind == schema::EndpointKind::Static) {
        p.emit({{"fn", fn},
                {"args", args},
                {"type", type},
                {"open", open},
                {"call", names.use(call)},
                {"name", name},
                {"payload", payload},
                {"close", promise ? ")" : ""}},
               static_function);
        return;
    }
    p.emit({{"fn", fn},
            {"args", args},
            {"Options", names.use(options)},
            {"type", type},
            {"open", open},
            {"call", names.use(call)},
            {"name", name},
            {"files", files},
            {"payload", payload},
            {"schema", result.schema},
            {"close", promise ? ")" : ""}},
           call_function);
}

}  // namespace tolv::gen_effect::printer
