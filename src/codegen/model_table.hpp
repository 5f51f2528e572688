// The models of one graph numbered in key order, and the type names the
// clients give them, numbered too: built once per generation, so references
// are resolved once and analyses run over index vectors.
//
// A model reference means the model whose record name gives the type name
// the reference prints (codegen::type_name): by its key or its record's name,
// in any spelling that converts to that name. The name checks make the model
// unique (codegen::declare_names).
#pragma once

#include <cstdint>
#include <deque>
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
    using Index = std::uint32_t;   // a model
    using NameId = std::uint32_t;  // a type name
    static constexpr std::uint32_t none = std::numeric_limits<std::uint32_t>::max();

    explicit ModelTable(const schema::ApiGraph& graph);

    Index size() const { return static_cast<Index>(models_.size()); }
    const schema::ModelDef& model(Index m) const { return *models_[m].model; }
    const std::string& key(Index m) const { return *models_[m].key; }
    // The type name of the model (codegen::type_name of its name) in both clients.
    NameId type_name_id(Index m) const { return models_[m].type_name; }
    const std::string& type_name(Index m) const { return name(type_name_id(m)); }

    // The model a reference by `name` means, or none: no name, or no model
    // declares the type name it prints. The one lookup of model references.
    Index resolve(const std::optional<std::string>& name) const;

    // The number of the type name of a schema name (a key or the name
    // in a reference), converted once per distinct name.
    NameId type_name_of(std::string_view schema_name) const;
    // The number of a type name, given on first sight.
    NameId intern(std::string_view pascal) const;
    const std::string& name(NameId id) const { return names_[id]; }
    NameId name_count() const { return static_cast<NameId>(names_.size()); }

private:
    // The first model declaring a type name, or none.
    Index declaring_of(NameId id) const;

    struct Entry {
        const std::string* key;
        const schema::ModelDef* model;
        NameId type_name;
        bool named_by_key;
        Index by_key = none;  // named by its key: what a reference by the key resolves to
    };
    std::vector<Entry> models_;
    std::deque<std::string> keys_;
    // Every model reference is looked up, often several times: an open
    // addressing table (a power of two of slots, linear probing) keeps each
    // lookup to one probe of a flat array and one key comparison.
    struct Slot {
        std::uint32_t hash;
        Index model;  // none: empty
    };
    std::vector<Slot> by_key_;
    // By the number of a model's type name: the first model declaring it.
    std::vector<Index> declaring_;
    // Names are numbered as references are met, a cache behind const
    // lookups. Deques, so the views keying the maps stay valid as they grow.
    mutable std::deque<std::string> names_;
    mutable std::unordered_map<std::string_view, NameId> by_name_;
    mutable std::deque<std::string> schema_names_;
    mutable std::unordered_map<std::string_view, NameId> by_schema_name_;
};

}  // namespace tolv::codegen
