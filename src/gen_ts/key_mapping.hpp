// Expressions that rebuild objects with their keys renamed between the
// client's wire names and the backend's source names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "codegen/cycles.hpp"
#include "codegen/model_table.hpp"
#include "schema/graph.hpp"
#include "schema/types.hpp"

namespace tolv::gen_ts {

// The lambda parameter name for one level of array nesting.
std::string map_variable(std::size_t depth);

// Builds key-renaming expressions for one graph. Conversions are written out
// inline, except where a helper function of the module ("_toWire" or
// "_toSource" and the model's type name, declared after the endpoints)
// converts a model:
// - a model that can reach itself again (through model fields or arrays of
//   models) cannot be unrolled inline: within the expansion of a model on
//   such a cycle, a model of the same cycle is converted by its helper;
// - a model whose inline conversion would hold more than
//   kMaxInlinedEntries field entries is converted by its helper wherever it
//   is met, so the module grows linearly with the schema.
// A model without fields has nothing to rename: its values pass unchanged.
class KeyMapper {
public:
    using Index = codegen::ModelTable::Index;
    enum class Direction : std::uint8_t { Request, Response };
    static constexpr std::size_t kMaxInlinedEntries = 64;

    // Resolves the model references of every field, finds the reference
    // cycles and the models converted by helpers once, in time linear in
    // the graph.
    explicit KeyMapper(const schema::ApiGraph& graph);

    // `expr` with model keys renamed from wire names to source names
    // (arguments and sent payloads). A value that may be null or undefined
    // (its type says so, or `may_be_absent` for an optional parameter) is
    // passed through unchanged when it is, rather than having its keys read.
    // `untyped`: `expr` is of type any, so array lambdas type their
    // parameter any too.
    std::string request(const schema::TypeRef& ty, std::string_view expr, std::size_t depth,
                        bool may_be_absent = false, bool untyped = false) const;
    // `expr` with model keys renamed from source names to wire names (results),
    // with the same pass-through for values that may be null or undefined.
    std::string response(const schema::TypeRef& ty, std::string_view expr, std::size_t depth) const;

    // Appends the value of the member `name` of `object`: `object.name`, or
    // for a name every object inherits `_own(object, "name")`, which reads
    // only an own member and then owes the module the helper _own. True for
    // the own read, whose value is of type any.
    bool append_read(std::string& out, std::string_view object, std::string_view name) const;
    // The module's text reads a member through _own.
    bool reads_own() const { return reads_own_; }

    const schema::ApiGraph& graph() const { return graph_; }
    const codegen::ModelTable& models() const { return models_; }

    // Calls `visit` with the name and the body (the converted expression of
    // its parameter "_v") of every helper asked for so far, and of those their
    // bodies ask for, in the order first asked.
    void write_helpers(const std::function<void(std::string_view name, std::string_view body)>& visit) const;

private:
    class Conversion;  // writes one expression
    static constexpr std::uint32_t no_cycle = codegen::ModelTable::none;

    // The model that converting a value of type `ty` expands: its own model
    // reference, or the one at the bottom of its nested arrays; none if
    // there is none or it resolves to no model.
    Index expanded_model(const schema::TypeRef& ty) const;
    Index field_model(Index model, std::size_t field) const { return field_models_[field_start_[model] + field]; }
    // Appends the name of the helper converting `model`, which is then owed
    // to the module.
    void append_helper_name(std::string& out, Index model, Direction direction) const;
    // Marks the models whose inline conversion would be too large.
    void find_large_models(const codegen::Components& components);

    const schema::ApiGraph& graph_;
    codegen::ModelTable models_;
    std::vector<std::size_t> field_start_;  // per model: where its fields start in field_models_
    std::vector<Index> field_models_;       // per field of every model: expanded_model of its type
    // Per field of every model: whether its source and its wire name are
    // identifier names, and names every object inherits, decided once for
    // every conversion that writes them.
    struct FieldNames {
        bool source_identifier, wire_identifier, source_inherited, wire_inherited;
    };
    std::vector<FieldNames> field_names_;
    std::vector<std::uint32_t> cycle_;  // per model: the cycle it lies on, or no_cycle
    std::vector<bool> large_;           // per model: converted by its helper wherever it is met
    // Helpers are owed as printing goes; the printer writes them at the end.
    struct Helper {
        Index model;
        Direction direction;
    };
    mutable std::vector<Helper> helpers_;
    // Per model and direction: its helper has been asked for.
    mutable std::vector<bool> helper_owed_;
    // By cycle: being expanded by the conversion under way (all false between conversions).
    mutable std::vector<bool> open_cycles_;
    mutable bool reads_own_ = false;
};

// True when a result of this type is converted: the type, after stepping
// through nested arrays, is a model reference.
bool response_needs_conversion(const schema::TypeRef& returns);

}  // namespace tolv::gen_ts
