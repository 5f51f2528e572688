#include "gen_effect/model_order.hpp"

#include <algorithm>
#include <functional>
#include <numeric>
#include <queue>
#include <string>

#include "schema/naming.hpp"

namespace tolv::gen_effect {

namespace {

using Index = codegen::ModelTable::Index;

// Calls `visit` with the PascalCase name of every model reference in `ty`.
template <class Visit>
void for_each_model_ref(const schema::TypeRef& ty, Visit&& visit) {
    if (ty.kind == schema::TypeKind::Model && ty.name) visit(schema::to_pascal_case(*ty.name));
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
    std::vector<std::string> pascal_keys(n);
    for (Index m = 0; m < n; ++m) pascal_keys[m] = schema::to_pascal_case(models.key(m));

    // One node per PascalCase key, numbered in the byte order of the keys.
    std::vector<Index> by_name(n);
    std::iota(by_name.begin(), by_name.end(), Index{0});
    std::ranges::stable_sort(by_name, {}, [&](Index m) -> const std::string& { return pascal_keys[m]; });
    std::vector<Index> source;  // per node: the model whose references count
    std::unordered_map<std::string_view, std::uint32_t> node_named;
    for (const Index m : by_name) {
        const auto [it, added] = node_named.try_emplace(pascal_keys[m], static_cast<std::uint32_t>(source.size()));
        if (added) {
            source.push_back(m);
        } else {
            source[it->second] = m;  // a later key with the same form supplies the references
        }
    }

    codegen::Edges dependencies(source.size());
    std::vector<std::uint32_t> node_of_source(n, codegen::ModelTable::none);
    for (std::uint32_t node = 0; node < source.size(); ++node) node_of_source[source[node]] = node;
    std::vector<bool> refers_to_itself(n, false);
    for (Index m = 0; m < n; ++m) {
        const std::uint32_t node = node_of_source[m];
        for (const schema::Field& field : models.model(m).fields) {
            for_each_model_ref(field.ty, [&](const std::string& name) {
                if (name == models.type_name(m)) refers_to_itself[m] = true;
                if (node == codegen::ModelTable::none || name == pascal_keys[m]) return;
                if (const auto target = node_named.find(name); target != node_named.end()) {
                    dependencies[node].push_back(target->second);
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
    std::unordered_map<std::string_view, Index> first_named;
    for (Index m = 0; m < n; ++m) {
        first_named.try_emplace(pascal_keys[m], m);
        first_named.try_emplace(models.type_name(m), m);
    }
    ModelOrder result;
    result.declarations.reserve(source.size());
    for (const std::uint32_t node : dependency_order(dependencies)) {
        const Index model = first_named.at(pascal_keys[source[node]]);
        result.position.try_emplace(models.type_name(model), result.declarations.size());
        result.declarations.push_back({model, on_cycle[node] || refers_to_itself[model]});
    }
    return result;
}

}  // namespace tolv::gen_effect
