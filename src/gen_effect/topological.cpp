#include "gen_effect/topological.hpp"

#include "codegen/cycles.hpp"

#include <algorithm>
#include <functional>
#include <optional>
#include <queue>
#include <string_view>

namespace tolv::gen_effect::topological {

std::vector<std::string> sort_models(const DependencyMap& deps) {
    // Models are numbered in key order, so comparing numbers compares names.
    std::vector<std::string_view> names;
    names.reserve(deps.size());
    for (const auto& entry : deps) names.push_back(entry.first);
    auto index_of = [&](std::string_view name) -> std::optional<std::size_t> {
        const auto it = std::lower_bound(names.begin(), names.end(), name);
        if (it == names.end() || *it != name) return std::nullopt;
        return static_cast<std::size_t>(it - names.begin());
    };

    std::vector<std::size_t> in_degree(names.size(), 0);
    std::vector<std::vector<std::size_t>> dependents(names.size());
    std::size_t model = 0;
    for (const auto& [name, refs] : deps) {
        for (const std::string& ref : refs) {
            if (const auto target = index_of(ref)) {
                ++in_degree[model];
                dependents[*target].push_back(model);
            }
        }
        ++model;
    }

    // The smallest ready name always goes next.
    std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>> ready;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (in_degree[i] == 0) ready.push(i);
    }
    std::vector<std::string> order;
    order.reserve(names.size());
    std::vector<bool> placed(names.size(), false);
    while (!ready.empty()) {
        const std::size_t next = ready.top();
        ready.pop();
        order.emplace_back(names[next]);
        placed[next] = true;
        for (const std::size_t dependent : dependents[next]) {
            if (--in_degree[dependent] == 0) ready.push(dependent);
        }
    }
    // Models on a cycle, or depending on one, never became ready.
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!placed[i]) order.emplace_back(names[i]);
    }
    return order;
}

std::set<std::string> models_on_cycles(const DependencyMap& deps) {
    std::vector<std::string_view> names;
    names.reserve(deps.size());
    for (const auto& entry : deps) names.push_back(entry.first);

    codegen::Edges edges(names.size());
    std::uint32_t model = 0;
    for (const auto& entry : deps) {
        for (const std::string& ref : entry.second) {
            const auto it = std::lower_bound(names.begin(), names.end(), std::string_view(ref));
            if (it == names.end() || *it != ref) continue;
            edges[model].push_back(static_cast<std::uint32_t>(it - names.begin()));
        }
        ++model;
    }

    const std::vector<bool> on_cycle = codegen::strongly_connected_components(edges).on_cycle;
    std::set<std::string> cyclic;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (on_cycle[i]) cyclic.emplace_hint(cyclic.end(), names[i]);
    }
    return cyclic;
}

}  // namespace tolv::gen_effect::topological
