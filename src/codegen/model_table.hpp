// The models of one graph, numbered in key order: built once per generation,
// so that a model reference is resolved once, by one hash lookup, and the
// analyses of references run over index vectors.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "schema/graph.hpp"

namespace tolv::codegen {

class ModelTable {
public:
    using Index = std::uint32_t;
    static constexpr Index none = std::numeric_limits<Index>::max();

    explicit ModelTable(const schema::ApiGraph& graph);

    Index size() const { return static_cast<Index>(models_.size()); }
    const schema::ModelDef& model(Index m) const { return *models_[m].model; }
    const std::string& key(Index m) const { return *models_[m].key; }
    // The PascalCase form of the model's name: its type name in both clients.
    const std::string& type_name(Index m) const { return models_[m].type_name; }

    // The model whose key is exactly `name`, or none.
    Index find_key(const std::optional<std::string>& name) const;

private:
    struct Entry {
        const std::string* key;
        const schema::ModelDef* model;
        std::string type_name;
    };
    std::vector<Entry> models_;
    std::unordered_map<std::string_view, Index> by_key_;
};

}  // namespace tolv::codegen
