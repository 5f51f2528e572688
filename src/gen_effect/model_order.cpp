#include "gen_effect/model_order.hpp"

#include <algorithm>
#include <functional>
#include <queue>
#include <string>

#include "gen_effect/lowering.hpp"

namespace tolv::gen_effect {

namespace {

using Index = codegen::ModelTable::Index;
using NameId = codegen::ModelTable::NameId;
constexpr std::uint32_t none = codegen::ModelTable::none;

// Calls `visit` with the name of every model reference in `ty`.
template <class Visit>
void for_each_model_ref(const schema::TypeRef& ty, Visit&& visit) {
    if (ty.kind == schema::TypeKind::Model && ty.name) visit(*ty.name);
    for (const schema::TypeRef& inner : ty.inner) for_each_model_ref(inner, visit);
}

}  // namespace

std::vector<std::uint32_t> dependency_order(const codegen::Edges& dependencies) {
    const std::size_t n = dependencies.size();
    std::vector<std::size_t> waiting_on(n, 0);
    std::vector<std::vector<std::uint32_t>> dependents(n);
    for (std::uint32_t node = 0; node < n; ++node) {
        waiting_on[node] = dependencies[node].size();
        for (const std::uint32_t target : dependencies[node]) dependents[target].push_back(node);
    }
    std::priority_queue<std::uint32_t, std::vector<std::uint32_t>, std::greater<>> ready;
    for (std::uint32_t node = 0; node < n; ++node) {
        if (waiting_on[node] == 0) ready.push(node);
    }
    std::vector<std::uint32_t> order;
    order.reserve(n);
    std::vector<bool> placed(n, false);
    while (!ready.empty()) {
        const std::uint32_t next = ready.top();
        ready.pop();
        order.push_back(next);
        placed[next] = true;
        for (const std::uint32_t dependent : dependents[next]) {
            if (--waiting_on[dependent] == 0) ready.push(dependent);
        }
    }
    // Nodes on a cycle, or depending on one, never became ready.
    for (std::uint32_t node = 0; node < n; ++node) {
        if (!placed[node]) order.push_back(node);
    }
    return order;
}

ModelOrder order_models(codegen::ModelTable& models) {
    const Index n = models.size();
    std::vector<NameId> key_name(n);
    for (Index m = 0; m < n; ++m) key_name[m] = models.type_name_of(models.key(m));

    // One node per PascalCase key, numbered in the byte order of the names;
    // the last model in key order with that key supplies the references.
    std::vector<NameId> node_names(key_name);
    std::ranges::sort(node_names);
    node_names.erase(std::unique(node_names.begin(), node_names.end()), node_names.end());
    std::ranges::sort(node_names, {}, [&](NameId id) -> const std::string& { return models.name(id); });
    std::vector<std::uint32_t> node_named(models.name_count(), none);
    for (std::uint32_t node = 0; node < node_names.size(); ++node) node_named[node_names[node]] = node;
    std::vector<Index> source(node_names.size());
    for (Index m = 0; m < n; ++m) source[node_named[key_name[m]]] = m;

    codegen::Edges dependencies(node_names.size());
    std::vector<bool> refers_to_itself(n, false);
    for (Index m = 0; m < n; ++m) {
        const std::uint32_t node = node_named[key_name[m]];
        const bool supplies = source[node] == m;
        for (const schema::Field& field : models.model(m).fields) {
            for_each_model_ref(field.ty, [&](const std::string& name) {
                const NameId id = models.type_name_of(name);
                if (id == models.type_name_id(m)) refers_to_itself[m] = true;
                if (supplies && id != key_name[m] && id < node_named.size() && node_named[id] != none) {
                    dependencies[node].push_back(node_named[id]);
                }
            });
        }
    }
    for (auto& targets : dependencies) {
        std::ranges::sort(targets);
        targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
    }
    const std::vector<bool> on_cycle = codegen::strongly_connected_components(dependencies).on_cycle;

    // The model declared for a name: the first in key order whose key or
    // name has that PascalCase form.
    std::vector<Index> first_named(models.name_count(), none);
    for (Index m = 0; m < n; ++m) {
        for (const NameId id : {key_name[m], models.type_name_id(m)}) {
            if (first_named[id] == none) first_named[id] = m;
        }
    }
    ModelOrder result;
    result.declarations.reserve(node_names.size());
    result.positions.assign(models.name_count(), lowering::ModelScope::undeclared);
    for (const std::uint32_t node : dependency_order(dependencies)) {
        const Index model = first_named[node_names[node]];
        std::size_t& position = result.positions[models.type_name_id(model)];
        if (position == lowering::ModelScope::undeclared) position = result.declarations.size();
        result.declarations.push_back({model, on_cycle[node] || refers_to_itself[model]});
    }
    return result;
}

}  // namespace tolv::gen_effect
