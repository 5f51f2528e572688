#include "codegen/model_table.hpp"

#include "schema/naming.hpp"

namespace tolv::codegen {

ModelTable::ModelTable(const schema::ApiGraph& graph) {
    models_.reserve(graph.models.size());
    by_key_.reserve(graph.models.size());
    for (const auto& [key, model] : graph.models) {
        by_key_.emplace(key, size());
        models_.push_back({&key, &model, schema::to_pascal_case(model.name)});
    }
}

ModelTable::Index ModelTable::find_key(const std::optional<std::string>& name) const {
    if (!name) return none;
    const auto found = by_key_.find(*name);
    return found == by_key_.end() ? none : found->second;
}

}  // namespace tolv::codegen
