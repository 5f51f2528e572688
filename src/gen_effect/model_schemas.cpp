#include "gen_effect/model_schemas.hpp"

#include <algorithm>

#include "codegen/name_scope.hpp"
#include "codegen/safe_names.hpp"
#include "codegen/vocabulary.hpp"
#include "gen_effect/lowering.hpp"
#include "gen_effect/model_order.hpp"

namespace tolv::gen_effect::lowering {

using codegen::Printer;
using codegen::QuoteStyle;

namespace {

// A struct renames a member, and drops the null of an optional nullable
// one, by key transformations that the library checks for duplicates in a
// plain object, where a key every object inherits ("constructor",
// "__proto__", ...) always looks taken: the module would throw on load. And
// where the struct reads a missing member by such a name itself, it reads
// the inherited one. Such a member is moved by the model's _keyMoves before
// the struct reads it: to its wire name, which the struct reads as it is,
// when that is inherited; else, when the source name is, to a symbol that
// the struct renames from.
//
// The struct also applies its renames one at a time, so where one member's
// wire name is another's source name (a chain, a swap, a cycle) one rename
// overwrites the other's key. _keyMoves moves all keys at once, so such a
// model moves every renamed member to its wire name, and its struct renames
// nothing.
enum class KeyMove : std::uint8_t { None, ToSymbol, ToWireName };

KeyMove key_move(const schema::Field& field, bool moves_renames) {
    if (codegen::is_inherited_name(field.wireName)) return KeyMove::ToWireName;
    if (field.sourceName == field.wireName) return KeyMove::None;
    if (moves_renames) return KeyMove::ToWireName;
    return codegen::is_inherited_name(field.sourceName) ? KeyMove::ToSymbol : KeyMove::None;
}

// Whether some renamed field's wire name is another field's source name.
// That field is renamed too (two fields would have one wire name otherwise),
// so only renamed fields are looked at.
bool renames_chain(const schema::ModelDef& model) {
    codegen::NameScope<bool> sources;
    for (const schema::Field& field : model.fields) {
        if (field.sourceName != field.wireName) sources.take(field.sourceName, true);
    }
    return std::ranges::any_of(model.fields, [&](const schema::Field& field) {
        return field.sourceName != field.wireName && sources.contains(field.wireName);
    });
}

// Whether the library takes the schema of `ty` for a single literal: a
// literal, null, an enumeration of one value, or a union of one such member.
bool is_single_literal(const schema::TypeRef& ty, const EnumMap& enums) {
    if (ty.optional || ty.nullable) return false;
    const auto literal = [](const schema::JsonValue& value) { return !value.is_array() && !value.is_object(); };
    switch (ty.kind) {
        case schema::TypeKind::Literal: return ty.value && literal(*ty.value);
        case schema::TypeKind::Primitive: return codegen::primitive_of(ty.name) == codegen::Primitive::Null;
        case schema::TypeKind::Enum: {
            const auto found = ty.name ? enums.find(*ty.name) : enums.end();
            return found != enums.end() && found->second.values.size() == 1 && literal(found->second.values[0]);
        }
        case schema::TypeKind::Union: return ty.inner.size() == 1 && is_single_literal(ty.inner[0], enums);
        default: return false;
    }
}

// The constant holding the symbol of an inherited name: "_constructorKey",
// "_protoKey" for "__proto__".
std::string symbol_name(std::string_view inherited) {
    while (inherited.starts_with('_')) inherited.remove_prefix(1);
    while (inherited.ends_with('_')) inherited.remove_suffix(1);
    std::string name = "_";
    return name.append(inherited).append("Key");
}

// The symbols of the inherited source names some model moves, and the
// transformation that moves them.
void print_key_move_helpers(Printer& p, ModuleNames& names, const std::vector<bool>& symbols) {
    // The symbols form a block of their own, before the block below.
    if (std::ranges::find(symbols, true) != symbols.end()) p.line("");
    std::string literal;
    for (std::size_t i = 0; i < codegen::kInheritedNames.size(); ++i) {
        if (!symbols[i]) continue;
        literal.clear();
        codegen::append_string_literal(literal, codegen::kInheritedNames[i], QuoteStyle::Json);
        p.emit({{"name", symbol_name(codegen::kInheritedNames[i])},
                {"Symbol", names.global(Global::Symbol)},
                {"literal", literal}},
               "const $name$ = $Symbol$($literal$)");
    }
    p.emit({{"Schema", names.use(Import::Schema)},
            {"Array", names.global(Global::Array)},
            {"Object", names.global(Global::Object)},
            {"PropertyKey", names.global(Global::PropertyKey)},
            {"ReadonlyArray", names.global(Global::ReadonlyArray)}},
           R"(

        type _JsonObject = { readonly [key: $PropertyKey$]: unknown }

        const _JsonObject = $Schema$.declare((u: unknown): u is _JsonObject => typeof u === "object" && u !== null && !$Array$.isArray(u))

        // [server key, struct key, optional]: the struct reads the member under
        // a symbol, or under its wire name.
        type _KeyMove = readonly [server: string, struct: $PropertyKey$, optional?: true]

        // Moves own members from the server's keys to the struct's, or back.
        // Both keys of every move are cleared first, so a member under the
        // other side's key never passes as one of the model's.
        // On the way in, a missing member arrives as undefined, never as the
        // member every object inherits; one whose key is optional arrives
        // missing when it is missing or null. On the way out, an undefined
        // member is left out.
        const _moveKeys = (input: _JsonObject, moves: $ReadonlyArray$<_KeyMove>, decoding: boolean): _JsonObject => {
          const out: { [key: $PropertyKey$]: unknown } = { ...input }
          for (const [server, struct] of moves) {
            delete out[server]
            delete out[struct]
          }
          for (const [server, struct, optional] of moves) {
            const [from, to] = decoding ? [server, struct] : [struct, server]
            const present = $Object$.prototype.hasOwnProperty.call(input, from)
            const value = present ? input[from] : undefined
            if (decoding ? optional && (!present || value === null) : value === undefined) continue
            $Object$.defineProperty(out, to, { value, enumerable: true, writable: true, configurable: true })
          }
          return out
        }

        const _keyMoves = (moves: $ReadonlyArray$<_KeyMove>) =>
          $Schema$.transform(_JsonObject, _JsonObject, {
            strict: true,
            decode: (raw) => _moveKeys(raw, moves, true),
            encode: (keyed) => _moveKeys(keyed, moves, false),
          })
    )");
}

}  // namespace

RenderedField render_field(const schema::Field& field, Context& context, const ModelScope& scope, bool member,
                           bool moves_renames) {
    ModuleNames& names = context.names;
    const bool optional = codegen::is_optional(field);
    const bool nullable = codegen::is_nullable(field);
    const bool optional_key = optional && nullable;
    const KeyMove move = key_move(field, moves_renames);
    const bool inherited_wire_name = codegen::is_inherited_name(field.wireName);
    // The struct reads a member by an inherited wire name as it is. When
    // optional, under an optional key: a value lacking it must encode as one
    // lacking a member by any other name does, not read the inherited one.
    // The move fills in undefined, or drops null, on decoding.
    const bool moved_optional = inherited_wire_name && optional;
    TypeExpr expr = lower_without_flags(field.ty, context, &scope);
    std::string member_type;
    if (inherited_wire_name && !optional && !nullable && is_single_literal(field.ty, context.enums)) {
        // To pick the member of a union that a value belongs to, the library
        // indexes each member's required literal properties by key in a plain
        // object, where an inherited name always looks taken, and fails. It
        // does not look into a suspended schema.
        member_type = expr.ts;
        expr.schema = std::string(names.schema()) + "suspend(() => " + expr.schema + ")";
    } else if (moved_optional) {
        member_type = append_ts_flags(expr.ts, true, false);
        expr.schema = std::string(names.schema()) + "optional(" + expr.schema + ")";
    } else if (optional_key) {
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
    if (field.sourceName == field.wireName || move == KeyMove::ToWireName) {
        out.schema_entry += expr.schema;
    } else {
        if (optional_key) {
            out.schema_entry += expr.schema;
        } else {
            out.schema_entry.append(names.schema()).append("propertySignature(").append(expr.schema).append(")");
        }
        out.schema_entry.append(".pipe(").append(names.schema()).append("fromKey(");
        if (move == KeyMove::ToSymbol) {
            out.schema_entry += symbol_name(field.sourceName);
        } else {
            codegen::append_string_literal(out.schema_entry, field.sourceName, QuoteStyle::Json);
        }
        out.schema_entry += "))";
    }
    if (move != KeyMove::None) {
        // ["source", _sourceKey] or ["source", "wire"], then ", true" for an optional key
        out.key_move += '[';
        codegen::append_string_literal(out.key_move, field.sourceName, QuoteStyle::Json);
        out.key_move += ", ";
        if (move == KeyMove::ToSymbol) {
            out.key_move += symbol_name(field.sourceName);
        } else {
            codegen::append_string_literal(out.key_move, field.wireName, QuoteStyle::Json);
        }
        if (optional_key) out.key_move += ", true";
        out.key_move += ']';
    }
    if (!member) return out;
    out.ts_member = "readonly ";
    codegen::append_property_key(out.ts_member, field.wireName, QuoteStyle::Json);
    out.ts_member.append(optional_key || moved_optional ? "?: " : ": ").append(member_type);
    return out;
}

namespace {

// A model referring to itself, directly or through a cycle, is declared as an
// interface and an annotated constant; any other as a constant and its type.
void print_model_schema(Printer& p, const schema::ModelDef& model, Context& context, const ModelScope& scope,
                        bool self_referring, bool moves_renames) {
    std::vector<RenderedField> fields;
    fields.reserve(model.fields.size());
    for (const schema::Field& field : model.fields) {
        fields.push_back(render_field(field, context, scope, self_referring, moves_renames));
    }
    const std::string_view schema = context.names.use(Import::Schema);
    std::string moves;
    for (const RenderedField& field : fields) {
        if (field.key_move.empty()) continue;
        moves += moves.empty() ? "[" : ", ";
        moves += field.key_move;
    }
    const bool moved = !moves.empty();
    if (moved) moves += ']';
    // The constant, declared by `head`: "$head$ = Schema.Struct({ ...entries })",
    // composed after the model's _keyMoves when it moves members.
    const auto print_struct = [&](std::string_view head) {
        const std::string open =
            moved ? "compose(_keyMoves(" + moves + "), " + std::string(schema) + ".Struct({" : "Struct({";
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
        p.line(moved ? "}), { strict: false })" : "})");
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
    // The models that move every renamed member; the helpers, when some
    // member is moved, with the symbols the moves use.
    std::vector<bool> moves_renames(models.size(), false);
    bool moves = false;
    std::vector<bool> symbols(codegen::kInheritedNames.size(), false);
    for (codegen::ModelTable::Index m = 0; m < models.size(); ++m) {
        moves_renames[m] = renames_chain(models.model(m));
        for (const schema::Field& field : models.model(m).fields) {
            const KeyMove move = key_move(field, moves_renames[m]);
            moves = moves || move != KeyMove::None;
            if (move != KeyMove::ToSymbol) continue;
            symbols[std::ranges::find(codegen::kInheritedNames, field.sourceName) - codegen::kInheritedNames.begin()] =
                true;
        }
    }
    if (moves) print_key_move_helpers(p, context.names, symbols);
    for (std::size_t i = 0; i < order.declarations.size(); ++i) {
        const Declaration& declaration = order.declarations[i];
        p.line("");
        print_model_schema(p, models.model(declaration.model), context,
                           {models.type_name_id(declaration.model), &order.positions, i}, declaration.self_referring,
                           moves_renames[declaration.model]);
    }
}

}  // namespace tolv::gen_effect::lowering
