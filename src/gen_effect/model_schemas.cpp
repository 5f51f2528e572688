#include "gen_effect/model_schemas.hpp"

#include <algorithm>

#include "codegen/safe_names.hpp"
#include "codegen/vocabulary.hpp"
#include "gen_effect/lowering.hpp"
#include "gen_effect/model_order.hpp"

namespace tolv::gen_effect::lowering {

using codegen::Printer;
using codegen::QuoteStyle;

namespace {

// The JSON key a struct cannot name: it assigns its members, and assigning
// "__proto__" sets the prototype. A model with that key reads and writes it
// under the symbol _protoKey, which _fromProtoKey moves it to and back.
constexpr std::string_view kProtoKey = "__proto__";

bool has_proto_key(const schema::ModelDef& model) {
    return std::ranges::any_of(model.fields, [](const schema::Field& f) { return f.sourceName == kProtoKey; });
}

void print_proto_key_helpers(Printer& p, ModuleNames& names) {
    p.line("");
    p.emit({{"Schema", names.use(Import::Schema)},
            {"Symbol", names.global(Global::Symbol)},
            {"Object", names.global(Global::Object)},
            {"PropertyKey", names.global(Global::PropertyKey)}},
           R"(
        const _protoKey = $Symbol$("__proto__")

        type _JsonObject = { readonly [key: $PropertyKey$]: unknown }

        const _JsonObject = $Schema$.declare((u: unknown): u is _JsonObject => typeof u === "object" && u !== null)

        // Moves an own "__proto__" member to _protoKey and back.
        const _fromProtoKey = $Schema$.transform(_JsonObject, _JsonObject, {
          strict: true,
          decode: (raw) => {
            if (!$Object$.prototype.hasOwnProperty.call(raw, "__proto__")) return raw
            const { ["__proto__"]: value, ...rest } = raw
            return { ...rest, [_protoKey]: value }
          },
          encode: (keyed) => {
            if (!$Object$.prototype.hasOwnProperty.call(keyed, _protoKey)) return keyed
            const { [_protoKey]: value, ...rest } = keyed
            return { ...rest, ["__proto__"]: value }
          },
        })
    )");
}

}  // namespace

RenderedField render_field(const schema::Field& field, Context& context, const ModelScope& scope, bool member) {
    ModuleNames& names = context.names;
    const bool optional = codegen::is_optional(field);
    const bool nullable = codegen::is_nullable(field);
    const bool optional_key = optional && nullable;
    TypeExpr expr = lower_without_flags(field.ty, context, &scope);
    std::string member_type;
    if (optional_key) {
        // A property signature: null decodes to a missing key, so the decoded
        // member is `T | undefined` under an optional key.
        member_type = append_ts_flags(expr.ts, true, false);
        expr.schema = std::string(names.schema()) + "optionalWith(" + expr.schema + ", { nullable: true })";
    } else {
        expr = apply_optional_nullable(std::move(expr), optional, nullable, names);
        member_type = expr.ts;
    }

    RenderedField out;
    codegen::append_object_key(out.schema_entry, field.wireName, QuoteStyle::Json);
    out.schema_entry += ": ";
    if (field.sourceName == field.wireName) {
        out.schema_entry += expr.schema;
    } else {
        if (optional_key) {
            out.schema_entry += expr.schema;
        } else {
            out.schema_entry.append(names.schema()).append("propertySignature(").append(expr.schema).append(")");
        }
        out.schema_entry.append(".pipe(").append(names.schema()).append("fromKey(");
        if (field.sourceName == kProtoKey) {
            out.schema_entry += "_protoKey";
        } else {
            codegen::append_string_literal(out.schema_entry, field.sourceName, QuoteStyle::Json);
        }
        out.schema_entry += "))";
    }
    if (!member) return out;
    out.ts_member = "readonly ";
    codegen::append_property_key(out.ts_member, field.wireName, QuoteStyle::Json);
    out.ts_member.append(optional_key ? "?: " : ": ").append(member_type);
    return out;
}

namespace {

// A model referring to itself, directly or through a cycle, is declared as an
// interface and an annotated constant; any other as a constant and its type.
void print_model_schema(Printer& p, const schema::ModelDef& model, Context& context, const ModelScope& scope,
                        bool self_referring) {
    std::vector<RenderedField> fields;
    fields.reserve(model.fields.size());
    for (const schema::Field& field : model.fields) {
        fields.push_back(render_field(field, context, scope, self_referring));
    }
    const std::string_view schema = context.names.use(Import::Schema);
    const bool proto_key = has_proto_key(model);
    // The constant, declared by `head`: "$head$ = Schema.Struct({ ...entries })",
    // composed after _fromProtoKey when the model has the key "__proto__".
    const auto print_struct = [&](std::string_view head) {
        const std::string open = proto_key ? "compose(_fromProtoKey, " + std::string(schema) + ".Struct({" : "Struct({";
        p.emit({{"head", head}, {"Schema", schema}, {"open", open}, {"close", fields.empty() ? "})" : ""}},
               "$head$ = $Schema$.$open$$close$");
        if (fields.empty()) return;
        p.indent();
        // Entries are separated by commas, with none after the last.
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i + 1 < fields.size()) fields[i].schema_entry += ',';
            p.line(fields[i].schema_entry);
        }
        p.dedent();
        p.line(proto_key ? "}), { strict: false })" : "})");
    };

    const std::string& name = context.models.name(scope.self);
    if (!self_referring) {
        print_struct("export const " + name);
        p.line("");
        p.emit({{"name", name}, {"Schema", schema}}, "export type $name$ = $Schema$.Schema.Type<typeof $name$>");
        return;
    }
    // The constant of a model that refers to itself is annotated with an
    // interface, so the reference can name the type before the constant exists.
    if (fields.empty()) {
        p.emit({{"name", name}}, "export type $name$ = {}");
    } else {
        p.emit({{"name", name}}, "export interface $name$ {");
        p.indent();
        for (const RenderedField& field : fields) p.line(field.ts_member);
        p.dedent();
        p.line("}");
    }
    p.line("");
    print_struct("export const " + name + ": " + std::string(schema) + ".Schema<" + name + ", any>");
}

}  // namespace

void print_model_schemas(Printer& p, Context& context) {
    const ModelOrder order = order_models(context.models);
    codegen::ModelTable& models = context.models;
    if (std::ranges::any_of(order.declarations,
                            [&](const Declaration& d) { return has_proto_key(models.model(d.model)); })) {
        print_proto_key_helpers(p, context.names);
    }
    for (std::size_t i = 0; i < order.declarations.size(); ++i) {
        const Declaration& declaration = order.declarations[i];
        p.line("");
        print_model_schema(p, models.model(declaration.model), context,
                           {models.type_name_id(declaration.model), &order.positions, i}, declaration.self_referring);
    }
}

}  // namespace tolv::gen_effect::lowering
