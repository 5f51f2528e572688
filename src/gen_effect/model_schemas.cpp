#include "gen_effect/model_schemas.hpp"

#include "codegen/vocabulary.hpp"
#include "gen_effect/lowering.hpp"
#include "gen_effect/model_order.hpp"

namespace tolv::gen_effect::lowering {

using codegen::Printer;

RenderedField render_field(const schema::Field& field, const EnumMap& enums, const ModelScope& scope) {
    const bool optional = codegen::is_optional(field);
    const bool nullable = codegen::is_nullable(field);
    const bool optional_key = optional && nullable;
    TypeExpr expr = lower_without_flags(field.ty, enums, &scope);
    std::string member_type;
    if (optional_key) {
        // A property signature: null decodes to a missing key, so the decoded
        // member is `T | undefined` under an optional key.
        member_type = append_ts_flags(expr.ts, true, false);
        expr.schema = "Schema.optionalWith(" + expr.schema + ", { nullable: true })";
    } else {
        expr = apply_optional_nullable(std::move(expr), optional, nullable);
        member_type = expr.ts;
    }

    std::string value;
    if (field.sourceName == field.wireName) {
        value = expr.schema;
    } else if (optional_key) {
        value = expr.schema + ".pipe(Schema.fromKey(" + quote_js_string(field.sourceName) + "))";
    } else {
        value = "Schema.propertySignature(" + expr.schema + ").pipe(Schema.fromKey(" +
                quote_js_string(field.sourceName) + "))";
    }
    return {
        field.wireName + ": " + value,
        "readonly " + field.wireName + (optional_key ? "?" : "") + ": " + member_type,
    };
}

namespace {

// A model referring to itself, directly or through a cycle, is declared as an
// interface and an annotated constant; any other as a constant and its type.
void print_model_schema(Printer& p, const schema::ModelDef& model, const EnumMap& enums, const ModelScope& scope,
                        bool self_referring) {
    std::vector<RenderedField> fields;
    fields.reserve(model.fields.size());
    for (const schema::Field& field : model.fields) fields.push_back(render_field(field, enums, scope));
    // The constant, declared by `head`: "$head$ = Schema.Struct({ ...entries })".
    const auto print_struct = [&](std::string_view head) {
        const std::string_view structure = fields.empty() ? " = Schema.Struct({})" : " = Schema.Struct({";
        p.emit({{"head", head}, {"structure", structure}}, "$head$$structure$");
        if (fields.empty()) return;
        p.indent();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            p.emit({{"entry", fields[i].schema_entry}, {"comma", i + 1 < fields.size() ? "," : ""}}, "$entry$$comma$");
        }
        p.dedent();
        p.line("})");
    };

    const std::string& name = scope.models->name(scope.self);
    if (!self_referring) {
        print_struct("export const " + name);
        p.line("");
        p.emit({{"name", name}}, "export type $name$ = Schema.Schema.Type<typeof $name$>");
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
    print_struct("export const " + name + ": Schema.Schema<" + name + ", any>");
}

}  // namespace

void print_model_schemas(Printer& p, codegen::ModelTable& models, const EnumMap& enums) {
    const ModelOrder order = order_models(models);
    for (std::size_t i = 0; i < order.declarations.size(); ++i) {
        const Declaration& declaration = order.declarations[i];
        p.line("");
        print_model_schema(p, models.model(declaration.model), enums,
                           {&models, models.type_name_id(declaration.model), &order.positions, i},
                           declaration.self_referring);
    }
}

}  // namespace tolv::gen_effect::lowering
