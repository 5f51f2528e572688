#include "gen_effect/model_schemas.hpp"

#include "gen_effect/lowering.hpp"
#include "gen_effect/topological.hpp"
#include "schema/naming.hpp"

namespace tolv::gen_effect::lowering {

namespace {

using codegen::Printer;

std::set<std::string> model_refs(const schema::ModelDef& model) {
    std::set<std::string> names;
    for (const schema::Field& field : model.fields) walk_model_refs(field.ty, names);
    return names;
}

}  // namespace

void walk_model_refs(const schema::TypeRef& ty, std::set<std::string>& names) {
    if (ty.kind == schema::TypeKind::Model && ty.name) names.insert(schema::to_pascal_case(*ty.name));
    for (const schema::TypeRef& inner : ty.inner) walk_model_refs(inner, names);
}

const schema::ModelDef* find_model(const schema::ApiGraph& graph, std::string_view name) {
    for (const auto& [key, model] : graph.models) {
        if (schema::to_pascal_case(key) == name || schema::to_pascal_case(model.name) == name) return &model;
    }
    return nullptr;
}

ModelIndex::ModelIndex(const schema::ApiGraph& graph) {
    // Walking in key order and keeping the first entry per name gives
    // find_model's first-match result for every name.
    for (const auto& [key, model] : graph.models) {
        by_name_.try_emplace(schema::to_pascal_case(key), &model);
        by_name_.try_emplace(schema::to_pascal_case(model.name), &model);
    }
}

const schema::ModelDef* ModelIndex::find(std::string_view name) const {
    const auto found = by_name_.find(std::string(name));
    return found == by_name_.end() ? nullptr : found->second;
}

RenderedField render_field(const schema::Field& field, const EnumMap& enums, const ModelScope& scope) {
    const bool optional = field.ty.optional || field.optional || !field.required;
    const bool nullable = field.ty.nullable || field.nullable;
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

RenderedField render_field(const schema::Field& field, const EnumMap& enums, std::optional<std::string_view> current) {
    return render_field(field, enums, ModelScope{current.value_or(std::string_view())});
}

void print_model_schema(Printer& p, const schema::ModelDef& model, const EnumMap& enums, const Placement& placement) {
    const std::string name = schema::to_pascal_case(model.name);
    const ModelScope scope{name, placement.order, placement.position};
    std::vector<RenderedField> fields;
    fields.reserve(model.fields.size());
    for (const schema::Field& field : model.fields) fields.push_back(render_field(field, enums, scope));
    const auto print_struct = [&](std::string_view head) {
        if (fields.empty()) {
            p.emit({{"head", head}}, "$head$ = Schema.Struct({})");
            return;
        }
        p.emit({{"head", head}}, "$head$ = Schema.Struct({");
        p.indent();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            p.emit({{"entry", fields[i].schema_entry}, {"comma", i + 1 < fields.size() ? "," : ""}}, "$entry$$comma$");
        }
        p.dedent();
        p.line("})");
    };

    if (!placement.on_cycle && !model_refs(model).contains(name)) {
        print_struct("export const " + name);
        p.line("");
        p.emit({{"name", name}}, "export type $name$ = Schema.Schema.Type<typeof $name$>");
        return;
    }
    // A model on a cycle is declared through an interface, so that its
    // constant can name its own type before the constant exists.
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

void print_model_schemas(Printer& p, const schema::ApiGraph& graph) {
    topological::DependencyMap deps;
    for (const auto& [key, model] : graph.models) {
        std::string name = schema::to_pascal_case(key);
        std::set<std::string> refs = model_refs(model);
        refs.erase(name);
        // A later model with the same PascalCase key supplies the set.
        deps.insert_or_assign(std::move(name), std::move(refs));
    }
    const ModelIndex index(graph);
    const std::set<std::string> cyclic = topological::models_on_cycles(deps);

    // The models in declaration order, and where each constant stands in it.
    struct Declaration {
        const schema::ModelDef* model;
        bool on_cycle;
    };
    std::vector<Declaration> declarations;
    declarations.reserve(deps.size());
    DeclarationOrder order;
    for (const std::string& name : topological::sort_models(deps)) {
        const schema::ModelDef* model = index.find(name);
        if (!model) continue;
        order.try_emplace(schema::to_pascal_case(model->name), declarations.size());
        declarations.push_back({model, cyclic.contains(name)});
    }

    for (std::size_t i = 0; i < declarations.size(); ++i) {
        p.line("");
        print_model_schema(p, *declarations[i].model, graph.enums, {&order, i, declarations[i].on_cycle});
    }
}

}  // namespace tolv::gen_effect::lowering
