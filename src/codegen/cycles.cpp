#include "codegen/cycles.hpp"

#include <algorithm>
#include <cstddef>
#include <limits>

namespace tolv::codegen {

Components strongly_connected_components(const Edges& edges) {
    constexpr std::uint32_t unvisited = std::numeric_limits<std::uint32_t>::max();
    const std::size_t n = edges.size();
    std::vector<std::uint32_t> order(n, unvisited), low(n, 0);
    std::vector<bool> on_stack(n, false);
    std::vector<std::uint32_t> stack;
    struct Call {
        std::uint32_t node;
        std::uint32_t next_edge;
    };
    std::vector<Call> calls;
    std::uint32_t counter = 0, components = 0;
    Components result{std::vector<std::uint32_t>(n, 0), std::vector<bool>(n, false)};

    const auto visit = [&](std::uint32_t v) {
        order[v] = low[v] = counter++;
        stack.push_back(v);
        on_stack[v] = true;
        calls.push_back({v, 0});
    };
    for (std::uint32_t root = 0; root < n; ++root) {
        if (order[root] != unvisited) continue;
        visit(root);
        while (!calls.empty()) {
            const std::uint32_t v = calls.back().node;
            if (calls.back().next_edge < edges[v].size()) {
                const std::uint32_t w = edges[v][calls.back().next_edge++];
                if (order[w] == unvisited) {
                    visit(w);
                } else if (on_stack[w]) {
                    low[v] = std::min(low[v], order[w]);
                }
                continue;
            }
            calls.pop_back();
            if (!calls.empty()) low[calls.back().node] = std::min(low[calls.back().node], low[v]);
            if (low[v] != order[v]) continue;
            // v roots a component: the nodes above it on the stack.
            const auto first = std::find(stack.rbegin(), stack.rend(), v).base() - 1;
            const bool cyclic = stack.end() - first > 1 || std::ranges::find(edges[v], v) != edges[v].end();
            for (auto it = first; it != stack.end(); ++it) {
                on_stack[*it] = false;
                result.of[*it] = components;
                result.on_cycle[*it] = cyclic;
            }
            stack.erase(first, stack.end());
            ++components;
        }
    }
    return result;
}

}  // namespace tolv::codegen
