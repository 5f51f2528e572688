#include "gen_effect/model_order.hpp"

#include <algorithm>
#include <functional>
#include <queue>
#include <string>

#include "gen_effect/lowering.hpp"

namespace tolv::gen_effect {

namespace {

using Index = codegen::ModelTable::Index;
constexpr std::uint32_t none = codegen::ModelTable::none;

// Calls `visit` with the name of every model reference in `ty`.
template <class Visit>
void for_each_model_ref(const schema::TypeRef& ty, Visit&& visit) {
    if (ty.kind == schema::TypeKind::Model) visit(ty.name);
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

ModelOrder order_models(const codegen::ModelTable& models) {
    const Index n = models.size();
    // Nodes are the models numbered in the byte order of their type names.
    std::vector<Index> model_at(n);
    for (Index m = 0; m < n; ++m) model_at[m] = m;
    std::ranges::sort(model_at, {}, [&](Index m) -> const std::string& { return models.type_name(m); });
    std::vector<std::uint32_t> node_of(n);
    for (std::uint32_t node = 0; node < n; ++node) node_of[model_at[node]] = node;

    codegen::Edges dependencies(n);
    std::vector<bool> refers_to_itself(n, false);
    for (std::uint32_t node = 0; node < n; ++node) {
        for (const schema::Field& field : models.model(model_at[node]).fields) {
            for_each_model_ref(field.ty, [&](const std::optional<std::string>& name) {
                const Index model = models.resolve(name);
                const std::uint32_t target = model == none ? none : node_of[model];
                if (target == node) {
                    refers_to_itself[node] = true;
                } else if (target != none) {
                    dependencies[node].push_back(target);
                }
            });
        }
        std::ranges::sort(dependencies[node]);
        dependencies[node].erase(std::unique(dependencies[node].begin(), dependencies[node].end()),
                                 dependencies[node].end());
    }
    const std::vector<bool> on_cycle = codegen::strongly_connected_components(dependencies).on_cycle;

    ModelOrder result;
    result.declarations.reserve(n);
    result.positions.assign(models.name_count(), lowering::ModelScope::undeclared);
    for (const std::uint32_t node : dependency_order(dependencies)) {
        result.positions[models.type_name_id(model_at[node])] = result.declarations.size();
        result.declarations.push_back({model_at[node], on_cycle[node] || refers_to_itself[node]});
    }
    return result;
}

}  // namespace tolv::gen_effect
