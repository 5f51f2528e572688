#include "codegen/model_table.hpp"

#include "codegen/declared_names.hpp"

namespace tolv::codegen {

namespace {

std::uint32_t key_hash(std::string_view key) { return static_cast<std::uint32_t>(std::hash<std::string_view>{}(key)); }

}  // namespace

ModelTable::ModelTable(const schema::ApiGraph& graph) {
    models_.reserve(graph.models.size());
    std::size_t slots = 2;
    while (slots < 2 * graph.models.size()) slots *= 2;
    by_key_.assign(slots, Slot{0, none});
    for (const auto& [key, model] : graph.models) {
        // A copy of the key beside the others: lookups compare keys, and the
        // graph's own copies lie scattered over its map.
        const std::string& copy = keys_.emplace_back(key);
        const std::uint32_t hash = key_hash(copy);
        std::size_t slot = hash & (slots - 1);
        while (by_key_[slot].model != none) slot = (slot + 1) & (slots - 1);
        by_key_[slot] = {hash, size()};  // keys are distinct: the map's own
        models_.push_back({&copy, &model, intern(codegen::type_name(model.name)), model.name == key});
    }
    declaring_.assign(name_count(), none);
    for (Index m = size(); m-- > 0;) declaring_[models_[m].type_name] = m;
    for (Entry& entry : models_) {
        if (entry.named_by_key) entry.by_key = declaring_of(entry.type_name);
    }
}

ModelTable::Index ModelTable::declaring_of(NameId id) const {
    // An empty type name prints "unknown", which names no model.
    return id >= declaring_.size() || names_[id].empty() ? none : declaring_[id];
}

ModelTable::Index ModelTable::resolve(const std::optional<std::string>& name) const {
    if (!name) return none;
    // Nearly every reference is the key of a model named by its key: its
    // type name is the model's own, resolved once, found without
    // converting the name.
    const std::uint32_t hash = key_hash(*name);
    const std::size_t mask = by_key_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const Slot& probe = by_key_[slot];
        if (probe.model == none) break;
        const Entry& entry = models_[probe.model];
        if (probe.hash == hash && *entry.key == *name) {
            if (entry.named_by_key) return entry.by_key;
            break;
        }
    }
    return declaring_of(type_name_of(*name));
}

ModelTable::NameId ModelTable::type_name_of(std::string_view schema_name) const {
    if (const auto found = by_schema_name_.find(schema_name); found != by_schema_name_.end()) return found->second;
    const NameId id = intern(codegen::type_name(schema_name));
    by_schema_name_.emplace(schema_names_.emplace_back(schema_name), id);
    return id;
}

ModelTable::NameId ModelTable::intern(std::string_view pascal) const {
    if (const auto found = by_name_.find(pascal); found != by_name_.end()) return found->second;
    const NameId id = name_count();
    by_name_.emplace(names_.emplace_back(pascal), id);
    return id;
}

}  // namespace tolv::codegen
