// Expressions that rebuild objects with their keys renamed between the
// client's wire names and the backend's source names.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "schema/graph.hpp"
#include "schema/types.hpp"

namespace tolv::gen_ts {

// The lambda parameter name for one level of array nesting.
std::string map_variable(std::size_t depth);

// Builds key-renaming expressions for one graph. Conversions are written out
// inline. A model that can reach itself again (through model fields or
// arrays of models) cannot be unrolled inline: within the expansion of a
// model on such a cycle, a model of the same cycle is converted by calling a
// helper function ("_toWire" or "_toSource" and the PascalCase model name),
// which the module declares after its endpoints.
class KeyMapper {
public:
    enum class Direction { Request, Response };

    // A conversion function that the printed expressions call.
    struct Helper {
        const schema::ModelDef* model;
        Direction direction;
        std::string name;
        std::string body;  // the converted expression of the parameter "_v"
    };

    // Finds the reference cycles once, in time linear in the graph.
    explicit KeyMapper(const schema::ApiGraph& graph);

    // `expr` with model keys renamed from wire names to source names
    // (arguments and sent payloads). A value that may be null or undefined
    // (its type says so, or `may_be_absent` for an optional parameter) is
    // passed through unchanged when it is, rather than having its keys read.
    std::string request(const schema::TypeRef& ty, std::string_view expr, std::size_t depth,
                        bool may_be_absent = false) const;
    // `expr` with model keys renamed from source names to wire names (results),
    // with the same pass-through for values that may be null or undefined.
    std::string response(const schema::TypeRef& ty, std::string_view expr, std::size_t depth) const;

    const schema::ApiGraph& graph() const { return graph_; }
    // The cycle a model lies on, if any.
    std::optional<std::size_t> cycle_of(const schema::ModelDef& model) const;

    // The name of the helper converting `model`, which is then owed to the module.
    const std::string& helper_for(const schema::ModelDef& model, Direction direction) const;
    // Every helper asked for so far (and those their bodies ask for), with
    // their bodies, in the order first asked.
    std::vector<Helper> take_helpers() const;

private:
    const std::string& helper_key(const schema::ModelDef& model) const;

    const schema::ApiGraph& graph_;
    std::unordered_map<const schema::ModelDef*, std::size_t> cycle_of_;
    std::unordered_map<const schema::ModelDef*, const std::string*> model_keys_;
    // Helpers are owed as printing goes; the printer takes them at the end.
    mutable std::vector<Helper> helpers_;
    mutable std::map<std::pair<const schema::ModelDef*, Direction>, std::string> helper_names_;
    mutable std::set<std::string> helper_names_taken_;
};

// One-off forms of KeyMapper::request and KeyMapper::response; each call
// analyses the whole graph, so printers share one KeyMapper instead.
std::string request_mapping_at_depth(const schema::TypeRef& ty, std::string_view expr, const schema::ApiGraph& graph,
                                     std::size_t depth);
std::string response_mapping_at_depth(const schema::TypeRef& ty, std::string_view expr, const schema::ApiGraph& graph,
                                      std::size_t depth);

// True when a result of this type is converted: the type, after stepping
// through nested arrays, is a model reference.
bool response_needs_conversion(const schema::TypeRef& returns);

}  // namespace tolv::gen_ts
