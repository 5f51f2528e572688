#include "codegen/model_table.hpp"

#include "codegen/declared_names.hpp"

namespace tolv::codegen {

ModelTable::ModelTable(const schema::ApiGraph& graph) {
    models_.reserve(graph.models.size());
    by_key_.reserve(graph.models.size());
    for (const auto& [key, model] : graph.models) {
        // A copy of the key beside the others: lookups compare keys, and the
        // graph's own copies lie scattered over its map.
        const std::string& copy = keys_.emplace_back(key);
        by_key_.emplace(copy, size());
        models_.push_back({&copy, &model, intern(codegen::type_name(model.name))});
    }
}

ModelTable::Index ModelTable::find_key(const std::optional<std::string>& key) const {
    if (!key) return none;
    const auto found = by_key_.find(*key);
    return found == by_key_.end() ? none : found->second;
}

ModelTable::NameId ModelTable::type_name_of(std::string_view schema_name) {
    if (const auto found = by_schema_name_.find(schema_name); found != by_schema_name_.end()) return found->second;
    const NameId id = intern(codegen::type_name(schema_name));
    by_schema_name_.emplace(schema_names_.emplace_back(schema_name), id);
    return id;
}

ModelTable::NameId ModelTable::intern(std::string_view pascal) {
    if (const auto found = by_name_.find(pascal); found != by_name_.end()) return found->second;
    const NameId id = name_count();
    by_name_.emplace(names_.emplace_back(pascal), id);
    return id;
}

}  // namespace tolv::codegen
