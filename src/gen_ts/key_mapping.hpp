// Expressions that rebuild objects with their keys renamed between the
// client's wire names and the backend's source names.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "schema/graph.hpp"
#include "schema/types.hpp"

namespace tolv::gen_ts {

// The lambda parameter name for one level of array nesting.
std::string map_variable(std::size_t depth);

// Builds key-renaming expressions for one graph. Conversions are written out
// inline, so a model that can reach itself again (through model fields or
// arrays of models) cannot be unrolled completely: within the expansion of
// a model on such a cycle, references to models of the same cycle pass
// through unconverted. This keeps the output finite and linear in the size
// of the cycle-free part.
class KeyMapper {
public:
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

private:
    const schema::ApiGraph& graph_;
    std::unordered_map<const schema::ModelDef*, std::size_t> cycle_of_;
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
